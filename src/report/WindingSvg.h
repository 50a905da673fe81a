#pragma once
// The winding window drawn as a self-contained SVG picture, to scale, with its captions in French
// and figures with the user's decimal separator. It shrinks to the width of the page it is
// inlined in, never wider.

#include <string>

#include "report/WindingWindow.h"

namespace kel {

std::string WindingWindowSvg(const CheckResult& check, char decimal_separator);

// Text made safe for XML and HTML: the markup characters as entities.
std::string XmlEscaped(const std::string& text);

}  // namespace kel
