// A database of the old program's schema filled to a given scale.
#pragma once

#include <cstdint>
#include <filesystem>

#include "jetwrite/jet_database.h"
#include "scale.h"

namespace largedb {

// The same scale and seed always give the same database. Icon paths of the
// types name files "Icons/typeNN.ico" beside the database, as Windows paths.
jetwrite::Database BuildLargeDatabase(const Scale& scale, uint64_t seed);

// Writes the icon files the database's types name into folder/Icons.
void WriteIcons(const Scale& scale, const std::filesystem::path& folder);

}  // namespace largedb
