// Chart collections: named lists of 16-byte chart identifiers. This is the
// small stand-in the backup archive needs of the raster chart subsystem: an
// in-memory container whose Save keeps its contents as the saved state.
#pragma once

#include <cstdint>

#include "vmlib/export.h"
#include "vmlib/frame.h"

constexpr int32_t kChartIdSize = 16;

// One collection. Virtual operations in slot order after the destructor.
class CChartCollection : public CObject {
public:
  virtual const Str* GetName() = 0;                      // 2: owned by the collection
  virtual int32_t GetChartCount() = 0;                   // 3
  virtual const uint8_t* GetChartId(int32_t index) = 0;  // 4: 16 bytes; 0 <= index < count
  virtual void AddChartId(const uint8_t* id) = 0;        // 5: copies 16 bytes

protected:
  CChartCollection() = default;
};

// The owning list of collections, in the order they were created.
class CChartCollectionList : public CObject {
public:
  virtual int32_t GetCount() = 0;                         // 2
  virtual CChartCollection* Get(int32_t index) = 0;       // 3: 0 <= index < count
  virtual void Clear() = 0;                               // 4: destroys every collection
  virtual int32_t FindByName(const Str* name) = 0;        // 5: first exact match, -1 when none
  virtual void Delete(int32_t index) = 0;                 // 6: destroys the collection
  virtual CChartCollection* Create(const Str* name) = 0;  // 7: appended; owned by the list
  virtual void Save(ErrorStatus err) = 0;                 // 8: clears the changed flag
  virtual bool IsChanged() = 0;                           // 9: changed since the last Save

protected:
  CChartCollectionList() = default;
};

// A new empty list; null when memory runs out. Delete with ObjectDelete.
VMLIB_EXPORT CChartCollectionList* ChartCollectionListCreate();
