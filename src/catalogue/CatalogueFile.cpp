#include "catalogue/CatalogueFile.h"

#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "catalogue/CatalogueCsv.h"
#include "util/Text.h"

namespace kel {

namespace {

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw CatalogueError(CannotRead(path));
  std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) throw CatalogueError(CannotRead(path));
  return text;
}

// The program's columns that names lacks, separated by commas; empty when none is missing.
std::string MissingColumns(const std::vector<std::string>& names) {
  std::string missing;
  for (int wanted = 0; wanted < static_cast<int>(kCatalogueColumns.size()); ++wanted) {
    const bool found = std::any_of(names.begin(), names.end(), [&](const std::string& name) {
      return CatalogueColumnIndex(name) == wanted;
    });
    if (!found) missing += (missing.empty() ? "" : ", ") + std::string(kCatalogueColumns[wanted]);
  }
  return missing;
}

void BindText(sqlite3_stmt* statement, int index, std::string_view text) {
  if (text.empty()) {
    sqlite3_bind_null(statement, index);
  } else {
    sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
  }
}

// Loads a CSV catalogue into db, each row under the line number where it starts.
void LoadCsv(sqlite3* db, const std::string& path, Numbers numbers) {
  const std::vector<CsvRecord> records = [&] {
    try {
      return ParseCsv(ReadWholeFile(path));
    } catch (const CatalogueError& e) {
      throw CatalogueError(path + ", " + e.what());
    }
  }();
  if (records.empty()) throw CatalogueError(path + " : fichier vide");

  const std::vector<std::string>& header = records.front().fields;
  std::vector<std::string> names;
  std::set<std::string> seen;
  for (const auto& cell : header) {
    const std::string name(Trim(cell));
    if (name.empty()) {
      throw CatalogueError(path + " : colonne sans nom en position " +
                           std::to_string(names.size() + 1));
    }
    if (!seen.insert(AsciiLower(name)).second) {
      throw CatalogueError(path + " : colonne en double : " + name);
    }
    names.push_back(name);
  }
  if (const std::string missing = MissingColumns(names); !missing.empty()) {
    throw CatalogueError(path + " : colonne manquante : " + missing);
  }
  std::array<int, kCatalogueColumns.size()> position{};
  std::vector<std::string> extra_names;
  std::vector<int> extra_positions;
  for (int i = 0; i < static_cast<int>(names.size()); ++i) {
    if (const int known = CatalogueColumnIndex(names[i]); known >= 0) {
      position[known] = i;
    } else {
      extra_names.push_back(names[i]);
      extra_positions.push_back(i);
    }
  }

  CreateCatalogueTable(db, extra_names);
  std::string column_list = "rowid";
  std::string places = "?";
  for (const auto column : kCatalogueColumns) {
    column_list += ", " + SqlName(column);
    places += ", ?";
  }
  for (const auto& name : extra_names) {
    column_list += ", " + SqlName(name);
    places += ", ?";
  }

  Exec(db, "BEGIN");
  Statement insert(db, "INSERT INTO EI (" + column_list + ") VALUES (" + places + ")");
  for (std::size_t r = 1; r < records.size(); ++r) {
    const CsvRecord& record = records[r];
    if (record.fields.size() != header.size()) {
      throw CatalogueError(path + ", ligne " + std::to_string(record.line) + " : " +
                           std::to_string(record.fields.size()) + " champs au lieu de " +
                           std::to_string(header.size()));
    }
    sqlite3_stmt* s = insert.get();
    sqlite3_bind_int64(s, 1, record.line);
    BindText(s, 2, record.fields[position[0]]);
    for (std::size_t c = 1; c < kCatalogueColumns.size(); ++c) {
      const std::string& cell = record.fields[position[c]];
      const int index = static_cast<int>(c) + 2;
      if (Trim(cell).empty()) {
        sqlite3_bind_null(s, index);
      } else if (const auto value = ParseDecimal(cell)) {
        sqlite3_bind_double(s, index, *value);
      } else if (numbers == Numbers::kKeep) {
        BindText(s, index, cell);
      } else {
        const bool comma = cell.find(',') != std::string::npos;
        throw CatalogueError(path + ", ligne " + std::to_string(record.line) +
                             " : nombre invalide " + Quoted(cell) + " dans la colonne " +
                             std::string(kCatalogueColumns[c]) +
                             (comma ? " (le séparateur décimal est le point)" : ""));
      }
    }
    for (std::size_t e = 0; e < extra_positions.size(); ++e) {
      BindText(s, static_cast<int>(kCatalogueColumns.size() + e) + 2,
               record.fields[extra_positions[e]]);
    }
    insert.Step();
    insert.Reset();
  }
  Exec(db, "COMMIT");
}

std::vector<std::string> RequireCatalogueTable(sqlite3* db, const std::string& path) {
  std::vector<std::string> columns;
  {
    Statement info(db, "SELECT name FROM pragma_table_info('EI')");
    while (info.Step()) {
      columns.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 0)));
    }
  }
  if (columns.empty()) throw CatalogueError(path + " : pas de table EI");
  if (const std::string missing = MissingColumns(columns); !missing.empty()) {
    throw CatalogueError(path + " : colonne manquante dans la table EI : " + missing);
  }
  return columns;
}

}  // namespace

int CatalogueColumnIndex(std::string_view name) {
  for (std::size_t i = 0; i < kCatalogueColumns.size(); ++i) {
    if (EqualNoCase(name, kCatalogueColumns[i])) return static_cast<int>(i);
  }
  return -1;
}

CatalogueFile OpenCatalogueFile(const std::string& path, Numbers numbers,
                                const OpenOptions& options) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (!fs::exists(path, error)) throw CatalogueError(FileNotFound(path));
  if (fs::is_directory(path, error)) throw CatalogueError("pas un fichier : " + path);

  CatalogueFile catalogue;
  switch (DetectCatalogueFormat(path)) {
    case CatalogueFormat::Missing:
    case CatalogueFormat::Unreadable:
      throw CatalogueError(CannotRead(path));
    case CatalogueFormat::Sqlite:
    case CatalogueFormat::Access: {
      EngineError engine_error;
      catalogue.handle = CatalogueHandle::Open(path, engine_error, options);
      if (!catalogue.handle) throw CatalogueError(engine_error);
      break;
    }
    case CatalogueFormat::Unknown: {
      // Loaded before the query limits apply: they are for reading, not for building.
      SqliteDb db = OpenSqlite(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
      LoadCsv(db.get(), path, numbers);
      catalogue.handle = CatalogueHandle::FromDatabase(std::move(db), path, options.limits);
      catalogue.rowid_is_line = true;
      break;
    }
  }
  catalogue.columns = RequireCatalogueTable(catalogue.db(), path);
  return catalogue;
}

bool IsSingleColumn(sqlite3_stmt* statement, int column) {
  const char* declared = sqlite3_column_decltype(statement, column);
  return declared != nullptr && AsciiLower(declared) == "single";
}

void CreateCatalogueTable(sqlite3* db, const std::vector<std::string>& extra_columns,
                          const std::array<bool, 6>& single_precision) {
  // Ref compares without regard to case: the program upper-cases a reference before looking it
  // up, and a catalogue may spell it otherwise.
  std::string sql = "CREATE TABLE EI (Ref TEXT COLLATE NOCASE";
  for (std::size_t i = 1; i < kCatalogueColumns.size(); ++i) {
    sql += ", " + std::string(kCatalogueColumns[i]) + (single_precision[i] ? " SINGLE" : " REAL");
  }
  for (const auto& name : extra_columns) sql += ", " + SqlName(name) + " TEXT";
  sql += ")";
  Exec(db, sql);
}

void CreateCatalogueIndexes(sqlite3* db) {
  Exec(db, "CREATE INDEX EI_SectionFer ON EI (SectionFer)");
  Exec(db, "CREATE INDEX EI_MasseFer ON EI (MasseFer)");
}

}  // namespace kel
