#pragma once
// The catalogue engine: a lamination catalogue file opened read-only, queried with the program's
// own SQL texts, rows read column by column by name without regard to case.
//
// SQLite files are read directly. Access files are recognised by their first bytes, whatever
// their name, and loaded into an in-memory database on which the same queries run.

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace kel {

// A failure as the engine reports it: a number and a description for the user.
struct EngineError {
  int number = 0;
  std::string description;
};

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

// A field named in a query that the result set does not have, or a value that cannot be read.
class FieldError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Connection;

// A forward-only view of a query's rows, positioned on the first one when it has any.
class Recordset {
 public:
  ~Recordset();
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;

  bool AtEnd() const { return at_end_; }
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

class CatalogueHandle {
 public:
  // Opens the catalogue at path read-only; null with error filled when it cannot be opened.
  static std::unique_ptr<CatalogueHandle> Open(const std::string& path, EngineError& error);

  // Runs a query; null with error filled when the engine refuses it.
  std::unique_ptr<Recordset> Query(const std::string& sql, EngineError& error);

  sqlite3* Handle() const;

 private:
  explicit CatalogueHandle(std::shared_ptr<Connection> connection);
  std::shared_ptr<Connection> connection_;
};

enum class CatalogueFormat { Missing, Unreadable, Sqlite, Access, Unknown };

// What the first bytes of the file say it is.
CatalogueFormat DetectCatalogueFormat(const std::string& path);

}  // namespace kel
