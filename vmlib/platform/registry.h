// Read-only registry of a Wine prefix, which stands in for the Windows
// registry: "user.reg" holds HKEY_CURRENT_USER, "system.reg"
// HKEY_LOCAL_MACHINE. The prefix is $WINEPREFIX, else ~/.wine; without one
// every key and value reads as not found. Nothing is ever written.
//
// Key paths use "\" between names ("Software\Microsoft\Windows\CurrentVersion")
// and are compared without regard to ASCII case, as are value names; the
// empty value name is the key's default value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vm::registry {

enum class Hive { kLocalMachine, kCurrentUser };

enum class ValueType : uint32_t {
  kNone = 0,
  kString = 1,
  kExpandString = 2,
  kBinary = 3,
  kDword = 4,
  kMultiString = 7,
  kQword = 11,
};

struct Value {
  uint32_t type = 0;                 // a ValueType, or another type number as stored
  std::string text;                  // kString, kExpandString: UTF-8
  std::vector<std::string> strings;  // kMultiString: UTF-8 entries
  uint64_t number = 0;               // kDword, kQword
  std::vector<uint8_t> bytes;        // the raw data of hex values
};

// The prefix folder, or empty when there is none.
std::string PrefixFolder();

bool KeyExists(Hive hive, std::string_view key);
std::optional<Value> ReadValue(Hive hive, std::string_view key, std::string_view name);
// The text of a string or expandable-string value.
std::optional<std::string> ReadString(Hive hive, std::string_view key, std::string_view name);

// The same questions on the text of one registry file.
bool KeyExistsIn(std::string_view fileText, std::string_view key);
std::optional<Value> FindValueIn(std::string_view fileText, std::string_view key, std::string_view name);

// The Linux path of a Windows drive path ("C:\Program Files\x.mdb") through
// the prefix's dosdevices folder; nothing for a path without a drive letter
// or a drive the prefix does not map.
std::optional<std::string> MapDrivePath(std::string_view windowsPath);
std::optional<std::string> MapDrivePathIn(const std::string& prefix, std::string_view windowsPath);

}  // namespace vm::registry
