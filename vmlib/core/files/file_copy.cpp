// FileCopy and FileWriteText: whole-file writers that leave no incomplete
// file behind.
#include <algorithm>
#include <cstdlib>

#include "core/files/file_common.h"
#include "vmlib/streams.h"

using namespace vm;
using namespace vm::files;

namespace {

constexpr int32_t kCopyMinBuffer = 1024;
constexpr int32_t kCopyMaxBuffer = 524288;

}  // namespace

VMLIB_EXPORT bool FileCopy(const Str* source, const Str* destination, int32_t bufferSize,
                           FileCopyCallback callback, void* value1, void* value2, ErrorStatus err) {
  const uint32_t attributes = FileGetAttributes(source, err);
  if (attributes == kFileAttributeInvalid) return false;
  CFileStream in(err, source, kStreamModeReadShareRead);
  if (*err != 0) return false;
  // Creating the destination would truncate the source itself; Windows
  // refuses that open as a sharing violation, and so do we.
  if (sys::IsSameFile(in.GetHandle(), PathOf(destination))) {
    *err = 0x10007;
    return false;
  }
  const int64_t total = in.GetSize();
  int64_t size = std::clamp(bufferSize, kCopyMinBuffer, kCopyMaxBuffer);
  size = std::min(size, total);
  // An empty source still needs a valid buffer pointer for the loop below.
  auto* buffer = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(std::max<int64_t>(size, 1))));
  if (buffer == nullptr) {
    *err = 0x6;
    return false;
  }
  bool ok = false;
  {
    CFileStream out(err, destination, kStreamModeCreate);
    if (*err == 0) {
      out.SetDeleteOnDestroy(true);
      ok = out.Resize(total, err);
      uint8_t cancel = 0;
      auto report = [&](int64_t done) {
        callback(value1, source, destination, done, total, value2, &cancel);
        if (cancel) *err = 0x2;
        return cancel == 0;
      };
      if (ok && callback != nullptr) ok = report(0);
      if (ok) ok = out.SeekTo(0, err) == 0 && *err == 0;
      int64_t done = 0;
      while (ok && done < total) {
        const auto piece = static_cast<int32_t>(std::min<int64_t>(total - done, size));
        ok = StreamReadBytes(&in, buffer, piece, err) && StreamWriteBytes(&out, buffer, piece, err);
        if (!ok) break;
        done += piece;
        if (callback != nullptr) ok = out.Flush(err) && report(done);
      }
      FileTime written = 0;
      ok = ok && FileGetTimeUTC(in.GetHandle(), nullptr, nullptr, &written, err) &&
           FileSetTimeUTC(out.GetHandle(), nullptr, nullptr, &written, err);
      // A successful Close forgets the name, so the flag no longer applies;
      // after any failure, Close's included, the destruction removes the copy.
      if (ok) ok = out.Close(err);
    }
  }
  std::free(buffer);
  if (ok) ok = FileSetAttributes(destination, attributes, err);
  return ok;
}

VMLIB_EXPORT bool FileWriteText(const Str* path, const Str* text, ErrorStatus err) {
  CFileStream out(err, path, kStreamModeCreate);
  if (*err != 0) return false;
  out.SetDeleteOnDestroy(true);
  const std::string_view bytes = StrView(text);
  if (!StreamWriteBytes(&out, bytes.data(), static_cast<int32_t>(bytes.size()), err)) return false;
  // A failed Close keeps the flag's effect: the destructor deletes the file.
  return out.Close(err);
}
