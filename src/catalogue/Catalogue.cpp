#include "catalogue/Catalogue.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "util/NumberText.h"
#include "util/Paths.h"

namespace kel {

OpenOutcome OpenCatalogue(CatalogueSession& session, Platform& platform,
                          const std::string& program_folder) {
  if (session.DataBasePath.empty()) {
    session.DataBasePath = platform.ShowFileDialog(
        {"Database", program_folder, kDefaultCatalogueName, FileDialogVerb::Open});
  }
  if (session.DataBasePath.empty()) return OpenOutcome::NoPath;
  EngineError error;
  auto opened = CatalogueHandle::Open(session.DataBasePath, error);
  if (!opened) {
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

int OpenRecordset(CatalogueHandle* db, std::unique_ptr<Recordset>& recordset,
                  const std::string& sql, Platform& platform) {
  EngineError error;
  std::unique_ptr<Recordset> result;
  if (db == nullptr) {
    error = {3420, "le catalogue n'est pas ouvert"};
  } else {
    result = db->Query(sql, error);
  }
  if (!result) {
    platform.SetClipboardText(sql);
    const MsgAnswer answer = platform.MessageBox(
        sql, MsgButtons::YesNo, MsgIcon::Question,
        std::to_string(error.number) + " " + error.description + " Continuer ?");
    if (answer != MsgAnswer::Yes) {
      // The clipboard may not outlive the program everywhere; the query is kept here too.
      std::fprintf(stderr, "kelvanor : requête du catalogue abandonnée : %s\n", sql.c_str());
      platform.EndProgramNow();
      // A platform that cannot end the process must not let the caller read rows either.
      throw ProgramEnded{};
    }
    // The caller's previous result set, if it has a row, must still not be read.
    const bool old_rows = recordset && !recordset->AtEnd();
    return old_rows && error.number != 0 ? error.number : -1;
  }
  recordset = std::move(result);
  return recordset->AtEnd() ? -1 : 0;
}

std::string QueryLightestCore(double bound) {
  return "Select * from EI Where SectionFer >= " + PlainNumberForQuery(bound) +
         " Order by Massefer";
}

std::string UpperCase(std::string_view text) {
  std::string out(text);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const auto c = static_cast<unsigned char>(out[i]);
    if (c >= 'a' && c <= 'z') {
      out[i] = static_cast<char>(c - 'a' + 'A');
    } else if (c == 0xC3 && i + 1 < out.size()) {
      // UTF-8 à..þ (but ÷) become À..Þ.
      const auto next = static_cast<unsigned char>(out[i + 1]);
      if (next >= 0xA0 && next <= 0xBE && next != 0xB7) out[i + 1] = static_cast<char>(next - 0x20);
      ++i;
    }
  }
  return out;
}

std::string QueryCoreByRef(std::string_view reference) {
  std::string quoted;
  for (const char c : UpperCase(reference)) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  return "Select * from EI Where Ref = '" + quoted + "'";
}

void FillCoreList(CatalogueSession& session, std::vector<std::string>& list, Platform& platform,
                  char decimal_separator) {
  std::unique_ptr<Recordset> recordset;
  if (OpenRecordset(session.CatalogueDb.get(), recordset, kQueryAllRefs, platform) != 0) return;
  list.clear();
  for (; !recordset->AtEnd(); recordset->MoveNext()) {
    const FieldValue ref = recordset->Field("Ref");
    // A core without reference could never be picked by it; it is left out of the list.
    if (ref.kind == FieldValue::Kind::Null) continue;
    list.push_back(FieldText(ref, decimal_separator));
  }
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
