// Logbooks: the small stand-in the backup archive needs of the display
// subsystem's logbook. A logbook file ("*.a4lb") holds a name and entries;
// each entry has a text and attachments of a kind and a file name. Files of
// kind kLogbookAttachmentFile lie in the logbook file's folder.
//
// Logbook file (little-endian): magic "NavLogbook" (10 bytes), uint32 version
// 0x01000000, string8 name, uint32 entry count, per entry: string32 text,
// uint32 attachment count, per attachment: uint8 kind, string32 file name.
//
// Codes: stream codes; 0x10020 wrong magic, 0x10021 unknown version, 0x10022
// newer version, 0x1001F counts or lengths beyond the file.
#pragma once

#include <cstdint>

#include "vmlib/export.h"
#include "vmlib/frame.h"

constexpr uint8_t kLogbookAttachmentFile = 0;  // a file beside the logbook file
constexpr uint8_t kLogbookAttachmentLink = 1;  // a link elsewhere; not a file of the logbook

// Called with a picture file and the thumbnail file to make of it, and the
// thumbnail's width and height in pixels; the result is ignored.
using NavThumbnailCallback = int32_t (*)(const char* file, const char* thumbnailFile, int32_t width,
                                         int32_t height);

// One entry; owned by its logbook.
class CNavLogbookEntry : public CObject {
public:
  virtual const Str* GetText() = 0;                                   // 2
  virtual int32_t GetAttachmentCount() = 0;                           // 3
  virtual uint8_t GetAttachmentKind(int32_t index) = 0;               // 4
  virtual const Str* GetAttachmentFileName(int32_t index) = 0;        // 5: name without folder
  virtual void AddAttachment(uint8_t kind, const Str* fileName) = 0;  // 6

protected:
  CNavLogbookEntry() = default;
};

class CNavLogbook : public CObject {
public:
  virtual const Str* GetName() = 0;                         // 2
  virtual void SetName(const Str* name) = 0;                // 3
  virtual int32_t GetEntryCount() = 0;                      // 4
  virtual CNavLogbookEntry* GetEntry(int32_t index) = 0;    // 5
  virtual CNavLogbookEntry* AddEntry(const Str* text) = 0;  // 6: appended, owned by the logbook
  virtual const Str* GetFileName() = 0;                     // 7: the file it was opened from or saved to
  // 8: writes the logbook file; an existing file is replaced only once the
  // new one is complete.
  virtual void SaveToFile(const Str* path, ErrorStatus err) = 0;
  virtual void Save(ErrorStatus err) = 0;                   // 9: SaveToFile of GetFileName
  virtual NavThumbnailCallback GetThumbnailCallback() = 0;  // 10

protected:
  CNavLogbook() = default;
};

// A new logbook named name (null: empty) without a file; null when memory
// runs out. Delete with ObjectDelete.
VMLIB_EXPORT CNavLogbook* NavLogbookCreate(const Str* name);
// Opens a logbook file; the callback (may be null) is kept for the pictures
// the logbook shows. Null with the code in err on failure.
VMLIB_EXPORT CNavLogbook* NavLogbookOpen(const Str* path, NavThumbnailCallback thumbnailCallback,
                                         ErrorStatus err);
// Deletes a logbook: the files of its kLogbookAttachmentFile attachments in
// its folder (with their " Thumb.jpg" thumbnails), then the logbook file.
// Attachment files that are missing are skipped; an attachment name that is
// empty, "." or ".." after its last "/", "\" or ":" is never deleted.
VMLIB_EXPORT void NavLogbookDelete(const Str* path, ErrorStatus err);
