// The command line of ankrum3-convert: options, defaults, faults and the
// language of the messages.
#include "command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using conv::CliAction;

const conv::LocaleEnvironment kEnglishLocale{"", "", "en_GB.UTF-8"};

conv::CommandLine Parse(std::vector<std::string_view> args,
                        const conv::LocaleEnvironment& locale = kEnglishLocale) {
  return conv::ParseCommandLine(args, locale);
}

TEST(CommandLine, DefaultsForADatabaseAlone) {
  const conv::CommandLine cl = Parse({"gps.mdb"});
  EXPECT_EQ(cl.action, CliAction::Convert);
  EXPECT_EQ(cl.database, "gps.mdb");
  EXPECT_EQ(cl.target, ".");
  EXPECT_TRUE(cl.tracks);
  EXPECT_FALSE(cl.datum.has_value());
  EXPECT_EQ(cl.language, 1);
  EXPECT_EQ(cl.codePage, 1252);
  EXPECT_FALSE(cl.quiet);
  EXPECT_TRUE(cl.error.empty());
}

TEST(CommandLine, EveryOptionInEachSpelling) {
  const conv::CommandLine a = Parse({"--no-tracks", "-o", "/out", "old gps.mdb", "--datum", "EUR-A",
                                     "--language", "NL", "--codepage", "1250", "--quiet"});
  EXPECT_EQ(a.action, CliAction::Convert);
  EXPECT_EQ(a.database, "old gps.mdb");
  EXPECT_EQ(a.target, "/out");
  EXPECT_FALSE(a.tracks);
  EXPECT_EQ(a.datum, "EUR-A");
  EXPECT_EQ(a.language, 2);
  EXPECT_EQ(a.codePage, 1250);
  EXPECT_TRUE(a.quiet);

  const conv::CommandLine b =
      Parse({"--target=/a", "--target", "/b=c", "--datum=WGE", "--codepage=437", "--language=en", "x.mdb"});
  EXPECT_EQ(b.target, "/b=c");  // the last one counts; "=" inside a value stays
  EXPECT_EQ(b.datum, "WGE");
  EXPECT_EQ(b.codePage, 437);
  EXPECT_EQ(b.language, 1);
  EXPECT_EQ(Parse({"-o/short", "x.mdb"}).target, "/short");
  // After "--" everything is a database name, even what looks like an option.
  const conv::CommandLine c = Parse({"--", "--help.mdb"});
  EXPECT_EQ(c.action, CliAction::Convert);
  EXPECT_EQ(c.database, "--help.mdb");
  // A value may itself start with "-".
  EXPECT_EQ(Parse({"-o", "-dir", "x.mdb"}).target, "-dir");
}

TEST(CommandLine, HelpVersionAndListNeedNoDatabase) {
  EXPECT_EQ(Parse({"--help"}).action, CliAction::Help);
  EXPECT_EQ(Parse({"--bogus", "--help", "a", "b"}).action, CliAction::Help);
  EXPECT_EQ(Parse({"--version", "--help"}).action, CliAction::Help);
  EXPECT_EQ(Parse({"--version"}).action, CliAction::Version);
  EXPECT_EQ(Parse({"--version", "--codepage", "7"}).action, CliAction::Version);
  EXPECT_EQ(Parse({"--list-datums"}).action, CliAction::ListDatums);
  EXPECT_EQ(Parse({"--list-datums", "--language", "xx"}).action, CliAction::UsageError);
}

TEST(CommandLine, FaultsGiveAMessageInTheChosenLanguage) {
  struct Case {
    std::vector<std::string_view> args;
    const char* english;  // first line of the message
  };
  const Case cases[] = {
      {{}, "No database given."},
      {{"--quiet"}, "No database given."},
      {{"a.mdb", "b.mdb"}, "Only one database can be converted at a time; b.mdb is one too many."},
      {{"--tracks", "a.mdb"}, "Unknown option: --tracks"},
      {{"-x", "a.mdb"}, "Unknown option: -x"},
      {{"--quiet=yes", "a.mdb"}, "Unknown option: --quiet=yes"},
      {{"a.mdb", "-o"}, "The option -o needs a value."},
      {{"a.mdb", "--target="}, "The option --target needs a value."},
      {{"a.mdb", "--datum"}, "The option --datum needs a value."},
      {{"a.mdb", "--language", "de"}, "Unknown language: de (use en or nl)."},
      {{"a.mdb", "--codepage", "65001"}, "Unsupported code page: 65001 (use 1250 to 1258, 874, 437 or 850)."},
      {{"a.mdb", "--codepage", "1252x"}, "Unsupported code page: 1252x (use 1250 to 1258, 874, 437 or 850)."},
      {{"--bogus", "a.mdb", "b.mdb"}, "Unknown option: --bogus"},  // the first fault
  };
  for (const Case& c : cases) {
    const conv::CommandLine cl = Parse(c.args);
    EXPECT_EQ(cl.action, CliAction::UsageError) << c.english;
    EXPECT_EQ(cl.error, std::string(c.english) + "\nTry 'ankrum3-convert --help' for more information.");
  }
  // Dutch from the locale, or from --language anywhere on the line.
  const conv::LocaleEnvironment dutch{"", "", "nl_NL.UTF-8"};
  EXPECT_EQ(Parse({}, dutch).error,
            "Geen database opgegeven.\nProbeer 'ankrum3-convert --help' voor meer informatie.");
  EXPECT_TRUE(Parse({"--bogus", "--language", "nl"}).error.starts_with("Onbekende optie: --bogus\n"));
  EXPECT_TRUE(Parse({"--language", "en"}, dutch).error.starts_with("No database given.\n"));
}

TEST(CommandLine, LanguageFromTheLocale) {
  struct Case {
    conv::LocaleEnvironment locale;
    int32_t language;
  };
  const Case cases[] = {
      {{"", "", ""}, 1},
      {{"", "", "nl_NL.UTF-8"}, 2},
      {{"", "", "nl"}, 2},
      {{"", "", "nl_BE@euro"}, 2},
      {{"", "", "NL_nl"}, 2},
      {{"", "", "nlx_XX"}, 1},  // not Dutch, only the same letters
      {{"", "", "C"}, 1},
      {{"en_US.UTF-8", "", "nl_NL"}, 1},  // LC_ALL first
      {{"", "nl_NL", "en_US"}, 2},        // then LC_MESSAGES
      {{"nl_NL", "en_US", "en_US"}, 2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(conv::LanguageFromLocale(c.locale), c.language)
        << c.locale.lcAll << "|" << c.locale.lcMessages << "|" << c.locale.lang;
  }
}

TEST(CommandLine, UsageTextNamesEveryOptionInBothLanguages) {
  for (int32_t language : {1, 2}) {
    const std::string usage = conv::UsageText(language);
    for (const char* option : {"-o, --target", "--no-tracks", "--datum", "--list-datums", "--language",
                               "--codepage", "--quiet", "--version", "--help"}) {
      EXPECT_NE(usage.find(option), std::string::npos) << option << " in language " << language;
    }
    EXPECT_EQ(usage.back(), '\n');
  }
  EXPECT_NE(conv::UsageText(2), conv::UsageText(1));
}

}  // namespace
