#include "texts.h"

#include <cstddef>
#include <iterator>

namespace conv {
namespace {

struct TextRow {
  TextId id;
  ConverterText text;  // English, Dutch; the other languages stay empty
};

// clang-format off
constexpr TextRow kTexts[] = {
    {TextId::Browse, {"Browse...", "Bladeren..."}},
    {TextId::SelectTargetTitle, {"Select target location", "Selecteer doellocatie"}},
    {TextId::Close, {"Close", "Sluiten"}},
    {TextId::Convert, {"Convert", "Converteren"}},
    {TextId::Next, {"Next", "Volgende"}},
    {TextId::Previous, {"Previous", "Vorige"}},
    {TextId::ConvertTracks, {"Convert tracks", "Trajecten overnemen"}},
    {TextId::ConnectFailed,
     {"Could not connect to the Ankrum Pro 3 database given by you\r\n"
      "Check the file path and be sure the given file is a Ankrum Pro 3 database.",
      "Er kon geen verbinding worden gemaakt met de door u opgegeven Ankrum Pro 3 database.\r\n"
      "Controleer het pad en verzeker u er van dat het opgegeven bestand een Ankrum 3 database is."}},
    {TextId::Converted,
     {"The database has been converted successfully and save to:\r\n\r\n%s",
      "De database is succesvol geconverteerd en opgeslagen in:\r\n\r\n%s"}},
    {TextId::NoDatabaseSelected,
     {"No Ankrum Pro 3 database selected.\r\n\r\nSelect a Ankrum Pro 3 database and try again.",
      "Geen Ankrum Pro 3 database geselecteerd.\r\n\r\nSelecteer een Ankrum Pro 3 database en probeer opnieuw."}},
    {TextId::NoDatumSpecified,
     {"No geodetic datum specified.\r\n\r\n"
      "If you want to convert tracks, you also need to specify a geodetic datum.",
      "Geen geodetische datum gespecificeerd.\r\n\r\n"
      "Als u tracks wilt overnemen dient u ook een daarvoor te gebruiken geodetische datum op te geven."}},
    {TextId::NoTargetFolder,
     {"No target folder specified.\r\n\r\nPlease specify an existing folder as target location.",
      "Geen doellocatie opgegeven.\r\n\r\nGeef een geldige map als doellocatie op."}},
    {TextId::RouteWaypointMissing,
     {"Waypoint: %s, part of route: %s could not be found.\r\n"
      "Check the route in Ankrum 3 and solve the problem there.",
      "Waypoint: %s, onderdeel van route: %s kon niet gevonden worden.\r\n"
      "Controleer de route in Ankrum 3 en los het probleem daar op."}},
    {TextId::TableNotOpened,
     {"The table %s in the given Ankrum 3 database could not be opened.\r\n"
      "Be sure that the given database is a Ankrum 3 database.",
      "De tabel %s in de opgegeven Ankrum 3 database kon niet geopend worden.\r\n"
      "Verzeker u ervan dat de opgegeven database een Ankrum 3 database is."}},
    {TextId::LabelDatum, {"Datum:", "Datum:"}},
    {TextId::Step2Text,
     {"Specify which geodetic datum should be used for these tracks.",
      "Geef aan welke geodetische datum voor deze trajecten moet worden gebruikt."}},
    {TextId::Total, {"Total:", "Totaal:"}},
    {TextId::Step1Database, {"Ankrum 3 database", "Ankrum 3 database"}},
    {TextId::OpenDialogTitle, {"Select a Ankrum Pro 3 database.", "Selecteer een Ankrum Pro 3 database."}},
    {TextId::PartRoutes, {"Routes...", "Routes..."}},
    {TextId::PartTracks, {"Tracks...", "Trajecten..."}},
    {TextId::PartWaypoints, {"Waypoints...", "Waypoints..."}},
    {TextId::PartWaypointTypes, {"Waypoint types...", "Waypoint types..."}},
    {TextId::Page1Description,
     {"Select the Ankrum 3 database from which you want to convert waypoints, routes and tracks.",
      "Selecteer de Ankrum 3 database waar vanuit u waypoints, routes en trajecten wilt overnemen."}},
    {TextId::Page1Header, {"Database selection", "Database selectie"}},
    {TextId::Page2Description,
     {"Specify if you also want to convert tracks.", "Geef aan of u ook trajecten wil overnemen."}},
    {TextId::Page2Header, {"Tracks", "Trajecten"}},
    {TextId::Page3Description,
     {"Specify the folder to where the items will be converted.",
      "Kies de map waar u de overgenomen items wilt opslaan."}},
    {TextId::Page3Header, {"Target location", "Doellocatie"}},
    {TextId::Page4Description,
     {"Please wait while the database is being converted.",
      "Wachten a.u.b. terwijl de database wordt geconverteerd."}},
    {TextId::Page4Header, {"Converting", "Converteren"}},

    {TextId::LanguageDutch, {"Nederlands"}},
    {TextId::LanguageEnglish, {"English"}},
    {TextId::NoHighResTimer, {"High resolution timer not available."}},
    {TextId::GetDatumFailed, {"GetDatum: Error getting geodetic datum."}},

    {TextId::DatumNotChosen,
     {"Waypoint: %s uses the geodetic datum chosen for the conversion, but no datum has been chosen.\r\n"
      "Choose a geodetic datum and try again.",
      "Waypoint: %s gebruikt de voor de conversie gekozen geodetische datum, maar er is geen datum gekozen.\r\n"
      "Kies een geodetische datum en probeer opnieuw."}},
    {TextId::DatumKeyMissing,
     {"The table Datums in the given Ankrum 3 database has no datum with key %s.",
      "De tabel Datums in de opgegeven Ankrum 3 database bevat geen datum met sleutel %s."}},
    {TextId::EllipsoidKeyMissing,
     {"The table Ellipsoids in the given Ankrum 3 database has no ellipsoid with key %s (used by datum %s).",
      "De tabel Ellipsoids in de opgegeven Ankrum 3 database bevat geen ellipsoïde met sleutel %s "
      "(gebruikt door datum %s)."}},
    {TextId::EllipsoidInvalid,
     {"The ellipsoid with key %s in the given Ankrum 3 database has unusable axes "
      "(major axis %s m, minor axis %s m).",
      "De ellipsoïde met sleutel %s in de opgegeven Ankrum 3 database heeft onbruikbare assen "
      "(halve lange as %s m, halve korte as %s m)."}},

    {TextId::CliUsage,
     {"Usage: ankrum3-convert [options] DATABASE.mdb\n"
      "Converts the waypoints, routes and tracks of an Ankrum Pro 3 database into the backup archive "
      "Ankrum3.a4db.\n"
      "\n"
      "Options:\n"
      "  -o, --target DIR      folder of the archive (default: the current folder)\n"
      "      --no-tracks       leave the tracks out\n"
      "      --datum CODE      datum of the track points and of waypoints without a datum of their own\n"
      "                        (default: the database's GPS datum)\n"
      "      --list-datums     list the datum codes and stop\n"
      "      --language en|nl  language of the messages (default: from the locale)\n"
      "      --codepage N      code page of the texts in the archive (default: 1252)\n"
      "      --quiet           no progress, only errors\n"
      "      --version         show the version and stop\n"
      "      --help            show this help and stop\n"
      "\n"
      "Exit status: 0 converted; 1 a step stopped (the archive holds what was built);\n"
      "2 wrong command line; 3 conversion failed (nothing written).\n",
      "Gebruik: ankrum3-convert [opties] DATABASE.mdb\n"
      "Zet de waypoints, routes en trajecten van een Ankrum Pro 3 database om in het backup-archief "
      "Ankrum3.a4db.\n"
      "\n"
      "Opties:\n"
      "  -o, --target MAP      map van het archief (standaard: de huidige map)\n"
      "      --no-tracks       trajecten niet overnemen\n"
      "      --datum CODE      datum van de trajectpunten en van waypoints zonder eigen datum\n"
      "                        (standaard: de GPS-datum van de database)\n"
      "      --list-datums     de datumcodes tonen en stoppen\n"
      "      --language en|nl  taal van de meldingen (standaard: volgens de locale)\n"
      "      --codepage N      codetabel van de teksten in het archief (standaard: 1252)\n"
      "      --quiet           geen voortgang, alleen fouten\n"
      "      --version         de versie tonen en stoppen\n"
      "      --help            deze hulp tonen en stoppen\n"
      "\n"
      "Afsluitcode: 0 geconverteerd; 1 een stap is gestopt (het archief bevat wat gemaakt is);\n"
      "2 onjuiste opdrachtregel; 3 conversie mislukt (niets geschreven).\n"}},
    {TextId::CliUnknownOption, {"Unknown option: %s", "Onbekende optie: %s"}},
    {TextId::CliMissingValue, {"The option %s needs a value.", "De optie %s heeft een waarde nodig."}},
    {TextId::CliNoDatabase, {"No database given.", "Geen database opgegeven."}},
    {TextId::CliTooManyDatabases,
     {"Only one database can be converted at a time; %s is one too many.",
      "Er kan maar een database tegelijk worden geconverteerd; %s is er een te veel."}},
    {TextId::CliBadLanguage,
     {"Unknown language: %s (use en or nl).", "Onbekende taal: %s (gebruik en of nl)."}},
    {TextId::CliBadCodePage,
     {"Unsupported code page: %s (use 1250 to 1258, 874, 437 or 850).",
      "Niet ondersteunde codetabel: %s (gebruik 1250 tot 1258, 874, 437 of 850)."}},
    {TextId::CliTryHelp,
     {"Try 'ankrum3-convert --help' for more information.",
      "Probeer 'ankrum3-convert --help' voor meer informatie."}},
    {TextId::CliUnknownDatum,
     {"Unknown datum code: %s. 'ankrum3-convert --list-datums' lists the codes.",
      "Onbekende datumcode: %s. 'ankrum3-convert --list-datums' toont de codes."}},
    {TextId::CliDatumNeeded,
     {"The database's GPS datum is not one of the built-in datums. Choose the datum with --datum CODE; "
      "'ankrum3-convert --list-datums' lists the codes.",
      "De GPS-datum van de database is geen van de ingebouwde datums. Kies de datum met --datum CODE; "
      "'ankrum3-convert --list-datums' toont de codes."}},
};
// clang-format on

constexpr bool TableMatchesIds() {
  if (std::size(kTexts) != static_cast<size_t>(TextId::Count)) return false;
  for (size_t i = 0; i < std::size(kTexts); ++i) {
    if (kTexts[i].id != static_cast<TextId>(i) || kTexts[i].text[0].empty()) return false;
  }
  return true;
}
static_assert(TableMatchesIds(), "one row per TextId, in order, each with an English text");

}  // namespace

const ConverterText& TextOf(TextId id) {
  const auto index = static_cast<size_t>(id);
  if (index >= std::size(kTexts)) throw std::out_of_range("conv::TextOf: no such text");
  return kTexts[index].text;
}

std::string_view ResolveText(const ConverterText& text, int32_t language) {
  if (language < 1 || language > kLanguageCount) return text[0];
  const std::string_view entry = text[static_cast<size_t>(language - 1)];
  return entry.empty() ? text[0] : entry;
}

std::string_view ResolveText(const ConverterText& text) { return ResolveText(text, GetCurrentLanguage()); }

std::string Format(std::string_view pattern, std::span<const std::string_view> args) {
  std::string out;
  out.reserve(pattern.size());
  auto next = args.begin();
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c != '%') {
      out += c;
      continue;
    }
    const char specifier = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
    if (specifier == '%') {
      out += '%';
    } else if (specifier == 's' || specifier == 'S') {
      if (next == args.end())
        throw FormatError("Format '" + std::string(pattern) + "': more %s places than arguments");
      out += *next++;
    } else {
      throw FormatError("Format '" + std::string(pattern) + "': unsupported % sequence");
    }
    ++i;
  }
  return out;
}

std::string Text(TextId id, std::initializer_list<std::string_view> args) {
  return Format(ResolveText(TextOf(id)), args);
}

std::string TextIn(int32_t language, TextId id, std::initializer_list<std::string_view> args) {
  return Format(ResolveText(TextOf(id), language), args);
}

}  // namespace conv
