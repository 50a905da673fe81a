#include "catalogue/CatalogueDb.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <fstream>

#include "catalogue/AccessLoader.h"
#include "util/NumberText.h"

namespace kel {

// One open SQLite connection, shared by the catalogue handle and its result sets so that a
// result set never outlives the database it reads.
class Connection {
 public:
  explicit Connection(sqlite3* db) : db_(db) {}
  ~Connection() { sqlite3_close_v2(db_); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  sqlite3* db() const { return db_; }

 private:
  sqlite3* db_;
};

namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

bool IsSingleType(const char* declared) {
  return declared != nullptr && Lower(declared) == "single";
}

// References are looked up upper-cased, accented letters included, as the Access engine compares
// text. SQLite's own NOCASE folds ASCII letters only, so "étoile" in the catalogue would never
// match the "ÉTOILE" that is asked for. This NOCASE also folds the accented Latin-1 letters, and
// folds to lower case as SQLite's does, so that for ASCII references it orders exactly like the
// built-in one: an index a catalogue file already holds on a NOCASE column stays usable.
std::string FoldForCompare(std::string_view text) {
  std::string out(text);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const auto c = static_cast<unsigned char>(out[i]);
    if (c >= 'A' && c <= 'Z') {
      out[i] = static_cast<char>(c - 'A' + 'a');
    } else if (c == 0xC3 && i + 1 < out.size()) {
      // UTF-8 À..Þ (but ×) become à..þ.
      const auto next = static_cast<unsigned char>(out[i + 1]);
      if (next >= 0x80 && next <= 0x9E && next != 0x97) out[i + 1] = static_cast<char>(next + 0x20);
      ++i;
    }
  }
  return out;
}

int CompareAsReferences(void* /*unused*/, int size_a, const void* a, int size_b, const void* b) {
  return FoldForCompare(
             std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(size_a)))
      .compare(FoldForCompare(
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

}  // namespace

CatalogueFormat DetectCatalogueFormat(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return CatalogueFormat::Missing;
  char header[32] = {};
  in.read(header, sizeof header);
  if (in.bad()) return CatalogueFormat::Unreadable;
  const auto got = static_cast<std::size_t>(in.gcount());
  if (got >= 16 && std::memcmp(header, "SQLite format 3", 16) == 0) return CatalogueFormat::Sqlite;
  if (got >= 19 && (std::memcmp(header + 4, "Standard Jet DB", 15) == 0 ||
                    std::memcmp(header + 4, "Standard ACE DB", 15) == 0)) {
    return CatalogueFormat::Access;
  }
  return CatalogueFormat::Unknown;
}

Recordset::Recordset(std::shared_ptr<Connection> connection, sqlite3_stmt* statement)
    : connection_(std::move(connection)), statement_(statement) {
  const int count = sqlite3_column_count(statement_);
  single_columns_.resize(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    // The first of two columns with the same name wins, as a look-up by name finds it first.
    columns_.emplace(Lower(sqlite3_column_name(statement_, i)), i);
    single_columns_[static_cast<std::size_t>(i)] =
        IsSingleType(sqlite3_column_decltype(statement_, i));
  }
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
  if (!at_end_) Step();
}

FieldValue Recordset::Field(std::string_view name) const {
  const auto found = columns_.find(Lower(name));
  if (found == columns_.end()) throw FieldError("colonne inconnue : " + std::string(name));
  if (at_end_) throw FieldError("aucune ligne courante");
  const int index = found->second;
  FieldValue value;
  switch (sqlite3_column_type(statement_, index)) {
    case SQLITE_NULL:
      break;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
      value.kind = FieldValue::Kind::Number;
      value.number = sqlite3_column_double(statement_, index);
      value.single_precision = single_columns_[static_cast<std::size_t>(index)];
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

CatalogueHandle::CatalogueHandle(std::shared_ptr<Connection> connection)
    : connection_(std::move(connection)) {
  sqlite3_create_collation_v2(connection_->db(), "NOCASE", SQLITE_UTF8, nullptr,
                              CompareAsReferences, nullptr);
}

sqlite3* CatalogueHandle::Handle() const {
  return connection_->db();
}

std::unique_ptr<CatalogueHandle> CatalogueHandle::Open(const std::string& path,
                                                       EngineError& error) {
  switch (DetectCatalogueFormat(path)) {
    case CatalogueFormat::Missing:
      error = {3024, "Fichier catalogue introuvable ou illisible : " + path};
      return nullptr;
    case CatalogueFormat::Unreadable:
      error = {3051, "Impossible de lire le fichier catalogue " + path};
      return nullptr;
    case CatalogueFormat::Unknown:
      error = {3343, "Format de base de données non reconnu : " + path + " (ni SQLite, ni Access)"};
      return nullptr;
    case CatalogueFormat::Access: {
      sqlite3* loaded = LoadAccessCatalogue(path, error);
      if (loaded == nullptr) return nullptr;
      return std::unique_ptr<CatalogueHandle>(
          new CatalogueHandle(std::make_shared<Connection>(loaded)));
    }
    case CatalogueFormat::Sqlite:
      break;
  }
  sqlite3* db = nullptr;
  const int rc =
      sqlite3_open_v2(ReadOnlyUri(path).c_str(), &db,
                      SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI, nullptr);
  if (rc != SQLITE_OK) {
    error = {rc, std::string("Impossible d'ouvrir le catalogue ") + path + " : " +
                     (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc))};
    sqlite3_close_v2(db);
    return nullptr;
  }
  return std::unique_ptr<CatalogueHandle>(new CatalogueHandle(std::make_shared<Connection>(db)));
}

std::unique_ptr<Recordset> CatalogueHandle::Query(const std::string& sql, EngineError& error) {
  sqlite3_stmt* statement = nullptr;
  const char* tail = nullptr;
  const int rc = sqlite3_prepare_v2(connection_->db(), sql.c_str(), static_cast<int>(sql.size()),
                                    &statement, &tail);
  if (rc != SQLITE_OK || statement == nullptr) {
    error = {sqlite3_extended_errcode(connection_->db()), sqlite3_errmsg(connection_->db())};
    if (rc == SQLITE_OK) error = {SQLITE_ERROR, "requête vide"};
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
    error = {sqlite3_extended_errcode(connection_->db()), sqlite3_errmsg(connection_->db())};
    return nullptr;
  }
  return recordset;
}

}  // namespace kel
