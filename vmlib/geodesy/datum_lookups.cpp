// The four lookups that map foreign identifiers of datums (packed codes of
// device protocols, numeric indexes, names used by chart files and by the old
// database) to built-in datums.
#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "geodesy/geodesy_internal.h"

namespace vm::geodesy {
namespace {

constexpr int32_t kUnknownChartDatum = 0x70014;
constexpr int32_t kInvalidChartDatum = 0x70015;

// Built-in codes that have no packed key of their own (their packed form
// would be ambiguous or was never used by a device).
constexpr const char* kUnpackedCodes[] = {
    "EST",   "INH-A1", "OHI-A", "OHI-B", "OHI-C", "OHI-D", "OHI-M", "RD-OLD", "SIR",
    "SPK-A", "SPK-B",  "SPK-C", "SPK-D", "SPK-E", "SPK-F", "SPK-G", "TOY-B1",
};

constexpr std::pair<const char*, const char*> kExtraPackedKeys[] = {
    {"ADI", "ADI-M"}, {"AME", "RD"},  {"ARF", "ARF-M"}, {"ARS", "ARS-M"}, {"EUR", "EUR-M"},
    {"EUT", "WGE"},   {"GDS", "WGE"}, {"NAR", "NAR-C"}, {"NAS", "NAS-C"}, {"OGB", "OGB-M"},
    {"OHA", "OHA-M"}, {"PDM", "PD"},  {"PRP", "PRP-M"}, {"RAU", "PD"},    {"SAN", "SAN-M"},
    {"SIB", "SRL"},   {"STO", "RTS"}, {"TOY", "TOY-M"},
};

// Index 1 is the first entry; 214 and 220 are unused.
constexpr const char* kIndexCodes[223] = {
    "ADI-E", "ADI-F", "ADI-A", "ADI-C", "ADI-M", "ADI-D", "ADI-B", "AFG",   "AIN-A", "AIN-B", "AMA",
    "ANO",   "AIA",   "ARF-A", "ARF-H", "ARF-B", "ARF-C", "ARF-M", "ARF-M", "ARF-D", "ARF-E", "ARF-F",
    "ARF-G", "ARS-M", "ASC",   "ATF",   "SHB",   "TRN",   "ASQ",   "AUA",   "AUG",   "PHA",   "IBE",
    "BER",   "BID",   "BOO",   "BUR",   "CAZ",   "CAI",   "CAO",   "CAP",   "CAC",   "CGE",   "CHI",
    "CHU",   "COA",   "DAL",   "DID",   "BAT",   "GIZ",   "EAS",   "EUR-E", "EUR-F", "EUR-G", "EUR-G",
    "EUR-K", "EUR-K", "EUR-C", "EUR-B", "EUR-H", "EUR-I", "EUR-J", "EUR-L", "EUR-A", "EUR-S", "EUR-D",
    "EUR-T", "EUS",   "FOT",   "GAA",   "GEO",   "GRA",   "GUA",   "GSE",   "DOB",   "HEN",   "HJO",
    "HKD",   "HTN",   "IND-B", "IND-I", "IND-P", "INF-A", "ING-B", "ING-A", "INH-A", "IDN",   "IRL",
    "ISG",   "IST",   "JOH",   "KAN",   "KEG",   "KEA",   "KUS",   "LCF",   "LEH",   "LIB",   "LUZ-A",
    "LUZ-B", "MPO",   "MIK",   "MAS",   "MER",   "MID",   "MIN-A", "MIN-B", "ASM",   "NAH-A", "NAH-C",
    "NAH-B", "NAP",   "NAS-D", "NAS-V", "NAS-W", "NAS-Q", "NAS-R", "NAS-F", "NAS-H", "NAS-G", "NAS-G",
    "NAS-I", "NAS-I", "NAS-J", "NAS-O", "NAS-T", "NAS-U", "NAS-P", "NAS-N", "NAS-E", "NAS-C", "NAS-A",
    "NAS-B", "NAS-L", "NAR-A", "NAR-E", "NAR-B", "NAR-C", "NAR-H", "NAR-D", "NSD",   "FLO",   "OEG",
    "OHA-A", "OHA-B", "OHA-C", "OHA-M", "OHA-D", "FAH",   "OGB-A", "OGB-B", "OGB-M", "OGB-C", "OGB-D",
    "PLN",   "PIT",   "PTB",   "PTN",   "POS",   "PRP-A", "PRP-B", "PRP-C", "PRP-D", "PRP-E", "PRP-F",
    "PRP-M", "PRP-G", "PRP-H", "HIT",   "PUR",   "PUK",   "QAT",   "QUO",   "REU",   "MOD",   "SPK-A",
    "CCD",   "SAE",   "SAO",   "SAP",   "SCK",   "SGM",   "SAN-A", "SAN-B", "SAN-C", "SAN-D", "SAN-E",
    "SAN-F", "SAN-J", "SAN-G", "SAN-M", "SAN-H", "SAN-I", "SAN-K", "SAN-L", "SOA",   "TAN",   "TIL",
    "TOY-A", "TOY-M", "TOY-C", "TOY-B", "TDC",   "MVS",   "VOR",   "WAK",   "ENW",   "WGC",   "WGE",
    "YAC",   "ZAN",   "RTS",   "EUR-M", "",      "IND-B", "NAH-C", "NAP",   "FLO",   "EUR-F", "",
    "GRA",   "PD",    "KGS",
};

// The datum descriptions of the old database; the typing is the old
// program's own ("Easter lsland", "Carribean", "Unites").
constexpr std::pair<const char*, const char*> kShortNames[] = {
    {"Adindan", "ADI-M"},
    {"AFG", "AFG"},
    {"Ain El Abd 1970", "AIN-A"},
    {"Alaska (NAD27)", "NAS-D"},
    {"Alaska/Canada (NAD27)", "NAS-H"},
    {"Anna 1 Astro 1965", "ANO"},
    {"ARC-1950 mean", "ARF-M"},
    {"ARC-1960 mean", "ARS-M"},
    {"Ascension Island 58", "ASC"},
    {"Astro B4 Sor.Atoll", "TRN"},
    {"Astro Beacon E", "ATF"},
    {"Astro Pos 71/4", "SHB"},
    {"Astronomic Stn. 52", "ASQ"},
    {"Australian Geodetic 1984", "AUG"},
    {"Bahamas (NAD27)", "NAS-Q"},
    {"Bellevue (IGN)", "IBE"},
    {"Bermuda 1957", "BER"},
    {"Bogota Observatory", "BOO"},
    {"Bukit Rimpah", "BUR"},
    {"Camp Area Astro", "CAZ"},
    {"Campo Inchauspe", "CAI"},
    {"Canada Mean (NAD27)", "NAS-E"},
    {"Canal Zone (NAD27)", "NAS-O"},
    {"Canton Island 1966", "CAO"},
    {"Cape", "CAP"},
    {"Cape Canaveral mean", "CAC"},
    {"Carribean (NAD27)", "NAS-T"},
    {"Carthage", "CGE"},
    {"Central America (NAD27)", "NAS-N"},
    {"Chatham 1971", "CHI"},
    {"Chua Astro", "CHU"},
    {"Corrego Alegre", "COA"},
    {"Corrego Alegre (Prov.)", "COA"},
    {"Cuba (NAD27)", "NAS-T"},
    {"Cyprus", "EUR-E"},
    {"Djakarta(Batavia)", "BAT"},
    {"DOS 1968", "GIZ"},
    {"Easter lsland 1967", "EAS"},
    {"Egypt", "EUR-F"},
    {"European 1950", "EUR-A"},
    {"European 1950 mean", "EUR-M"},
    {"European 1979 mean", "EUS"},
    {"Gandajika Base", "GAA"},
    {"Geodetic datums 49", "GEO"},
    {"Greenland (NAD27)", "NAS-U"},
    {"Guam 1963", "GUA"},
    {"Gunung Segara", "GSE"},
    {"GUX 1 Astro", "DOB"},
    {"Herat North", "HEN"},
    {"Hjorsey 1955", "HJO"},
    {"Hong Kong 1963", "HKD"},
    {"Hu-Tzu-Shan", "HTN"},
    {"Iran", "EUR-H"},
    {"ISTS 073 Astro 69", "IST"},
    {"Johnston Island 61", "JOH"},
    {"Kandawala", "KAN"},
    {"Kerguelen Island", "KEG"},
    {"L.C. 5 Astro", "LCF"},
    {"La Reunion", "REU"},
    {"Liberia 1964", "LIB"},
    {"Luzon", "LUZ-A"},
    {"Mahe 1971", "MIK"},
    {"Marco Astro", "SGM"},
    {"Masirah Is. (Nahrwan)", "NAH-A"},
    {"Massawa", "MAS"},
    {"Merchich", "MER"},
    {"Mexico (NAD27)", "NAS-L"},
    {"Midway Astro 61", "MID"},
    {"Mindanao", "LUZ-B"},
    {"Minna", "MIN-A"},
    {"Naparima BWI", "NAP"},
    {"North America 1927 mean", "NAS-C"},
    {"North America 83", "NAR-C"},
    {"Observatorio 1966", "FLO"},
    {"Old Hawaiian Kauai", "OHA-B"},
    {"Old Hawaiian Maui", "OHA-C"},
    {"Old Hawaiian mean", "OHA-A"},
    {"Old Hawaiian Oahu", "OHA-D"},
    {"Oman", "FAH"},
    {"Ordnance Survey of GB 36", "OGB-M"},
    {"Pico De Las Nieves", "PLN"},
    {"Pitcairn Astro 67", "PIT"},
    {"Prov S American 56 mean", "PRP-M"},
    {"Prov S Chilean 63", "HIT"},
    {"Puerto Rico", "PUR"},
    {"Qornoq", "QUO"},
    {"Quatar National", "QAT"},
    {"Rome 1940", "MOD"},
    {"RT90 Sweden", "RTS"},
    {"SAD-69/Brazil", "SAN-C"},
    {"Santa Braz", "SAO"},
    {"Santo (DOS)", "SAE"},
    {"Sapper Hill 43", "SAP"},
    {"Schwarzeck", "SCK"},
    {"Sicily", "EUR-J"},
    {"Sierra Leone 1960", "SRL"},
    {"South American 1969 mean", "SAN-M"},
    {"Southeast Base", "POS"},
    {"Southwest Base", "GRA"},
    {"Tananarive Observ 25", "TAN"},
    {"Timbalai 1948", "TIL"},
    {"Tokyo mean", "TOY-M"},
    {"Tristan Astro 1968", "TDC"},
    {"Unites Arab Emirates", "NAH-B"},
    {"Viti Levu 1916", "MVS"},
    {"Wake-Eniwetok 60", "ENW"},
    {"WGS-72", "WGC"},
    {"WGS-84", "WGE"},
    {"Yacare", "YAC"},
    {"Zanderij", "ZAN"},
};

// Names used by foreign raster charts besides "<datum name>, <code>".
constexpr std::pair<const char*, const char*> kChartNames[] = {
    {"Adindan, ADI-A", "ADI-A"},  {"Afgooye, AFG Somalia", "AFG"}, {"ED50, EUR-A", "EUR-A"},
    {"NAD 1927, NAS-S", "NAS-D"}, {"Bessel (NL.RD)", "RD-OLD"},    {"s-42, SPK", "SPK-A"},
};

const GeodeticDatum* Resolve(const CGeodeticDatumManager* datums, const char* code, ErrorStatus status) {
  const GeodeticDatum* d = code && *code ? datums->FindByCode(code) : nullptr;
  if (status) *status = d ? 0 : kUnknownChartDatum;
  return d;
}

class PackedCodeLookup final : public CGeodeticDatumLookup {
public:
  explicit PackedCodeLookup(const CGeodeticDatumManager* datums) : datums_(datums) {
    for (const GeodeticDatum& d : datums->BuiltIn()) {
      const bool unpacked = std::any_of(std::begin(kUnpackedCodes), std::end(kUnpackedCodes),
                                        [&d](const char* c) { return std::strcmp(c, d.code) == 0; });
      if (unpacked) continue;
      std::string key(d.code);
      key.erase(std::remove(key.begin(), key.end(), '-'), key.end());
      table_.emplace_back(PackCode(key.c_str()), d.code);
    }
    for (const auto& [key, code] : kExtraPackedKeys) table_.emplace_back(PackCode(key), code);
    std::stable_sort(table_.begin(), table_.end(),
                     [](const Entry& a, const Entry& b) { return a.first < b.first; });
  }
  const GeodeticDatum* Find(const void* key, ErrorStatus status) const override {
    if (key == nullptr) return Resolve(datums_, nullptr, status);
    int32_t packed;
    std::memcpy(&packed, key, sizeof packed);
    auto it = std::lower_bound(table_.begin(), table_.end(), packed,
                               [](const Entry& e, int32_t k) { return e.first < k; });
    return Resolve(datums_, it != table_.end() && it->first == packed ? it->second : nullptr, status);
  }
  int32_t Size() const { return static_cast<int32_t>(table_.size()); }

private:
  using Entry = std::pair<int32_t, const char*>;
  const CGeodeticDatumManager* datums_;
  std::vector<Entry> table_;
};

class IndexLookup final : public CGeodeticDatumLookup {
public:
  explicit IndexLookup(const CGeodeticDatumManager* datums) : datums_(datums) {}
  const GeodeticDatum* Find(const void* key, ErrorStatus status) const override {
    int16_t index = 0;
    if (key) std::memcpy(&index, key, sizeof index);
    const bool inRange = index >= 1 && index <= static_cast<int16_t>(std::size(kIndexCodes));
    return Resolve(datums_, inRange ? kIndexCodes[index - 1] : nullptr, status);
  }

private:
  const CGeodeticDatumManager* datums_;
};

class NameLookup final : public CGeodeticDatumNameLookup {
public:
  using Entry = std::pair<std::string, const char*>;
  NameLookup(const CGeodeticDatumManager* datums, std::vector<Entry> entries, int32_t noNameStatus)
      : datums_(datums), table_(std::move(entries)), noNameStatus_(noNameStatus) {
    std::stable_sort(table_.begin(), table_.end(), [](const Entry& a, const Entry& b) {
      return CompareNoCase(a.first.c_str(), b.first.c_str()) < 0;
    });
    // A name given twice keeps its first code, so the binary search is exact.
    table_.erase(std::unique(table_.begin(), table_.end(),
                             [](const Entry& a, const Entry& b) {
                               return CompareNoCase(a.first.c_str(), b.first.c_str()) == 0;
                             }),
                 table_.end());
  }
  const GeodeticDatum* Find(const void* key, ErrorStatus status) const override {
    const char* name = static_cast<const char*>(key);
    if (name == nullptr) return Resolve(datums_, nullptr, status);
    auto it = std::lower_bound(table_.begin(), table_.end(), name, [](const Entry& e, const char* k) {
      return CompareNoCase(e.first.c_str(), k) < 0;
    });
    const bool found = it != table_.end() && CompareNoCase(it->first.c_str(), name) == 0;
    return Resolve(datums_, found ? it->second : nullptr, status);
  }
  void FindName(const GeodeticDatum* datum, const char** name, ErrorStatus status) const override {
    const char* found = nullptr;
    if (datum != nullptr && datum->code != nullptr && *datum->code != '\0') {
      for (auto it = table_.rbegin(); it != table_.rend(); ++it) {
        if (CompareNoCase(it->second, datum->code) == 0) {
          found = it->first.c_str();
          break;
        }
      }
    }
    if (name) *name = found;
    if (status) *status = found ? 0 : noNameStatus_;
  }
  int32_t Size() const { return static_cast<int32_t>(table_.size()); }

private:
  const CGeodeticDatumManager* datums_;
  std::vector<Entry> table_;
  int32_t noNameStatus_;
};

int32_t g_packedSize = 0;
int32_t g_longNameSize = 0;

}  // namespace

std::unique_ptr<CGeodeticDatumLookup> MakePackedCodeLookup(const CGeodeticDatumManager* datums) {
  auto lookup = std::make_unique<PackedCodeLookup>(datums);
  g_packedSize = lookup->Size();
  return lookup;
}

std::unique_ptr<CGeodeticDatumLookup> MakeIndexLookup(const CGeodeticDatumManager* datums) {
  return std::make_unique<IndexLookup>(datums);
}

std::unique_ptr<CGeodeticDatumNameLookup> MakeLongNameLookup(const CGeodeticDatumManager* datums) {
  std::vector<NameLookup::Entry> entries;
  for (const auto& [name, code] : kChartNames) entries.emplace_back(name, code);
  for (const GeodeticDatum& d : datums->BuiltIn()) {
    entries.emplace_back(std::string(d.name) + ", " + d.code, d.code);
  }
  auto lookup = std::make_unique<NameLookup>(datums, std::move(entries), kInvalidChartDatum);
  g_longNameSize = lookup->Size();
  return lookup;
}

std::unique_ptr<CGeodeticDatumNameLookup> MakeShortNameLookup(const CGeodeticDatumManager* datums) {
  std::vector<NameLookup::Entry> entries;
  for (const auto& [name, code] : kShortNames) entries.emplace_back(name, code);
  return std::make_unique<NameLookup>(datums, std::move(entries), kUnknownChartDatum);
}

int32_t PackedCodeTableSize() { return g_packedSize; }
int32_t LongNameTableSize() { return g_longNameSize; }

}  // namespace vm::geodesy
