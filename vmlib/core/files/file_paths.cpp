// Folders, backup files, temporary and unique names, long and short paths.
#include "core/files/file_common.h"

using namespace vm;
using namespace vm::files;

namespace {

bool AssignOrFail(Str* out, std::string_view text, ErrorStatus err) {
  if (AssignOut(out, text)) return true;
  SetCode(err, 0x6);
  return false;
}

}  // namespace

namespace vm::files {

// name.ext -> name.~ext; name -> name.~; name. -> name.~. Only a dot in the
// last path component starts an extension.
std::string BackupNameOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + ".~";
  if (dot + 1 == path.size()) return path + "~";
  return path.substr(0, dot + 1) + "~" + path.substr(dot + 1);
}

}  // namespace vm::files

VMLIB_EXPORT bool DirCreate(const Str* path, ErrorStatus err) {
  const std::string full = PathOf(path);
  if (full.empty()) {
    sys::SetLastError(sys::kWinPathNotFound);
    return Fail(err, 0x1F, Access::kWrite);
  }
  std::string built;
  size_t start = 0;
  while (start <= full.size()) {
    size_t end = full.find('/', start);
    if (end == std::string::npos) end = full.size();
    built.append(full, start, end - start);
    const bool component = end > start;
    if (component && !sys::IsDirectory(built) && !sys::CreateDirectory(built))
      return Fail(err, 0x1F, Access::kWrite);
    if (end == full.size()) break;
    built += '/';
    start = end + 1;
  }
  SetOk(err);
  return true;
}

VMLIB_EXPORT bool BackupCreate(const Str* path, ErrorStatus err) {
  const std::string file = PathOf(path);
  const std::string backup = BackupNameOf(file);
  if (sys::IsFile(backup) && !sys::DeleteFile(backup)) return Fail(err, 0x1000D, Access::kWrite);
  if (sys::IsFile(file) && !sys::MoveFile(file, backup)) return Fail(err, 0x1000E, Access::kWrite);
  SetOk(err);
  return true;
}

VMLIB_EXPORT bool BackupDelete(const Str* path, ErrorStatus err) {
  const std::string file = PathOf(path);
  const std::string backup = BackupNameOf(file);
  if (sys::IsFile(file) && sys::IsFile(backup) && !sys::DeleteFile(backup)) {
    return Fail(err, 0x1000D, Access::kWrite);
  }
  SetOk(err);
  return true;
}

VMLIB_EXPORT bool BackupRestore(const Str* path, ErrorStatus err) {
  const std::string file = PathOf(path);
  const std::string backup = BackupNameOf(file);
  if (sys::IsFile(file) && !sys::DeleteFile(file)) return Fail(err, 0x1000D, Access::kWrite);
  if (sys::IsFile(backup) && !sys::MoveFile(backup, file)) return Fail(err, 0x1000E, Access::kWrite);
  SetOk(err);
  return true;
}

VMLIB_EXPORT bool _FileCreateTemp(const Str* folder, const Str* prefix, Str* out, ErrorStatus err) {
  std::string path;
  if (!sys::CreateTempFile(PathOf(folder), PathOf(prefix), &path)) {
    AssignOut(out, {});
    return Fail(err, 0x10002, Access::kWrite);
  }
  if (!AssignOrFail(out, path, err)) {
    sys::DeleteFile(path);
    return false;
  }
  SetOk(err);
  return true;
}

VMLIB_EXPORT void _FileGetUniqueName(const Str* folder, const Str* name, const Str* extension, Str* out) {
  std::string base = PathOf(folder);
  if (!base.empty() && base.back() != '/') base += '/';
  base += PathOf(name);
  const std::string ext = PathOf(extension);
  std::string candidate = base + ext;
  for (uint64_t i = 1; sys::IsFile(candidate); ++i) candidate = base + " (" + std::to_string(i) + ")" + ext;
  AssignOut(out, candidate);
}

VMLIB_EXPORT void _GetTempDir(Str* out) { AssignOut(out, sys::TempDirectory()); }

VMLIB_EXPORT bool _PathGetLongName(const Str* path, Str* out, ErrorStatus err) {
  std::string resolved;
  if (!sys::RealPath(PathOf(path), &resolved)) return Fail(err, 0x16, Access::kNeither);
  if (!AssignOrFail(out, resolved, err)) return false;
  SetOk(err);
  return true;
}

// Linux names have no short form; like Windows, a path that does not exist
// has none either.
VMLIB_EXPORT bool _PathGetShortName(const Str* path, Str* out, ErrorStatus err) {
  const std::string p = PathOf(path);
  sys::FileInfo info;
  if (!sys::GetFileInfo(p, &info)) return Fail(err, 0x17, Access::kNeither);
  if (!AssignOrFail(out, p, err)) return false;
  SetOk(err);
  return true;
}
