#pragma once
// The winding window drawn as a self-contained SVG picture, to scale, with its captions in French
// and figures with the user's decimal separator.

#include <string>

#include "report/WindingWindow.h"

namespace kel {

// The colour of a winding's layers, by row: the same in the window and in every export.
const char* WindingColour(int row);

// "Pri : 622 spires, fil 0,400 mm, 8 couches" for a winding drawn.
std::string WindingCaption(const WindingCheck& winding, char decimal_separator);

std::string WindingWindowSvg(const CheckResult& check, char decimal_separator);

}  // namespace kel
