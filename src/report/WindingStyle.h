#pragma once
// What the drawing of the winding window looks like wherever it is drawn: the colour of each part
// and the captions, shared by the SVG and the window's painter so that the two never differ.

#include <string>

#include "report/WindingWindow.h"

namespace kel {

// "#rrggbb" of a part; a layer has its winding's colour (WindingColour).
const char* PartColour(const WindowPart& part);

inline constexpr const char* kIronColour = "#555555";  // the tongue and the outer leg
inline constexpr const char* kOutlineColour = "#000000";
inline constexpr const char* kOverfullColour = "#ff0000";  // the outline and the fill caption
inline constexpr const char* kTongueCaption = "Noyau central";
inline constexpr const char* kOuterLegCaption = "Jambe extérieure";

// "Libre : 4,34 mm sur 12,0 mm" or "Trop plein : 186,58 mm pour 9,0 mm".
std::string FillCaption(const WindingWindow& window, char decimal_separator);

}  // namespace kel
