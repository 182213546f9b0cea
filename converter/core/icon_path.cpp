#include "icon_path.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace conv {
namespace {

namespace fs = std::filesystem;

bool IsFile(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec);
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

// The entry of folder named name, exactly or else ignoring case.
std::optional<fs::path> FindEntry(const fs::path& folder, std::string_view name) {
  if (name.empty() || name == "." || name == "..") return std::nullopt;
  std::error_code ec;
  const fs::path exact = folder / std::string(name);
  if (fs::exists(exact, ec)) return exact;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (SameIgnoringCase(it->path().filename().string(), name)) return it->path();
  }
  return std::nullopt;
}

std::vector<std::string> Components(std::string_view path) {
  std::vector<std::string> parts;
  std::string current;
  for (const char c : path) {
    if (c == '\\' || c == '/') {
      if (!current.empty()) parts.push_back(current);
      current.clear();
    } else {
      current.push_back(c);
    }
  }
  if (!current.empty()) parts.push_back(current);
  return parts;
}

std::optional<fs::path> ThroughWinePrefix(std::string_view stored) {
  if (stored.size() < 3 || stored[1] != ':' || (stored[2] != '\\' && stored[2] != '/')) return std::nullopt;
  const char drive = stored[0];
  if (!((drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z'))) return std::nullopt;
  fs::path prefix;
  if (const char* wine = std::getenv("WINEPREFIX"); wine != nullptr && *wine != '\0') {
    prefix = wine;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    prefix = fs::path(home) / ".wine";
  } else {
    return std::nullopt;
  }
  const std::string letter(1, static_cast<char>(drive >= 'A' && drive <= 'Z' ? drive - 'A' + 'a' : drive));
  fs::path at = prefix / "dosdevices" / (letter + ":");
  std::error_code ec;
  if (!fs::exists(at, ec)) return std::nullopt;
  for (const std::string& part : Components(stored.substr(3))) {
    const auto next = FindEntry(at, part);
    if (!next) return std::nullopt;
    at = *next;
  }
  return IsFile(at) ? std::optional<fs::path>(at) : std::nullopt;
}

}  // namespace

std::optional<fs::path> ResolveIconPath(std::string_view stored, const fs::path& databaseFolder) {
  if (stored.empty()) return std::nullopt;
  const fs::path given{std::string(stored)};
  if (IsFile(given)) return given;
  if (auto viaWine = ThroughWinePrefix(stored)) return viaWine;
  const std::vector<std::string> parts = Components(stored);
  if (parts.empty()) return std::nullopt;
  // "C:" alone before the name is no file name.
  const std::string name = parts.back();
  if (name.size() == 2 && name[1] == ':') return std::nullopt;
  for (const fs::path& folder : {databaseFolder, databaseFolder / "Icons"}) {
    std::error_code ec;
    fs::path dir = folder;
    if (!fs::is_directory(dir, ec)) {
      const auto alt = FindEntry(databaseFolder, "Icons");
      if (folder == databaseFolder || !alt) continue;
      dir = *alt;
    }
    if (const auto found = FindEntry(dir, name); found && IsFile(*found)) return found;
  }
  return std::nullopt;
}

}  // namespace conv
