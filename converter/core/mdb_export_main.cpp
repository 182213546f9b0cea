// ankrum3-mdbread: reads an Access database with libmdb and writes its user
// tables to standard output in the converter's stream form.
//   ankrum3-mdbread <memory limit in bytes> <database> [table ...]
// Only the named tables are read when names are given (case-insensitively).
// libmdb can crash or loop on damaged files, which is why it runs here, in a
// process of its own that the converter watches and may kill.
// glib first: mdbtools.h includes it inside extern "C", which its C++ parts refuse.
#include <glib.h>
// clang-format off
#include <mdbtools.h>
// clang-format on
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "source_stream.h"

namespace {

constexpr size_t kBindBytes = 256 * 1024;  // the longest memo, three UTF-8 bytes a character

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

bool WriteAll(const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(STDOUT_FILENO, bytes.data() + done, bytes.size() - done);
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

conv::SourceKind KindOf(int mdbType) {
  switch (mdbType) {
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
      return conv::SourceKind::Integer;
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_MONEY:
      return conv::SourceKind::Float;
    case MDB_DATETIME:
      return conv::SourceKind::DateTime;
    case MDB_BOOL:
      return conv::SourceKind::Boolean;
    case MDB_TEXT:
    case MDB_MEMO:
      return conv::SourceKind::Text;
    default:
      return conv::SourceKind::Other;
  }
}

bool Wanted(const char* name, const std::vector<std::string>& wanted) {
  if (wanted.empty()) return true;
  for (const std::string& w : wanted) {
    if (strcasecmp(w.c_str(), name) == 0) return true;
  }
  return false;
}

// One fixed-size value from the row's bytes on the data page.
void PutFixed(conv::SourceStreamWriter& out, const MdbColumn* col, const unsigned char* page) {
  const int start = col->cur_value_start;
  const int len = col->cur_value_len;
  if (start < 0 || len <= 0 || start + len > MDB_PGSIZE) return out.Null();
  const unsigned char* p = page + start;
  auto le = [&](int n) {
    uint64_t v = 0;
    for (int i = n; i-- > 0;) v = v << 8 | p[i];
    return v;
  };
  switch (col->col_type) {
    case MDB_BYTE:
      if (len < 1) return out.Null();
      return out.Integer(p[0]);
    case MDB_INT:
      if (len < 2) return out.Null();
      return out.Integer(static_cast<int16_t>(le(2)));
    case MDB_LONGINT:
      if (len < 4) return out.Null();
      return out.Integer(static_cast<int32_t>(le(4)));
    case MDB_FLOAT: {
      if (len < 4) return out.Null();
      const uint32_t bits = static_cast<uint32_t>(le(4));
      float f;
      std::memcpy(&f, &bits, 4);
      return out.Float(f);
    }
    case MDB_MONEY:
      if (len < 8) return out.Null();
      return out.Float(static_cast<double>(static_cast<int64_t>(le(8))) / 10000.0);
    default: {
      if (len < 8) return out.Null();
      const uint64_t bits = le(8);
      double d;
      std::memcpy(&d, &bits, 8);
      return out.Float(d);
    }
  }
}

// Reads every row of a table; streams them only when out is not null.
int ReadTable(MdbHandle* mdb, MdbCatalogEntry* entry, conv::SourceStreamWriter* out) {
  MdbTableDef* table = mdb_read_table(entry);
  if (table == nullptr) return 3;
  // A table whose usage map could not be loaded comes back with none, and
  // the first row fetch would dereference it.
  if (table->usage_map == nullptr || table->free_usage_map == nullptr) {
    mdb_free_tabledef(table);
    return 3;
  }
  mdb_read_columns(table);
  const unsigned num = table->num_cols;
  std::vector<conv::SourceColumn> columns;
  std::vector<std::vector<char>> buffers(num, std::vector<char>(kBindBytes + 1));
  std::vector<int> lengths(num, 0);
  for (unsigned i = 0; i < num; ++i) {
    const auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
    columns.push_back({col->name, KindOf(col->col_type)});
    mdb_bind_column(table, static_cast<int>(i) + 1, buffers[i].data(), &lengths[i]);
  }
  if (out != nullptr) out->BeginTable(entry->object_name, columns);
  mdb_rewind_table(table);
  const char* trueText = mdb->boolean_true_value != nullptr ? mdb->boolean_true_value : "1";
  while (mdb_fetch_row(table)) {
    if (out == nullptr) continue;
    out->BeginRow();
    // Memo reads may leave another page in the buffer; the fixed values
    // are taken from the row's own page.
    unsigned char page[MDB_PGSIZE];
    std::memcpy(page, mdb->pg_buf, MDB_PGSIZE);
    if (mdb->cur_pg != table->cur_phys_pg) {
      mdb_read_pg(mdb, table->cur_phys_pg);
      std::memcpy(page, mdb->pg_buf, MDB_PGSIZE);
    }
    for (unsigned i = 0; i < num; ++i) {
      const auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
      const conv::SourceKind kind = columns[i].kind;
      if (kind == conv::SourceKind::Boolean) {
        out->Boolean(std::strcmp(buffers[i].data(), trueText) == 0);
      } else if (kind == conv::SourceKind::Text) {
        if (lengths[i] <= 0) {
          out->Null();
        } else {
          out->Text(std::string(buffers[i].data(), strnlen(buffers[i].data(), kBindBytes)));
        }
      } else if (kind == conv::SourceKind::Other) {
        out->Null();
      } else {
        PutFixed(*out, col, page);
      }
    }
    if (!WriteAll(out->Take())) {
      mdb_free_tabledef(table);
      return 4;
    }
  }
  if (out != nullptr) out->EndTable();
  mdb_free_tabledef(table);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: ankrum3-mdbread <memory limit> <database> [table ...]\n");
    return 2;
  }
  const unsigned long long limit = std::strtoull(argv[1], nullptr, 10);
  // Address-space limits do not mix with the sanitizers' shadow memory; the
  // converter also watches the resident size from outside.
  if (limit > 0 && !kSanitized) {
    const rlimit rl{limit, limit};
    setrlimit(RLIMIT_AS, &rl);
  }
  std::vector<std::string> wanted(argv + 3, argv + argc);

  MdbHandle* mdb = mdb_open(argv[2], MDB_NOFLAGS);
  if (mdb == nullptr) return 3;
  mdb_set_bind_size(mdb, kBindBytes);
  if (mdb_read_catalog(mdb, MDB_TABLE) == nullptr) {
    mdb_close(mdb);
    return 3;
  }
  conv::SourceStreamWriter out(static_cast<uint8_t>(mdb->f->jet_version));
  int rc = 0;
  for (unsigned i = 0; i < mdb->num_catalog && rc == 0; ++i) {
    auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
    if (entry->object_type != MDB_TABLE) continue;
    // System tables are read too, and thrown away: a damaged page there is
    // as sure a sign of a damaged file as one in the user's tables.
    const bool streamed = !mdb_is_system_table(entry) && Wanted(entry->object_name, wanted);
    rc = ReadTable(mdb, entry, streamed ? &out : nullptr);
  }
  if (rc == 0) {
    out.Finish();
    if (!WriteAll(out.Take())) rc = 4;
  }
  mdb_close(mdb);
  return rc;
}
