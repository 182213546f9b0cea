// Test helpers around Access files: running the mdbtools programs on them.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace vmtest {

// Standard output of a shell command, or nullopt-like empty with ok = false.
struct CommandResult {
  bool ok = false;
  std::string output;
};

inline CommandResult RunCommand(const std::string& command) {
  CommandResult r;
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) return r;
  char buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) r.output.append(buffer, n);
  r.ok = pclose(p) == 0;
  return r;
}

inline std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

inline bool HaveMdbTools() { return RunCommand("command -v mdb-export >/dev/null 2>&1").ok; }

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

}  // namespace vmtest
