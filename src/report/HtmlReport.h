#pragma once
// The printed report of a design, in French: what the design asks for, the chain's results
// exactly as the window shows them, the engineering check, the drawing of the winding window,
// the manufacturing sheet's lines and the remarks. Written as HTML: self-contained with the drawing
// inline as SVG for publishing, or with the drawing as an image for Qt's PDF writer, whose HTML
// knows no SVG.

#include <string>
#include <utility>
#include <vector>

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
};

enum class DrawingAs { InlineSvg, Image };

// The report as one HTML page. With DrawingAs::Image the drawing is <img src="kDrawingUrl">,
// to be supplied by the caller.
std::string HtmlReport(const ReportInput& input, DrawingAs drawing);
inline constexpr const char* kDrawingUrl = "kelvanor-dessin.png";

// Today's date as dd/mm/yyyy; the date SOURCE_DATE_EPOCH gives (seconds since 1970, UTC) when it
// is set, so that a report can be made again to the byte.
std::string TodayText();

}  // namespace kel
