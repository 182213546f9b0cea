// Where the database reader helper is installed.
#pragma once

#include <filesystem>

namespace conv {

// ankrum3-mdbread beside the running executable, else in the install's
// program folder, else in the build tree; empty when none exists.
std::filesystem::path FindReaderHelper();

}  // namespace conv
