#include "catalogue/CatalogueDb.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <cstring>

#include "catalogue/AccessLoader.h"
#include "util/Text.h"

namespace kel {

// One open SQLite connection with the guard of its queries, shared by the catalogue handle and
// its result sets so that a result set never outlives the database it reads.
class Connection {
 public:
  Connection(SqliteDb db, const QueryLimits& limits, const std::string& path)
      : db_(std::move(db)), guard_(db_.get(), limits, path) {}
  sqlite3* db() const { return db_.get(); }
  void Arm() { guard_.Arm(); }
  // The failure of the last step, noting a limit reached.
  EngineError Failure(int rc) {
    EngineError error = guard_.Failure(rc);
    if (error.number == kErrResourceExceeded) limit_reached_ = true;
    return error;
  }
  bool limit_reached() const { return limit_reached_; }
  const QueryGuard& guard() const { return guard_; }

 private:
  SqliteDb db_;  // declared first: the guard is dropped before the connection closes
  QueryGuard guard_;
  bool limit_reached_ = false;
};

namespace {

// Names of columns and types are compared without regard to the case of ASCII letters.
bool SameAsciiLetters(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

bool IsSingleType(const char* declared) {
  return declared != nullptr && SameAsciiLetters(declared, "single");
}

// References are looked up upper-cased, accented letters included, as the Access engine compares
// text; SQLite's own NOCASE folds ASCII letters only, so "étoile" in the catalogue would never
// match the "ÉTOILE" that is asked for. Every catalogue connection compares by the program's rule.
int CompareAsReferences(void* /*unused*/, int size_a, const void* a, int size_b, const void* b) {
  return FoldReference(
             std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(size_a)))
      .compare(FoldReference(
          std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(size_b))));
}

bool Exists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

// The URI under which SQLite opens the catalogue. Even read-only, a database in WAL mode gets
// -wal and -shm files beside it, which stay behind in the user's folder (and cannot be made in
// a read-only one). When no journal lies beside the file, the file alone holds the whole
// catalogue and is opened as immutable: nothing is created, nothing is locked.
std::string ReadOnlyUri(const std::string& path) {
  // An absolute path gets an empty authority, so that one starting with "//" stays a path.
  std::string uri = !path.empty() && path.front() == '/' ? "file://" : "file:";
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '/' || c == '-' || c == '.' || c == '_' || c == '~';
    if (plain) {
      uri += c;
    } else {
      static constexpr char kHex[] = "0123456789ABCDEF";
      uri += '%';
      uri += kHex[byte >> 4];
      uri += kHex[byte & 0x0F];
    }
  }
  if (!Exists(path + "-wal") && !Exists(path + "-journal")) uri += "?immutable=1";
  return uri;
}

constexpr int kReadOnly = SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI;

}  // namespace

CatalogueFormat DetectCatalogueFormat(const std::string& path) {
  // Every recalculation opens the catalogue: its first bytes are read with a single read, not
  // through a stream that would fill a buffer of kilobytes for them.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return CatalogueFormat::Missing;
  char header[32] = {};
  std::size_t got = 0;
  bool failed = false;
  while (got < sizeof header) {
    const ssize_t n = ::read(fd, header + got, sizeof header - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) failed = true;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (failed) return CatalogueFormat::Unreadable;
  if (got >= 16 && std::memcmp(header, "SQLite format 3", 16) == 0) return CatalogueFormat::Sqlite;
  // Jet and ACE files carry their engine's name from the fifth byte on.
  if (got >= 19 && (std::memcmp(header + 4, "Standard Jet DB", 15) == 0 ||
                    std::memcmp(header + 4, "Standard ACE DB", 15) == 0)) {
    return CatalogueFormat::Access;
  }
  return CatalogueFormat::Unknown;
}

Recordset::Recordset(std::shared_ptr<Connection> connection, sqlite3_stmt* statement)
    : connection_(std::move(connection)), statement_(statement) {}

int Recordset::ColumnIndex(std::string_view name) const {
  // A handful of columns, looked up by name a few times a run: compared in place, without a
  // table built for every query. The first of two columns with the same name wins.
  const int count = sqlite3_column_count(statement_);
  for (int i = 0; i < count; ++i) {
    const char* column = sqlite3_column_name(statement_, i);
    if (column != nullptr && SameAsciiLetters(column, name)) return i;
  }
  return -1;
}

Recordset::~Recordset() {
  sqlite3_finalize(statement_);
}

int Recordset::Step() {
  const int rc = sqlite3_step(statement_);
  at_end_ = rc != SQLITE_ROW;
  return rc;
}

void Recordset::MoveNext() {
  if (at_end_) return;
  const int rc = Step();
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) throw CatalogueError(connection_->Failure(rc));
}

FieldValue Recordset::Field(std::string_view name) const {
  const int index = ColumnIndex(name);
  if (index < 0) throw FieldError("colonne inconnue : " + std::string(name));
  if (at_end_) throw FieldError("aucune ligne courante");
  FieldValue value;
  switch (sqlite3_column_type(statement_, index)) {
    case SQLITE_NULL:
      break;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
      value.kind = FieldValue::Kind::Number;
      value.number = sqlite3_column_double(statement_, index);
      value.single_precision = IsSingleType(sqlite3_column_decltype(statement_, index));
      break;
    default: {
      value.kind = FieldValue::Kind::Text;
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, index));
      value.text.assign(text ? text : "",
                        static_cast<std::size_t>(sqlite3_column_bytes(statement_, index)));
      break;
    }
  }
  return value;
}

CatalogueHandle::CatalogueHandle(std::shared_ptr<Connection> connection, std::string path)
    : connection_(std::move(connection)), path_(std::move(path)) {}

sqlite3* CatalogueHandle::Handle() const {
  return connection_->db();
}

Statement CatalogueHandle::Prepare(const std::string& sql) {
  connection_->Arm();
  return Statement(connection_->db(), sql, &connection_->guard());
}

bool CatalogueHandle::LimitReached() const {
  return connection_->limit_reached();
}

std::unique_ptr<CatalogueHandle> CatalogueHandle::FromDatabase(SqliteDb db, const std::string& path,
                                                               const QueryLimits& limits) {
  sqlite3_create_collation_v2(db.get(), "NOCASE", SQLITE_UTF8, nullptr, CompareAsReferences,
                              nullptr);
  return std::unique_ptr<CatalogueHandle>(
      new CatalogueHandle(std::make_shared<Connection>(std::move(db), limits, path), path));
}

std::unique_ptr<CatalogueHandle> CatalogueHandle::Open(const std::string& path, EngineError& error,
                                                       const OpenOptions& options) {
  switch (DetectCatalogueFormat(path)) {
    case CatalogueFormat::Missing:
      error = FileNotFound(path);
      return nullptr;
    case CatalogueFormat::Unreadable:
      error = CannotRead(path);
      return nullptr;
    case CatalogueFormat::Unknown:
      error = UnknownFormat(path, "ni SQLite, ni Access");
      return nullptr;
    case CatalogueFormat::Access: {
      const AccessReadOptions read{options.read_access_apart, options.limits.time};
      SqliteDb loaded(options.access_cache != nullptr
                          ? options.access_cache->Load(path, error, read)
                          : LoadAccessCatalogue(path, error, read));
      if (!loaded) return nullptr;
      return FromDatabase(std::move(loaded), path, options.limits);
    }
    case CatalogueFormat::Sqlite:
      break;
  }
  try {
    return FromDatabase(OpenSqlite(ReadOnlyUri(path), kReadOnly), path, options.limits);
  } catch (const CatalogueError& e) {
    error = {e.error().number, "Impossible d'ouvrir le catalogue " + path + " : " + e.what()};
    return nullptr;
  }
}

std::unique_ptr<Recordset> CatalogueHandle::Query(const std::string& sql, EngineError& error) {
  sqlite3* db = connection_->db();
  connection_->Arm();
  sqlite3_stmt* statement = nullptr;
  const char* tail = nullptr;
  const int rc =
      sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &statement, &tail);
  if (rc != SQLITE_OK || statement == nullptr) {
    error = rc == SQLITE_OK ? EngineError{SQLITE_ERROR, "requête vide"} : connection_->Failure(rc);
    sqlite3_finalize(statement);
    return nullptr;
  }
  // The program's queries are single statements; anything after the first is refused rather
  // than silently ignored.
  if (tail != nullptr &&
      std::string_view(tail).find_first_not_of(" \t\r\n;") != std::string_view::npos) {
    sqlite3_finalize(statement);
    error = {SQLITE_ERROR, "une seule instruction par requête"};
    return nullptr;
  }
  if (!sqlite3_stmt_readonly(statement)) {
    sqlite3_finalize(statement);
    error = {SQLITE_READONLY, "le catalogue n'est lu qu'en lecture"};
    return nullptr;
  }
  std::unique_ptr<Recordset> recordset(new Recordset(connection_, statement));
  const int step_rc = recordset->Step();
  if (step_rc != SQLITE_ROW && step_rc != SQLITE_DONE) {
    error = connection_->Failure(step_rc);
    return nullptr;
  }
  return recordset;
}

}  // namespace kel
