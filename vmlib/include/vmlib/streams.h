// Streams: one abstract interface over an unbuffered file, a buffered file, a
// growable memory block and a read-only view of memory, and the typed helpers
// in which the library's file formats are read and written.
//
// Positions and sizes are signed 64-bit byte counts; counts of a single Read
// or Write are int32. Every operation that takes an ErrorStatus writes it (0 on
// success). Streams take no locks: one thread uses a stream at a time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "vmlib/files.h"
#include "vmlib/frame.h"

// Origins of Seek.
constexpr int32_t kSeekFromStart = 0;
constexpr int32_t kSeekFromCurrent = 1;
constexpr int32_t kSeekFromEnd = 2;

// 16-bit open modes of the file streams. kStreamModeCreate creates the file,
// replacing an existing one, for reading and writing. Any other value opens an
// existing file: bits 0-1 the access (0 read, 1 write, 2 read and write), bits
// 4-7 the sharing (0 and 1 none, 2 read, 3 write, 4 read and write).
constexpr uint16_t kStreamModeCreate = 0xFFFF;
constexpr uint16_t kStreamModeRead = 0x00;           // read, no sharing
constexpr uint16_t kStreamModeReadShareRead = 0x20;  // read, others may read
constexpr uint16_t kStreamModeWrite = 0x11;          // write, no sharing
constexpr uint16_t kStreamModeReadWrite = 0x02;      // read and write, no sharing

// The default buffer of CBufferedFileStream, in bytes.
constexpr int32_t kStreamBufferSize = 8192;

// The abstract stream. Virtual operations in slot order:
//   1 destructor, 2 GetPosition, 3 GetSize, 4 Read, 5 Seek, 6 SetSize, 7 Write.
class CStream : public CObject {
public:
  ~CStream() override = default;
  // Slot 2: the current position in bytes.
  virtual int64_t GetPosition() = 0;
  // Slot 3: the size in bytes.
  virtual int64_t GetSize() = 0;
  // Slot 4: reads up to count bytes into buffer; returns the bytes read.
  virtual int32_t Read(void* buffer, int32_t count, ErrorStatus err) = 0;
  // Slot 5: moves to *offset from origin (kSeekFrom...); returns the new
  // position, or the class's failure value (below).
  virtual int64_t Seek(const int64_t* offset, int32_t origin, ErrorStatus err) = 0;
  // Slot 6: makes the stream *size bytes long.
  virtual bool SetSize(const int64_t* size, ErrorStatus err) = 0;
  // Slot 7: writes count bytes from buffer; returns the bytes written.
  virtual int32_t Write(const void* buffer, int32_t count, ErrorStatus err) = 0;

  // Conveniences over the slots.
  int64_t SeekTo(int64_t position, ErrorStatus err) { return Seek(&position, kSeekFromStart, err); }
  bool Resize(int64_t size, ErrorStatus err) { return SetSize(&size, err); }
  // Bytes between the position and the size (0 when the position is beyond).
  int64_t GetRemaining() {
    const int64_t left = GetSize() - GetPosition();
    return left > 0 ? left : 0;
  }

protected:
  CStream() = default;
  CStream(const CStream&) = delete;
  CStream& operator=(const CStream&) = delete;
};

// Unbuffered file stream: every Read and Write goes to the file.
//   Read: a short read reports 0x10009 and returns the count; a failed call
//         returns -1 (default 0x10008).
//   Write: a short write reports 0x1000B and returns the count; a failed call
//         returns -1 (default 0x1000A; a full disk gives 0x20).
//   Seek: any position from 0 on; on failure returns the old position (0x1000C).
//   SetSize: cuts or extends the file (0x10012; 0x20 when the size read back
//         differs); the position is cut to the new size.
class CFileStream : public CStream {
public:
  // Opens path in mode (kStreamMode...), size from the file's end, position 0.
  // On failure the stream has no file and err holds the code: test err first.
  CFileStream(ErrorStatus err, const Str* path, uint16_t mode);
  CFileStream(ErrorStatus err, std::string_view path, uint16_t mode);
  // As Close, errors ignored; then deletes the file when the delete-on-destroy
  // flag is set and Close was not called.
  ~CFileStream() override;

  int64_t GetPosition() override;
  int64_t GetSize() override;
  int32_t Read(void* buffer, int32_t count, ErrorStatus err) override;
  int64_t Seek(const int64_t* offset, int32_t origin, ErrorStatus err) override;
  bool SetSize(const int64_t* size, ErrorStatus err) override;
  int32_t Write(const void* buffer, int32_t count, ErrorStatus err) override;

  // Closes the file (0x10016) and forgets its name; closing a closed stream
  // succeeds.
  bool Close(ErrorStatus err);
  // Asks the system to write its buffers of the file to the disk (0x10015).
  bool Flush(ErrorStatus err);
  // Writers of whole files set this right after opening, so that a file left
  // incomplete by a failure is removed when the stream goes.
  void SetDeleteOnDestroy(bool on) { deleteOnDestroy_ = on ? 1 : 0; }
  bool IsOpen() const { return handle_ != kInvalidFileHandle; }
  // The path of the open file; null after Close.
  const Str* GetFileName() const { return fileName_; }
  FileHandle GetHandle() const { return handle_; }

private:
  void Open(ErrorStatus err, std::string_view path, uint16_t mode);
  void Release(ErrorStatus err);

  Str* fileName_ = nullptr;
  uint8_t deleteOnDestroy_ = 0;
  FileHandle handle_ = kInvalidFileHandle;
  int64_t position_ = 0;
  int64_t size_ = 0;
};

// Buffered file stream: one buffer of B bytes mapped onto the file at a
// multiple of B; the logical size counts bytes still in the buffer.
//   Read: reading at or beyond the end reports 0x10009 and returns the bytes
//         read so far; a short file read reports 0x10008.
//   Write: a short write of the buffer reports 0x1000A.
//   Seek: targets from 0 to the logical size; outside it fails with 0x1000C,
//         returns -1 and leaves the position unchanged.
//   SetSize: cuts or extends the file (0x10012).
class CBufferedFileStream : public CStream {
public:
  // Opens path in mode (kStreamMode...) with a buffer of bufferSize bytes
  // (kStreamBufferSize when not positive); logical size from the file's end,
  // position 0, empty clean buffer. On failure the stream has no file and err
  // holds the code: test err first.
  CBufferedFileStream(ErrorStatus err, const Str* path, uint16_t mode,
                      int32_t bufferSize = kStreamBufferSize);
  CBufferedFileStream(ErrorStatus err, std::string_view path, uint16_t mode,
                      int32_t bufferSize = kStreamBufferSize);
  // As Close, errors ignored; then deletes the file when the delete-on-destroy
  // flag is set and Close was not called.
  ~CBufferedFileStream() override;

  int64_t GetPosition() override;
  int64_t GetSize() override;
  int32_t Read(void* buffer, int32_t count, ErrorStatus err) override;
  int64_t Seek(const int64_t* offset, int32_t origin, ErrorStatus err) override;
  bool SetSize(const int64_t* size, ErrorStatus err) override;
  int32_t Write(const void* buffer, int32_t count, ErrorStatus err) override;

  // Writes a dirty buffer, flushes the system's buffers when writable
  // (0x10015), frees the buffer, closes the file (0x10016) and forgets its
  // name. Closing a closed stream succeeds.
  bool Close(ErrorStatus err);
  void SetDeleteOnDestroy(bool on) { deleteOnDestroy_ = on ? 1 : 0; }
  bool IsOpen() const { return handle_ != kInvalidFileHandle; }
  // The path of the open file; null after Close.
  const Str* GetFileName() const { return fileName_; }
  int32_t GetBufferSize() const { return bufferSize_; }

private:
  void Open(ErrorStatus err, std::string_view path, uint16_t mode, int32_t bufferSize);
  bool Release(ErrorStatus err);
  int32_t ReadableBytes(ErrorStatus err);
  int32_t WritableRoom(ErrorStatus err);
  bool FillBuffer(ErrorStatus err);
  bool WriteBuffer(ErrorStatus err);

  int32_t validLength_ = 0;
  uint8_t deleteOnDestroy_ = 0;
  uint8_t dirty_ = 0;
  Str* fileName_ = nullptr;
  FileHandle handle_ = kInvalidFileHandle;
  uint8_t writable_ = 0;
  uint8_t* buffer_ = nullptr;
  int32_t bufferSize_ = 0;
  int64_t bufferOffset_ = 0;
  int32_t innerPosition_ = 0;
  int64_t logicalSize_ = 0;
};

// Growable memory stream. Read never fails; Write grows the block (by 1024
// bytes while the capacity is at most 4096, then by a quarter, or to what the
// write needs if more) and reports 0x6 when memory runs out; Seek accepts any
// target; SetSize reallocates to exactly the size.
class CMemoryStream : public CStream {
public:
  CMemoryStream() = default;
  // Allocates initialCapacity bytes; size 0.
  explicit CMemoryStream(int64_t initialCapacity);
  ~CMemoryStream() override;

  int64_t GetPosition() override;
  int64_t GetSize() override;
  int32_t Read(void* buffer, int32_t count, ErrorStatus err) override;
  int64_t Seek(const int64_t* offset, int32_t origin, ErrorStatus err) override;
  bool SetSize(const int64_t* size, ErrorStatus err) override;
  int32_t Write(const void* buffer, int32_t count, ErrorStatus err) override;

  // The bytes, owned by the stream (null while nothing is allocated).
  const uint8_t* GetData() const { return data_; }
  int64_t GetCapacity() const { return capacity_; }

private:
  bool Reserve(int64_t capacity);

  uint8_t* data_ = nullptr;
  int64_t position_ = 0;
  int64_t size_ = 0;
  int64_t capacity_ = 0;
};

// Read-only view of a memory block the caller owns and keeps alive. Read and
// Seek as CMemoryStream; SetSize fails with 0x10012; Write writes nothing,
// returns 0 and reports success.
class CMemoryViewStream : public CStream {
public:
  CMemoryViewStream(const void* block, int64_t size);

  int64_t GetPosition() override;
  int64_t GetSize() override;
  int32_t Read(void* buffer, int32_t count, ErrorStatus err) override;
  int64_t Seek(const int64_t* offset, int32_t origin, ErrorStatus err) override;
  bool SetSize(const int64_t* size, ErrorStatus err) override;
  int32_t Write(const void* buffer, int32_t count, ErrorStatus err) override;

private:
  const uint8_t* block_;
  int64_t position_ = 0;
  int64_t size_;
};

// Typed helpers over any stream. Integers are little-endian. Each returns
// true on success and leaves the code in err; a read that gets fewer bytes
// than it needs fails with the stream's code, or 0x10009 when the stream
// reported none; a write that moves fewer bytes fails with the stream's code,
// or 0x1000B.
bool StreamWriteUInt8(CStream* s, uint8_t value, ErrorStatus err);
bool StreamWriteInt16(CStream* s, int16_t value, ErrorStatus err);
bool StreamWriteUInt16(CStream* s, uint16_t value, ErrorStatus err);
bool StreamWriteInt32(CStream* s, int32_t value, ErrorStatus err);
bool StreamWriteUInt32(CStream* s, uint32_t value, ErrorStatus err);
bool StreamWriteInt64(CStream* s, int64_t value, ErrorStatus err);
bool StreamWriteDouble(CStream* s, double value, ErrorStatus err);  // IEEE 754 binary64
bool StreamReadUInt8(CStream* s, uint8_t* value, ErrorStatus err);
bool StreamReadInt16(CStream* s, int16_t* value, ErrorStatus err);
bool StreamReadUInt16(CStream* s, uint16_t* value, ErrorStatus err);
bool StreamReadInt32(CStream* s, int32_t* value, ErrorStatus err);
bool StreamReadUInt32(CStream* s, uint32_t* value, ErrorStatus err);
bool StreamReadInt64(CStream* s, int64_t* value, ErrorStatus err);
bool StreamReadDouble(CStream* s, double* value, ErrorStatus err);
// Exactly count bytes; a short read fails as above.
bool StreamReadBytes(CStream* s, void* buffer, int32_t count, ErrorStatus err);
bool StreamWriteBytes(CStream* s, const void* buffer, int32_t count, ErrorStatus err);

// string8: one length byte and the bytes; a longer text is cut to 255 bytes.
bool StreamWriteString8(CStream* s, std::string_view text, ErrorStatus err);
bool StreamWriteString8(CStream* s, const Str* text, ErrorStatus err);
// Reads a string8 into out (replaced); the length byte bounds it to 255.
bool StreamReadString8(CStream* s, std::string* out, ErrorStatus err);
bool StreamReadString8(CStream* s, Str* out, ErrorStatus err);
// string32: int32 length and the bytes.
bool StreamWriteString32(CStream* s, std::string_view text, ErrorStatus err);
bool StreamWriteString32(CStream* s, const Str* text, ErrorStatus err);
// Reads a string32 into out (replaced). A length below 0 or beyond the bytes
// left in the stream fails with 0x1001F and leaves out empty.
bool StreamReadString32(CStream* s, std::string* out, ErrorStatus err);
bool StreamReadString32(CStream* s, Str* out, ErrorStatus err);

// Reads a 10-byte x87 extended value and converts it to the nearest double
// (ties to even): subnormal results, infinities (also for values too large)
// and NaN included. Encodings the x87 refuses (an integer bit of 0 with a
// non-zero exponent) read as NaN.
bool StreamReadExtended(CStream* s, double* value, ErrorStatus err);
// The conversion alone, of 10 little-endian bytes.
double ExtendedToDouble(const uint8_t bytes[10]);

// Reads length bytes and compares them with magic; a short read
// fails as above, a difference with 0x10020.
bool StreamCheckMagic(CStream* s, const void* magic, int32_t length, ErrorStatus err);

// Copies size bytes from source to destination in pieces of at most 65536
// bytes; returns the bytes copied (fewer on failure, with the code in err).
int64_t StreamCopy(CStream* destination, CStream* source, int64_t size, ErrorStatus err);
