// Moving a finished file over its final name in one step.
#pragma once

#include <string>

namespace vm::sys {

// Renames from to to, replacing an existing file at to atomically (both on
// one file system). A folder at to is refused ("access denied"). Leaves the
// Windows error in LastError() on failure.
bool ReplaceFile(const std::string& from, const std::string& to);

}  // namespace vm::sys
