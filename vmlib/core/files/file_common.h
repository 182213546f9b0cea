// Shared pieces of the file functions.
#pragma once

#include <string>

#include "core/str_internal.h"
#include "platform/posix_files.h"
#include "vmlib/files.h"

namespace vm::files {

using sys::Access;

// The path bytes of a Str as a NUL-terminated string. An embedded NUL cannot
// name a file; such a path is cut there and then fails as a missing file.
inline std::string PathOf(const Str* path) { return std::string(StrView(path)); }

inline void SetOk(ErrorStatus err) {
  if (err != nullptr) *err = 0;
}
inline void SetCode(ErrorStatus err, int32_t code) {
  if (err != nullptr) *err = code;
}
// Writes the code of the last system error and returns false.
inline bool Fail(ErrorStatus err, int32_t defaultCode, Access kind) {
  SetCode(err, sys::LastErrorCode(defaultCode, kind));
  return false;
}
// 0 on success, else the mapped code; returns ok.
inline bool Report(bool ok, ErrorStatus err, int32_t defaultCode, Access kind) {
  if (ok) {
    SetOk(err);
    return true;
  }
  return Fail(err, defaultCode, kind);
}

// Replaces the text of out; false (with 0x6) when memory runs out.
inline bool AssignOut(Str* out, std::string_view text) { return out != nullptr && StrAssign(out, text); }

// The backup name of a path: name.ext -> name.~ext, name -> name.~,
// name. -> name.~
std::string BackupNameOf(const std::string& path);

}  // namespace vm::files
