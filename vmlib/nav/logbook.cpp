// The logbook stand-in (see vmlib/logbook.h): a name and entries with
// attachments, kept in a small file of its own.
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "core/str_internal.h"
#include "nav/backup_names.h"
#include "nav/staged_file.h"
#include "platform/posix_files.h"
#include "vmlib/logbook.h"
#include "vmlib/streams.h"

namespace vm {
namespace {

constexpr char kMagic[] = "NavLogbook";
constexpr int32_t kMagicSize = 10;
constexpr uint32_t kVersion = 0x01000000;
constexpr int32_t kFormatError = 0x1001F;
// An entry takes at least its text length and attachment count; an
// attachment its kind and name length.
constexpr int64_t kEntryMinimum = 8;
constexpr int64_t kAttachmentMinimum = 5;

struct Attachment {
  uint8_t kind;
  Str* fileName;
};

class LogbookEntry final : public CNavLogbookEntry {
public:
  explicit LogbookEntry(std::string_view text) : text_(StrNew(text)) {}
  ~LogbookEntry() override {
    StrDelete(text_);
    for (Attachment& a : attachments_) StrDelete(a.fileName);
  }
  const Str* GetText() override { return text_; }
  int32_t GetAttachmentCount() override { return static_cast<int32_t>(attachments_.size()); }
  uint8_t GetAttachmentKind(int32_t index) override { return attachments_[static_cast<size_t>(index)].kind; }
  const Str* GetAttachmentFileName(int32_t index) override {
    return attachments_[static_cast<size_t>(index)].fileName;
  }
  void AddAttachment(uint8_t kind, const Str* fileName) override {
    attachments_.push_back({kind, StrNew(StrView(fileName))});
  }

private:
  Str* text_;
  std::vector<Attachment> attachments_;
};

class Logbook final : public CNavLogbook {
public:
  Logbook(std::string_view name, NavThumbnailCallback callback)
      : name_(StrNew(name)), fileName_(StrNew("")), thumbnail_(callback) {}
  ~Logbook() override {
    StrDelete(name_);
    StrDelete(fileName_);
  }
  const Str* GetName() override { return name_; }
  void SetName(const Str* name) override { Assign(name_, StrView(name)); }
  int32_t GetEntryCount() override { return static_cast<int32_t>(entries_.size()); }
  CNavLogbookEntry* GetEntry(int32_t index) override { return entries_[static_cast<size_t>(index)].get(); }
  CNavLogbookEntry* AddEntry(const Str* text) override {
    entries_.push_back(std::make_unique<LogbookEntry>(StrView(text)));
    return entries_.back().get();
  }
  const Str* GetFileName() override { return fileName_; }
  void SaveToFile(const Str* path, ErrorStatus err) override;
  void Save(ErrorStatus err) override {
    Str* path = StrNew(StrView(fileName_));
    SaveToFile(path, err);
    StrDelete(path);
  }
  NavThumbnailCallback GetThumbnailCallback() override { return thumbnail_; }

  bool Load(const Str* path, ErrorStatus err);

private:
  static void Assign(Str* s, std::string_view text) {
    if (!StrAssign(s, text)) throw CException("Out of memory");
  }

  Str* name_;
  Str* fileName_;
  NavThumbnailCallback thumbnail_;
  std::vector<std::unique_ptr<LogbookEntry>> entries_;
};

void Logbook::SaveToFile(const Str* path, ErrorStatus err) {
  StagedFile file;
  if (!file.Open(StrView(path), kStreamBufferSize, err)) return;
  CStream* s = file.Stream();
  bool ok = StreamWriteBytes(s, kMagic, kMagicSize, err) && StreamWriteUInt32(s, kVersion, err) &&
            StreamWriteString8(s, name_, err) &&
            StreamWriteUInt32(s, static_cast<uint32_t>(entries_.size()), err);
  for (size_t e = 0; ok && e < entries_.size(); ++e) {
    LogbookEntry& entry = *entries_[e];
    ok = StreamWriteString32(s, entry.GetText(), err) &&
         StreamWriteUInt32(s, static_cast<uint32_t>(entry.GetAttachmentCount()), err);
    for (int32_t a = 0; ok && a < entry.GetAttachmentCount(); ++a)
      ok = StreamWriteUInt8(s, entry.GetAttachmentKind(a), err) &&
           StreamWriteString32(s, entry.GetAttachmentFileName(a), err);
  }
  if (ok && file.Commit(err)) Assign(fileName_, StrView(path));
}

bool Logbook::Load(const Str* path, ErrorStatus err) {
  CBufferedFileStream s(err, path, kStreamModeReadShareRead, kStreamBufferSize);
  if (*err != 0) return false;
  uint32_t version, entries;
  if (!StreamCheckMagic(&s, kMagic, kMagicSize, err) || !StreamReadUInt32(&s, &version, err)) return false;
  if (version != kVersion) {
    *err = version > kVersion ? 0x10022 : 0x10021;
    return false;
  }
  if (!StreamReadString8(&s, name_, err) || !StreamReadUInt32(&s, &entries, err)) return false;
  if (static_cast<int64_t>(entries) > s.GetRemaining() / kEntryMinimum) {
    *err = kFormatError;
    return false;
  }
  std::string text;
  for (uint32_t e = 0; e < entries; ++e) {
    uint32_t attachments;
    if (!StreamReadString32(&s, &text, err) || !StreamReadUInt32(&s, &attachments, err)) return false;
    if (static_cast<int64_t>(attachments) > s.GetRemaining() / kAttachmentMinimum) {
      *err = kFormatError;
      return false;
    }
    auto entry = std::make_unique<LogbookEntry>(text);
    for (uint32_t a = 0; a < attachments; ++a) {
      uint8_t kind;
      if (!StreamReadUInt8(&s, &kind, err) || !StreamReadString32(&s, &text, err)) return false;
      Str* name = StrNew(text);
      entry->AddAttachment(kind, name);
      StrDelete(name);
    }
    entries_.push_back(std::move(entry));
  }
  Assign(fileName_, StrView(path));
  return true;
}

}  // namespace
}  // namespace vm

VMLIB_EXPORT CNavLogbook* NavLogbookCreate(const Str* name) {
  try {
    return new vm::Logbook(vm::StrView(name), nullptr);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

VMLIB_EXPORT CNavLogbook* NavLogbookOpen(const Str* path, NavThumbnailCallback thumbnailCallback,
                                         ErrorStatus err) {
  *err = 0;
  try {
    auto* logbook = new vm::Logbook({}, thumbnailCallback);
    if (logbook->Load(path, err)) return logbook;
    delete logbook;
  } catch (const std::bad_alloc&) {
    *err = 0x6;
  }
  return nullptr;
}

VMLIB_EXPORT void NavLogbookDelete(const Str* path, ErrorStatus err) {
  CNavLogbook* logbook = NavLogbookOpen(path, nullptr, err);
  if (logbook == nullptr) return;
  const std::string folder(vm::backup::FolderOf(vm::StrView(path)));
  for (int32_t e = 0; e < logbook->GetEntryCount(); ++e) {
    CNavLogbookEntry* entry = logbook->GetEntry(e);
    for (int32_t a = 0; a < entry->GetAttachmentCount(); ++a) {
      if (entry->GetAttachmentKind(a) != kLogbookAttachmentFile) continue;
      const std::string_view bare = vm::backup::BareFileName(vm::StrView(entry->GetAttachmentFileName(a)));
      if (!vm::backup::IsRestorableName(bare)) continue;
      std::string_view stem, extension;
      vm::backup::SplitExtension(bare, &stem, &extension);
      vm::sys::DeleteRegularFile(folder + std::string(bare));
      vm::sys::DeleteRegularFile(folder + std::string(stem) + " Thumb.jpg");
    }
  }
  delete logbook;
  FileDelete(path, err);
}
