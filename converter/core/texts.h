// The converter's own texts in English and Dutch, resolved in the current
// language of the library's language state, and the Format-style "%s"
// substitution that fills them.
//
// Every text is UTF-8. A text is eight entries, entry L - 1 for language L;
// only English (entry 0) and Dutch (entry 1) are filled, and an empty entry
// reads as the English one, so a language the converter does not speak (set
// by another client of the library) shows English.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "vmlib/languages.h"

namespace conv {

using ConverterText = std::array<std::string_view, kLanguageCount>;

// One id per text of the table; the comment names the arguments of "%s"
// places in order.
enum class TextId : int {
  Browse,                // browse buttons of pages 1 and 3
  SelectTargetTitle,     // title of the target folder dialog
  Close,                 // ButtonClose
  Convert,               // ButtonNext on page 3
  Next,                  // ButtonNext
  Previous,              // ButtonPrevious
  ConvertTracks,         // CheckBoxTracks
  ConnectFailed,         // the database cannot be opened
  Converted,             // success; the archive's path
  NoDatabaseSelected,    // page 1 check
  NoDatumSpecified,      // page 2 check
  NoTargetFolder,        // page 3 check
  RouteWaypointMissing,  // waypoint name, route name
  TableNotOpened,        // table name
  LabelDatum,            // LabelGeodeticDatum
  Step2Text,             // LabelStep2Text
  Total,                 // LabelTotal
  Step1Database,         // LabelStep1Database
  OpenDialogTitle,       // title of the open dialog
  PartRoutes,            // LabelPart during the routes step
  PartTracks,            // ... the tracks step
  PartWaypoints,         // ... the waypoints step
  PartWaypointTypes,     // ... the waypoint types step
  Page1Description,
  Page1Header,
  Page2Description,
  Page2Header,
  Page3Description,
  Page3Header,  // also LabelStep3Target
  Page4Description,
  Page4Header,
  // Captions and messages that exist in English only.
  LanguageDutch,    // ButtonLanguageDutch
  LanguageEnglish,  // ButtonLanguageEnglish
  NoHighResTimer,   // start-up without a high-resolution timer
  GetDatumFailed,   // the library refused an ellipsoid or datum definition
  // Messages for source data the conversion cannot use.
  DatumNotChosen,       // waypoint name: its datum is "the chosen one", and none is chosen
  DatumKeyMissing,      // datum key: no row of Datums has it
  EllipsoidKeyMissing,  // ellipsoid key, datum key
  EllipsoidInvalid,     // ellipsoid key, major axis, minor axis (metres)
  // The command line of ankrum3-convert.
  CliUsage,          // the help text
  CliUnknownOption,  // the option
  CliMissingValue,   // the option
  CliNoDatabase,
  CliTooManyDatabases,  // the surplus argument
  CliBadLanguage,       // the value
  CliBadCodePage,       // the value
  CliTryHelp,
  CliUnknownDatum,  // the code
  CliDatumNeeded,
  Count
};

// The table entry of a text.
const ConverterText& TextOf(TextId id);

// Entry (language - 1), or entry 0 when that is empty or the language lies
// outside 1 to 8.
std::string_view ResolveText(const ConverterText& text, int32_t language);
// As above, in the library's current language (GetCurrentLanguage).
std::string_view ResolveText(const ConverterText& text);

// A Format-style substitution: each "%s" takes the next argument, "%%" gives
// "%". Arguments are inserted as they stand (a "%s" inside one is not
// expanded); surplus arguments are ignored. Throws FormatError for a "%s"
// without an argument or any other "%" sequence.
class FormatError : public std::logic_error {
public:
  using std::logic_error::logic_error;
};
std::string Format(std::string_view pattern, std::span<const std::string_view> args);
inline std::string Format(std::string_view pattern, std::initializer_list<std::string_view> args) {
  return Format(pattern, std::span<const std::string_view>(args.begin(), args.size()));
}

// The text resolved in the current language, with its arguments filled in.
std::string Text(TextId id, std::initializer_list<std::string_view> args = {});
// The same in a given language.
std::string TextIn(int32_t language, TextId id, std::initializer_list<std::string_view> args = {});

}  // namespace conv
