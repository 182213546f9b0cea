#include "bmp/image_file_io.h"

#include <algorithm>

#include "vmlib/streams.h"

namespace vm::bmp {
namespace {
constexpr int32_t kChunk = 1 << 20;
}

int32_t ReadFileBytes(const Str* path, std::vector<uint8_t>* out) {
  int32_t err = 0;
  CBufferedFileStream in(&err, path, kStreamModeReadShareRead);
  if (err != 0) return err;
  const int64_t size = in.GetSize();
  // A file the 32-bit sizes of the image formats cannot describe is not an image.
  if (size < 0 || size > INT32_MAX) return 0x1001F;
  out->assign(static_cast<size_t>(size), 0);
  for (int64_t done = 0; done < size;) {
    const int32_t want = static_cast<int32_t>(std::min<int64_t>(kChunk, size - done));
    const int32_t got = in.Read(out->data() + done, want, &err);
    if (err != 0) return err;
    if (got <= 0) return 0x10009;
    done += got;
  }
  return in.Close(&err) ? 0 : err;
}

int32_t WriteFileBytes(const Str* path, const std::vector<uint8_t>& bytes) {
  int32_t err = 0;
  CBufferedFileStream out(&err, path, kStreamModeCreate);
  if (err != 0) return err;
  out.SetDeleteOnDestroy(true);
  for (size_t done = 0; done < bytes.size();) {
    const int32_t want = static_cast<int32_t>(std::min<size_t>(kChunk, bytes.size() - done));
    const int32_t wrote = out.Write(bytes.data() + done, want, &err);
    if (err != 0) return err;
    if (wrote != want) return 0x1000B;
    done += static_cast<size_t>(wrote);
  }
  if (!out.Close(&err)) return err;
  return 0;
}

}  // namespace vm::bmp
