#pragma once
// The printed report of a design, in French, on two A4 pages: first the winding sheet the
// workshop winds from (the check's turns, wires, layers, insulation, copper to buy, the core, and
// what does not fit or runs too hot); then what the design asks for, the chain's quick
// calculation with where the check differs from it, the manufacturing sheet's lines and the
// remarks. Written as HTML: self-contained with the drawing inline as SVG for publishing, or with
// the drawing as an image for Qt's PDF writer, whose HTML knows no SVG.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/CoreSearch.h"
#include "app/MainForm.h"
#include "check/DesignCheck.h"
#include "design/DesignSheet.h"

namespace kel {

struct ReportInput {
  const DesignSheet* sheet = nullptr;
  const DesignCheck* check = nullptr;
  std::string doc_path;
  std::string date;                                              // "08/12/2026"
  std::vector<std::pair<std::string, std::string>> sheet_lines;  // ManufacturingSheetLines
  char decimal_separator = ',';
  // The core search, when the sheet has to advise another core.
  std::optional<CoreSearchResult> cores;
};

// Whether the winding sheet has to advise another core: the windings do not fit the window, or
// the copper runs too hot.
bool WantsAnotherCore(const DesignCheck& check);

// The report's input for the form's design as its last recalculation left it, with check (which
// must outlive it); the catalogue is searched for a core only when WantsAnotherCore.
ReportInput FormReportInput(MainForm& form, const DesignCheck& check);

enum class DrawingAs { InlineSvg, Image };

// The report as one HTML page. With DrawingAs::Image the drawing is <img src="kDrawingUrl">,
// to be supplied by the caller.
std::string HtmlReport(const ReportInput& input, DrawingAs drawing);
inline constexpr const char* kDrawingUrl = "kelvanor-dessin.png";
// The title the second page starts with.
inline constexpr const char* kSecondPageTitle = "Spécifications";

// The name the report gives the design: its file's name, "Sans nom" before it has one.
std::string ReportName(const ReportInput& input);

// Today's date as dd/mm/yyyy; the date SOURCE_DATE_EPOCH gives (seconds since 1970, UTC) when it
// is set, so that a report can be made again to the byte.
std::string TodayText();

}  // namespace kel
