#pragma once
// The two pictures of the idle transformer as data, as the winding window is: the magnetising
// current over one period at 1.00 and 1.10 × mains, and the switch-on current over the simulated
// periods with the rated current marked. Curves in their own units (ms, A); the window paints
// them (and a report may), tests check their numbers.

#include <optional>
#include <string>
#include <vector>

#include "check/Check.h"

namespace kel {

struct PlotSeries {
  std::string label;   // "secteur 100 %"
  std::string colour;  // "#2e6fa8"
  std::vector<double> x, y;
};

struct Plot {
  std::string title;
  std::string x_label, y_label;  // with their units: "temps (ms)", "courant (A)"
  double x_min = 0, x_max = 1, y_min = -1, y_max = 1;
  std::vector<double> x_ticks, y_ticks;
  std::vector<PlotSeries> series;
  std::optional<double> mark_y;  // a level drawn across, both signs: I1n's crest
  std::string mark_label;
};

// Unset without the figures they need (no primary; the switch-on not simulated or not computed).
std::optional<Plot> MagnetisingPlot(const CheckResult& result, char decimal_separator);
std::optional<Plot> SwitchOnPlot(const CheckResult& result, char decimal_separator);

// Where a plot's parts go in a picture width × height, its text line high and its figures digit
// wide, so that the window, the PDF and the SVG lay it out alike: the curves' area, the top of
// each line of text around it (the title, the current's caption above the area; the ticks'
// figures, the time's caption and the legend below it).
struct PlotFrame {
  double left = 0, top = 0, right = 0, bottom = 0;
  double title_y = 0, y_label_y = 0, x_ticks_y = 0, x_label_y = 0, legend_y = 0;
  bool room = false;  // too small for the curves when false
};
PlotFrame FramePlot(double width, double height, double line, double digit);

// Ticks at 1, 2 or 5 × a power of ten, about count of them over [low, high].
std::vector<double> Ticks(double low, double high, int count);

}  // namespace kel
