#include "catalogue/CatalogueTool.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueCsv.h"
#include "catalogue/CatalogueFile.h"
#include "util/AtomicFile.h"
#include "util/NumberText.h"
#include "util/OutputText.h"

namespace kel {

namespace {

// The converted or exported catalogue goes through a flushed temporary file beside its target;
// a failure throws, and the temporary file goes with the object.
class CatalogueOutput : public ReplacementFile {
 public:
  explicit CatalogueOutput(const std::string& target) : ReplacementFile(target), target_(target) {
    if (!Ok()) throw CatalogueError("écriture impossible : " + target_ + " (" + Error() + ")");
    // The writers below open the file by name: a pipe or a device cannot take their output.
    if (Path().empty()) throw CatalogueError("pas un fichier ordinaire : " + target_);
  }
  void Commit() {
    if (!ReplacementFile::Commit()) {
      throw CatalogueError("écriture impossible : " + target_ + " (" + Error() + ")");
    }
  }

 private:
  std::string target_;
};

// A value as the tool writes it: numbers with up to 15 significant digits, NULL as nothing.
std::string CellText(sqlite3_stmt* statement, int column) {
  switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL:
      return {};
    case SQLITE_INTEGER:
      return std::to_string(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT:
      // A single is written as the shortest text that gives it back, as the program shows it.
      if (IsSingleColumn(statement, column)) {
        return PlainSingle(static_cast<float>(sqlite3_column_double(statement, column)), '.');
      }
      return FormatNumber(sqlite3_column_double(statement, column));
    default: {
      const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, column));
      return std::string(bytes ? bytes : "", sqlite3_column_bytes(statement, column));
    }
  }
}

std::string OneLine(std::string text) {
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  }
  return text;
}

std::string CoreCount(int count) {
  if (count == 0) return "aucun noyau";
  return std::to_string(count) + (count == 1 ? " noyau" : " noyaux");
}

// The program reads these columns as numbers; a text slipped into one must not reach a
// converted catalogue, where it would sort after every number and break the section bound.
void RejectNonNumbers(sqlite3* db, const std::string& source) {
  for (std::size_t c = 1; c < kCatalogueColumns.size(); ++c) {
    const std::string column = SqlName(kCatalogueColumns[c]);
    Statement find(db, "SELECT Ref, " + column + " FROM EI WHERE typeof(" + column +
                           ") NOT IN ('integer', 'real', 'null') LIMIT 1");
    if (find.Step()) {
      throw CatalogueError(source + " : valeur non numérique " + Quoted(CellText(find.get(), 1)) +
                           " dans la colonne " + std::string(kCatalogueColumns[c]) +
                           " (référence " + Quoted(CellText(find.get(), 0)) + ")");
    }
  }
}

void WriteCsv(const CatalogueFile& catalogue, std::ostream& out) {
  std::string list;
  for (std::size_t i = 0; i < catalogue.columns.size(); ++i) {
    list += (i ? ", " : "") + SqlName(catalogue.columns[i]);
    out << (i ? "," : "") << CsvField(catalogue.columns[i]);
  }
  out << '\n';
  Statement rows = catalogue.handle->Prepare("SELECT " + list + " FROM EI ORDER BY rowid");
  const int count = static_cast<int>(catalogue.columns.size());
  while (rows.Step()) {
    for (int i = 0; i < count; ++i) out << (i ? "," : "") << CsvField(CellText(rows.get(), i));
    out << '\n';
  }
}

}  // namespace

int ConvertCatalogue(const std::string& in_path, const std::string& out_path, bool force,
                     std::ostream& out) {
  std::error_code error;
  if (!force && std::filesystem::exists(std::filesystem::symlink_status(out_path, error))) {
    throw CatalogueError(out_path + " existe déjà (--force pour le remplacer)");
  }
  const CatalogueFile input = OpenCatalogueFile(in_path, Numbers::kReject);

  // The program's columns first under their usual spelling, then whatever else the input has.
  std::string select = "SELECT ";
  std::string places;
  std::vector<std::string> extra_columns;
  for (const auto column : kCatalogueColumns) {
    select += SqlName(column) + ", ";
    places += "?, ";
  }
  for (const auto& column : input.columns) {
    if (CatalogueColumnIndex(column) >= 0) continue;
    extra_columns.push_back(column);
    select += SqlName(column) + ", ";
    places += "?, ";
  }
  select.resize(select.size() - 2);
  places.resize(places.size() - 2);
  select += " FROM EI ORDER BY rowid";

  std::array<bool, 6> single_precision{};
  {
    Statement probe(input.db(), select);
    for (std::size_t i = 0; i < kCatalogueColumns.size(); ++i) {
      single_precision[i] = IsSingleColumn(probe.get(), static_cast<int>(i));
    }
  }

  CatalogueOutput file(out_path);
  int rows = 0;
  {
    SqliteDb db = OpenSqlite(file.Path(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    // A failed conversion throws the whole file away, so a rollback journal would buy nothing.
    Exec(db.get(), "PRAGMA journal_mode = OFF");
    CreateCatalogueTable(db.get(), extra_columns, single_precision);
    Exec(db.get(), "BEGIN");
    {
      Statement source = input.handle->Prepare(select);
      Statement insert(db.get(), "INSERT INTO EI VALUES (" + places + ")");
      const int count = sqlite3_column_count(source.get());
      while (source.Step()) {
        for (int i = 0; i < count; ++i) {
          sqlite3_bind_value(insert.get(), i + 1, sqlite3_column_value(source.get(), i));
        }
        insert.Step();
        insert.Reset();
        ++rows;
      }
    }
    Exec(db.get(), "COMMIT");
    RejectNonNumbers(db.get(), in_path);
    CreateCatalogueIndexes(db.get());
    // Closing writes the last pages, so its failure is a failed conversion.
    if (sqlite3_close(db.get()) != SQLITE_OK) {
      throw CatalogueError("écriture impossible : " + out_path + " (" + sqlite3_errmsg(db.get()) +
                           ")");
    }
    // Closed above: the handle must not be closed a second time.
    static_cast<void>(db.release());
  }
  file.Commit();
  out << CoreCount(rows) << " écrit" << (rows > 1 ? "s" : "") << " dans " << out_path << '\n';
  return 0;
}

int ShowCatalogue(const std::string& path, std::ostream& out) {
  const CatalogueFile catalogue = OpenCatalogueFile(path, Numbers::kKeep);
  Statement query =
      catalogue.handle->Prepare("Select " + CoreColumnList() + " from EI order by MasseFer");
  std::vector<std::vector<std::string>> table;
  table.emplace_back(kCatalogueColumns.begin(), kCatalogueColumns.end());
  while (query.Step()) {
    auto& row = table.emplace_back();
    for (int i = 0; i < static_cast<int>(kCatalogueColumns.size()); ++i) {
      row.push_back(OneLine(CellText(query.get(), i)));
    }
  }
  std::vector<std::size_t> widths(kCatalogueColumns.size(), 0);
  for (const auto& row : table) {
    for (std::size_t i = 0; i < row.size(); ++i) {
      widths[i] = std::max(widths[i], DisplayWidth(row[i]));
    }
  }
  for (const auto& row : table) {
    std::string line;
    for (std::size_t i = 0; i < row.size(); ++i) {
      const std::string padding(widths[i] - DisplayWidth(row[i]), ' ');
      if (i == 0) {
        // The reference reads best on the left, the numbers line up on their last digit.
        line += row[i] + padding;
      } else {
        line += "  " + padding + row[i];
      }
    }
    out << line << '\n';
  }
  out << CoreCount(static_cast<int>(table.size()) - 1) << '\n';
  return 0;
}

int ExportCatalogue(const std::string& path, const std::optional<std::string>& out_path,
                    std::ostream& out) {
  const CatalogueFile catalogue = OpenCatalogueFile(path, Numbers::kKeep);
  if (!out_path) {
    WriteCsv(catalogue, out);
    out.flush();
    if (!out) throw CatalogueError("écriture impossible sur la sortie standard");
    return 0;
  }
  CatalogueOutput file(*out_path);
  {
    std::ofstream csv(file.Path(), std::ios::binary);
    WriteCsv(catalogue, csv);
    csv.close();
    if (!csv) throw CatalogueError("écriture impossible : " + *out_path);
  }
  file.Commit();
  return 0;
}

int CheckCatalogue(const std::string& path, std::ostream& out) {
  const CatalogueFile catalogue = OpenCatalogueFile(path, Numbers::kKeep);
  Statement rows =
      catalogue.handle->Prepare("SELECT rowid, " + CoreColumnList() + " FROM EI ORDER BY rowid");
  const std::string where = catalogue.rowid_is_line ? "ligne " : "rowid ";
  int total = 0;
  int unusable = 0;
  while (rows.Step()) {
    ++total;
    sqlite3_stmt* row = rows.get();
    const std::int64_t rowid = sqlite3_column_int64(row, 0);
    const std::string location = where + std::to_string(rowid);
    const std::string ref = CellText(row, 1);
    std::vector<std::string> problems;

    if (Trim(ref).empty()) {
      problems.push_back("Ref vide");
    } else {
      // A core is picked by hand through the look-up of the core-selection step, run here as it
      // runs there: it must find this very row first, or the row can never be picked.
      Statement lookup =
          catalogue.handle->Prepare("SELECT rowid FROM EI WHERE " + RefCondition(ref));
      if (!lookup.Step()) {
        problems.push_back("introuvable par sa référence, choix manuel impossible");
      } else if (const std::int64_t found = sqlite3_column_int64(lookup.get(), 0); found != rowid) {
        problems.push_back("référence en double (déjà " + where + std::to_string(found) + ")");
      }
    }
    for (int c = 1; c < static_cast<int>(kCatalogueColumns.size()); ++c) {
      const std::string name(kCatalogueColumns[c]);
      const int column = c + 1;
      const int type = sqlite3_column_type(row, column);
      if (type == SQLITE_NULL) {
        problems.push_back(name + " vide");
      } else if (type != SQLITE_INTEGER && type != SQLITE_FLOAT) {
        problems.push_back(name + " n'est pas un nombre " + Quoted(CellText(row, column)));
      } else if (const double value = sqlite3_column_double(row, column); !std::isfinite(value)) {
        problems.push_back(name + " n'est pas un nombre fini");
      } else if (value <= 0) {
        // No core has a zero or negative dimension: such a value is a typing error, and it
        // would put the core first in the search by mass or give a design without turns.
        problems.push_back(name + " négatif ou nul (" + CellText(row, column) + ")");
      }
    }
    if (problems.empty()) continue;
    ++unusable;
    std::string line =
        location + ", " + (Trim(ref).empty() ? "sans référence" : OneLine(ref)) + " : ";
    for (std::size_t i = 0; i < problems.size(); ++i) line += (i ? " ; " : "") + problems[i];
    out << line << '\n';
  }
  if (total == 0) {
    out << "la table EI est vide\n";
    return 1;
  }
  if (unusable == 0) {
    out << "aucun problème : " << CoreCount(total) << " utilisable" << (total > 1 ? "s" : "")
        << '\n';
    return 0;
  }
  out << unusable << (unusable > 1 ? " lignes inutilisables" : " ligne inutilisable") << " sur "
      << total << '\n';
  return 1;
}

}  // namespace kel
