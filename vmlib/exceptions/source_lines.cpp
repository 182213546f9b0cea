// Source-line lookup (map files, line-information packages, debug symbols)
// is not part of this library: the entry points exist for callers that link
// against them, accept their arguments and do nothing.
#include "vmlib/exceptions.h"

VMLIB_EXPORT CObject* MapFileReaderCreate(const Str*, ErrorStatus status) {
  if (status != nullptr) *status = 0;
  return nullptr;
}

VMLIB_EXPORT CObject* ExceptionLogCreate(const Str*, ErrorStatus status) {
  if (status != nullptr) *status = 0;
  return nullptr;
}

VMLIB_EXPORT void LineInfoPackageLoad(const Str*, CObject*, ErrorStatus status) {
  if (status != nullptr) *status = 0;
}

VMLIB_EXPORT void LineInfoPackageWrite(const Str*, CObject*, ErrorStatus status) {
  if (status != nullptr) *status = 0;
}

VMLIB_EXPORT bool DebugSymbolFileSearch(const Str*, Str*, ErrorStatus status) {
  if (status != nullptr) *status = 0;
  return false;
}
