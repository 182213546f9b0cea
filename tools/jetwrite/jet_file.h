// The page layout of a Jet 4 file.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "jetwrite/jet_database.h"

namespace jetwrite {

// The bytes of a Jet 4 file holding the tables (and the catalog describing
// them). Throws Error when a row does not fit in a page.
std::vector<uint8_t> BuildJetFile(const std::vector<std::unique_ptr<Table>>& tables, double creationDate);

}  // namespace jetwrite
