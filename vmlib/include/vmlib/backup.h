// The backup archive: one file that carries chart collections, a waypoint
// database, logbooks with their files, two lists of text format profiles and
// track files between installations. NavBackupWrite writes one in a single
// call; NavBackupCreate opens one for listing and restoring.
//
// Archive (little-endian; offsets and sizes are int64 bytes from the start):
//   0   13  magic "Ankrum4Backup"
//   13  4   uint32 version 0x01000000
//   17  1   uint8 archive kind (stored as the writer was given it)
//   18  8   int64 offset of the directory (0 while the archive is incomplete)
//   26  ... sections in the order of the content bits, then the directory:
//           chart list; int64 database file record offset and file size;
//           int64 embedded database offset and size; logbook, profile A,
//           profile B and track lists.
// A list is a uint32 count and entries of string8 name, int64 offset, int64
// size. A file record is a uint32 name length, the name (the file's name
// without folder) and the file's bytes; an entry's size counts those bytes.
//
// Codes: stream codes (vmlib/streams.h); 0x10020 not an archive, 0x10021
// unknown version, 0x10022 newer version, 0x1001F a count, length, offset or
// stored name the archive cannot hold, or an archive of another kind; 0x15 a
// missing track folder; 0x1000D a track file that cannot be deleted; codes of
// the track file reader (vmlib/tracks.h), the waypoint database writer
// (0xA0001 an object that is not exportable) and the logbook (vmlib/logbook.h).
#pragma once

#include <cstdint>

#include "vmlib/chart_collections.h"
#include "vmlib/export.h"
#include "vmlib/frame.h"
#include "vmlib/logbook.h"
#include "vmlib/text_profiles.h"

class CWaypointGroupList;
class CWaypointRouteList;
class CWaypointTypeList;
class CWaypointList;

// Content bits: the sections of an archive.
constexpr int32_t kBackupChartCollections = 0x01;
constexpr int32_t kBackupDatabase = 0x02;
constexpr int32_t kBackupLogbooks = 0x04;
constexpr int32_t kBackupTextProfilesA = 0x08;
constexpr int32_t kBackupTextProfilesB = 0x10;
constexpr int32_t kBackupTracks = 0x20;

// One entry of an archive's directory. Virtual operations in slot order
// after the destructor. Flags are read by the restores: only selected items
// are restored, and an item with replace-existing set may replace what is
// there.
class CNavBackupItem : public CObject {
public:
  virtual const Str* GetName() = 0;                   // 2: owned by the item
  virtual int64_t GetOffset() = 0;                    // 3: bytes from the archive's start
  virtual bool GetReplaceExisting() = 0;              // 4
  virtual bool GetSelected() = 0;                     // 5
  virtual int64_t GetSize() = 0;                      // 6: bytes
  virtual uint8_t GetReserved() = 0;                  // 7: a spare byte, 0
  virtual void SetName(const Str* name) = 0;          // 8: copies
  virtual void SetReplaceExisting(bool replace) = 0;  // 9
  virtual void SetSelected(bool selected) = 0;        // 10

protected:
  CNavBackupItem() = default;
};

// An ordered list of items that owns them (appended, never sorted).
class CNavBackupItemList : public CObject {
public:
  virtual int32_t Add(CNavBackupItem* item) = 0;   // 2: takes the item; its index
  virtual int32_t GetCount() = 0;                  // 3
  virtual CNavBackupItem* Get(int32_t index) = 0;  // 4: null outside 0..count-1
  virtual void Clear() = 0;                        // 5: destroys the items

protected:
  CNavBackupItemList() = default;
};

// An opened archive. Restores open the archive anew, handle the selected
// items in list order and stop at the first error; what was restored before
// stays. Target folders end with "/".
class CNavBackup : public CObject {
public:
  virtual CNavBackupItem* GetChartCollection(int32_t index) = 0;  // 2
  virtual int32_t GetChartCollectionCount() = 0;                  // 3
  virtual int32_t GetContents() = 0;                              // 4: content bits found
  // 5, 6: the database file record's offset and file size for archives of a
  // kind other than 0, else the embedded database's offset and size.
  virtual int64_t GetDatabaseOffset() = 0;
  virtual int64_t GetDatabaseSize() = 0;
  virtual CNavBackupItem* GetLogbook(int32_t index) = 0;       // 7
  virtual int32_t GetLogbookCount() = 0;                       // 8
  virtual CNavBackupItem* GetTextProfileA(int32_t index) = 0;  // 9
  virtual int32_t GetTextProfileACount() = 0;                  // 10
  virtual CNavBackupItem* GetTextProfileB(int32_t index) = 0;  // 11
  virtual int32_t GetTextProfileBCount() = 0;                  // 12
  virtual CNavBackupItem* GetTrack(int32_t index) = 0;         // 13
  virtual int32_t GetTrackCount() = 0;                         // 14
  virtual uint8_t GetKind() = 0;                               // 15
  // 16: clearFirst empties target; target is saved when every item was restored.
  virtual void RestoreChartCollections(CChartCollectionList* target, bool clearFirst, ErrorStatus err) = 0;
  // 17: the database file into the folder of targetPath under its stored
  // name, replacing a file of that name; 0x1001F when the archive holds no
  // database file (an embedded database lies at GetDatabaseOffset).
  virtual void RestoreDatabaseFile(const Str* targetPath, ErrorStatus err) = 0;
  // 18: each logbook into a new folder targetFolder + "LogbookN/".
  virtual void RestoreLogbooks(const Str* targetFolder, bool deleteExisting, ErrorStatus err) = 0;
  virtual void RestoreTextProfilesA(CTextProfileList* target, bool clearFirst, ErrorStatus err) = 0;  // 19
  virtual void RestoreTextProfilesB(CTextProfileList* target, bool clearFirst, ErrorStatus err) = 0;  // 20
  // 21: track files into an existing folder (0x15 otherwise); deleteExisting
  // first deletes every "*.trk" directly in it.
  virtual void RestoreTracks(const Str* targetFolder, bool deleteExisting, ErrorStatus err) = 0;

protected:
  CNavBackup() = default;
};

// Writes the archive at path with the sections named by contents (arguments
// whose bit is clear are not read and may be null). kind is stored verbatim.
// Bit 0x02 copies the file databasePath when it is not empty, else embeds a
// waypoint database exported from the four lists (every object must be
// exportable). trackFiles and logbookFiles hold full paths. The archive is
// written beside path under a temporary name and takes the name path only
// when it is complete, so a failure leaves an existing file at path as it was.
VMLIB_EXPORT void NavBackupWrite(const Str* path, int32_t contents, uint8_t kind, const Str* databasePath,
                                 CWaypointGroupList* groups, CWaypointRouteList* routes,
                                 CWaypointTypeList* types, CWaypointList* waypoints, StrList* trackFiles,
                                 StrList* logbookFiles, CChartCollectionList* chartCollections,
                                 CTextProfileList* textProfilesA, CTextProfileList* textProfilesB,
                                 ErrorStatus err);

// Opens an archive. Items start unselected for kind 0 and selected for kind 1
// archives. An archive whose kind differs from expectedKind fails with
// 0x1001F. thumbnailCallback (may be null) is called after each restored file
// of a logbook with the file and its " Thumb.jpg" name, 225 and 150. Null
// with the code in err on failure; delete the result with ObjectDelete.
VMLIB_EXPORT CNavBackup* NavBackupCreate(const Str* path, uint8_t expectedKind,
                                         NavThumbnailCallback thumbnailCallback, ErrorStatus err);
