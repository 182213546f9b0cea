// The file calls of the library, made of POSIX calls with the results of the
// Windows calls they stand for. Every call returns false (or an invalid
// handle) on failure and leaves the Windows error in LastError().
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win_errors.h"
#include "vmlib/files.h"

namespace vm::sys {

// What a directory lookup tells about a file.
struct FileInfo {
  uint32_t attributes = 0;  // kFileAttribute... bits
  int64_t size = 0;         // bytes; 0 for folders
  FileTime created = 0;
  FileTime accessed = 0;
  FileTime written = 0;
};

// Opens like CreateFile (values of vmlib/files.h). Folders and read-only files
// are refused for writing with "access denied", as Windows does, also for a
// privileged user.
FileHandle OpenFile(const std::string& path, uint32_t access, uint32_t share, uint32_t disposition,
                    uint32_t attributes);
bool CloseFile(FileHandle handle);
// Reads until count bytes or the end of the file; *done gets the bytes read.
bool ReadFile(FileHandle handle, void* buffer, uint32_t count, uint32_t* done);
// Writes all count bytes; *done gets the bytes written (also on failure).
bool WriteFile(FileHandle handle, const void* buffer, uint32_t count, uint32_t* done);
bool SeekFile(FileHandle handle, int64_t offset, uint32_t origin, int64_t* newPosition);
// Cuts or extends the file at the file pointer.
bool SetEndOfFile(FileHandle handle);
bool FlushFile(FileHandle handle);
bool GetFileSize(FileHandle handle, int64_t* size);
bool GetFileInfo(FileHandle handle, FileInfo* info);
bool GetFileInfo(const std::string& path, FileInfo* info);
// Sets the access and last-write times given (null keeps a time).
bool SetFileTimes(FileHandle handle, const FileTime* accessed, const FileTime* written);
// Only the read-only bit has an effect (owner write permission).
bool SetFileAttributes(const std::string& path, uint32_t attributes);
// Deletes a file; folders and read-only files are refused ("access denied").
bool DeleteFile(const std::string& path);
// Deletes path only when it is a regular file (not a device, folder or link
// to one): for files a stream created and must remove again.
bool DeleteRegularFile(const std::string& path);
// Moves a file or folder; never replaces an existing destination.
bool MoveFile(const std::string& from, const std::string& to);
bool CreateDirectory(const std::string& path);
// True when path names the file open as handle (same device and inode).
bool IsSameFile(FileHandle handle, const std::string& path);
bool IsFile(const std::string& path);       // exists and is not a folder
bool IsDirectory(const std::string& path);  // exists and is a folder
// The names in a folder, without "." and "..".
bool ListDirectory(const std::string& path, std::vector<std::string>* names);
// The absolute path with every link resolved.
bool RealPath(const std::string& path, std::string* out);
// $TMPDIR, else /tmp, with a trailing "/".
std::string TempDirectory();
// Creates folder + prefix + four hex digits + ".tmp" exclusively; *path gets it.
bool CreateTempFile(const std::string& folder, const std::string& prefix, std::string* path);
// A file time in local time as a day count since 1899-12-30 00:00.
double LocalDayCount(FileTime time);

}  // namespace vm::sys
