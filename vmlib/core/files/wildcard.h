// Matching of file names against a Windows search pattern.
#pragma once

#include <string_view>

namespace vm::files {

// True when name matches pattern: "*" stands for any run of characters, "?"
// for exactly one character (one UTF-8 sequence), ASCII letters match without
// regard to case, and "*.*" matches every name, with or without a dot.
bool WildcardMatch(std::string_view pattern, std::string_view name);

}  // namespace vm::files
