// A file written under a temporary name beside its final name and moved over
// it only when complete, so a failed write never spoils an existing file.
#pragma once

#include <memory>
#include <string>

#include "vmlib/streams.h"

namespace vm {

class StagedFile {
public:
  StagedFile() = default;
  // Removes the temporary file unless Commit succeeded.
  ~StagedFile();
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  // Refuses a final path that is a folder or a read-only file (0x10005, as
  // opening it for writing would), then creates the temporary file in the
  // same folder and opens a buffered stream on it in create mode.
  bool Open(std::string_view finalPath, int32_t bufferSize, ErrorStatus err);
  CBufferedFileStream* Stream() { return stream_.get(); }
  // Closes the stream (a failure to write or close is reported) and moves the
  // file over the final name (0x1000E and the mapped system codes).
  bool Commit(ErrorStatus err);

private:
  std::string finalPath_;
  std::string tempPath_;
  std::unique_ptr<CBufferedFileStream> stream_;
  bool committed_ = false;
};

}  // namespace vm
