// Names of files inside the archive and on restore.
#pragma once

#include <string>
#include <string_view>

namespace vm::backup {

// The part of a stored or given file name after its last "/", "\" or ":", so
// names written on either system read alike and none climbs out of a folder.
std::string_view BareFileName(std::string_view name);
// False for the names a restore must refuse: empty, "." and "..".
bool IsRestorableName(std::string_view bareName);
// The folder of a local path: up to and including its last "/" (empty when
// it has none).
std::string_view FolderOf(std::string_view path);
// A bare name split at its last ".": the stem and the extension with its dot.
void SplitExtension(std::string_view bareName, std::string_view* stem, std::string_view* extension);
// A folder with a trailing "/" (an empty folder stays empty).
std::string WithSeparator(std::string_view folder);

}  // namespace vm::backup
