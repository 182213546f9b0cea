// Where an icon path stored in the old database points on this machine.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace conv {

// The stored path (UTF-8, a Windows path as the old program wrote it) as an
// existing file, tried in this order: as given; through the Wine prefix's
// drive mapping ($WINEPREFIX, else ~/.wine: dosdevices/<drive>:), matching
// each component case-insensitively; by its file name, case-insensitively,
// in the database's folder and in its Icons subfolder. nullopt when it
// resolves nowhere ("not an existing file").
std::optional<std::filesystem::path> ResolveIconPath(std::string_view stored,
                                                     const std::filesystem::path& databaseFolder);

}  // namespace conv
