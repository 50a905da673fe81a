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
  std::vector<std::pair<std::string, std::string>> sheet_lines;  // the manufacturing sheet's
  char decimal_separator = ',';
};

enum class DrawingAs { InlineSvg, Image };

// The report as one HTML page. With DrawingAs::Image the drawing is <img src="kDrawingUrl">,
// to be supplied by the caller.
std::string HtmlReport(const ReportInput& input, DrawingAs drawing);
inline constexpr const char* kDrawingUrl = "kelvanor-dessin.png";

// The manufacturing sheet's entries for the design, as the sheet writer writes them (key, value).
std::vector<std::pair<std::string, std::string>> ManufacturingSheetLines(
    const DesignSheet& sheet, const std::string& doc_path);

// Today's date as dd/mm/yyyy.
std::string TodayText();

}  // namespace kel
