// The registry files of a Wine prefix are text:
//   WINE REGISTRY Version 2
//   ;; comment            #time=..., #arch=... (notes of the writer)
//   [Key\\Sub\\Key] 1700000000
//   "Name"="text"        @="default value"
//   "Count"=dword:0000002a
//   "Data"=hex:01,02,\   (a trailing "\" continues on the next line)
//     03
//   "Path"=str(2):"%SystemRoot%"   "Any"=hex(7):41,00,00,00
// Inside quotes "\" escapes: \\ \" \n \r \t \0 and \xHHHH (a UTF-16 unit).
#include "platform/registry.h"

#include "core/str_internal.h"

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace vm::registry {
namespace {

// Registry files of a large prefix run to tens of megabytes; anything far
// larger is not one.
constexpr std::streamoff kMaxFileBytes = 512LL << 20;

char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Fold(a[i]) != Fold(b[i])) return false;
  }
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = Fold(c);
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// The quoted text starting at s[*pos] == '"', unescaped into UTF-16 units
// (raw bytes above 0x7F are taken as UTF-8 by the caller's final
// conversion, so they pass through as their own units here).
std::optional<std::string> Unquote(std::string_view s, size_t* pos) {
  if (*pos >= s.size() || s[*pos] != '"') return std::nullopt;
  std::string out;
  std::u16string pending;  // escaped units, converted together to keep surrogate pairs
  auto flush = [&] {
    out += Utf8FromUtf16(pending);
    pending.clear();
  };
  for (size_t i = *pos + 1; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '"') {
      flush();
      *pos = i + 1;
      return out;
    }
    if (c != '\\') {
      flush();
      out.push_back(c);
      continue;
    }
    if (++i >= s.size()) return std::nullopt;
    switch (s[i]) {
      case 'n':
        pending.push_back(u'\n');
        break;
      case 'r':
        pending.push_back(u'\r');
        break;
      case 't':
        pending.push_back(u'\t');
        break;
      case '0':
        pending.push_back(u'\0');
        break;
      case 'x': {
        uint32_t unit = 0;
        int digits = 0;
        while (digits < 4 && i + 1 < s.size() && HexDigit(s[i + 1]) >= 0) {
          unit = unit * 16 + static_cast<uint32_t>(HexDigit(s[++i]));
          ++digits;
        }
        if (digits == 0) return std::nullopt;
        pending.push_back(static_cast<char16_t>(unit));
        break;
      }
      default:
        pending.push_back(static_cast<unsigned char>(s[i]));
        break;
    }
  }
  return std::nullopt;  // no closing quote
}

std::vector<std::string> SplitAtNul(const std::string& text) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\0', start);
    if (end == start) break;  // the empty entry ends the list
    parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return parts;
}

std::optional<std::vector<uint8_t>> HexBytes(std::string_view s) {
  std::vector<uint8_t> bytes;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == ',')) ++i;
    if (i >= s.size()) break;
    if (i + 1 >= s.size() || HexDigit(s[i]) < 0 || HexDigit(s[i + 1]) < 0) return std::nullopt;
    bytes.push_back(static_cast<uint8_t>(HexDigit(s[i]) * 16 + HexDigit(s[i + 1])));
    i += 2;
  }
  return bytes;
}

std::string TextOfUtf16Bytes(const std::vector<uint8_t>& bytes) {
  std::u16string units;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    units.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
  while (!units.empty() && units.back() == 0) units.pop_back();
  return Utf8FromUtf16(units);
}

void FillFromBytes(Value& v) {
  switch (static_cast<ValueType>(v.type)) {
    case ValueType::kString:
    case ValueType::kExpandString:
      v.text = TextOfUtf16Bytes(v.bytes);
      break;
    case ValueType::kMultiString: {
      std::u16string units;
      for (size_t i = 0; i + 1 < v.bytes.size(); i += 2)
        units.push_back(static_cast<char16_t>(v.bytes[i] | (v.bytes[i + 1] << 8)));
      v.strings = SplitAtNul(Utf8FromUtf16(units));
      break;
    }
    case ValueType::kDword:
    case ValueType::kQword:
      for (size_t i = 0; i < v.bytes.size() && i < 8; ++i) v.number |= uint64_t{v.bytes[i]} << (8 * i);
      break;
    default:
      break;
  }
}

// The data after "=": "text", str(N):"text", dword:HHHHHHHH, hex:.., hex(N):..
std::optional<Value> ParseData(std::string_view s) {
  Value v;
  size_t pos = 0;
  if (s.starts_with("\"")) {
    auto text = Unquote(s, &pos);
    if (!text) return std::nullopt;
    v.type = static_cast<uint32_t>(ValueType::kString);
    v.text = *text;
    return v;
  }
  if (s.starts_with("str(")) {
    const size_t close = s.find("):");
    if (close == std::string_view::npos) return std::nullopt;
    v.type = static_cast<uint32_t>(std::strtoul(std::string(s.substr(4, close - 4)).c_str(), nullptr, 16));
    pos = close + 2;
    auto text = Unquote(s, &pos);
    if (!text) return std::nullopt;
    if (v.type == static_cast<uint32_t>(ValueType::kMultiString))
      v.strings = SplitAtNul(*text);
    else
      v.text = *text;
    return v;
  }
  if (s.starts_with("dword:")) {
    const std::string digits(s.substr(6));
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    for (char c : digits) {
      if (HexDigit(c) < 0) return std::nullopt;
    }
    v.type = static_cast<uint32_t>(ValueType::kDword);
    v.number = std::strtoul(digits.c_str(), nullptr, 16);
    return v;
  }
  if (s.starts_with("hex")) {
    std::string_view rest = s.substr(3);
    v.type = static_cast<uint32_t>(ValueType::kBinary);
    if (rest.starts_with("(")) {
      const size_t close = rest.find(')');
      if (close == std::string_view::npos) return std::nullopt;
      v.type =
          static_cast<uint32_t>(std::strtoul(std::string(rest.substr(1, close - 1)).c_str(), nullptr, 16));
      rest = rest.substr(close + 1);
    }
    if (!rest.starts_with(":")) return std::nullopt;
    auto bytes = HexBytes(rest.substr(1));
    if (!bytes) return std::nullopt;
    v.bytes = std::move(*bytes);
    FillFromBytes(v);
    return v;
  }
  return std::nullopt;
}

// Walks the file line by line, joining continued lines; calls section(key)
// for each "[key]" and value(name, data) for each value line of the
// current section. A callback returning false stops the walk.
template <typename OnSection, typename OnValue>
void Walk(std::string_view text, OnSection section, OnValue value) {
  size_t pos = 0;
  std::string joined;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!joined.empty() || (line.size() > 0 && line.back() == '\\' && !line.starts_with("["))) {
      // A hex value continued over several lines.
      std::string_view piece = line;
      while (!joined.empty() && !piece.empty() && (piece.front() == ' ' || piece.front() == '\t'))
        piece.remove_prefix(1);
      const bool more = !piece.empty() && piece.back() == '\\';
      if (more) piece.remove_suffix(1);
      joined.append(piece);
      if (more && pos < text.size()) continue;
      line = joined;
    }
    const std::string current(line);
    joined.clear();
    std::string_view l = current;
    while (!l.empty() && (l.front() == ' ' || l.front() == '\t')) l.remove_prefix(1);
    if (l.empty() || l.front() == ';' || l.front() == '#') continue;
    if (l.front() == '[') {
      // The key's name is escaped like a quoted text, ending at "]".
      std::string key;
      size_t i = 1;
      std::u16string pending;
      bool closed = false;
      for (; i < l.size(); ++i) {
        if (l[i] == ']') {
          closed = true;
          break;
        }
        if (l[i] == '\\' && i + 1 < l.size()) {
          ++i;
          if (l[i] == 'x') {
            uint32_t unit = 0;
            int digits = 0;
            while (digits < 4 && i + 1 < l.size() && HexDigit(l[i + 1]) >= 0) {
              unit = unit * 16 + static_cast<uint32_t>(HexDigit(l[++i]));
              ++digits;
            }
            pending.push_back(static_cast<char16_t>(unit));
            continue;
          }
          key += Utf8FromUtf16(pending);
          pending.clear();
          key.push_back(l[i]);
          continue;
        }
        key += Utf8FromUtf16(pending);
        pending.clear();
        key.push_back(l[i]);
      }
      key += Utf8FromUtf16(pending);
      if (closed && !section(key)) return;
      continue;
    }
    std::string name;
    size_t at = 0;
    if (l.front() == '@') {
      at = 1;
    } else {
      auto quoted = Unquote(l, &at);
      if (!quoted) continue;
      name = *quoted;
    }
    if (at >= l.size() || l[at] != '=') continue;
    if (!value(name, l.substr(at + 1))) return;
  }
}

bool IsRegistryText(std::string_view text) { return text.starts_with("WINE REGISTRY Version 2"); }

std::optional<std::string> ReadFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0 || size > kMaxFileBytes) return std::nullopt;
  in.seekg(0);
  std::string text(static_cast<size_t>(size), '\0');
  if (!in.read(text.data(), size)) return std::nullopt;
  return text;
}

std::optional<std::string> HiveText(Hive hive) {
  const std::string prefix = PrefixFolder();
  if (prefix.empty()) return std::nullopt;
  return ReadFileText(prefix + (hive == Hive::kLocalMachine ? "/system.reg" : "/user.reg"));
}

std::string_view TrimSlashes(std::string_view key) {
  while (!key.empty() && key.front() == '\\') key.remove_prefix(1);
  while (!key.empty() && key.back() == '\\') key.remove_suffix(1);
  return key;
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string PrefixFolder() {
  std::string prefix;
  if (const char* p = std::getenv("WINEPREFIX"); p != nullptr && *p != '\0') {
    prefix = p;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    prefix = std::string(home) + "/.wine";
  }
  while (prefix.size() > 1 && prefix.back() == '/') prefix.pop_back();
  return !prefix.empty() && IsFolder(prefix) ? prefix : std::string{};
}

bool KeyExistsIn(std::string_view fileText, std::string_view key) {
  if (!IsRegistryText(fileText)) return false;
  key = TrimSlashes(key);
  bool found = false;
  Walk(
      fileText,
      [&](const std::string& section) {
        // A key also exists when only its subkeys are written.
        found = SameText(section, key) || (section.size() > key.size() && section[key.size()] == '\\' &&
                                           SameText(std::string_view(section).substr(0, key.size()), key));
        return !found;
      },
      [](const std::string&, std::string_view) { return true; });
  return found;
}

std::optional<Value> FindValueIn(std::string_view fileText, std::string_view key, std::string_view name) {
  if (!IsRegistryText(fileText)) return std::nullopt;
  key = TrimSlashes(key);
  bool inKey = false, leftKey = false;
  std::optional<Value> result;
  Walk(
      fileText,
      [&](const std::string& section) {
        if (inKey) leftKey = true;
        inKey = SameText(section, key);
        return !leftKey;
      },
      [&](const std::string& valueName, std::string_view data) {
        if (!inKey || !SameText(valueName, name)) return true;
        result = ParseData(data);
        return false;
      });
  return result;
}

bool KeyExists(Hive hive, std::string_view key) {
  const auto text = HiveText(hive);
  return text && KeyExistsIn(*text, key);
}

std::optional<Value> ReadValue(Hive hive, std::string_view key, std::string_view name) {
  const auto text = HiveText(hive);
  if (!text) return std::nullopt;
  return FindValueIn(*text, key, name);
}

std::optional<std::string> ReadString(Hive hive, std::string_view key, std::string_view name) {
  auto v = ReadValue(hive, key, name);
  if (!v || (v->type != static_cast<uint32_t>(ValueType::kString) &&
             v->type != static_cast<uint32_t>(ValueType::kExpandString)))
    return std::nullopt;
  return v->text;
}

std::optional<std::string> MapDrivePathIn(const std::string& prefix, std::string_view path) {
  if (prefix.empty() || path.size() < 2 || path[1] != ':') return std::nullopt;
  const char drive = Fold(path[0]);
  if (drive < 'a' || drive > 'z') return std::nullopt;
  const std::string device = prefix + "/dosdevices/" + drive + ":";
  if (!IsFolder(device)) return std::nullopt;
  std::string out = device;
  std::string_view rest = path.substr(2);
  while (!rest.empty() && (rest.front() == '\\' || rest.front() == '/')) rest.remove_prefix(1);
  if (!rest.empty()) out.push_back('/');
  for (const char c : rest) out.push_back(c == '\\' ? '/' : c);
  return out;
}

std::optional<std::string> MapDrivePath(std::string_view windowsPath) {
  return MapDrivePathIn(PrefixFolder(), windowsPath);
}

}  // namespace vm::registry
