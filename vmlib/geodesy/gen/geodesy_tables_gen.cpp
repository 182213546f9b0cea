// Build-time generator of the built-in ellipsoid and datum tables.
//
//   geodesy_tables_gen <ellipsoids.csv> <datums.csv> <output.inc>
//
// Reads the two data files, checks them (column counts, numbers, the number of
// rows, the code order the library's binary searches rely on, every datum's
// ellipsoid known) and writes C++ initialisers for the rows of
// geodesy/geodesy_tables.h. Values are copied as they are published; the
// conversion to the global frame happens when the library registers them.
// Any fault stops the build with a message naming the file and line.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr size_t kEllipsoidCount = 25;
constexpr size_t kDatumCount = 232;

struct CsvFile {
  std::string path;
  std::vector<std::vector<std::string>> rows;  // without the header
  std::vector<int> lines;                      // line number of each row
};

[[noreturn]] void Fail(const std::string& path, int line, const std::string& what) {
  std::cerr << path;
  if (line > 0) std::cerr << ":" << line;
  std::cerr << ": " << what << "\n";
  std::exit(1);
}

// One record per line; fields separated by commas, a field in double quotes
// may hold commas and doubled quotes. The data files are plain ASCII.
std::vector<std::string> SplitCsvLine(const std::string& path, int lineNo, const std::string& line) {
  std::vector<std::string> fields;
  std::string field;
  bool quoted = false;
  bool wasQuoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (static_cast<unsigned char>(c) >= 0x80) Fail(path, lineNo, "non-ASCII byte");
    if (quoted) {
      if (c == '"') {
        if (i + 1 < line.size() && line[i + 1] == '"') {
          field += '"';
          ++i;
        } else {
          quoted = false;
        }
      } else {
        field += c;
      }
    } else if (c == '"') {
      if (!field.empty() || wasQuoted) Fail(path, lineNo, "quote inside an unquoted field");
      quoted = wasQuoted = true;
    } else if (c == ',') {
      fields.push_back(field);
      field.clear();
      wasQuoted = false;
    } else {
      if (wasQuoted) Fail(path, lineNo, "text after a closing quote");
      field += c;
    }
  }
  if (quoted) Fail(path, lineNo, "unterminated quote");
  fields.push_back(field);
  return fields;
}

CsvFile ReadCsv(const std::string& path, const std::string& expectedHeader, size_t columns) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail(path, 0, "cannot open");
  CsvFile file{path, {}, {}};
  std::string line;
  int lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (lineNo == 1) {
      if (line != expectedHeader) Fail(path, lineNo, "header is not \"" + expectedHeader + "\"");
      continue;
    }
    if (line.empty()) continue;
    std::vector<std::string> fields = SplitCsvLine(path, lineNo, line);
    if (fields.size() != columns) {
      Fail(path, lineNo,
           "expected " + std::to_string(columns) + " fields, found " + std::to_string(fields.size()));
    }
    file.rows.push_back(std::move(fields));
    file.lines.push_back(lineNo);
  }
  return file;
}

// The number as a C++ literal that the compiler parses to the same double as
// strtod does here; the text itself is kept so no digit is lost.
std::string NumberLiteral(const CsvFile& file, size_t row, size_t column) {
  const std::string& text = file.rows[row][column];
  const char* begin = text.c_str();
  char* end = nullptr;
  const double value = std::strtod(begin, &end);
  if (text.empty() || end != begin + text.size() || !std::isfinite(value)) {
    Fail(file.path, file.lines[row],
         "field " + std::to_string(column + 1) + " is not a number: \"" + text + "\"");
  }
  for (char c : text) {
    if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == '.' || c == 'e' ||
          c == 'E')) {
      Fail(file.path, file.lines[row], "unexpected character in number \"" + text + "\"");
    }
  }
  if (text.find_first_of(".eE") == std::string::npos) return text + ".0";
  return text;
}

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: geodesy_tables_gen <ellipsoids.csv> <datums.csv> <output.inc>\n";
    return 2;
  }
  const CsvFile ellipsoids = ReadCsv(argv[1], "code,name,area,a,invf,reference", 6);
  const CsvFile datums = ReadCsv(argv[2], "code,name,area,ellipsoid,dx,dy,dz,rx,ry,rz,ppm,reference", 12);

  if (ellipsoids.rows.size() != kEllipsoidCount) {
    Fail(ellipsoids.path, 0,
         "expected " + std::to_string(kEllipsoidCount) + " ellipsoids, found " +
             std::to_string(ellipsoids.rows.size()));
  }
  if (datums.rows.size() != kDatumCount) {
    Fail(datums.path, 0,
         "expected " + std::to_string(kDatumCount) + " datums, found " + std::to_string(datums.rows.size()));
  }

  std::ostringstream out;
  out << "// Generated by geodesy_tables_gen from ellipsoids.csv and datums.csv; do not edit.\n";

  // Ellipsoid codes are compared as packed integers, so they must be one to
  // four characters and strictly ascending in byte order.
  std::set<std::string> ellipsoidCodes;
  std::string previous;
  out << "const EllipsoidRow kEllipsoidRows[" << kEllipsoidCount << "] = {\n";
  for (size_t i = 0; i < ellipsoids.rows.size(); ++i) {
    const auto& r = ellipsoids.rows[i];
    const std::string& code = r[0];
    if (code.empty() || code.size() > 4)
      Fail(ellipsoids.path, ellipsoids.lines[i], "code must be 1 to 4 characters");
    if (i > 0 && !(previous < code))
      Fail(ellipsoids.path, ellipsoids.lines[i], "codes out of order at " + code);
    previous = code;
    ellipsoidCodes.insert(code);
    const std::string a = NumberLiteral(ellipsoids, i, 3);
    const std::string invF = NumberLiteral(ellipsoids, i, 4);
    if (std::strtod(a.c_str(), nullptr) <= 0 || std::strtod(invF.c_str(), nullptr) <= 1) {
      Fail(ellipsoids.path, ellipsoids.lines[i], "a must be positive and invf above 1");
    }
    out << "    {" << Quoted(code) << ", " << Quoted(r[1]) << ", " << Quoted(r[2]) << ", " << a << ", "
        << invF << ", " << Quoted(r[5]) << "},\n";
  }
  out << "};\n\n";

  // Datum codes are searched without regard to case.
  out << "const DatumRow kDatumRows[" << kDatumCount << "] = {\n";
  previous.clear();
  for (size_t i = 0; i < datums.rows.size(); ++i) {
    const auto& r = datums.rows[i];
    const std::string& code = r[0];
    if (code.empty()) Fail(datums.path, datums.lines[i], "empty code");
    if (i > 0 && !(previous < Upper(code)))
      Fail(datums.path, datums.lines[i], "codes out of order at " + code);
    previous = Upper(code);
    if (ellipsoidCodes.count(r[3]) == 0) Fail(datums.path, datums.lines[i], "unknown ellipsoid " + r[3]);
    out << "    {" << Quoted(code) << ", " << Quoted(r[1]) << ", " << Quoted(r[2]) << ", " << Quoted(r[3]);
    for (size_t c = 4; c <= 10; ++c) out << ", " << NumberLiteral(datums, i, c);
    out << ", " << Quoted(r[11]) << "},\n";
  }
  out << "};\n";

  // Written only when it changes, so an unchanged table rebuilds nothing.
  const std::string text = out.str();
  {
    std::ifstream old(argv[3], std::ios::binary);
    if (old) {
      std::stringstream existing;
      existing << old.rdbuf();
      if (existing.str() == text) return 0;
    }
  }
  std::ofstream file(argv[3], std::ios::binary | std::ios::trunc);
  file << text;
  if (!file.flush()) Fail(argv[3], 0, "cannot write");
  return 0;
}
