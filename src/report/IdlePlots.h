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

// Ticks at 1, 2 or 5 × a power of ten, about count of them over [low, high].
std::vector<double> Ticks(double low, double high, int count);

}  // namespace kel
