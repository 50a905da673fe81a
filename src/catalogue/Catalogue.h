#pragma once
// Where the catalogue is, opening it (asking for it when its path is not known yet), the query
// texts, running a query with the error prompt, and filling the core list.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/AccessLoader.h"
#include "catalogue/CatalogueDb.h"
#include "catalogue/CoreRecord.h"
#include "util/Platform.h"
#include "util/Text.h"

namespace kel {

inline constexpr const char* kDefaultCatalogueName = "Zivodevu.mdb";
inline constexpr const char* kQueryAllRefs = "Select Ref from EI order by Massefer";

// What the program keeps of a catalogue's rows at once (the core list, the core search). Real
// catalogues hold a few hundred cores of a few bytes each; the query limits bound what SQLite
// holds, not what the rows it hands out add up to.
inline constexpr std::size_t kKeptRowsLimit = 100000;
inline constexpr std::size_t kKeptBytesLimit = std::size_t{16} << 20;
// "plus de 100000 noyaux ou de 16 Mo de texte", as the messages say it.
std::string KeptRowsLimitText();

struct CatalogueSession {
  std::string DataBasePath;
  std::unique_ptr<CatalogueHandle> CatalogueDb;
  // The path whose failure to open the user has been told of: told once, not at every
  // recalculation. Cleared when a catalogue opens.
  std::string AnnouncedFailure;
  // What each query may take; tests shorten the time.
  QueryLimits limits;
  bool read_access_apart = true;
  AccessCache access_cache;
  // A catalogue whose query ran into a limit is told once and then left alone until the file
  // changes: every recalculation opens it anew, and each would otherwise hang for the whole
  // deadline and tell it again.
  std::optional<FileStamp> refused;
  std::string refused_path;
};

enum class OpenOutcome {
  NoPath,  // no path known and the dialog was cancelled: nothing opened, nothing said
  Failed,  // the engine could not open the file: the user has been told
  Opened,
};

// Asks for the catalogue in the "Database" dialog when its path is not known, then opens it.
// On failure the previous handle stays and the caller skips its catalogue work; the failure is
// told once per path.
OpenOutcome OpenCatalogue(CatalogueSession& session, Platform& platform,
                          const std::string& program_folder);

// Runs sql on db. 0 when the result set holds a row and is positioned on it; -1 when it holds
// none; the engine's error number when the query failed, after the Yes/No prompt ("No" ends the
// program). On failure recordset keeps what it held.
// A catalogue that has run into a query limit gets no more queries: -1 at once, nothing said.
int OpenRecordset(CatalogueHandle* db, std::unique_ptr<Recordset>& recordset,
                  const std::string& sql, Platform& platform);

// Releases the session's catalogue, remembering it as refused when it ran into a query limit.
void CloseCatalogue(CatalogueSession& session);

// "Select * from EI Where SectionFer >= <bound> Order by Massefer", bound with a point.
std::string QueryLightestCore(double bound);

// "Select * from EI Where " + RefCondition(reference).
std::string QueryCoreByRef(std::string_view reference);

// "Ref = '<reference>'", reference upper-cased, apostrophes doubled so that the reference is
// always looked up literally.
std::string RefCondition(std::string_view reference);

// Whether a row's Ref can name a core: not missing and not empty or blanks only. A double-click on
// an empty name picks nothing, so such rows are neither listed nor searched.
bool IsPickableRef(const FieldValue& ref);

// Fills list with every reference, lightest first; the list keeps its entries when the query
// fails, finds nothing or fails on a later row (reported as a failed query is), or when the
// references exceed the kept-rows limits (told once, the file then left alone as for a query
// over its limits).
void FillCoreList(CatalogueSession& session, std::vector<std::string>& list, Platform& platform,
                  char decimal_separator);

// Text of a catalogue value as a label shows it; throws FieldError for a missing value.
std::string FieldText(const FieldValue& value, char decimal_separator);

// Number of a catalogue value; throws FieldError for a missing or non-numeric value.
double FieldNumber(const FieldValue& value);

// The row of table EI a result set stands on, by the catalogue's own column list. A column the
// row lacks reads as a missing value, which fails where that value is used, as the field itself
// would.
struct CoreRow {
  std::array<FieldValue, kCatalogueColumns.size()> values;
  const FieldValue& operator[](CoreColumn column) const {
    return values[static_cast<std::size_t>(column)];
  }
  // The core as numbers; none when a value is missing or not a number.
  std::optional<CoreRecord> Record() const;
};
CoreRow ReadCoreRow(const Recordset& row);

}  // namespace kel
