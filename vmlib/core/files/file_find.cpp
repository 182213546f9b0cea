// FileFindFirst / FileFindNext / FileFindClose: a folder listing filtered by
// the pattern of the last path component.
#include <algorithm>
#include <cstring>
#include <vector>

#include "core/files/file_common.h"
#include "core/files/wildcard.h"

using namespace vm;
using namespace vm::files;

// The matching names are taken when the search starts, in byte order, so a
// search sees one consistent listing.
struct FileSearch {
  std::string folder;  // with trailing "/", or empty for the current folder
  std::vector<std::string> names;
  size_t next = 0;
};

namespace {

constexpr int32_t kFindDefault = 0x10017;

// Fills data with the next name that can still be looked up (an entry may go
// between the listing and now); false at the end.
bool NextEntry(FileSearch* search, FileFindData* data) {
  while (search->next < search->names.size()) {
    const std::string& name = search->names[search->next++];
    sys::FileInfo info;
    if (!sys::GetFileInfo(search->folder + name, &info)) continue;
    std::memset(data, 0, sizeof *data);
    data->attributes = info.attributes;
    data->created = info.created;
    data->accessed = info.accessed;
    data->written = info.written;
    data->size = info.size;
    const size_t n = std::min(name.size(), sizeof data->name - 1);
    std::memcpy(data->name, name.data(), n);
    return true;
  }
  return false;
}

}  // namespace

VMLIB_EXPORT bool FileFindFirst(const Str* path, FileFindHandle* search, FileFindData* data,
                                ErrorStatus err) {
  if (search != nullptr) *search = nullptr;
  if (search == nullptr || data == nullptr) {
    sys::SetLastError(sys::kWinInvalidParameter);
    return Fail(err, kFindDefault, Access::kRead);
  }
  const std::string full = PathOf(path);
  const size_t slash = full.find_last_of('/');
  const std::string folder = slash == std::string::npos ? std::string() : full.substr(0, slash + 1);
  const std::string pattern = slash == std::string::npos ? full : full.substr(slash + 1);
  std::vector<std::string> names;
  if (!sys::ListDirectory(folder, &names)) return Fail(err, kFindDefault, Access::kRead);
  auto* s = new FileSearch{folder, {}, 0};
  for (std::string& name : names) {
    if (WildcardMatch(pattern, name)) s->names.push_back(std::move(name));
  }
  std::sort(s->names.begin(), s->names.end());
  SetOk(err);
  if (!NextEntry(s, data)) {
    delete s;
    return false;
  }
  *search = s;
  return true;
}

VMLIB_EXPORT bool FileFindNext(FileFindHandle search, FileFindData* data, ErrorStatus err) {
  if (search == nullptr || data == nullptr) {
    sys::SetLastError(sys::kWinInvalidHandle);
    return Fail(err, kFindDefault, Access::kRead);
  }
  SetOk(err);
  return NextEntry(search, data);
}

VMLIB_EXPORT bool FileFindClose(FileFindHandle search) {
  if (search == nullptr) return false;
  delete search;
  return true;
}
