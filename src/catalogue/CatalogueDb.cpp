#include "catalogue/CatalogueDb.h"

#include <sqlite3.h>

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
    : connection_(std::move(connection)) {}

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
      sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
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
