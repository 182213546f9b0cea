// The directory entries of an archive and the reading and writing of the
// directory lists, file records and the archive's fixed parts.
#pragma once

#include <cstdint>
#include <string_view>

#include "vmlib/backup.h"
#include "vmlib/streams.h"

namespace vm::backup {

constexpr char kMagic[] = "Ankrum4Backup";
constexpr int32_t kMagicSize = 13;
constexpr uint32_t kVersion = 0x01000000;
constexpr int64_t kHeaderSize = 26;
constexpr int64_t kDirectoryOffsetPosition = 18;
constexpr int32_t kCopyBuffer = 8192;
constexpr int32_t kFormatError = 0x1001F;

class BackupItem final : public CNavBackupItem {
public:
  BackupItem(std::string_view name, int64_t offset, int64_t size, bool selected);
  ~BackupItem() override;
  const Str* GetName() override { return name_; }
  int64_t GetOffset() override { return offset_; }
  bool GetReplaceExisting() override { return replaceExisting_ != 0; }
  bool GetSelected() override { return selected_ != 0; }
  int64_t GetSize() override { return size_; }
  uint8_t GetReserved() override { return reserved_; }
  void SetName(const Str* name) override;
  void SetReplaceExisting(bool replace) override { replaceExisting_ = replace ? 1 : 0; }
  void SetSelected(bool selected) override { selected_ = selected ? 1 : 0; }

private:
  Str* name_;
  int64_t offset_;
  uint8_t replaceExisting_ = 0;
  uint8_t selected_;
  int64_t size_;
  uint8_t reserved_ = 0;
};

class BackupItemList final : public CNavBackupItemList {
public:
  ~BackupItemList() override { Clear(); }
  int32_t Add(CNavBackupItem* item) override;
  int32_t GetCount() override { return count_; }
  CNavBackupItem* Get(int32_t index) override;
  void Clear() override;
  // Appends a new item (replace-existing 0).
  void Append(std::string_view name, int64_t offset, int64_t size, bool selected);

private:
  CNavBackupItem** items_ = nullptr;
  int32_t count_ = 0;
  int32_t capacity_ = 0;
};

// A directory list: uint32 count, then string8 name, int64 offset, int64 size
// per entry. Reading checks the count against the bytes left before it
// allocates; new items get the selected flag given.
bool WriteList(CStream* s, BackupItemList& list, ErrorStatus err);
bool ReadList(CStream* s, BackupItemList* list, bool selected, ErrorStatus err);

// Writes a file record of the file at path (its bare name, then its bytes);
// *offset gets the record's position and *size the file's byte count.
bool WriteFileRecord(CStream* archive, std::string_view path, int64_t* offset, int64_t* size,
                     ErrorStatus err);

// Extracts the file record of item into folder (ending with "/"): the stored
// bare name (empty, "." and ".." refused with 0x1001F), made unique when a
// file of that name exists and replace is false. *written (optional) gets the
// path of the file made.
bool ExtractFileRecord(CStream* archive, int64_t offset, int64_t size, std::string_view folder, bool replace,
                       std::string* written, ErrorStatus err);

}  // namespace vm::backup
