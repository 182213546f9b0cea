// The library frame: start and stop, the heap, the object model, the counted
// string Str and the string list StrList.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "vmlib/export.h"

// Base of every library object that a client may delete. The first virtual
// operation is the deleting destructor; ObjectDelete is the only way a client
// destroys an object it made with a factory.
class CObject {
public:
  virtual ~CObject() = default;

protected:
  CObject() = default;
  CObject(const CObject&) = default;
  CObject& operator=(const CObject&) = default;
};

// Counted string. Clients read the fields directly.
//   length: bytes of text, not counting the terminator (may hold NUL bytes)
//   text:   length + 1 bytes, owned, NUL-terminated
//   wide:   UTF-16 copy with terminator, owned, made on demand; null until then
struct Str {
  int32_t length;
  char* text;
  char16_t* wide;
};

// One entry of a StrList: the list owns the Str; it owns the object only when
// ownsObjects is set (the object is then released with MemMgrFree).
struct StrListPair {
  Str* text;
  void* object;
};

// Compares two strings: negative, zero or positive.
using StrCompareFunc = int (*)(const Str* a, const Str* b);

// List of (Str, object) pairs. Fields are read by clients; virtual operations
// in slot order follow the destructor.
class StrList : public CObject {
public:
  // Slot 2: appends a copy of text (without wide copy) and object; returns the
  // new entry's index. A null text adds an empty string.
  virtual int32_t Add(const Str* text, void* object) = 0;
  // Slot 3: bytes in use: the pair array at its capacity, each entry's record,
  // text with terminator and wide copy with terminator; plus the list object
  // itself when includeSelf is true.
  virtual int32_t GetMemorySize(bool includeSelf) const = 0;
  // Slot 4: grows with empty strings and null objects, or shrinks releasing
  // the removed strings (and objects when ownsObjects is set). Negative n is
  // taken as 0.
  virtual void SetCount(int32_t n) = 0;

  int32_t capacity = 0;     // pairs allocated
  int32_t count = 0;        // pairs in use
  uint8_t ownsObjects = 0;  // removing an entry also frees its object
  StrListPair* pairs = nullptr;
  StrCompareFunc compare = nullptr;

protected:
  StrList() = default;
};

class CExceptionInfo;

// The library's exception: thrown only for programming and data faults, never
// for expected failures (those go through ErrorStatus). While it lives (and
// the library is initialised) it is registered with the exception handler and
// holds the context and stack of the place where it was made, so that a log
// of an escaping CException shows the stack of the throw.
class VMLIB_CLASS CException : public std::exception {
public:
  explicit CException(std::string message);
  CException(const CException& other);
  CException& operator=(const CException& other);
  ~CException() override;
  const char* what() const noexcept override;
  const std::string& Message() const noexcept { return message_; }
  // The info captured at the throw (name "CException", no record); null when
  // the library was not initialised. Owned by the exception.
  const CExceptionInfo* Info() const noexcept { return info_; }

private:
  std::string message_;
  CExceptionInfo* info_ = nullptr;
};

// Sets the library up once per process; the name is not used (the converter
// passes "vmlib.dll"). A second call without VmLibFinalize does nothing.
// Throws CException "High performance counter not supported" when the
// machine has no monotonic clock.
VMLIB_EXPORT void VmLibInitialize(const char* libraryName);
// Runs the modules' finalisers, the last registered first.
VMLIB_EXPORT void VmLibFinalize();

// The library's heap (the C run-time heap). Sizes in bytes; a negative size
// allocates nothing and returns null.
VMLIB_EXPORT void* MemMgrMalloc(int32_t size);
VMLIB_EXPORT void MemMgrFree(void* block);
VMLIB_EXPORT void* MemMgrRealloc(void* block, int32_t size);
// False: this build shares no heap with its clients.
VMLIB_EXPORT bool IsDebugBuild();

// Deletes an object made by a factory; nothing for null.
VMLIB_EXPORT void ObjectDelete(CObject* object);

// New Str holding a copy of length bytes of text and a terminator; null when
// memory runs out. A null text or a negative length gives the empty string.
// The caller releases it with StrDelete.
VMLIB_EXPORT Str* StrCreate(const char* text, int32_t length);
// Releases text, wide copy and record; nothing for null.
VMLIB_EXPORT void StrDelete(Str* str);

// Measurement units known to StrCreateFromUnit.
enum VmUnitCode : int32_t {
  kUnitMetre = 1,
  kUnitKilometre = 2,
  kUnitNauticalMile = 3,
  kUnitStatuteMile = 4,
  kUnitFoot = 5,
  kUnitKnot = 10,
  kUnitKilometrePerHour = 11,
  kUnitMetrePerSecond = 12,
  kUnitDegree = 20,
};
// New Str holding the short display name of a unit code ("m", "km", "NM",
// "mi", "ft", "kn", "km/h", "m/s", "°" in UTF-8); an unknown code gives the
// empty string. The caller releases it with StrDelete.
VMLIB_EXPORT Str* StrCreateFromUnit(int32_t unitCode);

// New empty list (ownsObjects clear); the caller deletes it with ObjectDelete.
VMLIB_EXPORT StrList* StrListCreate();
// Replaces the list's content with the lines of text. Lines end at CR or
// CR LF; a lone LF stays inside its line; a trailing line end adds no line.
VMLIB_EXPORT void StrListSetText(const Str* text, StrList* list);
// Replaces out's text with every entry followed by CR LF.
VMLIB_EXPORT void StrListGetText(Str* out, const StrList* list);
