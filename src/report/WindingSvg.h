#pragma once
// The winding window drawn as a self-contained SVG picture, to scale, with its captions in French
// and figures with the user's decimal separator. It shrinks to the width of the page it is
// inlined in, never wider.

#include <string>

#include "report/WindingWindow.h"

namespace kel {

std::string WindingWindowSvg(const CheckResult& check, char decimal_separator);

}  // namespace kel
