// Reading the old database: typed reads, real Access files, and every kind of
// bad file ending cleanly.
#include "source_database.h"

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <random>

#include "jetwrite/jet_database.h"
#include "support/jet_fixture.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using jetwrite::ColumnType;
using jetwrite::kNull;

int64_t I(int64_t v) { return v; }

void WriteBytes(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

std::string ReadBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Short limits, so a hanging reader ends the test quickly.
conv::SourceOpenOptions QuickLimits() {
  conv::SourceOpenOptions o;
  o.limits.time = std::chrono::seconds(5);
  o.limits.memoryBytes = 512u << 20;
  return o;
}

fs::path WriteSmallDatabase(const fs::path& dir) {
  jetwrite::Database db;
  auto& t = db.AddTable("Waypoint types", {{"Type", ColumnType::Long},
                                           {"Description", ColumnType::Text, 50},
                                           {"Icon", ColumnType::Text},
                                           {"Size", ColumnType::Double},
                                           {"Shown", ColumnType::Boolean},
                                           {"Made", ColumnType::DateTime},
                                           {"Count", ColumnType::Text, 10}});
  t.AddRow({I(1), std::string("Harbour é€"), std::string("C:\\icons\\h.ico"), 2.5, true, 39978.432002314815,
            std::string(" 12 ")});
  t.AddRow({I(2), std::string("東京 Ω"), kNull, 3.5, false, -1.25, std::string("1e3")});
  t.AddRow({I(3), kNull, kNull, kNull, true, kNull, std::string("abc")});
  t.AddRow({I(4), std::string("x"), kNull, -2.5, false, 0.0, kNull});
  db.AddTable("Other", {{"Id", ColumnType::Long}}).AddRow({I(9)});
  const fs::path file = dir / "gps.mdb";
  db.Write(file);
  return file;
}

TEST(SourceDatabase, TypedReadsConvertLikeVariants) {
  vmtest::TempDir dir;
  conv::SourceDatabase db;
  ASSERT_TRUE(db.Open(WriteSmallDatabase(dir.path()))) << db.failureDetail();
  const conv::SourceTable* t = db.FindTable("waypoint TYPES");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->rowCount(), 4u);
  // Rows in the engine's order; floating numbers round half to even.
  EXPECT_EQ(t->ReadInteger(0, "type"), 1);
  EXPECT_EQ(t->ReadInteger(0, "Size"), 2);
  EXPECT_EQ(t->ReadInteger(1, "Size"), 4);
  EXPECT_EQ(t->ReadInteger(3, "Size"), -2);
  EXPECT_EQ(t->ReadInteger(0, "Shown"), -1);
  EXPECT_EQ(t->ReadFloat(1, "Shown"), 0.0);
  EXPECT_EQ(t->ReadInteger(0, "Count"), 12);
  EXPECT_EQ(t->ReadFloat(1, "Count"), 1000.0);
  // Date and time exactly as stored.
  EXPECT_EQ(t->ReadDateTime(0, "Made"), 39978.432002314815);
  EXPECT_EQ(t->ReadDateTime(1, "Made"), -1.25);
  // Texts in Windows-1252; Null reads as empty.
  EXPECT_EQ(t->ReadText(0, "Description"), "Harbour \xE9\x80");
  EXPECT_EQ(t->ReadText(1, "Description"), "?? ?");
  EXPECT_EQ(t->ReadText(2, "Description"), "");
  EXPECT_EQ(t->ReadText(0, "Icon"), "C:\\icons\\h.ico");
  EXPECT_EQ(t->ReadText(1, "Size"), "3.5");

  struct Failure {
    size_t row;
    const char* column;
    const char* message;
  };
  const Failure failures[] = {
      {2, "Size", "Table Waypoint types, column Size, row 3: Null cannot be read as a number"},
      {2, "Made", "Table Waypoint types, column Made, row 3: Null cannot be read as a number"},
      {2, "Count", "Table Waypoint types, column Count, row 3: the text \"abc\" is not a number"},
      {3, "Count", "Table Waypoint types, column Count, row 4: Null cannot be read as a number"},
      {0, "Colour", "Table Waypoint types has no column Colour"},
      {4, "Type", "Table Waypoint types, column Type: no row 5 (the table has 4)"},
  };
  for (const Failure& f : failures) {
    try {
      t->ReadInteger(f.row, f.column);
      ADD_FAILURE() << f.message;
    } catch (const conv::SourceValueError& e) {
      EXPECT_STREQ(e.what(), f.message);
    }
  }
}

TEST(SourceDatabase, OnlyTheRequestedTablesAreRead) {
  vmtest::TempDir dir;
  conv::SourceOpenOptions options;
  options.tables = {"OTHER", "Missing"};
  conv::SourceDatabase db;
  ASSERT_TRUE(db.Open(WriteSmallDatabase(dir.path()), options)) << db.failureDetail();
  ASSERT_EQ(db.tables().size(), 1u);
  EXPECT_EQ(db.FindTable("other")->ReadInteger(0, "Id"), 9);
  EXPECT_EQ(db.FindTable("Waypoint types"), nullptr);
}

TEST(SourceDatabase, FilesThatAreNoAccessDatabaseFailCleanly) {
  vmtest::TempDir dir;
  const fs::path good = WriteSmallDatabase(dir.path());
  const std::string bytes = ReadBytes(good);
  WriteBytes(dir.path() / "empty.mdb", "");
  WriteBytes(dir.path() / "notes.mdb", "This is a text file, not a database.\n");
  WriteBytes(dir.path() / "picture.mdb",
             std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + std::string(200, '\0'));
  WriteBytes(dir.path() / "header-only.mdb", bytes.substr(0, 4096));
  WriteBytes(dir.path() / "truncated.mdb", bytes.substr(0, 2 * 4096 + 100));
  fs::create_directory(dir.path() / "folder.mdb");
  const char* names[] = {"missing.mdb", "folder.mdb",      "empty.mdb",    "notes.mdb",
                         "picture.mdb", "header-only.mdb", "truncated.mdb"};
  for (const char* name : names) {
    conv::SourceDatabase db;
    const fs::path p = dir.path() / name;
    EXPECT_FALSE(db.Open(p, QuickLimits())) << name;
    EXPECT_FALSE(db.IsOpen());
    EXPECT_TRUE(db.tables().empty());
    EXPECT_NE(db.errorMessage().find(p.string()), std::string::npos) << db.errorMessage();
  }
  conv::SourceDatabase db;
  db.Open(dir.path() / "notes.mdb");
  EXPECT_EQ(db.errorMessage(), conv::DamagedDatabaseMessage(dir.path() / "notes.mdb"));
  EXPECT_EQ(db.errorMessage(), "The database file \"" + (dir.path() / "notes.mdb").string() +
                                   "\" is damaged or is not an Access database.");
}

// A stand-in for the reader, to show how the watch over it ends each kind of
// misbehaviour.
fs::path FakeHelper(const fs::path& dir, const std::string& name, const std::string& body) {
  const fs::path p = dir / name;
  WriteBytes(p, "#!/bin/sh\n" + body + "\n");
  fs::permissions(p, fs::perms::owner_all);
  return p;
}

TEST(SourceDatabase, TheReaderIsStoppedAtEveryLimit) {
  vmtest::TempDir dir;
  const fs::path file = WriteSmallDatabase(dir.path());
  struct Case {
    const char* name;
    std::string body;
    const char* detail;
  };
  const Case cases[] = {
      {"hangs", "sleep 30", "the time limit was reached"},
      {"floods", "yes 'Warning: unsupported data type' >&2", "its error output exceeded the cap"},
      {"babbles", "yes VMSRC", "its output exceeded the cap"},
      {"crashes", "kill -SEGV $$", "the reader ended by signal 11"},
      {"fails", "exit 3", "the reader failed with exit code 3"},
      {"garbles", "printf 'VMSRC\\000\\001\\000\\000\\000\\001T'", "malformed or incomplete"},
  };
  for (const Case& c : cases) {
    conv::SourceOpenOptions options;
    options.helper = FakeHelper(dir.path(), c.name, c.body);
    options.limits.time = std::chrono::milliseconds(300);
    options.limits.outputBytes = 1 << 20;
    conv::SourceDatabase db;
    EXPECT_FALSE(db.Open(file, options)) << c.name;
    EXPECT_NE(db.failureDetail().find(c.detail), std::string::npos) << c.name << ": " << db.failureDetail();
    EXPECT_EQ(db.errorMessage(), conv::DamagedDatabaseMessage(file));
  }
  // The memory limit: the real reader cannot even start within 64 KiB.
  conv::SourceOpenOptions tiny;
  tiny.limits.memoryBytes = 64 * 1024;
  conv::SourceDatabase db;
  EXPECT_FALSE(db.Open(file, tiny));
}

fs::path DataFolder(const char* name) {
  const fs::path shared = vmtest::SharedDataDir();
  if (shared.empty()) return {};
  const fs::path p = shared / name;
  std::error_code ec;
  return fs::is_directory(p, ec) ? p : fs::path{};
}

std::vector<fs::path> MdbFiles(const fs::path& dir) {
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(dir)) {
    if (e.path().extension() == ".mdb") files.push_back(e.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

TEST(SourceDatabase, RealAccessFilesOfBothVersionsReadAsMdbtoolsReadsThem) {
  const fs::path dir = DataFolder("access-samples");
  if (dir.empty()) GTEST_SKIP() << "the shared Access samples are absent";
  if (!vmtest::HaveMdbTools()) GTEST_SKIP() << "mdbtools is not installed";
  for (const fs::path& file : MdbFiles(dir)) {
    SCOPED_TRACE(file.filename().string());
    conv::SourceDatabase db;
    ASSERT_TRUE(db.Open(file)) << db.failureDetail();
    const bool jet3 = file.filename().string().find("1997") != std::string::npos;
    EXPECT_EQ(db.jetVersion(), jet3 ? 3 : 4);
    const auto names =
        vmtest::Lines(vmtest::RunCommand("mdb-tables -1 " + vmtest::ShellQuote(file.string())).output);
    ASSERT_EQ(db.tables().size(), names.size());
    for (const std::string& name : names) {
      const conv::SourceTable* t = db.FindTable(name);
      ASSERT_NE(t, nullptr) << name;
      // mdb-json prints one object per row, leaving out Null fields.
      const auto out = vmtest::RunCommand("mdb-json " + vmtest::ShellQuote(file.string()) + " " +
                                          vmtest::ShellQuote(name));
      ASSERT_TRUE(out.ok);
      const auto rows = vmtest::Lines(out.output);
      ASSERT_EQ(t->rowCount(), rows.size()) << name;
      for (size_t r = 0; r < rows.size(); ++r) {
        const auto row = nlohmann::json::parse(rows[r], nullptr, false);
        ASSERT_FALSE(row.is_discarded()) << rows[r];
        for (const conv::SourceColumn& col : t->columns()) {
          const bool present = row.contains(col.name);
          if (col.kind == conv::SourceKind::Text) {
            EXPECT_EQ(t->ReadTextUtf8(r, col.name), present ? row[col.name].get<std::string>() : "")
                << col.name;
          } else if (col.kind == conv::SourceKind::Integer) {
            ASSERT_EQ(t->IsNull(r, col.name), !present) << col.name;
            if (present) {
              EXPECT_EQ(t->ReadInteger(r, col.name), row[col.name].get<int64_t>()) << col.name;
            }
          }
        }
      }
    }
  }
}

TEST(SourceDatabase, DamagedAccessFilesEndWithTheDamagedFileMessage) {
  const fs::path dir = DataFolder("access-damaged");
  if (dir.empty()) GTEST_SKIP() << "the shared damaged Access files are absent";
  for (const fs::path& file : MdbFiles(dir)) {
    conv::SourceDatabase db;
    EXPECT_FALSE(db.Open(file, QuickLimits())) << file.filename();
    EXPECT_EQ(db.errorMessage(), conv::DamagedDatabaseMessage(file));
    EXPECT_FALSE(db.failureDetail().empty());
  }
}

TEST(SourceDatabase, MutatedJetwriteFilesNeverCrashTheConverter) {
  vmtest::TempDir dir;
  const std::string good = ReadBytes(WriteSmallDatabase(dir.path()));
  auto put32 = [](std::string& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
  };
  // Usage-map pointers of a definition (page << 8 | row) at offset 55 point
  // far outside the file: the crash of a table with no usage map.
  std::vector<std::pair<std::string, std::string>> mustFail;
  std::string m = good;
  put32(m, 3 * 4096 + 55, 4201u << 8);
  mustFail.emplace_back("user table usage map", m);
  m = good;
  put32(m, 2 * 4096 + 55, 3413u << 8);
  mustFail.emplace_back("catalog usage map", m);
  m = good;
  std::fill(m.begin() + 2 * 4096, m.begin() + 3 * 4096, '\0');
  mustFail.emplace_back("zeroed catalog", m);
  for (const auto& [what, bytes] : mustFail) {
    const fs::path p = dir.path() / "mutant.mdb";
    WriteBytes(p, bytes);
    conv::SourceDatabase db;
    EXPECT_FALSE(db.Open(p, QuickLimits())) << what;
    EXPECT_EQ(db.errorMessage(), conv::DamagedDatabaseMessage(p)) << what;
  }
  // Random flips: whatever libmdb makes of them, the converter gets either a
  // clean failure or tables within the plausible size.
  std::mt19937 random(20240611);
  for (int mutant = 0; mutant < 24; ++mutant) {
    std::string bytes = good;
    for (int k = 0; k < 4; ++k) {
      const size_t at = 4096 + random() % (bytes.size() - 4096);
      bytes[at] = static_cast<char>(bytes[at] ^ (1 << (random() % 8)));
    }
    const fs::path p = dir.path() / ("flip" + std::to_string(mutant) + ".mdb");
    WriteBytes(p, bytes);
    conv::SourceDatabase db;
    if (db.Open(p, QuickLimits())) {
      size_t rows = 0;
      for (const auto& t : db.tables()) rows += t.rowCount();
      EXPECT_LE(rows, (bytes.size() / 4096 + 1) * 255);
    } else {
      EXPECT_EQ(db.errorMessage(), conv::DamagedDatabaseMessage(p));
    }
  }
}

}  // namespace
