#pragma once
// A catalogue file as the catalogue tool works on it: whatever the input (SQLite, Access or CSV),
// its table EI ends up in a catalogue connection of the engine, with the engine's limits and
// its way of comparing references, on which every subcommand then works the same way.

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/CatalogueDb.h"
#include "catalogue/CoreRecord.h"

namespace kel {

// How a malformed number in a text catalogue is met.
enum class Numbers {
  kReject,  // fail at once, naming the line: for conversion
  kKeep,    // keep the text as it stands, so that check can report it with its row
};

struct CatalogueFile {
  std::unique_ptr<CatalogueHandle> handle;
  // Columns of table EI in table order, spelled as in the file.
  std::vector<std::string> columns;
  // The input was CSV and each row's rowid is the line on which the row starts, which lets
  // messages point into the file the user edits.
  bool rowid_is_line = false;

  sqlite3* db() const { return handle->Handle(); }
};

// Opens a catalogue file, recognised by its first bytes and not by its name: SQLite and Access
// files are opened by the engine as the program opens them, anything else is read as CSV into
// an in-memory database. Checks that table EI exists with every column the program reads.
// Throws CatalogueError.
CatalogueFile OpenCatalogueFile(const std::string& path, Numbers numbers,
                                const OpenOptions& options = {});

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

}  // namespace kel
