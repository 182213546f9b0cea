#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/str_internal.h"
#include "exceptions/exception_log_file.h"
#include "support/test_support.h"
#include "vmlib/exceptions.h"

namespace {

std::string Lines(const std::string& prefix, int count) {
  std::string text;
  for (int i = 1; i <= count; ++i) text += prefix + std::to_string(i) + "\r\n";
  return text;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

int32_t LogWrite(const std::filesystem::path& path, const std::string& text, bool keepOld) {
  Str* name = vm::StrNew(path.string());
  Str* body = vm::StrNew(text);
  int32_t status = -1;
  ExceptionLogWrite(name, body, keepOld, 5000, &status);
  StrDelete(name);
  StrDelete(body);
  return status;
}

TEST(ExceptionLogFile, LineCountOfAnEntry) {
  const struct {
    const char* text;
    size_t lines;
  } cases[] = {
      {"", 1}, {"a", 1}, {"a\r\n", 1}, {"a\r", 1}, {"a\r\nb", 2}, {"a\n", 1}, {"a\n\nb", 1}, {"\r\r\n\r", 3},
  };
  for (const auto& c : cases) EXPECT_EQ(vm::CountLogLines(c.text), c.lines) << c.text;
}

TEST(ExceptionLogFile, KeepOldFalseReplacesTheFile) {
  vmtest::TempDir dir;
  const auto path = dir.path() / "errors.log";
  WriteFile(path, Lines("old ", 10));
  EXPECT_EQ(LogWrite(path, "new\r\n", false), 0);
  EXPECT_EQ(ReadFile(path), "new\r\n");
}

TEST(ExceptionLogFile, NewestEntryFirstAndTheFileCutTo5000Lines) {
  vmtest::TempDir dir;
  const auto path = dir.path() / "errors.log";
  const std::string old = Lines("old ", 6000);
  WriteFile(path, old);
  const std::string entry = Lines("entry ", 200);
  EXPECT_EQ(LogWrite(path, entry, true), 0);
  EXPECT_EQ(ReadFile(path), entry + Lines("old ", 4800));
}

TEST(ExceptionLogFile, EntryLongerThan5000LinesIsWrittenWhole) {
  vmtest::TempDir dir;
  const auto path = dir.path() / "errors.log";
  WriteFile(path, Lines("old ", 100));
  const std::string entry = Lines("entry ", 5100);
  EXPECT_EQ(LogWrite(path, entry, true), 0);
  EXPECT_EQ(ReadFile(path), entry);
}

TEST(ExceptionLogFile, KeepOldAppendsShortOldContentAndStartsMissingFiles) {
  vmtest::TempDir dir;
  const auto path = dir.path() / "errors.log";
  EXPECT_EQ(LogWrite(path, "first\r\n", true), 0);
  EXPECT_EQ(LogWrite(path, "second\r\n", true), 0);
  EXPECT_EQ(ReadFile(path), "second\r\nfirst\r\n");
  // An old file with LF-only lines is one line to the cut, so all of it stays.
  WriteFile(path, "a\nb\nc");
  EXPECT_EQ(LogWrite(path, "x\r\n", true), 0);
  EXPECT_EQ(ReadFile(path), "x\r\na\nb\nc");
}

TEST(ExceptionLogFile, FileErrorsAreReportedAndNothingWritten) {
  vmtest::TempDir dir;
  EXPECT_EQ(LogWrite(dir.path() / "missing" / "errors.log", "x\r\n", false), 0x15);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing"));
  // A folder of that name is not read as old content, and cannot be written.
  std::filesystem::create_directory(dir.path() / "folder");
  EXPECT_NE(LogWrite(dir.path() / "folder", "x\r\n", true), 0);
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "folder"));

  int32_t status = -1;
  ExceptionLogWrite(nullptr, nullptr, false, 0, &status);
  EXPECT_EQ(status, 0x14);
}

TEST(ExceptionLogFile, UnreadableOldContentStopsTheWrite) {
  vmtest::TempDir dir;
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not stop the superuser";
  const auto locked = dir.path() / "locked.log";
  WriteFile(locked, "old\r\n");
  chmod(locked.c_str(), 0200);  // writable, not readable
  EXPECT_EQ(LogWrite(locked, "new\r\n", true), 0x10004);
  chmod(locked.c_str(), 0600);
  EXPECT_EQ(ReadFile(locked), "old\r\n");
}

}  // namespace
