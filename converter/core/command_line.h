// The command line of ankrum3-convert, parsed without touching the process:
// the arguments and the locale come in, the options or a usage error go out.
//
//   ankrum3-convert [options] DATABASE.mdb
//
// Options may stand before or after the database; "--" ends them. A value
// follows its option as the next argument or, for the long forms, after "="
// ("--target=DIR"). When an option is repeated the last one counts.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "code_page.h"

namespace conv {

// Exit statuses of ankrum3-convert (the help text lists them too).
enum ExitCode : int {
  kExitSuccess = 0,      // converted, the archive is complete
  kExitStepStopped = 1,  // a step stopped; the archive holds what was built
  kExitUsage = 2,        // the command line is wrong; nothing was read
  kExitFailed = 3,       // the conversion failed; nothing was written
};

enum class CliAction {
  Convert,
  Help,        // --help: the usage text
  Version,     // --version
  ListDatums,  // --list-datums: the datum codes --datum accepts
  UsageError,  // see CommandLine::error
};

struct CommandLine {
  CliAction action = CliAction::UsageError;
  std::string database;              // Convert: the source database
  std::string target = ".";          // -o/--target: folder of the archive
  bool tracks = true;                // false with --no-tracks
  std::optional<std::string> datum;  // --datum: a built-in datum code, not yet checked
  int32_t language = 1;              // 1 English, 2 Dutch: --language, else the locale
  int codePage = kDefaultCodePage;   // --codepage: a supported single-byte page
  bool quiet = false;                // --quiet
  std::string error;                 // UsageError: the message, in language
};

// What the locale says: the values of LC_ALL, LC_MESSAGES and LANG (empty
// when unset).
struct LocaleEnvironment {
  std::string lcAll, lcMessages, lang;
};
// Dutch (2) when the first set one of LC_ALL, LC_MESSAGES, LANG names the
// Dutch language ("nl", "nl_NL.UTF-8", "nl_BE@euro"), otherwise English (1).
int32_t LanguageFromLocale(const LocaleEnvironment& locale);
// The locale of this process's environment.
LocaleEnvironment CurrentLocaleEnvironment();

// args without the program name. --help wins over everything, then
// --version; otherwise any fault gives UsageError with its message.
CommandLine ParseCommandLine(std::span<const std::string_view> args, const LocaleEnvironment& locale);

// The help text in a language, ending in a line break.
std::string UsageText(int32_t language);

}  // namespace conv
