#include "command_line.h"

#include <cctype>
#include <charconv>
#include <cstdlib>
#include <vector>

#include "texts.h"

namespace conv {
namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

std::optional<int32_t> LanguageOfValue(std::string_view value) {
  if (EqualsIgnoringCase(value, "en")) return 1;
  if (EqualsIgnoringCase(value, "nl")) return 2;
  return std::nullopt;
}

std::optional<int> CodePageOfValue(std::string_view value) {
  int page = 0;
  const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), page);
  if (ec != std::errc() || end != value.data() + value.size() || !IsSupportedCodePage(page))
    return std::nullopt;
  return page;
}

enum class Option { None, Target, NoTracks, Datum, ListDatums, Language, CodePage, Quiet, Version, Help };

struct OptionName {
  std::string_view name;
  Option option;
  bool takesValue;
};

constexpr OptionName kOptions[] = {
    {"-o", Option::Target, true},
    {"--target", Option::Target, true},
    {"--no-tracks", Option::NoTracks, false},
    {"--datum", Option::Datum, true},
    {"--list-datums", Option::ListDatums, false},
    {"--language", Option::Language, true},
    {"--codepage", Option::CodePage, true},
    {"--quiet", Option::Quiet, false},
    {"--version", Option::Version, false},
    {"--help", Option::Help, false},
};

const OptionName* FindOption(std::string_view name) {
  for (const OptionName& o : kOptions) {
    if (o.name == name) return &o;
  }
  return nullptr;
}

}  // namespace

int32_t LanguageFromLocale(const LocaleEnvironment& locale) {
  for (const std::string* value : {&locale.lcAll, &locale.lcMessages, &locale.lang}) {
    if (value->empty()) continue;
    // "nl", or "nl" followed by a territory, code set or modifier.
    const bool dutch = value->size() >= 2 && EqualsIgnoringCase(value->substr(0, 2), "nl") &&
                       (value->size() == 2 || (*value)[2] == '_' || (*value)[2] == '.' || (*value)[2] == '@');
    return dutch ? 2 : 1;
  }
  return 1;
}

LocaleEnvironment CurrentLocaleEnvironment() {
  auto get = [](const char* name) {
    const char* v = std::getenv(name);
    return std::string(v ? v : "");
  };
  return {get("LC_ALL"), get("LC_MESSAGES"), get("LANG")};
}

CommandLine ParseCommandLine(std::span<const std::string_view> args, const LocaleEnvironment& locale) {
  CommandLine cl;
  cl.language = LanguageFromLocale(locale);
  bool help = false, version = false, listDatums = false, optionsEnded = false;
  std::optional<std::string_view> languageValue;
  // The first fault is reported, in the language the whole line asks for.
  TextId fault = TextId::Count;
  std::string faultArgument;
  auto setFault = [&](TextId id, std::string_view argument) {
    if (fault != TextId::Count) return;
    fault = id;
    faultArgument = std::string(argument);
  };
  std::vector<std::string_view> databases;

  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      databases.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    std::string_view name = arg;
    std::optional<std::string_view> value;
    if (const size_t eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    } else if (arg.starts_with("-o") && arg.size() > 2) {
      name = "-o";  // "-oDIR"
      value = arg.substr(2);
    }
    const OptionName* option = FindOption(name);
    if (option == nullptr || (value && !option->takesValue)) {
      setFault(TextId::CliUnknownOption, arg);
      continue;
    }
    if (option->takesValue && !value) {
      if (i + 1 < args.size()) value = args[++i];
    }
    if (option->takesValue && (!value || value->empty())) {
      setFault(TextId::CliMissingValue, name);
      continue;
    }
    switch (option->option) {
      case Option::Target:
        cl.target = std::string(*value);
        break;
      case Option::NoTracks:
        cl.tracks = false;
        break;
      case Option::Datum:
        cl.datum = std::string(*value);
        break;
      case Option::ListDatums:
        listDatums = true;
        break;
      case Option::Language:
        if (LanguageOfValue(*value)) {
          languageValue = *value;
        } else {
          setFault(TextId::CliBadLanguage, *value);
        }
        break;
      case Option::CodePage:
        if (std::optional<int> page = CodePageOfValue(*value)) {
          cl.codePage = *page;
        } else {
          setFault(TextId::CliBadCodePage, *value);
        }
        break;
      case Option::Quiet:
        cl.quiet = true;
        break;
      case Option::Version:
        version = true;
        break;
      case Option::Help:
        help = true;
        break;
      case Option::None:
        break;
    }
  }
  if (languageValue) cl.language = *LanguageOfValue(*languageValue);

  if (help) {
    cl.action = CliAction::Help;
    return cl;
  }
  if (version) {
    cl.action = CliAction::Version;
    return cl;
  }
  if (fault == TextId::Count && !listDatums) {
    if (databases.empty()) {
      setFault(TextId::CliNoDatabase, {});
    } else if (databases.size() > 1) {
      setFault(TextId::CliTooManyDatabases, databases[1]);
    }
  }
  if (fault != TextId::Count) {
    cl.action = CliAction::UsageError;
    cl.error = TextIn(cl.language, fault, {faultArgument}) + "\n" + TextIn(cl.language, TextId::CliTryHelp);
    return cl;
  }
  if (listDatums) {
    cl.action = CliAction::ListDatums;
    return cl;
  }
  cl.action = CliAction::Convert;
  cl.database = std::string(databases.front());
  return cl;
}

std::string UsageText(int32_t language) { return TextIn(language, TextId::CliUsage); }

}  // namespace conv
