// ExceptionLogWrite over the library's file functions.
#include "exceptions/exception_log_file.h"

#include <algorithm>

#include "core/str_internal.h"
#include "vmlib/exceptions.h"
#include "vmlib/files.h"

namespace vm {
namespace {

// 0, or the code of the failure.
int32_t ReadWholeFile(const Str* path, std::string* out) {
  int32_t code = 0;
  const FileHandle file = FileCreate(path, kFileAccessRead, kFileShareRead, kFileOpenExisting, 0, &code);
  if (file == kInvalidFileHandle) return code;
  const int64_t size = FileGetSize(file, &code);
  if (code == 0) {
    out->resize(static_cast<size_t>(size));
    size_t done = 0;
    while (code == 0 && done < out->size()) {
      const uint32_t piece = static_cast<uint32_t>(std::min<size_t>(out->size() - done, 1u << 20));
      uint32_t got = 0;
      FileRead(file, out->data() + done, piece, &got, nullptr, &code);
      if (code == 0 && got == 0) out->resize(done);  // the file shrank meanwhile
      done += got;
    }
  }
  int32_t closeCode = 0;
  FileClose(file, &closeCode);
  return code;
}

int32_t WriteWholeFile(const Str* path, std::string_view text) {
  int32_t code = 0;
  const FileHandle file = FileCreate(path, kFileAccessWrite, kFileShareNone, kFileCreateAlways, 0, &code);
  if (file == kInvalidFileHandle) return code;
  size_t done = 0;
  while (code == 0 && done < text.size()) {
    const uint32_t piece = static_cast<uint32_t>(std::min<size_t>(text.size() - done, 1u << 20));
    uint32_t written = 0;
    FileWrite(file, text.data() + done, piece, &written, nullptr, &code);
    if (code == 0 && written == 0) code = 0x1000B;
    done += written;
  }
  int32_t closeCode = 0;
  FileClose(file, &closeCode);
  return code != 0 ? code : closeCode;
}

}  // namespace

size_t CountLogLines(std::string_view text) {
  const size_t crs = static_cast<size_t>(std::count(text.begin(), text.end(), '\r'));
  const bool endsLine =
      !text.empty() &&
      (text.back() == '\r' || (text.size() >= 2 && text.back() == '\n' && text[text.size() - 2] == '\r'));
  return crs + (endsLine ? 0 : 1);
}

std::string CombineLog(std::string_view entry, std::string_view old) {
  std::string combined;
  combined.reserve(entry.size() + old.size());
  combined.append(entry);
  combined.append(old);
  const size_t keep = std::max(CountLogLines(entry), kExceptionLogLines);
  size_t lines = 0;
  for (size_t i = 0; i < combined.size(); ++i) {
    if (combined[i] != '\r') continue;
    size_t end = i + 1;
    if (end < combined.size() && combined[end] == '\n') ++end;
    if (++lines == keep) {
      combined.resize(end);
      break;
    }
  }
  return combined;
}

}  // namespace vm

VMLIB_EXPORT void ExceptionLogWrite(const Str* fileName, const Str* text, bool keepOld, int32_t /*reserved*/,
                                    ErrorStatus status) {
  using namespace vm;
  int32_t code = 0;
  try {
    if (StrView(fileName).empty()) {
      code = 0x14;
    } else {
      std::string old;
      int32_t ignored = 0;
      const uint32_t attributes = keepOld ? FileGetAttributes(fileName, &ignored) : kFileAttributeInvalid;
      if (attributes != kFileAttributeInvalid && (attributes & kFileAttributeDirectory) == 0)
        code = ReadWholeFile(fileName, &old);
      if (code == 0) code = WriteWholeFile(fileName, CombineLog(StrView(text), old));
    }
  } catch (...) {
    code = 0x6;
  }
  if (status != nullptr) *status = code;
}
