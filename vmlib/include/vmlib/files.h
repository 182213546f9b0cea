// Files, folders and paths: the file functions of the library over file
// handles, with the values of the Windows calls they stand for.
//
// Paths are Str objects holding the platform's bytes (UTF-8 on Linux), with
// "/" as the folder separator. Positions and sizes are signed 64-bit byte
// counts. Every function that takes an ErrorStatus writes it: 0 on success,
// otherwise the library code of the failure (vmlib/errors.h). The code comes
// from the system error through one mapping table:
//   file not found 0x10000, path not found (a missing parent folder) 0x15,
//   access denied 0x10004 (read) / 0x10005 (write) / 0x10003 (otherwise),
//   out of memory 0x6, read-only file system 0x10006, device not ready
//   0x30006, busy file 0x10007, disk full 0x20, invalid name 0x14,
//   cancelled 0x2; any other failure gives the operation's default code,
//   named with each function below.
#pragma once

#include <cstdint>

#include "vmlib/frame.h"

// An open file: the file descriptor on Linux. kInvalidFileHandle when a
// create failed.
using FileHandle = intptr_t;
constexpr FileHandle kInvalidFileHandle = -1;

// Access values of FileCreate (may be combined).
constexpr uint32_t kFileAccessRead = 0x80000000u;
constexpr uint32_t kFileAccessWrite = 0x40000000u;
// Share values of FileCreate. They are kept and passed on, but Linux has no
// mandatory sharing: no open ever fails with a sharing violation.
constexpr uint32_t kFileShareNone = 0;
constexpr uint32_t kFileShareRead = 1;
constexpr uint32_t kFileShareWrite = 2;
constexpr uint32_t kFileShareDelete = 4;
// Dispositions of FileCreate.
constexpr uint32_t kFileCreateNew = 1;         // fails when the file exists
constexpr uint32_t kFileCreateAlways = 2;      // creates or truncates
constexpr uint32_t kFileOpenExisting = 3;      // fails when the file is missing
constexpr uint32_t kFileOpenAlways = 4;        // opens or creates
constexpr uint32_t kFileTruncateExisting = 5;  // opens and truncates; needs write access

// File attributes. On Linux: read-only = the owner has no write permission;
// hidden = the name starts with "."; directory; normal when nothing else.
constexpr uint32_t kFileAttributeReadOnly = 0x1;
constexpr uint32_t kFileAttributeHidden = 0x2;
constexpr uint32_t kFileAttributeSystem = 0x4;
constexpr uint32_t kFileAttributeDirectory = 0x10;
constexpr uint32_t kFileAttributeArchive = 0x20;
constexpr uint32_t kFileAttributeNormal = 0x80;
constexpr uint32_t kFileAttributeInvalid = 0xFFFFFFFFu;  // FileGetAttributes failed

// Origins of FileSeek.
constexpr uint32_t kFileBegin = 0;
constexpr uint32_t kFileCurrent = 1;
constexpr uint32_t kFileEnd = 2;

// A file time: 100-nanosecond ticks since 1601-01-01 00:00 UTC.
using FileTime = uint64_t;

// One entry found by FileFindFirst / FileFindNext.
struct FileFindData {
  uint32_t attributes;  // kFileAttribute... bits
  FileTime created;     // birth time where the file system keeps it, else the change time
  FileTime accessed;
  FileTime written;
  int64_t size;    // bytes; 0 for folders
  char name[260];  // the entry's name without folder, NUL-terminated
};

// A running search; FileFindClose ends it.
using FileFindHandle = struct FileSearch*;

// Called by FileCopy before the first piece and after each piece: bytes done
// so far and the total, in bytes; setting *cancel to non-zero ends the copy
// with 0x2 and no destination file.
using FileCopyCallback = void (*)(void* value1, const Str* source, const Str* destination, int64_t done,
                                  int64_t total, void* value2, uint8_t* cancel);

// Opens or creates a file. access: kFileAccess... bits; share: kFileShare...
// bits (no effect on Linux); disposition: kFileCreateNew...; attributes:
// kFileAttributeReadOnly makes a new file read-only, other bits are ignored.
// A file that is read-only or a folder cannot be opened for writing (0x10005).
// Returns kInvalidFileHandle on failure. Default code 0x10001; access
// denied counts as read for read-only access, write for write-only access.
VMLIB_EXPORT FileHandle FileCreate(const Str* path, uint32_t access, uint32_t share, uint32_t disposition,
                                   uint32_t attributes, ErrorStatus err);
// Closes a handle from FileCreate; false on failure (0x10016).
VMLIB_EXPORT bool FileClose(FileHandle handle, ErrorStatus err);
// Reads up to count bytes at the file pointer; *bytesRead (optional) gets the
// number read, 0 at the end of the file. overlapped must be null (I/O is
// synchronous). Default code 0x10008 (read).
VMLIB_EXPORT bool FileRead(FileHandle handle, void* buffer, uint32_t count, uint32_t* bytesRead,
                           void* overlapped, ErrorStatus err);
// Writes count bytes at the file pointer; *bytesWritten (optional) gets the
// number written. Default code 0x1000A (write); a full disk gives 0x20.
VMLIB_EXPORT bool FileWrite(FileHandle handle, const void* buffer, uint32_t count, uint32_t* bytesWritten,
                            void* overlapped, ErrorStatus err);
// Moves the file pointer by the 64-bit offset (high:low) from origin
// (kFileBegin, kFileCurrent, kFileEnd); returns the new position, or -1 on
// failure. Default code 0x1000C.
VMLIB_EXPORT int64_t FileSeek(FileHandle handle, uint32_t offsetLow, int32_t offsetHigh, uint32_t origin,
                              ErrorStatus err);
// Sets the end of the file at the file pointer. Default code 0x10012 (write).
VMLIB_EXPORT bool FileSetEOF(FileHandle handle, ErrorStatus err);
// Writes the system's buffers of the file to the disk. Default code 0x10015 (write).
VMLIB_EXPORT bool FileFlushBuffers(FileHandle handle, ErrorStatus err);
// Size of an open file in bytes; 0 on failure. Default code 0x10011 (read).
VMLIB_EXPORT int64_t FileGetSize(FileHandle handle, ErrorStatus err);
// Size of the file at path in bytes, the full 64-bit size; 0 on failure.
// Default code 0x10011 (read).
VMLIB_EXPORT int64_t FileGetSize_F(const Str* path, ErrorStatus err);
// File times (each pointer optional). Default code 0x1000F (read).
VMLIB_EXPORT bool FileGetTimeUTC(FileHandle handle, FileTime* created, FileTime* accessed, FileTime* written,
                                 ErrorStatus err);
VMLIB_EXPORT bool FileGetTimeUTC_F(const Str* path, FileTime* created, FileTime* accessed, FileTime* written,
                                   ErrorStatus err);
// Sets the file times given (each pointer optional). The creation time cannot
// be set on Linux and is ignored. Default code 0x10010 (write); the path
// variant opens the file for writing first (default 0x10001).
VMLIB_EXPORT bool FileSetTimeUTC(FileHandle handle, const FileTime* created, const FileTime* accessed,
                                 const FileTime* written, ErrorStatus err);
VMLIB_EXPORT bool FileSetTimeUTC_F(const Str* path, const FileTime* created, const FileTime* accessed,
                                   const FileTime* written, ErrorStatus err);
// Creation or last-write time in local time as a day count since 1899-12-30
// 00:00 (fraction = time of day); 0 on failure. Default code 0x1000F (read).
VMLIB_EXPORT double FileGetTimeCreated(const Str* path, ErrorStatus err);
VMLIB_EXPORT double FileGetTimeModified(const Str* path, ErrorStatus err);
// Attributes of a file or folder; kFileAttributeInvalid on failure. Default
// code 0x10013 (read).
VMLIB_EXPORT uint32_t FileGetAttributes(const Str* path, ErrorStatus err);
// Sets the attributes; only the read-only bit has an effect on Linux (set:
// every write permission removed; clear: owner write permission added).
// Default code 0x10014 (write).
VMLIB_EXPORT bool FileSetAttributes(const Str* path, uint32_t attributes, ErrorStatus err);
// Sets or clears only the read-only attribute, writing the attributes only
// when the bit changes. Codes 0x10013 (reading), 0x10014 (writing).
VMLIB_EXPORT bool FileSetReadOnly(const Str* path, bool readOnly, ErrorStatus err);
// Deletes a file; a read-only file or a folder is refused (0x10005).
// Default code 0x1000D (write).
VMLIB_EXPORT bool FileDelete(const Str* path, ErrorStatus err);
// Moves a file or folder; an existing destination is never replaced.
// Default code 0x1000E (write).
VMLIB_EXPORT bool FileRename(const Str* oldPath, const Str* newPath, ErrorStatus err);
// Starts a search: the last path component may hold the wildcards "*" and "?"
// (matched without regard to ASCII case; "*.*" matches every name). The
// entries "." and ".." are never listed. Found entries come in byte order of
// their names. Returns false without error (err 0, *search null) when no
// entry matches; a missing folder is an error (0x15). Default code 0x10017
// (read). On success *search must be ended with FileFindClose.
VMLIB_EXPORT bool FileFindFirst(const Str* path, FileFindHandle* search, FileFindData* data, ErrorStatus err);
// The next entry; false without error at the end. Default code 0x10017 (read).
VMLIB_EXPORT bool FileFindNext(FileFindHandle search, FileFindData* data, ErrorStatus err);
// Ends a search; false for a null handle.
VMLIB_EXPORT bool FileFindClose(FileFindHandle search);
// XOR of all little-endian 32-bit (64-bit) words of the file, the last word
// padded with zero bytes; the file pointer is restored afterwards. 0 for an
// empty file and on failure (0x10008 for a short read).
VMLIB_EXPORT uint32_t FileGetChecksum32(FileHandle handle, ErrorStatus err);
VMLIB_EXPORT uint64_t FileGetChecksum64(FileHandle handle, ErrorStatus err);
// Copies source to destination (replaced when it exists) through a buffer of
// bufferSize bytes (clamped to 1024..524288 and to the source size), then
// gives the copy the source's last-write time and attributes. callback is
// optional (see FileCopyCallback). On any failure or cancel the destination
// is removed. Code 0x10013 (read) when the source's attributes cannot be read;
// otherwise the codes of the streams.
VMLIB_EXPORT bool FileCopy(const Str* source, const Str* destination, int32_t bufferSize,
                           FileCopyCallback callback, void* value1, void* value2, ErrorStatus err);
// Creates or replaces the file and writes the bytes of text; on any failure
// the file is deleted again. Codes of the streams.
VMLIB_EXPORT bool FileWriteText(const Str* path, const Str* text, ErrorStatus err);
// Creates every missing folder of path from the root down, stopping at the
// first failure. Default code 0x1F (write).
VMLIB_EXPORT bool DirCreate(const Str* path, ErrorStatus err);

// Backup files: the backup of "name.ext" is "name.~ext", of "name" is
// "name.~", of "name." is "name.~".
// BackupCreate deletes an old backup file and renames the file (when it
// exists) to its backup name. BackupDelete deletes the backup when the file
// exists. BackupRestore deletes the file (when it exists) and renames the
// backup (when it exists) to the file. Codes 0x1000D (delete), 0x1000E (rename).
VMLIB_EXPORT bool BackupCreate(const Str* path, ErrorStatus err);
VMLIB_EXPORT bool BackupDelete(const Str* path, ErrorStatus err);
VMLIB_EXPORT bool BackupRestore(const Str* path, ErrorStatus err);

// Creates a new empty file folder/prefix + four hex digits + ".tmp" and puts
// its path into out (replaced); out is empty on failure. Default code
// 0x10002 (write).
VMLIB_EXPORT bool _FileCreateTemp(const Str* folder, const Str* prefix, Str* out, ErrorStatus err);
// Puts into out the first of folder + name + extension, folder + name + " (1)"
// + extension, " (2)", ... that is not an existing file. A non-empty folder
// gets a trailing "/". out is replaced.
VMLIB_EXPORT void _FileGetUniqueName(const Str* folder, const Str* name, const Str* extension, Str* out);
// The temporary folder ($TMPDIR, else /tmp) with a trailing "/" into out.
VMLIB_EXPORT void _GetTempDir(Str* out);
// The absolute path with every link resolved into out. Default code 0x16.
VMLIB_EXPORT bool _PathGetLongName(const Str* path, Str* out, ErrorStatus err);
// Linux has no short names: out gets the path unchanged when it exists.
// Default code 0x17.
VMLIB_EXPORT bool _PathGetShortName(const Str* path, Str* out, ErrorStatus err);
