#include "catalogue/AccessLoader.h"

#include <sys/stat.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <glib.h>  // before mdbtools.h, which would otherwise pull it in inside extern "C"
#include <mdbtools.h>
#include <poll.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <list>
#include <memory>
#include <optional>
#include <vector>

#include "util/Text.h"

namespace kel {

namespace {

constexpr const char* kTableName = "EI";
// A handful of catalogues is all a session ever uses; older copies are dropped first.
constexpr std::size_t kCachedFiles = 4;
// Jet 3 files have 2 KiB pages, every later version 4 KiB.
constexpr std::uintmax_t kJet3PageSize = 2048;
constexpr std::uintmax_t kJet4PageSize = 4096;
constexpr unsigned char kLastKnownVersion = 6;
// A data page never holds more rows than this; it bounds the row loop on a damaged file.
constexpr std::uint64_t kRowsPerPage = 1024;
constexpr std::size_t kMemoHeader = 12;

std::uint16_t Le16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Le32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint64_t Le64(const unsigned char* p) {
  return static_cast<std::uint64_t>(Le32(p)) | (static_cast<std::uint64_t>(Le32(p + 4)) << 32);
}

float LeSingle(const unsigned char* p) {
  const std::uint32_t bits = Le32(p);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

double LeDouble(const unsigned char* p) {
  const std::uint64_t bits = Le64(p);
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// The civil date (proleptic Gregorian calendar) that lies days after 1 January 1970.
void CivilFromDays(std::int64_t days, std::int64_t& year, unsigned& month, unsigned& day) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto day_of_era = static_cast<unsigned>(days - era * 146097);
  const unsigned year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const unsigned day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const unsigned shifted_month = (5 * day_of_year + 2) / 153;
  day = day_of_year - (153 * shifted_month + 2) / 5 + 1;
  month = shifted_month < 10 ? shifted_month + 3 : shifted_month - 9;
  year = static_cast<std::int64_t>(year_of_era) + era * 400 + (month <= 2 ? 1 : 0);
}

// A failure to build the in-memory copy.
EngineError CopyFailure(const std::string& path, const EngineError& cause) {
  return {cause.number,
          "Impossible de recopier le catalogue " + path + " en mémoire : " + cause.description};
}

// libmdb, and glib with it, is loaded the first time an Access file is read rather than at the
// start of every program: a start that reads an SQLite catalogue, as nearly all do, has no use
// for either, and loading them costs each start a tenth of the calculator's run.
struct MdbLibrary {
  decltype(&::mdb_open) mdb_open = nullptr;
  decltype(&::mdb_close) mdb_close = nullptr;
  decltype(&::mdb_free_tabledef) mdb_free_tabledef = nullptr;
  decltype(&::mdb_find_pg_row) mdb_find_pg_row = nullptr;
  decltype(&::mdb_map_find_next) mdb_map_find_next = nullptr;
  decltype(&::mdb_read_table) mdb_read_table = nullptr;
  decltype(&::mdb_read_catalog) mdb_read_catalog = nullptr;
  decltype(&::mdb_read_columns) mdb_read_columns = nullptr;
  decltype(&::mdb_rewind_table) mdb_rewind_table = nullptr;
  decltype(&::mdb_fetch_row) mdb_fetch_row = nullptr;
  decltype(&::g_ascii_strcasecmp) g_ascii_strcasecmp = nullptr;
  std::string failure;  // why it could not be loaded, empty when it was
};

template <class Function>
bool Bind(void* handle, const char* name, Function& function) {
  function = reinterpret_cast<Function>(::dlsym(handle, name));
  return function != nullptr;
}

MdbLibrary LoadMdbLibrary() {
  MdbLibrary lib;
  // Never unloaded: glib keeps state of its own for the life of the process.
  void* handle = ::dlopen(KELVANOR_LIBMDB_SONAME, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* why = ::dlerror();
    lib.failure = why != nullptr ? why : KELVANOR_LIBMDB_SONAME;
    return lib;
  }
  const bool bound = Bind(handle, "mdb_open", lib.mdb_open) &&
                     Bind(handle, "mdb_close", lib.mdb_close) &&
                     Bind(handle, "mdb_free_tabledef", lib.mdb_free_tabledef) &&
                     Bind(handle, "mdb_find_pg_row", lib.mdb_find_pg_row) &&
                     Bind(handle, "mdb_map_find_next", lib.mdb_map_find_next) &&
                     Bind(handle, "mdb_read_table", lib.mdb_read_table) &&
                     Bind(handle, "mdb_read_catalog", lib.mdb_read_catalog) &&
                     Bind(handle, "mdb_read_columns", lib.mdb_read_columns) &&
                     Bind(handle, "mdb_rewind_table", lib.mdb_rewind_table) &&
                     Bind(handle, "mdb_fetch_row", lib.mdb_fetch_row) &&
                     Bind(handle, "g_ascii_strcasecmp", lib.g_ascii_strcasecmp);
  if (!bound) lib.failure = std::string(KELVANOR_LIBMDB_SONAME) + " incomplète";
  return lib;
}

// Loaded once, by the first caller; the child that reads a file apart finds it loaded by the
// parent before the fork.
const MdbLibrary& Mdb() {
  static const MdbLibrary lib = LoadMdbLibrary();
  return lib;
}

// False, with error filled, when Access files cannot be read here.
bool MdbUsable(const std::string& path, EngineError& error) {
  if (Mdb().failure.empty()) return true;
  error = UnknownFormat(path, "lecture des fichiers Access impossible (" + Mdb().failure + ")");
  return false;
}

struct MdbCloser {
  void operator()(MdbHandle* mdb) const { Mdb().mdb_close(mdb); }
};
struct TableFreer {
  void operator()(MdbTableDef* table) const { Mdb().mdb_free_tabledef(table); }
};
std::string QuotedName(const std::string& name) {
  std::string quoted = "\"";
  for (const char c : name) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + "\"";
}

struct ColumnCopy {
  MdbColumn* column;
  int type;
};

// The bytes of a memo value: inline in the row, in one long-value row elsewhere, or spread
// over a chain of them. False when the chain cannot be followed.
bool ReadMemo(MdbHandle* mdb, const unsigned char* head, std::size_t head_size,
              std::uint64_t page_count, std::string& raw) {
  raw.clear();
  if (head_size < kMemoHeader) return true;
  const std::uint32_t word = Le32(head);
  const std::uint32_t length = word & 0x3FFFFFFF;
  if (word & 0x80000000u) {
    raw.assign(reinterpret_cast<const char*>(head + kMemoHeader), head_size - kMemoHeader);
    return true;
  }
  const auto page_size = static_cast<std::size_t>(mdb->fmt->pg_size);
  auto pg_row = static_cast<int>(Le32(head + 4));
  const bool single_row = (word & 0x40000000u) != 0;
  // Every link of the chain is a row on another page; a chain longer than that is a loop.
  for (std::uint64_t links = 0; links <= page_count * kRowsPerPage; ++links) {
    void* page = nullptr;
    int offset = 0;
    std::size_t size = 0;
    if (Mdb().mdb_find_pg_row(mdb, pg_row, &page, &offset, &size) != 0 || offset < 0 ||
        static_cast<std::size_t>(offset) + size > page_size) {
      return false;
    }
    const auto* row = static_cast<const unsigned char*>(page) + offset;
    if (single_row) {
      raw.assign(reinterpret_cast<const char*>(row), std::min<std::size_t>(size, length));
      return true;
    }
    if (size < 4) return false;
    raw.append(reinterpret_cast<const char*>(row + 4), size - 4);
    pg_row = static_cast<int>(Le32(row));
    if (raw.size() >= length || pg_row == 0) {
      if (raw.size() > length) raw.resize(length);
      return true;
    }
  }
  return false;
}

// The current row's value of one column, as libmdb left it after mdb_fetch_row: the value's
// place in the page buffer, or for a Boolean its bit in the null mask.
bool ReadCell(MdbHandle* mdb, const ColumnCopy& copy, bool jet3, std::uint64_t page_count,
              AccessCell& cell) {
  cell = {};
  const MdbColumn* column = copy.column;
  if (copy.type == static_cast<int>(AccessType::Boolean)) {
    // libmdb sets the length to 1 when the bit is clear; Access counts True as -1.
    cell.kind = AccessCell::Kind::Integer;
    cell.integer = column->cur_value_len == 0 ? -1 : 0;
    return true;
  }
  // An empty cell; libmdb gives a zero-length text the same way, and it is read as empty too.
  if (column->cur_value_len == 0) return true;
  const int start = column->cur_value_start;
  const int size = column->cur_value_len;
  if (start < 0 || size < 0 || static_cast<long>(start) + size > mdb->fmt->pg_size) return false;
  const unsigned char* bytes = mdb->pg_buf + start;
  if (copy.type == static_cast<int>(AccessType::Memo)) {
    std::string raw;
    if (!ReadMemo(mdb, bytes, static_cast<std::size_t>(size), page_count, raw)) return false;
    cell.kind = AccessCell::Kind::Text;
    cell.bytes =
        DecodeAccessText(reinterpret_cast<const unsigned char*>(raw.data()), raw.size(), jet3);
    return true;
  }
  bool ok = true;
  cell = DecodeAccessValue(copy.type, bytes, static_cast<std::size_t>(size), column->col_scale,
                           jet3, ok);
  return ok;
}

int BindCell(sqlite3_stmt* statement, int index, const AccessCell& cell) {
  switch (cell.kind) {
    case AccessCell::Kind::Null:
      return sqlite3_bind_null(statement, index);
    case AccessCell::Kind::Integer:
      return sqlite3_bind_int64(statement, index, cell.integer);
    case AccessCell::Kind::Real:
      return sqlite3_bind_double(statement, index, cell.real);
    case AccessCell::Kind::Text:
      return sqlite3_bind_text64(statement, index, cell.bytes.data(), cell.bytes.size(),
                                 SQLITE_TRANSIENT, SQLITE_UTF8);
    case AccessCell::Kind::Blob:
      return sqlite3_bind_blob64(statement, index, cell.bytes.data(), cell.bytes.size(),
                                 SQLITE_TRANSIENT);
  }
  return SQLITE_MISUSE;
}

// The pages that the table's usage map names must lie inside the file; a copy cut at a page
// boundary otherwise reads as a table with fewer rows.
bool MapInsideFile(MdbHandle* mdb, MdbTableDef* table, std::uint64_t page_count) {
  guint32 page = 0;
  for (std::uint64_t step = 0; step <= page_count; ++step) {
    const gint32 next = Mdb().mdb_map_find_next(mdb, table->usage_map,
                                                static_cast<unsigned int>(table->map_sz), page);
    // 0 ends the map; -1 is a map libmdb cannot walk and replaces by a scan of every page.
    if (next <= 0 || static_cast<guint32>(next) <= page) return true;
    if (static_cast<std::uint64_t>(next) >= page_count) return false;
    page = static_cast<guint32>(next);
  }
  return true;
}

// libmdb reads the system table that lists every object without checking that it has a usage
// map, and dereferences the missing map; look at it first the way libmdb opens it.
bool SystemTableReadable(MdbHandle* mdb, std::uint64_t page_count) {
  MdbCatalogEntry system{};
  system.mdb = mdb;
  system.object_type = MDB_TABLE;
  system.table_pg = 2;
  std::snprintf(system.object_name, sizeof system.object_name, "%s", "MSysObjects");
  std::unique_ptr<MdbTableDef, TableFreer> table(Mdb().mdb_read_table(&system));
  return table && table->usage_map != nullptr && table->map_sz > 0 &&
         MapInsideFile(mdb, table.get(), page_count);
}

// The number of pages of what must be an intact Access file, judged by its header and size
// before libmdb reads any of it; nothing, with error filled, otherwise.
std::optional<std::uint64_t> CheckedPageCount(const std::string& path, std::uintmax_t file_size,
                                              EngineError& error) {
  std::array<char, 0x20> header{};
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = FileNotFound(path);
    return std::nullopt;
  }
  in.read(header.data(), header.size());
  if (in.bad()) {
    error = CannotRead(path);
    return std::nullopt;
  }
  if (in.gcount() < static_cast<std::streamsize>(header.size())) {
    error = Damaged(path);
    return std::nullopt;
  }
  if (std::memcmp(header.data() + 4, "Standard Jet DB", 15) != 0 &&
      std::memcmp(header.data() + 4, "Standard ACE DB", 15) != 0) {
    error = {3343, "Format de base de données non reconnu : " + path};
    return std::nullopt;
  }
  const auto version = static_cast<unsigned char>(header[0x14]);
  if (version > kLastKnownVersion) {
    error = UnknownFormat(path, "version de fichier Access inconnue");
    return std::nullopt;
  }
  // Access writes whole pages only, so any other size is a cut copy; and the system tables
  // start on the third page.
  const std::uintmax_t page_size = version == 0 ? kJet3PageSize : kJet4PageSize;
  if (file_size % page_size != 0 || file_size < 3 * page_size) {
    error = Damaged(path);
    return std::nullopt;
  }
  return file_size / page_size;
}

// Table EI with its columns; null with error filled when it is missing or unusable.
std::unique_ptr<MdbTableDef, TableFreer> OpenTable(MdbHandle* mdb, std::uint64_t page_count,
                                                   const std::string& path, EngineError& error) {
  if (!SystemTableReadable(mdb, page_count) || Mdb().mdb_read_catalog(mdb, MDB_TABLE) == nullptr) {
    error = Damaged(path);
    return nullptr;
  }
  // The catalogue entries stay valid until the catalogue is read again, which opening the table
  // by name would do; so the table is opened from its entry.
  MdbCatalogEntry* entry = nullptr;
  for (unsigned i = 0; i < mdb->num_catalog && entry == nullptr; ++i) {
    auto* candidate = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
    if (candidate != nullptr && candidate->object_type == MDB_TABLE &&
        Mdb().g_ascii_strcasecmp(candidate->object_name, kTableName) == 0) {
      entry = candidate;
    }
  }
  if (entry == nullptr) {
    error = NoTable(path);
    return nullptr;
  }
  std::unique_ptr<MdbTableDef, TableFreer> table(Mdb().mdb_read_table(entry));
  // Without a usage map libmdb would dereference nothing while looking for the data pages.
  if (!table || table->usage_map == nullptr || table->map_sz == 0 ||
      Mdb().mdb_read_columns(table.get()) == nullptr || table->num_cols == 0 ||
      !MapInsideFile(mdb, table.get(), page_count)) {
    error = Damaged(path);
    return nullptr;
  }
  return table;
}

// Every row of the table in a new in-memory database; null with error filled.
SqliteDb CopyRows(MdbHandle* mdb, MdbTableDef* table, std::uint64_t page_count,
                  const std::string& path, EngineError& error) {
  const bool jet3 = mdb->f->jet_version == MDB_VER_JET3;
  std::vector<ColumnCopy> columns;
  std::string create = std::string("CREATE TABLE ") + kTableName + " (";
  std::string insert = std::string("INSERT INTO ") + kTableName + " VALUES (";
  for (unsigned i = 0; i < table->num_cols; ++i) {
    auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
    if (column == nullptr) {
      error = Damaged(path);
      return nullptr;
    }
    columns.push_back({column, column->col_type});
    create +=
        (i ? ", " : "") + QuotedName(column->name) + " " + AccessDeclaredType(column->col_type);
    insert += i ? ", ?" : "?";
  }
  create += ")";
  insert += ")";

  try {
    SqliteDb db =
        OpenSqlite(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX);
    if (sqlite3_exec(db.get(), create.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
      // Only a damaged table definition gives names SQLite refuses (twice the same column).
      error = Damaged(path);
      return nullptr;
    }
    Exec(db.get(), "BEGIN");
    {
      Statement statement(db.get(), insert);
      Mdb().mdb_rewind_table(table);
      std::uint64_t rows = 0;
      AccessCell cell;
      while (Mdb().mdb_fetch_row(table)) {
        if (++rows > page_count * kRowsPerPage) {
          error = Damaged(path);
          return nullptr;
        }
        for (std::size_t i = 0; i < columns.size(); ++i) {
          if (!ReadCell(mdb, columns[i], jet3, page_count, cell)) {
            error = Damaged(path);
            return nullptr;
          }
          if (const int rc = BindCell(statement.get(), static_cast<int>(i + 1), cell);
              rc != SQLITE_OK) {
            throw CatalogueError(SqliteFailure(db.get(), rc));
          }
        }
        statement.Step();
        statement.Reset();
      }
      // The table definition counts its rows; finding fewer means pages are missing or damaged.
      // (The count may lag behind after a crash, but never runs ahead.)
      if (rows < table->num_rows) {
        error = Damaged(path);
        return nullptr;
      }
    }
    Exec(db.get(), "COMMIT");
    return db;
  } catch (const CatalogueError& e) {
    error = CopyFailure(path, e.error());
    return nullptr;
  }
}

// Table EI of the Access file, copied into SQLite and returned as a database image.
std::optional<std::string> ReadAccessFile(const std::string& path, std::uintmax_t file_size,
                                          EngineError& error) {
  const std::optional<std::uint64_t> page_count = CheckedPageCount(path, file_size, error);
  if (!page_count) return std::nullopt;

  std::unique_ptr<MdbHandle, MdbCloser> mdb(Mdb().mdb_open(path.c_str(), MDB_NOFLAGS));
  if (!mdb || static_cast<std::uintmax_t>(mdb->fmt->pg_size) * *page_count != file_size) {
    error = UnknownFormat(path, "version de fichier Access inconnue");
    return std::nullopt;
  }
  const auto table = OpenTable(mdb.get(), *page_count, path, error);
  if (!table) return std::nullopt;
  const SqliteDb db = CopyRows(mdb.get(), table.get(), *page_count, path, error);
  if (!db) return std::nullopt;

  sqlite3_int64 image_size = 0;
  unsigned char* image = sqlite3_serialize(db.get(), "main", &image_size, 0);
  if (image == nullptr) {
    error = CopyFailure(path, SqliteFailure(db.get(), SQLITE_NOMEM));
    return std::nullopt;
  }
  std::string copy(reinterpret_cast<const char*>(image), static_cast<std::size_t>(image_size));
  sqlite3_free(image);
  return copy;
}

// A read-only connection of its own on a copy of the image, so that the cache may drop the image
// while the connection lives on.
sqlite3* OpenImage(const std::string& image, const std::string& path, EngineError& error) {
  try {
    SqliteDb db =
        OpenSqlite(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX);
    auto* buffer = static_cast<unsigned char*>(sqlite3_malloc64(image.size()));
    if (buffer == nullptr) throw CatalogueError(SqliteFailure(db.get(), SQLITE_NOMEM));
    std::memcpy(buffer, image.data(), image.size());
    const auto size = static_cast<sqlite3_int64>(image.size());
    // On failure SQLite frees the buffer itself.
    const int rc =
        sqlite3_deserialize(db.get(), "main", buffer, size, size,
                            SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_READONLY);
    if (rc != SQLITE_OK) throw CatalogueError(SqliteFailure(db.get(), rc));
    return db.release();
  } catch (const CatalogueError& e) {
    error = CopyFailure(path, e.error());
    return nullptr;
  }
}

std::string CacheKey(const std::string& path) {
  std::error_code ec;
  const auto absolute = std::filesystem::absolute(path, ec);
  return ec ? path : absolute.lexically_normal().string();
}

}  // namespace

std::string AccessDeclaredType(int access_type) {
  switch (static_cast<AccessType>(access_type)) {
    case AccessType::Boolean:
    case AccessType::Byte:
    case AccessType::Integer:
    case AccessType::Long:
    case AccessType::Complex:
      return "INTEGER";
    case AccessType::Single:
      return "SINGLE";
    case AccessType::Double:
    case AccessType::Currency:
    case AccessType::Decimal:
      return "REAL";
    case AccessType::DateTime:
      return "DATETIME";
    case AccessType::Text:
    case AccessType::Memo:
    case AccessType::Guid:
      // Access compares text without regard to case.
      return "TEXT COLLATE NOCASE";
    case AccessType::Binary:
    case AccessType::Ole:
      break;
  }
  return "BLOB";
}

std::string DecodeAccessText(const unsigned char* bytes, std::size_t size, bool jet3) {
  if (jet3) return Cp1252ToUtf8(std::string_view(reinterpret_cast<const char*>(bytes), size));
  std::u16string units;
  if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    // Compressed form: single bytes stand for characters below 256, and each zero byte switches
    // between single bytes and full two-byte units.
    bool compressed = true;
    for (std::size_t i = 2; i < size;) {
      if (bytes[i] == 0) {
        compressed = !compressed;
        ++i;
      } else if (compressed) {
        units.push_back(bytes[i]);
        ++i;
      } else if (i + 1 < size) {
        units.push_back(static_cast<char16_t>(Le16(bytes + i)));
        i += 2;
      } else {
        break;
      }
    }
  } else {
    units.reserve(size / 2);
    for (std::size_t i = 0; i + 1 < size; i += 2) {
      units.push_back(static_cast<char16_t>(Le16(bytes + i)));
    }
  }
  return Utf16ToUtf8(units);
}

std::string AccessDateText(double days) {
  // Access dates run from the year 100 to the year 9999.
  if (!std::isfinite(days) || std::fabs(days) > 3000000) return "";
  // Before 30 December 1899 the whole part counts days backwards, but the fraction is still the
  // time of that day.
  auto day = static_cast<std::int64_t>(std::trunc(days));
  auto seconds =
      static_cast<std::int64_t>(std::llround(std::fabs(days - std::trunc(days)) * 86400));
  if (seconds >= 86400) {
    seconds -= 86400;
    ++day;
  }
  std::int64_t year = 0;
  unsigned month = 0;
  unsigned month_day = 0;
  CivilFromDays(day - 25569, year, month, month_day);  // 25569 days from 1899-12-30 to 1970-01-01
  // Wide enough for any 64-bit year, which the compiler cannot rule out.
  char text[96];
  std::snprintf(text, sizeof text, "%04lld-%02u-%02u %02lld:%02lld:%02lld",
                static_cast<long long>(year), month, month_day,
                static_cast<long long>(seconds / 3600), static_cast<long long>(seconds / 60 % 60),
                static_cast<long long>(seconds % 60));
  return text;
}

AccessCell DecodeAccessValue(int access_type, const unsigned char* bytes, std::size_t size,
                             int scale, bool jet3, bool& ok) {
  AccessCell cell;
  ok = true;
  const auto need = [&](std::size_t bytes_needed) {
    if (size < bytes_needed) ok = false;
    return ok;
  };
  const auto integer = [&](std::int64_t value) {
    cell.kind = AccessCell::Kind::Integer;
    cell.integer = value;
  };
  const auto real = [&](double value) {
    cell.kind = AccessCell::Kind::Real;
    cell.real = value;
  };
  const auto text = [&](std::string value) {
    cell.kind = AccessCell::Kind::Text;
    cell.bytes = std::move(value);
  };
  switch (static_cast<AccessType>(access_type)) {
    case AccessType::Byte:
      if (need(1)) integer(bytes[0]);
      break;
    case AccessType::Integer:
      if (need(2)) integer(static_cast<std::int16_t>(Le16(bytes)));
      break;
    case AccessType::Long:
    case AccessType::Complex:
      if (need(4)) integer(static_cast<std::int32_t>(Le32(bytes)));
      break;
    case AccessType::Currency:
      // Ten-thousandths in a 64-bit integer.
      if (need(8)) real(static_cast<double>(static_cast<std::int64_t>(Le64(bytes))) / 10000.0);
      break;
    case AccessType::Single:
      // Widened exactly, so that comparisons see the single that Access compares.
      if (need(4)) real(static_cast<double>(LeSingle(bytes)));
      break;
    case AccessType::Double:
      if (need(8)) real(LeDouble(bytes));
      break;
    case AccessType::DateTime:
      if (need(8)) {
        std::string date = AccessDateText(LeDouble(bytes));
        if (!date.empty()) text(std::move(date));
      }
      break;
    case AccessType::Decimal:
      // A sign byte, then a 128-bit magnitude as four 32-bit words, most significant first.
      if (need(17)) {
        if (scale < 0 || scale > 28) {
          ok = false;
          break;
        }
        long double magnitude = 0;
        for (int word = 0; word < 4; ++word) {
          magnitude = magnitude * 4294967296.0L + Le32(bytes + 1 + 4 * word);
        }
        const long double value = magnitude / std::pow(10.0L, scale);
        real(static_cast<double>((bytes[0] & 0x80) ? -value : value));
      }
      break;
    case AccessType::Guid:
      if (need(16)) {
        char guid[40];
        std::snprintf(guid, sizeof guid, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                      Le32(bytes), Le16(bytes + 4), Le16(bytes + 6), bytes[8], bytes[9], bytes[10],
                      bytes[11], bytes[12], bytes[13], bytes[14], bytes[15]);
        text(guid);
      }
      break;
    case AccessType::Text:
      text(DecodeAccessText(bytes, size, jet3));
      break;
    case AccessType::Binary:
      cell.kind = AccessCell::Kind::Blob;
      cell.bytes.assign(reinterpret_cast<const char*>(bytes), size);
      break;
    case AccessType::Boolean:
    case AccessType::Memo:
    case AccessType::Ole:
      // Not held in the row's bytes; embedded objects are of no use to a catalogue.
      break;
  }
  return cell;
}

namespace {

// Writes all of data to fd; false when the reader has gone.
bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t written = ::write(fd, data.data(), data.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

// The child's answer: one byte saying whether the file was read, the error number in four bytes,
// then the image or the error's description.
std::string Answer(const std::optional<std::string>& image, const EngineError& error) {
  std::string answer(1, image ? '\1' : '\0');
  const auto number = static_cast<std::uint32_t>(error.number);
  for (int shift = 0; shift < 32; shift += 8) answer += static_cast<char>((number >> shift) & 0xFF);
  answer += image ? *image : error.description;
  return answer;
}

// ReadAccessFile in a child process. libmdb writes its warnings straight to the standard error,
// and has no switch to keep them quiet; the child's standard error goes nowhere, while the
// program's own stays untouched for every other thread. A file on which libmdb would loop or
// crash costs the child, not the program: it is stopped at the deadline and reported.
std::optional<std::string> ReadAccessFileApart(const std::string& path, std::uintmax_t file_size,
                                               std::chrono::milliseconds time, EngineError& error) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    error = CannotRead(path);
    return std::nullopt;
  }
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    error = CannotRead(path);
    return std::nullopt;
  }
  if (child == 0) {
    ::close(fds[0]);
    const int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0) ::dup2(null, STDERR_FILENO);
    EngineError child_error;
    const std::optional<std::string> image = ReadAccessFile(path, file_size, child_error);
    ::_exit(WriteAll(fds[1], Answer(image, child_error)) ? 0 : 1);
  }
  ::close(fds[1]);
  std::string answer;
  bool over_time = false;
  const auto deadline = std::chrono::steady_clock::now() + time;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      over_time = true;
      break;
    }
    pollfd wait{fds[0], POLLIN, 0};
    const int ready = ::poll(&wait, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) {
      over_time = ready == 0;
      break;
    }
    char buffer[65536];
    const ssize_t got = ::read(fds[0], buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    answer.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fds[0]);
  if (over_time) ::kill(child, SIGKILL);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (over_time) {
    error = LimitReached(path, LimitKind::Time, time.count());
    return std::nullopt;
  }
  constexpr std::size_t kHead = 5;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || answer.size() < kHead) {
    error = Damaged(path);  // libmdb gave up on the file in a way of its own
    return std::nullopt;
  }
  if (answer[0] == '\1') return answer.substr(kHead);
  std::uint32_t number = 0;
  for (int i = 0; i < 4; ++i) {
    number |= static_cast<std::uint32_t>(static_cast<unsigned char>(answer[1 + i])) << (8 * i);
  }
  error = {static_cast<int>(number), answer.substr(kHead)};
  return std::nullopt;
}

std::optional<std::string> ReadImage(const std::string& path, std::uintmax_t file_size,
                                     const AccessReadOptions& options, EngineError& error) {
  if (!MdbUsable(path, error)) return std::nullopt;
  return options.apart ? ReadAccessFileApart(path, file_size, options.time, error)
                       : ReadAccessFile(path, file_size, error);
}

}  // namespace

sqlite3* LoadAccessCatalogue(const std::string& path, EngineError& error,
                             const AccessReadOptions& options) {
  const std::optional<FileStamp> stamp = StampOf(path);
  if (!stamp) {
    error = FileNotFound(path);
    return nullptr;
  }
  const std::optional<std::string> image = ReadImage(path, stamp->size, options, error);
  return image ? OpenImage(*image, path, error) : nullptr;
}

sqlite3* AccessCache::Load(const std::string& path, EngineError& error,
                           const AccessReadOptions& options) {
  const std::optional<FileStamp> stamp = StampOf(path);
  if (!stamp) {
    error = FileNotFound(path);
    return nullptr;
  }
  const std::string key = CacheKey(path);
  std::shared_ptr<const std::string> image;
  auto found = std::find_if(entries_.begin(), entries_.end(),
                            [&](const Entry& entry) { return entry.key == key; });
  if (found != entries_.end() && found->stamp == *stamp) {
    entries_.splice(entries_.begin(), entries_, found);
    image = found->image;
  } else {
    if (found != entries_.end()) entries_.erase(found);
    ++reads_;
    std::optional<std::string> loaded = ReadImage(path, stamp->size, options, error);
    if (!loaded) return nullptr;
    image = std::make_shared<const std::string>(std::move(*loaded));
    // A file that changed while it was read is served this once but not remembered.
    if (StampOf(path) == stamp) {
      entries_.push_front({key, *stamp, image});
      if (entries_.size() > kCachedFiles) entries_.pop_back();
    }
  }
  return OpenImage(*image, path, error);
}

}  // namespace kel
