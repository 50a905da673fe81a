#include "report/WindingStyle.h"

#include "report/WindingSvg.h"
#include "util/OutputText.h"

namespace kel {

const char* PartColour(const WindowPart& part) {
  switch (part.kind) {
    case PartKind::Window:
      return "#ffffff";
    case PartKind::Layer:
      return WindingColour(part.row);
    case PartKind::Interlayer:
      return "#f4e7b0";
    case PartKind::Wrap:
      return "#9a9a9a";
    case PartKind::Free:
      return "#eef6ee";
    case PartKind::Overflow:
      break;
  }
  return "#ffd0d0";
}

std::string FillCaption(const WindingWindow& window, char sep) {
  return window.overfull ? "Trop plein : " + Fixed(window.build_mm, 2, sep) + " mm pour " +
                               Fixed(window.build_depth_mm, 1, sep) + " mm"
                         : "Libre : " + Fixed(window.build_depth_mm - window.build_mm, 2, sep) +
                               " mm sur " + Fixed(window.build_depth_mm, 1, sep) + " mm";
}

}  // namespace kel
