#include "nav/backup_items.h"

#include <string>

#include "core/growth.h"
#include "core/str_internal.h"
#include "nav/backup_names.h"
#include "platform/posix_files.h"

namespace vm::backup {
namespace {

constexpr int64_t kListEntryMinimum = 1 + 8 + 8;

bool Fail(ErrorStatus err, int32_t code) {
  *err = code;
  return false;
}

}  // namespace

BackupItem::BackupItem(std::string_view name, int64_t offset, int64_t size, bool selected)
    : name_(StrNew(name)), offset_(offset), selected_(selected ? 1 : 0), size_(size) {}

BackupItem::~BackupItem() { StrDelete(name_); }

void BackupItem::SetName(const Str* name) {
  if (!StrAssign(name_, StrView(name))) throw CException("Out of memory");
}

int32_t BackupItemList::Add(CNavBackupItem* item) {
  if (count_ == capacity_) {
    const int32_t grown = GrowCapacity(capacity_);
    auto** bigger = new CNavBackupItem*[static_cast<size_t>(grown)];
    for (int32_t i = 0; i < count_; ++i) bigger[i] = items_[i];
    delete[] items_;
    items_ = bigger;
    capacity_ = grown;
  }
  items_[count_] = item;
  return count_++;
}

CNavBackupItem* BackupItemList::Get(int32_t index) {
  return index >= 0 && index < count_ ? items_[index] : nullptr;
}

void BackupItemList::Clear() {
  for (int32_t i = 0; i < count_; ++i) delete items_[i];
  delete[] items_;
  items_ = nullptr;
  count_ = capacity_ = 0;
}

void BackupItemList::Append(std::string_view name, int64_t offset, int64_t size, bool selected) {
  auto* item = new BackupItem(name, offset, size, selected);
  Add(item);
}

bool WriteList(CStream* s, BackupItemList& list, ErrorStatus err) {
  if (!StreamWriteUInt32(s, static_cast<uint32_t>(list.GetCount()), err)) return false;
  for (int32_t i = 0; i < list.GetCount(); ++i) {
    CNavBackupItem* item = list.Get(i);
    if (!StreamWriteString8(s, item->GetName(), err) || !StreamWriteInt64(s, item->GetOffset(), err) ||
        !StreamWriteInt64(s, item->GetSize(), err))
      return false;
  }
  return true;
}

bool ReadList(CStream* s, BackupItemList* list, bool selected, ErrorStatus err) {
  uint32_t count;
  if (!StreamReadUInt32(s, &count, err)) return false;
  // Every entry takes at least 17 bytes: a count the rest cannot hold is
  // damage, not a reason to allocate.
  if (static_cast<int64_t>(count) > s->GetRemaining() / kListEntryMinimum) return Fail(err, kFormatError);
  std::string name;
  for (uint32_t i = 0; i < count; ++i) {
    int64_t offset, size;
    if (!StreamReadString8(s, &name, err) || !StreamReadInt64(s, &offset, err) ||
        !StreamReadInt64(s, &size, err))
      return false;
    list->Append(name, offset, size, selected);
  }
  return true;
}

bool WriteFileRecord(CStream* archive, std::string_view path, int64_t* offset, int64_t* size,
                     ErrorStatus err) {
  *offset = archive->GetPosition();
  *size = 0;
  CBufferedFileStream source(err, path, kStreamModeRead, kCopyBuffer);
  if (*err != 0) return false;
  const std::string_view name = BareFileName(path);
  if (!StreamWriteUInt32(archive, static_cast<uint32_t>(name.size()), err)) return false;
  if (!name.empty() && !StreamWriteBytes(archive, name.data(), static_cast<int32_t>(name.size()), err))
    return false;
  const int64_t bytes = source.GetSize();
  if (StreamCopy(archive, &source, bytes, err) != bytes || *err != 0) return false;
  *size = bytes;
  return source.Close(err);
}

bool ExtractFileRecord(CStream* archive, int64_t offset, int64_t size, std::string_view folder, bool replace,
                       std::string* written, ErrorStatus err) {
  if (archive->SeekTo(offset, err) < 0 || *err != 0) return false;
  std::string stored;
  if (!StreamReadString32(archive, &stored, err)) return false;
  const std::string_view bare = BareFileName(stored);
  if (!IsRestorableName(bare)) return Fail(err, kFormatError);
  // The size must lie inside the archive: no file is made for a record that
  // cannot be copied whole.
  if (size < 0 || size > archive->GetRemaining()) return Fail(err, kFormatError);
  std::string target = std::string(folder) + std::string(bare);
  if (!replace && sys::IsFile(target)) {
    std::string_view stem, extension;
    SplitExtension(bare, &stem, &extension);
    Str* f = StrNew(folder);
    Str* n = StrNew(stem);
    Str* e = StrNew(extension);
    Str* out = StrNew("");
    _FileGetUniqueName(f, n, e, out);
    target = std::string(StrView(out));
    StrDelete(f);
    StrDelete(n);
    StrDelete(e);
    StrDelete(out);
  }
  CBufferedFileStream file(err, target, kStreamModeCreate, kCopyBuffer);
  if (*err != 0) return false;
  if (written != nullptr) *written = target;
  if (StreamCopy(&file, archive, size, err) != size || *err != 0) return false;
  return file.Close(err);
}

}  // namespace vm::backup
