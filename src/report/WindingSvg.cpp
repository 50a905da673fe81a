#include "report/WindingSvg.h"

#include <algorithm>

#include "analysis/CheckReport.h"
#include "util/Text.h"

namespace kel {

namespace {

const char* RowName(int row) {
  static constexpr const char* kNames[] = {"Pri", "Sec 1", "Sec 2", "Sec 3", "Sec 4"};
  return row >= 0 && row < 5 ? kNames[row] : "?";
}

std::string Px(double value) {
  return Fixed(value, 2, '.');
}

}  // namespace

const char* WindingColour(int row) {
  static constexpr const char* kColours[] = {"#c8551e", "#2e6fa8", "#2c8c4a", "#8a4fa3", "#b08a12"};
  return row >= 0 && row < 5 ? kColours[row] : "#808080";
}

std::string WindingCaption(const WindingCheck& w, char sep) {
  return std::string(RowName(w.input.row)) + " : " + std::to_string(w.input.turns) +
         " spires, fil " + Fixed(w.wire_mm, 3, sep) + " mm, " + std::to_string(w.layers) +
         " couches";
}

std::string WindingWindowSvg(const CheckResult& check, char sep) {
  const WindingWindow window = LayOutWindow(check);
  // The picture is at most 360 px across the build and 420 px along the layers.
  const double depth = std::max(window.build_depth_mm, window.build_mm);
  const double scale = std::min(360 / std::max(depth, 1.0), 420 / std::max(window.length_mm, 1.0));
  const double left = 70, top = 30;
  const double drawn_height = window.length_mm * scale;
  const double legend_top = top + drawn_height + 30;
  const double width = left + depth * scale + 90;
  const double height = legend_top + 20 * (window.rows.size() + 1) + 10;
  const auto rect = [&](const WindowPart& p, const std::string& style) {
    return "<rect x=\"" + Px(left + p.x * scale) + "\" y=\"" +
           Px(top + (window.length_mm - p.y - p.height) * scale) + "\" width=\"" +
           Px(p.width * scale) + "\" height=\"" + Px(p.height * scale) + "\" " + style + "/>\n";
  };

  std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Px(width) +
                    "\" height=\"" + Px(height) + "\" viewBox=\"0 0 " + Px(width) + " " +
                    Px(height) + "\" font-family=\"DejaVu Sans, sans-serif\" font-size=\"12\">\n";
  svg += "<title>Fenêtre de bobinage " + XmlEscaped(check.core.ref) + "</title>\n";
  for (const WindowPart& p : window.parts) {
    switch (p.kind) {
      case PartKind::Window:
        svg += rect(p, "fill=\"#ffffff\" stroke=\"none\"");
        break;
      case PartKind::Layer:
        svg += rect(p, std::string("fill=\"") + WindingColour(p.row) +
                           "\" stroke=\"#ffffff\" stroke-width=\"0.3\"");
        break;
      case PartKind::Interlayer:
        svg += rect(p, "fill=\"#f4e7b0\" stroke=\"none\"");
        break;
      case PartKind::Wrap:
        svg += rect(p, "fill=\"#9a9a9a\" stroke=\"none\"");
        break;
      case PartKind::Free:
        svg += rect(p, "fill=\"#eef6ee\" stroke=\"none\"");
        break;
      case PartKind::Overflow:
        svg += rect(p, "fill=\"#ffd0d0\" stroke=\"#ff0000\" stroke-dasharray=\"4 3\"");
        break;
    }
  }
  // The window's outline: red when the build goes past it.
  const char* outline = window.overfull ? "#ff0000" : "#000000";
  svg += "<rect x=\"" + Px(left) + "\" y=\"" + Px(top) + "\" width=\"" +
         Px(window.build_depth_mm * scale) + "\" height=\"" + Px(drawn_height) +
         "\" fill=\"none\" stroke=\"" + outline + "\" stroke-width=\"2\"/>\n";
  // The tongue and the outer leg, the two iron sides of the window.
  svg += "<rect x=\"" + Px(left - 12) + "\" y=\"" + Px(top) + "\" width=\"12\" height=\"" +
         Px(drawn_height) + "\" fill=\"#555555\"/>\n";
  svg += "<rect x=\"" + Px(left + window.build_depth_mm * scale) + "\" y=\"" + Px(top) +
         "\" width=\"12\" height=\"" + Px(drawn_height) + "\" fill=\"#555555\"/>\n";
  svg += "<text x=\"" + Px(left - 14) + "\" y=\"" + Px(top - 10) +
         "\" text-anchor=\"start\">Noyau central</text>\n";
  svg += "<text x=\"" + Px(left + window.build_depth_mm * scale + 14) + "\" y=\"" +
         Px(top + drawn_height + 16) + "\" text-anchor=\"end\">Jambe extérieure</text>\n";
  const std::string fill_text =
      window.overfull ? "Trop plein : " + Fixed(window.build_mm, 2, sep) + " mm pour " +
                            Fixed(window.build_depth_mm, 1, sep) + " mm"
                      : "Libre : " + Fixed(window.build_depth_mm - window.build_mm, 2, sep) +
                            " mm sur " + Fixed(window.build_depth_mm, 1, sep) + " mm";
  svg += "<text x=\"" + Px(left) + "\" y=\"" + Px(legend_top) + "\" fill=\"" + outline + "\">" +
         XmlEscaped(fill_text) + " (largeur " + Fixed(window.length_mm, 1, sep) + " mm)</text>\n";
  double y = legend_top;
  for (const WindingCheck& w : check.windings) {
    if (w.flag != WindingFlag::None) continue;
    y += 20;
    svg += "<rect x=\"" + Px(left) + "\" y=\"" + Px(y - 10) +
           "\" width=\"12\" height=\"12\" fill=\"" + WindingColour(w.input.row) + "\"/>\n";
    svg += "<text x=\"" + Px(left + 18) + "\" y=\"" + Px(y) + "\">" +
           XmlEscaped(WindingCaption(w, sep)) + "</text>\n";
  }
  return svg + "</svg>\n";
}

std::string XmlEscaped(const std::string& text) {
  std::string out;
  for (const char c : ValidUtf8(text)) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\t':
      case '\n':
      case '\r':
        out += c;
        break;
      default:
        // XML has no way to write the other control characters, not even as references.
        if (static_cast<unsigned char>(c) < 0x20) {
          AppendUtf8(out, 0xFFFD);
        } else {
          out += c;
        }
    }
  }
  return out;
}

}  // namespace kel
