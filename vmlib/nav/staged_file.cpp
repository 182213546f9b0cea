#include "nav/staged_file.h"

#include "core/str_internal.h"
#include "nav/backup_names.h"
#include "platform/posix_files.h"
#include "platform/replace_file.h"
#include "platform/win_errors.h"

namespace vm {
namespace {
constexpr int32_t kWriteDenied = 0x10005;
constexpr int32_t kRenameFailed = 0x1000E;
}  // namespace

StagedFile::~StagedFile() {
  stream_.reset();
  if (!committed_ && !tempPath_.empty()) sys::DeleteRegularFile(tempPath_);
}

bool StagedFile::Open(std::string_view finalPath, int32_t bufferSize, ErrorStatus err) {
  finalPath_ = std::string(finalPath);
  sys::FileInfo info;
  if (sys::GetFileInfo(finalPath_, &info) &&
      (info.attributes & (kFileAttributeDirectory | kFileAttributeReadOnly)) != 0) {
    *err = kWriteDenied;
    return false;
  }
  Str* folder = StrNew(backup::FolderOf(finalPath_));
  Str* prefix = StrNew("~bak");
  Str* temp = StrNew("");
  const bool made = _FileCreateTemp(folder, prefix, temp, err);
  tempPath_ = std::string(StrView(temp));
  StrDelete(folder);
  StrDelete(prefix);
  StrDelete(temp);
  if (!made) {
    tempPath_.clear();
    return false;
  }
  stream_ = std::make_unique<CBufferedFileStream>(err, tempPath_, kStreamModeCreate, bufferSize);
  return *err == 0;
}

bool StagedFile::Commit(ErrorStatus err) {
  if (!stream_->Close(err)) return false;
  stream_.reset();
  if (!sys::ReplaceFile(tempPath_, finalPath_)) {
    *err = sys::LastErrorCode(kRenameFailed, sys::Access::kWrite);
    return false;
  }
  committed_ = true;
  *err = 0;
  return true;
}

}  // namespace vm
