#pragma once
// An idle picture (IdlePlots.h) as a self-contained SVG picture for the HTML report, laid out as
// the window and the PDF paint it. It shrinks to the width of the page it is inlined in.

#include <string>

#include "report/IdlePlots.h"

namespace kel {

// The picture is width × height units, its text kPlotFontSize units high.
std::string PlotSvg(const Plot& plot, char decimal_separator, double width, double height);
inline constexpr double kPlotFontSize = 12;

}  // namespace kel
