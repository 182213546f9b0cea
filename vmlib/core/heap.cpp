// The library's heap entry points and the object model's one delete.
#include <cstdlib>

#include "vmlib/frame.h"

VMLIB_EXPORT void* MemMgrMalloc(int32_t size) {
  if (size < 0) return nullptr;
  // malloc(0) may return null; a zero-byte block is still a valid block.
  return std::malloc(size == 0 ? 1 : static_cast<size_t>(size));
}

VMLIB_EXPORT void MemMgrFree(void* block) { std::free(block); }

VMLIB_EXPORT void* MemMgrRealloc(void* block, int32_t size) {
  if (size < 0) return nullptr;
  return std::realloc(block, size == 0 ? 1 : static_cast<size_t>(size));
}

VMLIB_EXPORT bool IsDebugBuild() { return false; }

VMLIB_EXPORT void ObjectDelete(CObject* object) { delete object; }
