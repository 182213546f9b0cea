#include "nav/backup_names.h"

namespace vm::backup {

std::string_view BareFileName(std::string_view name) {
  const size_t cut = name.find_last_of("/\\:");
  return cut == std::string_view::npos ? name : name.substr(cut + 1);
}

bool IsRestorableName(std::string_view bareName) {
  return !bareName.empty() && bareName != "." && bareName != "..";
}

std::string_view FolderOf(std::string_view path) {
  const size_t cut = path.rfind('/');
  return cut == std::string_view::npos ? std::string_view{} : path.substr(0, cut + 1);
}

void SplitExtension(std::string_view bareName, std::string_view* stem, std::string_view* extension) {
  const size_t dot = bareName.rfind('.');
  if (dot == std::string_view::npos) {
    *stem = bareName;
    *extension = {};
  } else {
    *stem = bareName.substr(0, dot);
    *extension = bareName.substr(dot);
  }
}

std::string WithSeparator(std::string_view folder) {
  std::string out(folder);
  if (!out.empty() && out.back() != '/') out += '/';
  return out;
}

}  // namespace vm::backup
