#include "core/files/stream_open.h"

#include <string>

#include "core/str_internal.h"

namespace vm::files {

StreamOpenValues OpenValuesOf(uint16_t mode) {
  if (mode == 0xFFFF) return {kFileAccessRead | kFileAccessWrite, kFileShareNone, kFileCreateAlways};
  static constexpr uint32_t kAccess[4] = {kFileAccessRead, kFileAccessWrite,
                                          kFileAccessRead | kFileAccessWrite,
                                          kFileAccessRead | kFileAccessWrite};
  uint32_t share = kFileShareNone;
  switch ((mode >> 4) & 0xF) {
    case 2:
      share = kFileShareRead;
      break;
    case 3:
      share = kFileShareWrite;
      break;
    case 4:
      share = kFileShareRead | kFileShareWrite;
      break;
    default:
      break;
  }
  return {kAccess[mode & 0x3], share, kFileOpenExisting};
}

FileHandle OpenForStream(std::string_view path, uint16_t mode, ErrorStatus err) {
  const StreamOpenValues v = OpenValuesOf(mode);
  Str* p = StrCreate(path.data(), static_cast<int32_t>(path.size()));
  if (p == nullptr) {
    *err = 0x6;
    return kInvalidFileHandle;
  }
  const FileHandle h = FileCreate(p, v.access, v.share, v.disposition, kFileAttributeNormal, err);
  StrDelete(p);
  return h;
}

}  // namespace vm::files
