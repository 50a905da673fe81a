#pragma once
// The catalogue engine: a lamination catalogue file opened read-only, queried with the program's
// own SQL texts, rows read column by column by name without regard to case.
//
// SQLite files are read directly. Access files are recognised by their first bytes, whatever
// their name, and loaded into an in-memory database on which the same queries run. Every query
// runs under QueryLimits.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/EngineErrors.h"
#include "catalogue/Sqlite.h"
#include "util/Paths.h"

namespace kel {

class AccessCache;

// Column values read from a catalogue row.
struct FieldValue {
  enum class Kind { Null, Number, Text };
  Kind kind = Kind::Null;
  double number = 0;
  std::string text;
  // The value came from a single-precision column: its text is the shortest that gives back the
  // single, and it is compared as that single.
  bool single_precision = false;
};

class Connection;

// A forward-only view of a query's rows, positioned on the first one when it has any.
class Recordset {
 public:
  ~Recordset();
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;

  bool AtEnd() const { return at_end_; }
  // The next row. A failure on the way (a damaged page, a limit reached) is thrown as a
  // CatalogueError and leaves the result set at its end: it is never taken for the last row.
  void MoveNext();
  // The named column of the current row; throws FieldError for an unknown name or no current row.
  FieldValue Field(std::string_view name) const;

 private:
  friend class CatalogueHandle;
  Recordset(std::shared_ptr<Connection> connection, sqlite3_stmt* statement);
  int Step();  // the engine's result code

  std::shared_ptr<Connection> connection_;
  sqlite3_stmt* statement_;
  std::map<std::string, int, std::less<>> columns_;  // lower-case name -> index
  std::vector<bool> single_columns_;
  bool at_end_ = true;
};

// How a catalogue is opened.
struct OpenOptions {
  QueryLimits limits;
  // Where Access files already read are kept; none reads the file at every open.
  AccessCache* access_cache = nullptr;
  // libmdb reads an Access file in a child process of its own, whose standard error (where
  // libmdb writes its warnings) goes nowhere and which a damaged file cannot hang or bring down.
  // The fuzzing target reads in process, where coverage is measured.
  bool read_access_apart = true;
};

class CatalogueHandle {
 public:
  // Opens the catalogue at path read-only; null with error filled when it cannot be opened.
  static std::unique_ptr<CatalogueHandle> Open(const std::string& path, EngineError& error,
                                               const OpenOptions& options = {});
  // A catalogue built in memory (the catalogue tool's CSV input), queried like a file.
  static std::unique_ptr<CatalogueHandle> FromDatabase(SqliteDb db, const std::string& path,
                                                       const QueryLimits& limits = {});

  // Runs a query; null with error filled when the engine refuses it or its first row fails.
  std::unique_ptr<Recordset> Query(const std::string& sql, EngineError& error);

  // A statement of the catalogue tool's own, run under the same limits as a query.
  Statement Prepare(const std::string& sql);

  sqlite3* Handle() const;
  const std::string& Path() const { return path_; }
  // A query on this catalogue has run into one of its limits: the catalogue is not to be used.
  bool LimitReached() const;

 private:
  CatalogueHandle(std::shared_ptr<Connection> connection, std::string path);
  std::shared_ptr<Connection> connection_;
  std::string path_;
};

enum class CatalogueFormat { Missing, Unreadable, Sqlite, Access, Unknown };

// What the first bytes of the file say it is.
CatalogueFormat DetectCatalogueFormat(const std::string& path);

}  // namespace kel
