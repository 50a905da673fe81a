#include "catalogue/Catalogue.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "util/NumberText.h"
#include "util/Paths.h"

namespace kel {

namespace {

void Refuse(CatalogueSession& session, const std::string& path) {
  session.refused_path = path;
  session.refused = StampOf(path);
}

void NoteLimitReached(CatalogueSession& session) {
  if (session.CatalogueDb && session.CatalogueDb->LimitReached()) {
    Refuse(session, session.CatalogueDb->Path());
  }
}

// A failed query told to the user: a limit reached in one message naming the file, any other
// failure in the prompt that may end the program.
void ReportQueryFailure(const std::string& sql, const EngineError& error, Platform& platform) {
  if (error.number == kErrResourceExceeded) {
    platform.MessageBox(error.description, MsgButtons::Ok, MsgIcon::None, "");
    return;
  }
  platform.SetClipboardText(sql);
  const MsgAnswer answer =
      platform.MessageBox(sql, MsgButtons::YesNo, MsgIcon::Question,
                          std::to_string(error.number) + " " + error.description + " Continuer ?");
  if (answer != MsgAnswer::Yes) {
    // The clipboard may not outlive the program everywhere; the query is kept here too.
    std::fprintf(stderr, "kelvanor : requête du catalogue abandonnée : %s\n", sql.c_str());
    platform.EndProgramNow();
    // A platform that cannot end the process must not let the caller read rows either.
    throw ProgramEnded{};
  }
}

}  // namespace

OpenOutcome OpenCatalogue(CatalogueSession& session, Platform& platform,
                          const std::string& program_folder) {
  if (session.DataBasePath.empty()) {
    session.DataBasePath = platform.ShowFileDialog(
        {"Database", program_folder, kDefaultCatalogueName, FileDialogVerb::Open});
  }
  if (session.DataBasePath.empty()) return OpenOutcome::NoPath;
  NoteLimitReached(session);
  if (session.refused && session.refused_path == session.DataBasePath &&
      StampOf(session.DataBasePath) == session.refused) {
    return OpenOutcome::Failed;  // told when it was refused
  }
  EngineError error;
  OpenOptions options;
  options.limits = session.limits;
  options.access_cache = &session.access_cache;
  options.read_access_apart = session.read_access_apart;
  auto opened = CatalogueHandle::Open(session.DataBasePath, error, options);
  if (!opened) {
    // An Access file whose reading ran out of time is left alone as a query that did.
    if (error.number == kErrResourceExceeded) Refuse(session, session.DataBasePath);
    if (session.AnnouncedFailure != session.DataBasePath) {
      session.AnnouncedFailure = session.DataBasePath;
      platform.MessageBox(error.description, MsgButtons::Ok, MsgIcon::None, "");
    }
    return OpenOutcome::Failed;
  }
  session.AnnouncedFailure.clear();
  session.CatalogueDb = std::move(opened);
  return OpenOutcome::Opened;
}

void CloseCatalogue(CatalogueSession& session) {
  NoteLimitReached(session);
  session.CatalogueDb.reset();
}

int OpenRecordset(CatalogueHandle* db, std::unique_ptr<Recordset>& recordset,
                  const std::string& sql, Platform& platform) {
  if (db != nullptr && db->LimitReached()) return -1;
  EngineError error;
  std::unique_ptr<Recordset> result;
  if (db == nullptr) {
    error = NotOpen();
  } else {
    result = db->Query(sql, error);
  }
  if (!result) {
    ReportQueryFailure(sql, error, platform);
    // The caller's previous result set, if it has a row, must still not be read.
    const bool old_rows = recordset && !recordset->AtEnd();
    return old_rows && error.number != 0 ? error.number : -1;
  }
  recordset = std::move(result);
  return recordset->AtEnd() ? -1 : 0;
}

std::string KeptRowsLimitText() {
  return "plus de " + std::to_string(kKeptRowsLimit) + " noyaux ou de " +
         std::to_string(kKeptBytesLimit >> 20) + " Mo de texte";
}

std::string QueryLightestCore(double bound) {
  return "Select * from EI Where SectionFer >= " + PlainNumberForQuery(bound) +
         " Order by Massefer";
}

std::string RefCondition(std::string_view reference) {
  std::string quoted;
  for (const char c : UpperCase(reference)) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  return "Ref = '" + quoted + "'";
}

std::string QueryCoreByRef(std::string_view reference) {
  return "Select * from EI Where " + RefCondition(reference);
}

bool IsPickableRef(const FieldValue& ref) {
  return ref.kind == FieldValue::Kind::Number ||
         (ref.kind == FieldValue::Kind::Text &&
          ref.text.find_first_not_of(" \t") != std::string::npos);
}

void FillCoreList(CatalogueSession& session, std::vector<std::string>& list, Platform& platform,
                  char decimal_separator) {
  std::unique_ptr<Recordset> recordset;
  if (OpenRecordset(session.CatalogueDb.get(), recordset, kQueryAllRefs, platform) != 0) return;
  std::vector<std::string> filled;
  std::size_t kept_bytes = 0;
  try {
    for (; !recordset->AtEnd(); recordset->MoveNext()) {
      const FieldValue ref = recordset->Field("Ref");
      // A core without reference could never be picked by it; it is left out of the list.
      if (!IsPickableRef(ref)) continue;
      filled.push_back(FieldText(ref, decimal_separator));
      kept_bytes += filled.back().size();
      if (filled.size() > kKeptRowsLimit || kept_bytes > kKeptBytesLimit) {
        const std::string path = session.CatalogueDb->Path();
        Refuse(session, path);
        platform.MessageBox(
            "Le catalogue " + path + " compte " + KeptRowsLimitText() + " : il n'est pas lu.",
            MsgButtons::Ok, MsgIcon::None, "");
        return;
      }
    }
  } catch (const CatalogueError& e) {
    // A row that cannot be read (a damaged page, a limit reached) is no end of the list.
    ReportQueryFailure(kQueryAllRefs, e.error(), platform);
    return;
  }
  list = std::move(filled);
}

namespace {
// A catalogue may hold an infinity (SQLite keeps 1e999 as one); no size of a real core is.
double CheckFinite(double number) {
  if (!std::isfinite(number)) throw FieldError("valeur hors limites dans le catalogue");
  return number;
}
}  // namespace

std::string FieldText(const FieldValue& value, char decimal_separator) {
  switch (value.kind) {
    case FieldValue::Kind::Null:
      throw FieldError("valeur vide dans le catalogue");
    case FieldValue::Kind::Number:
      CheckFinite(value.number);
      return value.single_precision
                 ? PlainSingle(static_cast<float>(value.number), decimal_separator)
                 : PlainNumber(value.number, decimal_separator);
    case FieldValue::Kind::Text:
      break;
  }
  return value.text;
}

double FieldNumber(const FieldValue& value) {
  switch (value.kind) {
    case FieldValue::Kind::Null:
      throw FieldError("valeur vide dans le catalogue");
    case FieldValue::Kind::Number:
      return CheckFinite(value.number);
    case FieldValue::Kind::Text:
      break;
  }
  // A number stored as text is accepted with a point or a comma, and nothing else around it.
  const std::string normalized = NormalizeNumber(value.text);
  const char* begin = normalized.c_str();
  while (*begin == ' ' || *begin == '\t') ++begin;
  char* end = nullptr;
  const double number = std::strtod(begin, &end);
  while (end != nullptr && (*end == ' ' || *end == '\t')) ++end;
  if (end == begin || end == nullptr || *end != '\0' || normalized.find(',') != std::string::npos) {
    throw FieldError("valeur non numérique dans le catalogue : " + value.text);
  }
  return CheckFinite(number);
}

}  // namespace kel

namespace kel {

CoreRow ReadCoreRow(const Recordset& row) {
  CoreRow core;
  for (std::size_t i = 0; i < kCatalogueColumns.size(); ++i) {
    try {
      core.values[i] = row.Field(kCatalogueColumns[i]);
    } catch (const FieldError&) {
      core.values[i] = FieldValue{};
    }
  }
  return core;
}

std::optional<CoreRecord> CoreRow::Record() const {
  try {
    CoreRecord core;
    core.ref = FieldText((*this)[CoreColumn::Ref], '.');
    core.section_cm2 = FieldNumber((*this)[CoreColumn::SectionFer]);
    core.mass_kg = FieldNumber((*this)[CoreColumn::MasseFer]);
    core.window_height_mm = FieldNumber((*this)[CoreColumn::hautcu]);
    core.window_width_mm = FieldNumber((*this)[CoreColumn::LargCu]);
    core.mean_turn_cm = FieldNumber((*this)[CoreColumn::longspire]);
    return core;
  } catch (const std::exception&) {
    // Out of range or not a number: the chain has already said so, or shows what it could.
    return std::nullopt;
  }
}

}  // namespace kel
