#include "report/WindingSvg.h"

#include "util/OutputText.h"

namespace kel {

namespace {

std::string Px(double value) {
  return Fixed(value, 2, '.');
}

std::string Box(const Shape& s) {
  return "x=\"" + Px(s.x) + "\" y=\"" + Px(s.y) + "\" width=\"" + Px(s.width) + "\" height=\"" +
         Px(s.height) + "\"";
}

}  // namespace

std::string WindingWindowSvg(const CheckResult& check, char sep) {
  const Picture picture = DrawWindow(check, sep);
  const std::string width = Px(picture.width), height = Px(picture.height);
  std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + width + "\" height=\"" +
                    height + "\" viewBox=\"0 0 " + width + " " + height +
                    "\" style=\"max-width: 100%; height: auto;\" "
                    "font-family=\"DejaVu Sans, sans-serif\" font-size=\"" +
                    Px(kPictureFontSize) + "\">\n";
  svg += "<title>Fenêtre de bobinage " + XmlEscaped(check.core.ref) + "</title>\n";
  // Red stripes that leave the winding's own colour showing between them.
  if (picture.overfull) {
    svg +=
        "<defs><pattern id=\"hachures\" patternUnits=\"userSpaceOnUse\" width=\"6\" height=\"6\" "
        "patternTransform=\"rotate(45)\"><rect x=\"0\" y=\"0\" width=\"2\" height=\"6\" "
        "fill=\"#ff0000\"/></pattern></defs>\n";
  }
  const std::string outline = picture.overfull ? "#ff0000" : "#000000";
  for (const Shape& s : picture.shapes) {
    switch (s.kind) {
      case ShapeKind::Caption:
      case ShapeKind::Legend:
        // The text is held to the width the layout gave it, whatever face the reader has.
        svg += "<text x=\"" + Px(s.x) + "\" y=\"" + Px(s.y + kPictureBaseline) +
               "\" textLength=\"" + Px(s.width) + "\" lengthAdjust=\"spacingAndGlyphs\" fill=\"" +
               s.colour + "\">" + XmlEscaped(s.text) + "</text>\n";
        continue;
      case ShapeKind::Window:
        svg += "<rect " + Box(s) + " fill=\"" + s.colour + "\" stroke=\"" + outline +
               "\" stroke-width=\"2\"/>\n";
        continue;
      case ShapeKind::Layer:
        svg += "<rect " + Box(s) + " fill=\"" + s.colour +
               "\" stroke=\"#ffffff\" stroke-width=\"0.3\"/>\n";
        break;
      default:
        svg += "<rect " + Box(s) + " fill=\"" + s.colour + "\"/>\n";
        break;
    }
    if (s.beyond) {
      Shape hatched = s;
      if (s.kind != ShapeKind::Swatch && hatched.x < picture.leg_x) {
        hatched.width -= picture.leg_x - hatched.x;
        hatched.x = picture.leg_x;
      }
      svg += "<rect " + Box(hatched) + " fill=\"url(#hachures)\"/>\n";
    }
  }
  return svg + "</svg>\n";
}

}  // namespace kel
