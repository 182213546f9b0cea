// NavBackupWrite: header, the sections of the content bits, the directory.
#include <cmath>
#include <ctime>
#include <string>

#include "core/str_internal.h"
#include "nav/backup_items.h"
#include "nav/backup_names.h"
#include "nav/staged_file.h"
#include "platform/guid.h"
#include "vmlib/tracks.h"
#include "vmlib/waypoints.h"
#include "waypoints/file_writer.h"
#include "waypoints/object_lists.h"
#include "waypoints/time_stamp.h"

namespace vm::backup {
namespace {

constexpr uint32_t kEmbeddedDatabaseVersion = 0x01000000;

struct Directory {
  BackupItemList charts, logbooks, profilesA, profilesB, tracks;
  int64_t databaseFileOffset = 0, databaseFileSize = 0;
  int64_t embeddedOffset = 0, embeddedSize = 0;
};

std::string_view Entry(const StrList* list, int32_t i) { return StrView(list->pairs[i].text); }

bool WriteChartCollections(CStream* s, CChartCollectionList* list, Directory* dir, ErrorStatus err) {
  for (int32_t i = 0; i < list->GetCount(); ++i) {
    CChartCollection* c = list->Get(i);
    const int64_t offset = s->GetPosition();
    if (!StreamWriteString8(s, c->GetName(), err) ||
        !StreamWriteUInt32(s, static_cast<uint32_t>(c->GetChartCount()), err))
      return false;
    for (int32_t k = 0; k < c->GetChartCount(); ++k)
      if (!StreamWriteBytes(s, c->GetChartId(k), kChartIdSize, err)) return false;
    dir->charts.Append(StrView(c->GetName()), offset, s->GetPosition() - offset, true);
  }
  return true;
}

// The current UTC time as store seconds, clamped so that it fits 32 bits.
uint32_t CurrentStamp() {
  std::timespec now{};
  std::timespec_get(&now, TIME_UTC);
  const double days = 25569.0 + (static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9) / 86400.0;
  return StampFromDays(days);
}

bool WriteEmbeddedDatabase(CStream* s, CWaypointGroupList* groups, CWaypointRouteList* routes,
                           CWaypointTypeList* types, CWaypointList* waypoints, Directory* dir,
                           ErrorStatus err) {
  const int64_t offset = s->GetPosition();
  const uint32_t stamp = CurrentStamp();
  GUID databaseGuid;
  NewGuid(&databaseGuid);
  CWaypointFileWriter writer;
  Str* empty = StrNew("");
  WaypointFileWriterBuild(empty, groups ? &ItemsOf(groups) : nullptr, &writer, &databaseGuid,
                          kEmbeddedDatabaseVersion, stamp, false, true, types ? &ItemsOf(types) : nullptr,
                          waypoints ? &ItemsOf(waypoints) : nullptr, routes ? &ItemsOf(routes) : nullptr,
                          true, err);
  StrDelete(empty);
  if (*err != 0) return false;
  WaypointFileWrite(err, &writer, s);
  if (*err != 0) return false;
  dir->embeddedOffset = offset;
  dir->embeddedSize = s->GetPosition() - offset;
  return true;
}

bool WriteLogbook(CStream* s, std::string_view path, Directory* dir, ErrorStatus err) {
  BackupItemList files;
  const int64_t blockOffset = s->GetPosition();
  if (!StreamWriteInt64(s, 0, err)) return false;
  int64_t offset, size;
  if (!WriteFileRecord(s, path, &offset, &size, err)) return false;
  files.Append({}, offset, size, true);
  Str* p = StrNew(path);
  CNavLogbook* logbook = NavLogbookOpen(p, nullptr, err);
  StrDelete(p);
  if (logbook == nullptr) return false;
  const std::string name(StrView(logbook->GetName()));
  // Attachments lie beside the logbook file; their names are cut to the bare
  // name, so none is read from outside the logbook's folder.
  const size_t cut = path.find_last_of("/\\:");
  const std::string folder(cut == std::string_view::npos ? std::string_view{} : path.substr(0, cut + 1));
  bool ok = true;
  for (int32_t e = 0; ok && e < logbook->GetEntryCount(); ++e) {
    CNavLogbookEntry* entry = logbook->GetEntry(e);
    for (int32_t a = 0; ok && a < entry->GetAttachmentCount(); ++a) {
      if (entry->GetAttachmentKind(a) != kLogbookAttachmentFile) continue;
      const std::string file = folder + std::string(BareFileName(StrView(entry->GetAttachmentFileName(a))));
      ok = WriteFileRecord(s, file, &offset, &size, err);
      if (ok) files.Append({}, offset, size, true);
    }
  }
  delete logbook;
  if (!ok) return false;
  const int64_t subDirectory = s->GetPosition();
  if (!WriteList(s, files, err)) return false;
  const int64_t end = s->GetPosition();
  if (s->SeekTo(blockOffset, err) < 0 || *err != 0 || !StreamWriteInt64(s, subDirectory, err) ||
      s->SeekTo(end, err) < 0 || *err != 0)
    return false;
  dir->logbooks.Append(name, blockOffset, end - blockOffset, true);
  return true;
}

bool WriteTextProfiles(CStream* s, CTextProfileList* list, BackupItemList* entries, ErrorStatus err) {
  for (int32_t i = 0; i < list->GetCount(); ++i) {
    CTextProfile* p = list->Get(i);
    if (p->IsBuiltIn()) continue;
    const int64_t offset = s->GetPosition();
    const int32_t columns = p->GetColumnCount() & 0xFF;
    if (!StreamWriteUInt8(s, static_cast<uint8_t>(columns), err)) return false;
    for (int32_t c = 0; c < columns; ++c)
      if (!StreamWriteString8(s, p->GetColumnName(c), err) || !StreamWriteUInt8(s, p->GetColumnType(c), err))
        return false;
    const int32_t fields = p->GetFieldCount() & 0xFF;
    if (!StreamWriteUInt8(s, static_cast<uint8_t>(fields), err)) return false;
    for (int32_t f = 0; f < fields; ++f)
      if (!StreamWriteUInt8(s, p->GetFieldColumn(f), err) ||
          !StreamWriteString8(s, p->GetFieldFormat(f), err))
        return false;
    if (!StreamWriteString8(s, p->GetName(), err) ||
        !StreamWriteUInt8(s, static_cast<uint8_t>(p->GetSeparator1()), err) ||
        !StreamWriteUInt8(s, static_cast<uint8_t>(p->GetSeparator2()), err))
      return false;
    entries->Append(StrView(p->GetName()), offset, s->GetPosition() - offset, true);
  }
  return true;
}

// The track's stored name, else the file's bare name without its extension.
bool WriteTrack(CStream* s, std::string_view path, Directory* dir, ErrorStatus err) {
  Str* p = StrNew(path);
  Str* name = StrNew("");
  NavTrackGetInfoFromFile(p, name, nullptr, nullptr, nullptr, nullptr, nullptr, err);
  std::string entryName(StrView(name));
  StrDelete(p);
  StrDelete(name);
  if (*err != 0) return false;
  if (entryName.empty()) {
    std::string_view stem, extension;
    SplitExtension(BareFileName(path), &stem, &extension);
    entryName = std::string(stem);
  }
  int64_t offset, size;
  if (!WriteFileRecord(s, path, &offset, &size, err)) return false;
  dir->tracks.Append(entryName, offset, size, true);
  return true;
}

bool WriteSections(CStream* s, int32_t contents, uint8_t kind, const Str* databasePath,
                   CWaypointGroupList* groups, CWaypointRouteList* routes, CWaypointTypeList* types,
                   CWaypointList* waypoints, StrList* trackFiles, StrList* logbookFiles,
                   CChartCollectionList* charts, CTextProfileList* profilesA, CTextProfileList* profilesB,
                   ErrorStatus err) {
  if (!StreamWriteBytes(s, kMagic, kMagicSize, err) || !StreamWriteUInt32(s, kVersion, err) ||
      !StreamWriteUInt8(s, kind, err) || !StreamWriteInt64(s, 0, err))
    return false;
  Directory dir;
  if ((contents & kBackupChartCollections) && charts && !WriteChartCollections(s, charts, &dir, err))
    return false;
  if (contents & kBackupDatabase) {
    if (StrView(databasePath).empty()) {
      if (!WriteEmbeddedDatabase(s, groups, routes, types, waypoints, &dir, err)) return false;
    } else if (!WriteFileRecord(s, StrView(databasePath), &dir.databaseFileOffset, &dir.databaseFileSize,
                                err)) {
      return false;
    }
  }
  if ((contents & kBackupLogbooks) && logbookFiles)
    for (int32_t i = 0; i < logbookFiles->count; ++i)
      if (!WriteLogbook(s, Entry(logbookFiles, i), &dir, err)) return false;
  if ((contents & kBackupTextProfilesA) && profilesA && !WriteTextProfiles(s, profilesA, &dir.profilesA, err))
    return false;
  if ((contents & kBackupTextProfilesB) && profilesB && !WriteTextProfiles(s, profilesB, &dir.profilesB, err))
    return false;
  if ((contents & kBackupTracks) && trackFiles)
    for (int32_t i = 0; i < trackFiles->count; ++i)
      if (!WriteTrack(s, Entry(trackFiles, i), &dir, err)) return false;

  const int64_t directory = s->GetPosition();
  if (!WriteList(s, dir.charts, err) || !StreamWriteInt64(s, dir.databaseFileOffset, err) ||
      !StreamWriteInt64(s, dir.databaseFileSize, err) || !StreamWriteInt64(s, dir.embeddedOffset, err) ||
      !StreamWriteInt64(s, dir.embeddedSize, err) || !WriteList(s, dir.logbooks, err) ||
      !WriteList(s, dir.profilesA, err) || !WriteList(s, dir.profilesB, err) ||
      !WriteList(s, dir.tracks, err))
    return false;
  if (s->SeekTo(kDirectoryOffsetPosition, err) < 0 || *err != 0) return false;
  return StreamWriteInt64(s, directory, err);
}

}  // namespace
}  // namespace vm::backup

VMLIB_EXPORT void NavBackupWrite(const Str* path, int32_t contents, uint8_t kind, const Str* databasePath,
                                 CWaypointGroupList* groups, CWaypointRouteList* routes,
                                 CWaypointTypeList* types, CWaypointList* waypoints, StrList* trackFiles,
                                 StrList* logbookFiles, CChartCollectionList* chartCollections,
                                 CTextProfileList* textProfilesA, CTextProfileList* textProfilesB,
                                 ErrorStatus err) {
  *err = 0;
  try {
    // The archive takes its final name only when complete: a failure leaves
    // a previous archive of that name as it was.
    vm::StagedFile file;
    if (!file.Open(vm::StrView(path), vm::backup::kCopyBuffer, err)) return;
    if (!vm::backup::WriteSections(file.Stream(), contents, kind, databasePath, groups, routes, types,
                                   waypoints, trackFiles, logbookFiles, chartCollections, textProfilesA,
                                   textProfilesB, err))
      return;
    file.Commit(err);
  } catch (const std::bad_alloc&) {
    *err = 0x6;
  }
}
