// The exception log file: the newest entry first, about 5000 lines kept.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vm {

constexpr size_t kExceptionLogLines = 5000;

// Lines of a text: its CR characters, plus one when it does not end in CR or
// CR LF.
size_t CountLogLines(std::string_view text);
// The entry followed by the old content, cut after max(lines of the entry,
// 5000) lines (a line ends at CR and an optional LF).
std::string CombineLog(std::string_view entry, std::string_view old);

}  // namespace vm
