// The old program's Access database, read once and held in memory.
//
// libmdb crashes or loops on some damaged files, so the file is read by a
// helper process (ankrum3-mdbread) under a time limit, a memory limit and caps
// on what it may write; the tables come back over a pipe and are checked
// before they are used. Every failure leaves the object closed with a message
// for the user (naming the file) and nothing on the terminal.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "code_page.h"
#include "source_table.h"

namespace conv {

struct SourceLimits {
  std::chrono::milliseconds time{60000};     // the whole read
  uint64_t memoryBytes = uint64_t{1} << 30;  // resident (and address space) of the helper
  uint64_t errorOutputBytes = 64 * 1024;     // its standard error
  uint64_t outputBytes = 0;                  // its stream; 0: 64 times the file size plus 16 MiB
};

struct SourceOpenOptions {
  std::vector<std::string> tables;  // tables to read, case-insensitively; empty: every user table
  SourceLimits limits;
  std::filesystem::path helper;     // empty: found beside the executable, then in the install folder
  int codePage = kDefaultCodePage;  // of ReadText
};

class SourceDatabase {
public:
  // Reads the database; false when the file is missing, is a folder, is not
  // an Access database, is damaged (the helper crashed, hit a limit or wrote
  // something malformed), or holds implausibly many rows for its size.
  bool Open(const std::filesystem::path& path, const SourceOpenOptions& options = {});
  void Close();
  bool IsOpen() const { return open_; }

  // For the user, in English, naming the file: set when Open fails.
  const std::string& errorMessage() const { return errorMessage_; }
  // What exactly went wrong (signal, limit, exit code), for logs and tests.
  const std::string& failureDetail() const { return failureDetail_; }

  const std::filesystem::path& path() const { return path_; }
  // 3 for Jet 3 (Access 97), 4 for Jet 4 (Access 2000 to 2003), higher later.
  int jetVersion() const { return jetVersion_; }
  const std::vector<SourceTable>& tables() const { return tables_; }
  // A table by name, case-insensitively; null when absent.
  const SourceTable* FindTable(std::string_view name) const;

private:
  bool Fail(const std::string& message, const std::string& detail);

  bool open_ = false;
  std::filesystem::path path_;
  int jetVersion_ = 0;
  std::vector<SourceTable> tables_;
  std::string errorMessage_;
  std::string failureDetail_;
};

// The message for a file that is damaged or is not an Access database.
std::string DamagedDatabaseMessage(const std::filesystem::path& path);

}  // namespace conv
