// Text format profiles: how waypoints are laid out as delimited text. This
// is the small stand-in the backup archive needs of the display subsystem:
// a profile of columns (name and value-type code), fields bound to a column
// or holding their own text, a name and two separator characters, kept in an
// in-memory list whose Save keeps its contents as the saved state.
#pragma once

#include <cstdint>

#include "vmlib/export.h"
#include "vmlib/frame.h"

// Fields a new profile starts with, and the index of a field bound to no column.
constexpr int32_t kTextProfileFieldCount = 32;
constexpr uint8_t kTextProfileUnbound = 0xFF;

// One profile. Virtual operations in slot order after the destructor. Texts
// returned belong to the profile.
class CTextProfile : public CObject {
public:
  virtual const Str* GetName() = 0;                               // 2
  virtual void SetName(const Str* name) = 0;                      // 3
  virtual int32_t GetColumnCount() = 0;                           // 4
  virtual const Str* GetColumnName(int32_t index) = 0;            // 5
  virtual uint8_t GetColumnType(int32_t index) = 0;               // 6: value-type code
  virtual void AddColumn(const Str* name, uint8_t typeCode) = 0;  // 7
  virtual int32_t GetFieldCount() = 0;                            // 8
  // 9: grows with unbound empty fields or cuts; negative counts as 0.
  virtual void SetFieldCount(int32_t count) = 0;
  // 10: the column the field is bound to, kTextProfileUnbound for none.
  virtual uint8_t GetFieldColumn(int32_t field) = 0;
  // 11: the format name of a bound field, the own text of an unbound one.
  virtual const Str* GetFieldFormat(int32_t field) = 0;
  // 12: binds to a column (kTextProfileUnbound unbinds); 0x1001F for an
  // index that names no column.
  virtual void BindField(int32_t field, uint8_t column, ErrorStatus err) = 0;
  virtual void SelectFieldFormat(int32_t field, const Str* format) = 0;  // 13
  virtual char GetSeparator1() = 0;                                      // 14: "." when created
  virtual char GetSeparator2() = 0;                                      // 15: tab when created
  virtual void SetSeparators(char first, char second) = 0;               // 16
  virtual bool IsBuiltIn() = 0;                                          // 17
  virtual void SetBuiltIn(bool builtIn) = 0;                             // 18

protected:
  CTextProfile() = default;
};

// The owning list of profiles, in the order they were created.
class CTextProfileList : public CObject {
public:
  virtual int32_t GetCount() = 0;                   // 2
  virtual CTextProfile* Get(int32_t index) = 0;     // 3: 0 <= index < count
  virtual void Clear() = 0;                         // 4
  virtual int32_t FindByName(const Str* name) = 0;  // 5: first exact match, -1 when none
  virtual void Delete(int32_t index) = 0;           // 6
  // 7: a new profile with an empty name, no columns, kTextProfileFieldCount
  // unbound empty fields and the separators "." and tab; owned by the list.
  virtual CTextProfile* Create() = 0;
  virtual void Save(ErrorStatus err) = 0;  // 8: clears the changed flag
  virtual bool IsChanged() = 0;            // 9: changed since the last Save

protected:
  CTextProfileList() = default;
};

// A new empty list; null when memory runs out. Delete with ObjectDelete.
VMLIB_EXPORT CTextProfileList* TextProfileListCreate();
