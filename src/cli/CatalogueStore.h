#pragma once
// The catalogue tool's view of a catalogue: whatever the input file, its table EI ends up in an
// SQLite connection, on which every subcommand then works the same way.

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace kel::cli {

// The columns that the program reads, spelled as the program spells them.
inline constexpr std::array<std::string_view, 6> kCatalogueColumns = {
    "Ref", "SectionFer", "MasseFer", "hautcu", "LargCu", "longspire"};

struct SqliteCloser {
  void operator()(sqlite3* db) const;
};
using Database = std::unique_ptr<sqlite3, SqliteCloser>;

// sqlite3_open_v2 with the given flags; throws ToolError when SQLite refuses.
Database OpenDatabase(const std::string& name, int flags);

// A prepared statement; every failure becomes a ToolError with SQLite's own description.
class Statement {
 public:
  Statement(sqlite3* db, const std::string& sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  sqlite3_stmt* get() const { return statement_; }
  // Advances to the next row: true on a row, false when done.
  bool Step();
  void Reset();

 private:
  sqlite3* db_;
  sqlite3_stmt* statement_ = nullptr;
};

void Exec(sqlite3* db, const std::string& sql);

// name in double quotes, inner quotes doubled, usable as an SQL identifier.
std::string SqlName(std::string_view name);

// ASCII case folding, as SQLite's NOCASE compares.
std::string FoldCase(std::string_view text);

// How a malformed number in a text catalogue is met.
enum class Numbers {
  kReject,  // fail at once, naming the line: for conversion
  kKeep,    // keep the text as it stands, so that check can report it with its row
};

struct Catalogue {
  Database db;
  // Columns of table EI in table order, spelled as in the file.
  std::vector<std::string> columns;
  // The input was CSV and each row's rowid is the line on which the row starts, which lets
  // messages point into the file the user edits.
  bool rowid_is_line = false;
};

// Opens a catalogue file, recognised by its first bytes and not by its name: an SQLite
// database is opened read-only, an Access file is loaded into an in-memory database as the
// program loads it, anything else is read as CSV into an in-memory database.
// Checks that table EI exists with every column the program reads. Throws ToolError.
Catalogue OpenCatalogueFile(const std::string& path, Numbers numbers);

// Creates table EI with the program's columns first, typed, then extra_columns as text. A
// program column whose flag in single_precision is set is declared SINGLE: its values are
// single-precision numbers and keep being shown and compared as such.
void CreateCatalogueTable(sqlite3* db, const std::vector<std::string>& extra_columns,
                          const std::array<bool, 6>& single_precision = {});

// True when the result column was declared SINGLE (an Access Single column).
bool IsSingleColumn(sqlite3_stmt* statement, int column);

// The indexes behind the program's two queries: by section bound, ordered by mass.
void CreateCatalogueIndexes(sqlite3* db);

// The index of name in kCatalogueColumns, ignoring case; -1 when it is not one of them.
int CatalogueColumnIndex(std::string_view name);

}  // namespace kel::cli
