#include "report/WindingWindow.h"

#include <algorithm>

#include "check/CheckTerms.h"
#include "design/DesignSheet.h"
#include "util/OutputText.h"

namespace kel {

namespace {

// Rounding in the sums must not make a band that ends exactly on hautcu count as outside.
constexpr double kSlackMm = 1e-9;

// The picture's layout, in its units: the drawing at most kMostAcross by kMostAlong, the iron
// kLeg thick and reaching kYoke past the window, so that the outer leg shows above and below
// windings that cover it.
constexpr double kMargin = 8;
constexpr double kGap = 4;
constexpr double kLeg = 12;
constexpr double kYoke = 8;
constexpr double kMostAcross = 360;
constexpr double kMostAlong = 300;
constexpr double kSwatch = 12;

constexpr const char* kIronColour = "#555555";
constexpr const char* kRed = "#ff0000";
constexpr const char* kBlack = "#000000";

const char* PartColour(const WindowPart& p) {
  switch (p.kind) {
    case PartKind::Window:
      return "#ffffff";
    case PartKind::Layer:
      return WindingColour(p.row);
    case PartKind::Interlayer:
      return "#f4e7b0";
    case PartKind::Wrap:
      return "#9a9a9a";
    case PartKind::Free:
      break;
  }
  return "#eef6ee";
}

ShapeKind ShapeOf(PartKind kind) {
  switch (kind) {
    case PartKind::Window:
      return ShapeKind::Window;
    case PartKind::Layer:
      return ShapeKind::Layer;
    case PartKind::Interlayer:
      return ShapeKind::Interlayer;
    case PartKind::Wrap:
      return ShapeKind::Wrap;
    case PartKind::Free:
      break;
  }
  return ShapeKind::Free;
}

// DejaVu Sans advance widths of the printable ASCII characters, in 1/2048 of the font size.
constexpr unsigned short kAsciiAdvance[95] = {
    651,  821,  942,  1716, 1303, 1946, 1597, 563,  799,  799,  1024, 1716, 651,  739,  651,  690,
    1303, 1303, 1303, 1303, 1303, 1303, 1303, 1303, 1303, 1303, 690,  690,  1716, 1716, 1716, 1087,
    2048, 1401, 1405, 1430, 1577, 1294, 1178, 1587, 1540, 604,  604,  1343, 1141, 1767, 1532, 1612,
    1235, 1612, 1423, 1300, 1251, 1499, 1401, 2025, 1403, 1251, 1403, 799,  690,  799,  1716, 1024,
    1024, 1255, 1300, 1126, 1300, 1260, 721,  1300, 1298, 569,  569,  1186, 569,  1995, 1298, 1253,
    1300, 1300, 842,  1067, 803,  1298, 1212, 1675, 1212, 1212, 1075, 1303, 690,  1303, 1716};
// Accented letters and the few signs the captions use are about as wide as a digit; the widest
// glyph of the face is 2048.
constexpr unsigned short kOtherAdvance = 1400;

}  // namespace

const char* WindingColour(int row) {
  static constexpr const char* kColours[] = {"#c8551e", "#2e6fa8", "#2c8c4a", "#8a4fa3", "#b08a12"};
  return row >= 0 && row < 5 ? kColours[row] : "#808080";
}

std::string WindingCaption(const WindingCheck& w, char sep) {
  if (w.flag != WindingFlag::None) {
    return RowName(w.input.row) + " : " + std::to_string(w.input.turns) + " spires, " +
           std::string(TermOf(w.flag).text) + ", pas dessiné";
  }
  return RowName(w.input.row) + " : " + std::to_string(w.input.turns) + " spires, fil " +
         Fixed(w.wire_mm, 3, sep) + " mm, " + std::to_string(w.layers) +
         (w.layers == 1 ? " couche" : " couches");
}

WindingWindow LayOutWindow(const CheckResult& check) {
  WindingWindow w;
  w.build_depth_mm = check.core.window_height_mm;
  w.length_mm = check.core.window_width_mm;
  w.parts.push_back({PartKind::Window, -1, 0, 0, 0, 0, w.build_depth_mm, w.length_mm, false});
  const auto add = [&w](PartKind kind, int row, int layer, int turns, double x, double width,
                        double height) {
    const bool outside = x + width > w.build_depth_mm + kSlackMm;
    w.parts.push_back({kind, row, layer, turns, x, 0, width, height, outside});
  };
  const double interlayer = check.options.interlayer_mm;
  const double wrap = check.options.wrap_mm;
  double x = 0;
  for (const WindingCheck& winding : check.windings) {
    if (winding.flag != WindingFlag::None) continue;
    const int row = winding.input.row;
    w.rows.push_back(row);
    int left = winding.input.turns;
    if (winding.layers > kMostLayersDrawn) {
      const double band = winding.build_mm - wrap;
      add(PartKind::Layer, row, 0, left, x, band, w.length_mm);
      x += band;
      left = 0;
    }
    for (int layer = 1; left > 0 && layer <= winding.layers; ++layer) {
      const int turns = std::min(left, winding.turns_per_layer);
      left -= turns;
      add(PartKind::Layer, row, layer, turns, x, winding.overall_mm, turns * winding.overall_mm);
      x += winding.overall_mm;
      if (layer < winding.layers) {
        add(PartKind::Interlayer, row, layer, 0, x, interlayer, w.length_mm);
        x += interlayer;
      }
    }
    add(PartKind::Wrap, row, 0, 0, x, wrap, w.length_mm);
    x += wrap;
  }
  w.build_mm = x;
  w.overfull = x > w.build_depth_mm + kSlackMm;
  if (x < w.build_depth_mm) {
    w.parts.push_back({PartKind::Free, -1, 0, 0, x, 0, w.build_depth_mm - x, w.length_mm, false});
  }
  return w;
}

double EstimatedTextWidth(const std::string& utf8) {
  double units = 0;
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 32 && byte < 127) {
      units += kAsciiAdvance[byte - 32];
    } else if ((byte & 0xC0) != 0x80) {  // one per character, not per byte
      units += kOtherAdvance;
    }
  }
  return units * kPictureFontSize / 2048;
}

Picture DrawWindow(const CheckResult& check, char sep, const TextWidth& text_width) {
  const WindingWindow window = LayOutWindow(check);
  Picture picture;
  picture.overfull = window.overfull;
  const double depth = std::max(window.build_depth_mm, window.build_mm);
  const double scale =
      std::min(kMostAcross / std::max(depth, 1.0), kMostAlong / std::max(window.length_mm, 1.0));
  const double left = kMargin + kLeg;  // the tongue's face
  const double iron_top = kMargin + kPictureLine + kGap;
  const double top = iron_top + kYoke;  // the window's far flange
  const double tall = window.length_mm * scale;
  const double bottom = top + tall;
  picture.leg_x = left + window.build_depth_mm * scale;
  std::vector<Shape>& shapes = picture.shapes;
  const auto add = [&shapes](ShapeKind kind, int row, double x, double y, double width,
                             double height, const char* colour, const std::string& words = "",
                             bool beyond = false) {
    shapes.push_back({kind, row, x, y, width, height, colour, words, beyond});
  };

  // What may lie under the windings first: the iron, the window, the free room.
  add(ShapeKind::Iron, -1, kMargin, iron_top, kLeg, tall + 2 * kYoke, kIronColour);
  add(ShapeKind::Iron, -1, picture.leg_x, iron_top, kLeg, tall + 2 * kYoke, kIronColour);
  for (const WindowPart& p : window.parts) {
    // The window's y runs from the near flange, the picture's downwards from the far one.
    add(ShapeOf(p.kind), p.row, left + p.x * scale,
        top + (window.length_mm - p.y - p.height) * scale, p.width * scale, p.height * scale,
        PartColour(p), "", p.row >= 0 && p.outside);
  }
  if (window.overfull) {
    add(ShapeKind::LegLine, -1, picture.leg_x - 1, iron_top, 2, kYoke, kRed);
    add(ShapeKind::LegLine, -1, picture.leg_x - 1, bottom, 2, kYoke, kRed);
  }

  const auto text = [&](ShapeKind kind, int row, double x, double y, const std::string& words,
                        const char* colour) {
    add(kind, row, x, y, text_width(words), kPictureLine, colour, words);
  };
  text(ShapeKind::Caption, -1, kMargin, kMargin, "Noyau central", kBlack);
  const std::string outer = "Jambe extérieure";
  const double under = bottom + kYoke + kGap;
  text(ShapeKind::Caption, -1, std::max(kMargin, picture.leg_x + kLeg - text_width(outer)), under,
       outer, kBlack);

  double y = under + kPictureLine + 2 * kGap;
  const std::string fill =
      window.overfull ? "Trop plein : " + Fixed(window.build_mm, 2, sep) + " mm pour " +
                            Fixed(window.build_depth_mm, 1, sep) + " mm"
                      : "Libre : " + Fixed(window.build_depth_mm - window.build_mm, 2, sep) +
                            " mm sur " + Fixed(window.build_depth_mm, 1, sep) + " mm";
  text(ShapeKind::Legend, -1, kMargin, y,
       fill + " (largeur " + Fixed(window.length_mm, 1, sep) + " mm)",
       window.overfull ? kRed : kBlack);
  const double swatch_top = (kPictureLine - kSwatch) / 2;
  const double after_swatch = kMargin + kSwatch + 6;
  if (window.overfull) {
    y += kPictureLine + kGap;
    add(ShapeKind::Swatch, -1, kMargin, y + swatch_top, kSwatch, kSwatch, "#ffffff", "", true);
    text(ShapeKind::Legend, -1, after_swatch, y, "Hachures rouges : au-delà de la jambe extérieure",
         kRed);
  }
  // A winding left out of the drawing is named all the same, in red.
  for (const WindingCheck& w : check.windings) {
    y += kPictureLine + kGap;
    const int row = w.input.row;
    add(ShapeKind::Swatch, row, kMargin, y + swatch_top, kSwatch, kSwatch, WindingColour(row));
    text(ShapeKind::Legend, row, after_swatch, y, WindingCaption(w, sep),
         w.flag == WindingFlag::None ? kBlack : kRed);
  }

  for (const Shape& s : shapes) {
    picture.width = std::max(picture.width, s.x + s.width + kMargin);
    picture.height = std::max(picture.height, s.y + s.height + kMargin);
  }
  return picture;
}

}  // namespace kel
