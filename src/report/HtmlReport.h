#pragma once
// The printed report of a design, in French, on three A4 pages: first the winding sheet the
// workshop winds from (the check's turns, wires, layers, insulation, copper to buy, the core, and
// what does not fit or runs too hot); then what the design asks for, the chain's quick
// calculation with where the check differs from it, the manufacturing sheet's lines and the
// remarks; then the transformer idle and at switch-on. Written as HTML: self-contained with the
// pictures inline as SVG for publishing, or with the pictures as images for Qt's PDF writer,
// whose HTML knows no SVG.

#include <optional>
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
  // The core search's answer as the sheet says it ("Noyau conseillé : …"), given by whoever
  // holds the search when the sheet has to advise another core (WantsAnotherCore).
  std::optional<std::string> advised_core;
};

enum class DrawingAs { InlineSvg, Image };

// The report as one HTML page. With DrawingAs::Image the drawing is <img src="kDrawingUrl">,
// to be supplied by the caller.
std::string HtmlReport(const ReportInput& input, DrawingAs drawing);
inline constexpr const char* kDrawingUrl = "kelvanor-dessin.png";
// The title the second page starts with.
inline constexpr const char* kSecondPageTitle = "Spécifications";
// Page 3, the transformer idle and at switch-on: its title, and with DrawingAs::Image its two
// pictures (report/IdlePlots.h), kIdlePlotWidth × kIdlePlotHeight units each, as
// <img src="kMagnetisingUrl"> and <img src="kSwitchOnUrl"> where there is such a picture.
inline constexpr const char* kIdlePageTitle = "À vide et mise sous tension";
inline constexpr const char* kMagnetisingUrl = "kelvanor-magnetisant.png";
inline constexpr const char* kSwitchOnUrl = "kelvanor-mise-sous-tension.png";
inline constexpr double kIdlePlotWidth = 640, kIdlePlotHeight = 270;

// The name the report gives the design: its file's name, "Sans nom" before it has one.
std::string ReportName(const ReportInput& input);

// Today's date as dd/mm/yyyy; the date SOURCE_DATE_EPOCH gives (seconds since 1970, UTC) when it
// is set, so that a report can be made again to the byte.
std::string TodayText();

}  // namespace kel
