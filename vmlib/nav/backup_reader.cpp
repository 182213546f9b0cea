// NavBackupCreate: the header and directory of an archive, and the restores.
#include <strings.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "core/str_internal.h"
#include "nav/backup_items.h"
#include "nav/backup_names.h"
#include "platform/posix_files.h"

namespace vm::backup {
namespace {

constexpr int32_t kPathNotFound = 0x15;
constexpr int32_t kDeleteFailed = 0x1000D;
constexpr int32_t kThumbnailWidth = 225;
constexpr int32_t kThumbnailHeight = 150;

bool Fail(ErrorStatus err, int32_t code) {
  *err = code;
  return false;
}

bool SeekItem(CStream* s, CNavBackupItem* item, ErrorStatus err) {
  return s->SeekTo(item->GetOffset(), err) >= 0 && *err == 0;
}

std::string PathText(const Str* s) { return std::string(StrView(s)); }

// Every entry of folder matching pattern, in name order; subfolders too when
// recursive.
void FindFiles(const std::string& folder, const char* pattern, bool recursive,
               std::vector<std::string>* out) {
  Str* search = StrNew(folder + pattern);
  FileFindHandle handle = nullptr;
  FileFindData data;
  int32_t status = 0;
  for (bool more = FileFindFirst(search, &handle, &data, &status); more;
       more = FileFindNext(handle, &data, &status))
    if ((data.attributes & kFileAttributeDirectory) == 0) out->push_back(folder + data.name);
  FileFindClose(handle);
  StrDelete(search);
  if (!recursive) return;
  std::vector<std::string> names;
  if (!sys::ListDirectory(folder, &names)) return;
  for (const std::string& name : names)
    if (sys::IsDirectory(folder + name)) FindFiles(folder + name + "/", pattern, true, out);
}

class Backup final : public CNavBackup {
public:
  Backup(std::string_view path, NavThumbnailCallback callback) : path_(StrNew(path)), thumbnail_(callback) {}
  ~Backup() override { StrDelete(path_); }

  void Open(uint8_t expectedKind, ErrorStatus err);

  CNavBackupItem* GetChartCollection(int32_t index) override { return charts_.Get(index); }
  int32_t GetChartCollectionCount() override { return charts_.GetCount(); }
  int32_t GetContents() override { return contents_; }
  int64_t GetDatabaseOffset() override { return kind_ != 0 ? databaseFileOffset_ : embeddedOffset_; }
  int64_t GetDatabaseSize() override { return kind_ != 0 ? databaseFileSize_ : embeddedSize_; }
  CNavBackupItem* GetLogbook(int32_t index) override { return logbooks_.Get(index); }
  int32_t GetLogbookCount() override { return logbooks_.GetCount(); }
  CNavBackupItem* GetTextProfileA(int32_t index) override { return profilesA_.Get(index); }
  int32_t GetTextProfileACount() override { return profilesA_.GetCount(); }
  CNavBackupItem* GetTextProfileB(int32_t index) override { return profilesB_.Get(index); }
  int32_t GetTextProfileBCount() override { return profilesB_.GetCount(); }
  CNavBackupItem* GetTrack(int32_t index) override { return tracks_.Get(index); }
  int32_t GetTrackCount() override { return tracks_.GetCount(); }
  uint8_t GetKind() override { return kind_; }
  void RestoreChartCollections(CChartCollectionList* target, bool clearFirst, ErrorStatus err) override;
  void RestoreDatabaseFile(const Str* targetPath, ErrorStatus err) override;
  void RestoreLogbooks(const Str* targetFolder, bool deleteExisting, ErrorStatus err) override;
  void RestoreTextProfilesA(CTextProfileList* target, bool clearFirst, ErrorStatus err) override {
    RestoreTextProfiles(profilesA_, target, clearFirst, err);
  }
  void RestoreTextProfilesB(CTextProfileList* target, bool clearFirst, ErrorStatus err) override {
    RestoreTextProfiles(profilesB_, target, clearFirst, err);
  }
  void RestoreTracks(const Str* targetFolder, bool deleteExisting, ErrorStatus err) override;

private:
  bool ReadDirectory(CStream* s, ErrorStatus err);
  void RestoreTextProfiles(BackupItemList& items, CTextProfileList* target, bool clearFirst, ErrorStatus err);
  bool RestoreLogbook(CStream* s, CNavBackupItem* item, const std::string& folder, ErrorStatus err);

  int64_t databaseFileOffset_ = 0;
  int64_t databaseFileSize_ = 0;
  int32_t contents_ = 0;
  int64_t embeddedOffset_ = 0;
  int64_t embeddedSize_ = 0;
  Str* path_;
  uint8_t kind_ = 0;
  NavThumbnailCallback thumbnail_;
  BackupItemList charts_, logbooks_, profilesA_, profilesB_, tracks_;
  int64_t directoryOffset_ = 0;
};

bool Backup::ReadDirectory(CStream* s, ErrorStatus err) {
  uint8_t magic[kMagicSize];
  if (!StreamReadBytes(s, magic, kMagicSize, err)) return false;
  if (std::memcmp(magic, kMagic, kMagicSize) != 0) return Fail(err, 0x10020);
  uint32_t version;
  if (!StreamReadUInt32(s, &version, err)) return false;
  if (version > kVersion) return Fail(err, 0x10022);
  if (version != kVersion) return Fail(err, 0x10021);
  if (!StreamReadUInt8(s, &kind_, err) || !StreamReadInt64(s, &directoryOffset_, err)) return false;
  // An archive left incomplete still has the offset 0 here.
  if (directoryOffset_ < kHeaderSize) return Fail(err, kFormatError);
  if (s->SeekTo(directoryOffset_, err) < 0 || *err != 0) return false;
  const bool selected = kind_ != 0;
  return ReadList(s, &charts_, selected, err) && StreamReadInt64(s, &databaseFileOffset_, err) &&
         StreamReadInt64(s, &databaseFileSize_, err) && StreamReadInt64(s, &embeddedOffset_, err) &&
         StreamReadInt64(s, &embeddedSize_, err) && ReadList(s, &logbooks_, selected, err) &&
         ReadList(s, &profilesA_, selected, err) && ReadList(s, &profilesB_, selected, err) &&
         ReadList(s, &tracks_, selected, err);
}

void Backup::Open(uint8_t expectedKind, ErrorStatus err) {
  CBufferedFileStream s(err, path_, kStreamModeRead, kCopyBuffer);
  if (*err != 0) return;
  ReadDirectory(&s, err);
  if (kind_ != expectedKind) {
    *err = kFormatError;
    return;
  }
  if (*err != 0) return;
  contents_ =
      (charts_.GetCount() > 0 ? kBackupChartCollections : 0) |
      ((databaseFileOffset_ > 0 && databaseFileSize_ > 0) || (embeddedOffset_ > 0 && embeddedSize_ > 0)
           ? kBackupDatabase
           : 0) |
      (logbooks_.GetCount() > 0 ? kBackupLogbooks : 0) |
      (profilesA_.GetCount() > 0 ? kBackupTextProfilesA : 0) |
      (profilesB_.GetCount() > 0 ? kBackupTextProfilesB : 0) | (tracks_.GetCount() > 0 ? kBackupTracks : 0);
}

void Backup::RestoreChartCollections(CChartCollectionList* target, bool clearFirst, ErrorStatus err) {
  CBufferedFileStream s(err, path_, kStreamModeRead, kCopyBuffer);
  if (*err != 0) return;
  if (clearFirst) target->Clear();
  for (int32_t i = 0; i < charts_.GetCount(); ++i) {
    CNavBackupItem* item = charts_.Get(i);
    if (!item->GetSelected()) continue;
    if (item->GetReplaceExisting()) {
      const int32_t existing = target->FindByName(item->GetName());
      if (existing >= 0) target->Delete(existing);
    }
    if (!SeekItem(&s, item, err)) return;
    Str* name = StrNew("");
    uint32_t count = 0;
    const bool ok = StreamReadString8(&s, name, err) && StreamReadUInt32(&s, &count, err);
    if (ok && static_cast<int64_t>(count) > s.GetRemaining() / kChartIdSize) *err = kFormatError;
    if (!ok || *err != 0) {
      StrDelete(name);
      return;
    }
    CChartCollection* collection = target->Create(name);
    StrDelete(name);
    std::array<uint8_t, kChartIdSize> id;
    for (uint32_t k = 0; k < count; ++k) {
      if (!StreamReadBytes(&s, id.data(), kChartIdSize, err)) return;
      collection->AddChartId(id.data());
    }
  }
  target->Save(err);
}

void Backup::RestoreDatabaseFile(const Str* targetPath, ErrorStatus err) {
  *err = 0;
  if (databaseFileOffset_ == 0 || databaseFileSize_ == 0) {
    *err = kFormatError;
    return;
  }
  CBufferedFileStream s(err, path_, kStreamModeRead, kCopyBuffer);
  if (*err != 0) return;
  ExtractFileRecord(&s, databaseFileOffset_, databaseFileSize_, FolderOf(StrView(targetPath)), true, nullptr,
                    err);
}

bool Backup::RestoreLogbook(CStream* s, CNavBackupItem* item, const std::string& folder, ErrorStatus err) {
  if (!SeekItem(s, item, err)) return false;
  if (!sys::IsDirectory(folder)) {
    Str* f = StrNew(folder);
    const bool made = DirCreate(f, err);
    StrDelete(f);
    if (!made) return false;
  }
  int64_t subDirectory;
  if (!StreamReadInt64(s, &subDirectory, err) || s->SeekTo(subDirectory, err) < 0 || *err != 0) return false;
  BackupItemList files;
  if (!ReadList(s, &files, kind_ != 0, err)) return false;
  for (int32_t i = 0; i < files.GetCount(); ++i) {
    CNavBackupItem* file = files.Get(i);
    std::string written;
    if (!ExtractFileRecord(s, file->GetOffset(), file->GetSize(), folder, file->GetReplaceExisting(),
                           &written, err))
      return false;
    if (thumbnail_ != nullptr) {
      const size_t slash = written.rfind('/');
      const size_t dot = written.rfind('.');
      const std::string base = dot != std::string::npos && (slash == std::string::npos || dot > slash)
                                   ? written.substr(0, dot)
                                   : written;
      const std::string thumb = base + " Thumb.jpg";
      thumbnail_(written.c_str(), thumb.c_str(), kThumbnailWidth, kThumbnailHeight);
    }
  }
  const std::string logbookPath = folder + "Logbook.a4lb";
  if (sys::IsFile(logbookPath)) {
    Str* p = StrNew(logbookPath);
    CNavLogbook* logbook = NavLogbookOpen(p, thumbnail_, err);
    StrDelete(p);
    if (logbook == nullptr) return false;
    if (strcasecmp(PathText(logbook->GetName()).c_str(), PathText(item->GetName()).c_str()) != 0) {
      logbook->SetName(item->GetName());
      logbook->Save(err);
    }
    delete logbook;
    if (*err != 0) return false;
  }
  return true;
}

void Backup::RestoreLogbooks(const Str* targetFolder, bool deleteExisting, ErrorStatus err) {
  *err = 0;
  const std::string root = WithSeparator(StrView(targetFolder));
  if (!sys::IsDirectory(root) && !DirCreate(targetFolder, err)) return;
  CBufferedFileStream s(err, path_, kStreamModeRead, kCopyBuffer);
  if (*err != 0) return;
  if (deleteExisting) {
    std::vector<std::string> found;
    FindFiles(root, "*.a4lb", true, &found);
    for (const std::string& file : found) {
      Str* f = StrNew(file);
      NavLogbookDelete(f, err);
      StrDelete(f);
      if (*err != 0) return;
    }
  }
  int32_t n = 1;
  for (int32_t i = 0; i < logbooks_.GetCount(); ++i) {
    CNavBackupItem* item = logbooks_.Get(i);
    if (!item->GetSelected()) continue;
    while (sys::IsDirectory(root + "Logbook" + std::to_string(n))) ++n;
    const std::string folder = root + "Logbook" + std::to_string(n) + "/";
    ++n;
    if (!RestoreLogbook(&s, item, folder, err)) return;
  }
}

// A profile record read whole before anything of it reaches the target.
struct ProfileRecord {
  std::vector<std::pair<std::string, uint8_t>> columns;
  std::vector<std::pair<uint8_t, std::string>> fields;
  std::string name;
  uint8_t separator1 = 0, separator2 = 0;
};

bool ReadProfile(CStream* s, ProfileRecord* r, ErrorStatus err) {
  uint8_t count;
  if (!StreamReadUInt8(s, &count, err)) return false;
  std::string text;
  for (int i = 0; i < count; ++i) {
    uint8_t type;
    if (!StreamReadString8(s, &text, err) || !StreamReadUInt8(s, &type, err)) return false;
    r->columns.emplace_back(text, type);
  }
  if (!StreamReadUInt8(s, &count, err)) return false;
  for (int i = 0; i < count; ++i) {
    uint8_t column;
    if (!StreamReadUInt8(s, &column, err) || !StreamReadString8(s, &text, err)) return false;
    if (column != kTextProfileUnbound && column >= r->columns.size()) return Fail(err, kFormatError);
    r->fields.emplace_back(column, text);
  }
  return StreamReadString8(s, &r->name, err) && StreamReadUInt8(s, &r->separator1, err) &&
         StreamReadUInt8(s, &r->separator2, err);
}

void Backup::RestoreTextProfiles(BackupItemList& items, CTextProfileList* target, bool clearFirst,
                                 ErrorStatus err) {
  CBufferedFileStream s(err, path_, kStreamModeRead, kCopyBuffer);
  if (*err != 0) return;
  if (clearFirst) target->Clear();
  for (int32_t i = 0; i < items.GetCount(); ++i) {
    CNavBackupItem* item = items.Get(i);
    if (!item->GetSelected()) continue;
    if (item->GetReplaceExisting()) {
      const int32_t existing = target->FindByName(item->GetName());
      if (existing >= 0) target->Delete(existing);
    }
    ProfileRecord r;
    if (!SeekItem(&s, item, err) || !ReadProfile(&s, &r, err)) return;
    CTextProfile* profile = target->Create();
    for (const auto& [name, type] : r.columns) {
      Str* n = StrNew(name);
      profile->AddColumn(n, type);
      StrDelete(n);
    }
    profile->SetFieldCount(static_cast<int32_t>(r.fields.size()));
    for (int32_t f = 0; f < profile->GetFieldCount(); ++f) {
      profile->BindField(f, r.fields[static_cast<size_t>(f)].first, err);
      if (*err != 0) return;
      Str* format = StrNew(r.fields[static_cast<size_t>(f)].second);
      profile->SelectFieldFormat(f, format);
      StrDelete(format);
    }
    Str* name = StrNew(r.name);
    profile->SetName(name);
    StrDelete(name);
    profile->SetSeparators(static_cast<char>(r.separator1), static_cast<char>(r.separator2));
  }
  target->Save(err);
}

void Backup::RestoreTracks(const Str* targetFolder, bool deleteExisting, ErrorStatus err) {
  *err = 0;
  const std::string folder = WithSeparator(StrView(targetFolder));
  if (folder.empty() || !sys::IsDirectory(folder)) {
    *err = kPathNotFound;
    return;
  }
  CBufferedFileStream s(err, path_, kStreamModeRead, kCopyBuffer);
  if (*err != 0) return;
  if (deleteExisting) {
    std::vector<std::string> found;
    FindFiles(folder, "*.trk", false, &found);
    for (const std::string& file : found) {
      Str* f = StrNew(file);
      const bool deleted = FileDelete(f, err);
      StrDelete(f);
      if (!deleted) {
        *err = kDeleteFailed;
        return;
      }
    }
  }
  for (int32_t i = 0; i < tracks_.GetCount(); ++i) {
    CNavBackupItem* item = tracks_.Get(i);
    if (!item->GetSelected()) continue;
    if (!ExtractFileRecord(&s, item->GetOffset(), item->GetSize(), folder, item->GetReplaceExisting(),
                           nullptr, err))
      return;
  }
  *err = 0;
}

}  // namespace
}  // namespace vm::backup

VMLIB_EXPORT CNavBackup* NavBackupCreate(const Str* path, uint8_t expectedKind,
                                         NavThumbnailCallback thumbnailCallback, ErrorStatus err) {
  *err = 0;
  try {
    auto* backup = new vm::backup::Backup(vm::StrView(path), thumbnailCallback);
    backup->Open(expectedKind, err);
    if (*err == 0) return backup;
    delete backup;
  } catch (const std::bad_alloc&) {
    *err = 0x6;
  }
  return nullptr;
}
