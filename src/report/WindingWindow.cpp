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
constexpr const char* kTapeColour = "#5fbfbf";
constexpr const char* kMarginColour = "#d0d0d0";
constexpr const char* kPartitionColour = "#8b6f47";

// A band of the windings, hatched where it goes past the outer leg.
bool IsBand(PartKind kind) {
  return kind == PartKind::Layer || kind == PartKind::Interlayer || kind == PartKind::Wrap ||
         kind == PartKind::Tape;
}

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
    case PartKind::Tape:
      return kTapeColour;
    case PartKind::Margin:
      return kMarginColour;
    case PartKind::Partition:
      return kPartitionColour;
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
    case PartKind::Tape:
      return ShapeKind::Tape;
    case PartKind::Margin:
      return ShapeKind::Margin;
    case PartKind::Partition:
      return ShapeKind::Partition;
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

// "Libre : 4,19 mm sur 12,0 mm" for the one chamber, "libre 4,19 mm sur 12,0 mm" after a
// chamber's name: the room a chamber leaves, from the check's build where it knows it. A chamber
// with a winding left out is at least as full as what is drawn.
std::string RoomText(const WindingWindow& w, const WindowChamber& c, bool alone, char sep) {
  const std::string height = Fixed(w.build_depth_mm, 1, sep) + " mm";
  const std::string full = alone ? "Trop plein : " : "trop plein ";
  const std::string free = alone ? "Libre : " : "libre ";
  if (c.overfull) {
    return full +
           (c.build_mm ? Fixed(*c.build_mm, 2, sep) : "plus de " + Fixed(c.drawn_mm, 2, sep)) +
           " mm pour " + height;
  }
  if (!c.build_mm) return free + "inconnu, un enroulement n'est pas dessiné";
  return free + Fixed(w.build_depth_mm - *c.build_mm, 2, sep) + " mm sur " + height;
}

}  // namespace

const char* WindingColour(int row) {
  static constexpr const char* kColours[] = {"#c8551e", "#2e6fa8", "#2c8c4a", "#8a4fa3", "#b08a12"};
  return row >= 0 && row < 5 ? kColours[row] : "#808080";
}

std::string WindingCaption(const WindingCheck& w, char sep) {
  if (w.flag != WindingFlag::None) {
    return RowName(w.input.row) + " : " + std::to_string(WoundTurns(w.input)) + " spires, " +
           std::string(TermOf(w.flag).text) + ", pas dessiné";
  }
  return RowName(w.input.row) + " : " + std::to_string(WoundTurns(w.input)) +
         (w.input.halves == 2 ? " spires à point milieu, fil " : " spires, fil ") +
         Fixed(w.wire_mm, 3, sep) + " mm, " + std::to_string(w.layers) +
         (w.layers == 1 ? " couche" : " couches");
}

WindingWindow LayOutWindow(const CheckResult& check) {
  WindingWindow w;
  const CheckOptions& options = check.options;
  w.build_depth_mm = check.core.window_height_mm;
  w.length_mm = check.core.window_width_mm;
  w.margin_mm = options.margin_mm;
  w.tape_mm = check.tape_mm;
  w.parts.push_back({PartKind::Window, -1, 0, 0, 0, 0, w.build_depth_mm, w.length_mm, false, 0});
  // The chambers' spans, and the usable length, with the check's own arithmetic.
  if (check.chamber_count == 2) {
    const double half = std::max(0.0, (w.length_mm - options.partition_mm) / 2);
    w.chambers.resize(2);
    w.chambers[0].length_mm = half;
    w.chambers[1].y = w.length_mm - half;
    w.chambers[1].length_mm = half;
    w.parts.push_back({PartKind::Partition, -1, 0, 0, 0, half, w.build_depth_mm,
                       w.length_mm - 2 * half, false, 0});
  } else {
    w.chambers.resize(1);
    w.chambers[0].length_mm = w.length_mm;
  }
  for (std::size_t i = 0; i < w.chambers.size(); ++i) {
    WindowChamber& c = w.chambers[i];
    // Margins wider than their chamber leave nothing, never less than nothing.
    c.usable_mm = std::max(0.0, c.length_mm - 2 * w.margin_mm);
    c.build_mm = check.chambers[i].build_mm;
  }

  std::vector<WindowPart> bands;
  const auto add = [&w, &bands](PartKind kind, int row, int chamber, int layer, int turns, double x,
                                double width, double height) {
    const bool outside = x + width > w.build_depth_mm + kSlackMm;
    const double y = w.chambers[chamber - 1].y + w.margin_mm;
    bands.push_back({kind, row, layer, turns, x, y, width, height, outside, chamber});
  };
  const double interlayer = options.interlayer_mm;
  const double wrap = options.wrap_mm;
  bool taped = false;
  for (const WindingCheck& winding : check.windings) {
    const int chamber = winding.chamber;
    const double usable = w.chambers[chamber - 1].usable_mm;
    double& x = w.chambers[chamber - 1].drawn_mm;
    // Where the check lays the tape, whether the primary is drawn or not.
    if (winding.input.row != 0 && w.tape_mm > 0 && !taped) {
      taped = true;
      add(PartKind::Tape, -1, chamber, 0, 0, x, w.tape_mm, usable);
      x += w.tape_mm;
    }
    if (winding.flag != WindingFlag::None) continue;
    const int row = winding.input.row;
    w.rows.push_back(row);
    // The winding ends where the check's build says, whatever the sum of its bands rounds to.
    const double start = x;
    const double strand_row = winding.strands * winding.overall_mm;  // one turn along the layer
    int left = WoundTurns(winding.input);
    if (winding.layers > kMostLayersDrawn) {
      add(PartKind::Layer, row, chamber, 0, left, x, winding.build_mm - wrap, usable);
      left = 0;
    }
    for (int layer = 1; left > 0 && layer <= winding.layers; ++layer) {
      const int turns = std::min(left, winding.turns_per_layer);
      left -= turns;
      add(PartKind::Layer, row, chamber, layer, turns, x, winding.overall_mm, turns * strand_row);
      x += winding.overall_mm;
      if (layer < winding.layers) {
        add(PartKind::Interlayer, row, chamber, layer, 0, x, interlayer, usable);
        x += interlayer;
      }
    }
    add(PartKind::Wrap, row, chamber, 0, 0, start + winding.build_mm - wrap, wrap, usable);
    x = start + winding.build_mm;
  }

  for (std::size_t i = 0; i < w.chambers.size(); ++i) {
    WindowChamber& c = w.chambers[i];
    const int chamber = static_cast<int>(i) + 1;
    c.overfull = c.drawn_mm > w.build_depth_mm + kSlackMm;
    w.overfull = w.overfull || c.overfull;
    w.build_mm = std::max(w.build_mm, c.drawn_mm);
    // The margins run along the windings inside the window; past it they are not room.
    const double wound = std::min(c.drawn_mm, w.build_depth_mm);
    if (w.margin_mm > 0 && wound > 0) {
      const double margin = std::min(w.margin_mm, c.length_mm / 2);
      for (const double y : {c.y, c.y + c.length_mm - margin}) {
        w.parts.push_back({PartKind::Margin, -1, 0, 0, 0, y, wound, margin, false, chamber});
      }
    }
  }
  w.parts.insert(w.parts.end(), bands.begin(), bands.end());
  for (std::size_t i = 0; i < w.chambers.size(); ++i) {
    const WindowChamber& c = w.chambers[i];
    if (c.drawn_mm < w.build_depth_mm) {
      w.parts.push_back({PartKind::Free, -1, 0, 0, c.drawn_mm, c.y, w.build_depth_mm - c.drawn_mm,
                         c.length_mm, false, static_cast<int>(i) + 1});
    }
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
        PartColour(p), "", IsBand(p.kind) && p.outside);
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

  double y = under + kGap;  // each line of the legend steps down before it is set
  const bool two = window.chambers.size() == 2;
  for (std::size_t i = 0; i < window.chambers.size(); ++i) {
    const WindowChamber& c = window.chambers[i];
    const std::string words =
        two ? "Compartiment " + std::to_string(i + 1) + " : " + RoomText(window, c, false, sep)
            : RoomText(window, c, true, sep) + " (largeur " + Fixed(window.length_mm, 1, sep) +
                  " mm)";
    y += kPictureLine + kGap;
    text(ShapeKind::Legend, -1, kMargin, y, words, c.overfull ? kRed : kBlack);
  }
  const double swatch_top = (kPictureLine - kSwatch) / 2;
  const double after_swatch = kMargin + kSwatch + 6;
  const auto swatched = [&](int row, const char* fill, bool beyond, const std::string& words,
                            const char* colour) {
    y += kPictureLine + kGap;
    add(ShapeKind::Swatch, row, kMargin, y + swatch_top, kSwatch, kSwatch, fill, "", beyond);
    text(ShapeKind::Legend, row, after_swatch, y, words, colour);
  };
  if (window.overfull) {
    swatched(-1, "#ffffff", true, "Hachures rouges : au-delà de la jambe extérieure", kRed);
  }
  if (window.tape_mm > 0) {
    swatched(-1, kTapeColour, false,
             "Isolement : " + std::to_string(check.options.tape_layers) + " × " +
                 Fixed(check.options.tape_thickness_mm, 2, sep) + " mm",
             kBlack);
  }
  if (window.margin_mm > 0) {
    const double usable = window.chambers.front().usable_mm;
    swatched(-1, kMarginColour, false,
             "Marges : " + Fixed(window.margin_mm, 1, sep) + " mm à chaque bout, " +
                 (usable > 0 ? "largeur utile " + Fixed(usable, 1, sep) + " mm"
                             : std::string(TermOf(WindingFlag::NoRoom).text)),
             usable > 0 ? kBlack : kRed);
  }
  if (two) {
    swatched(-1, kPartitionColour, false,
             "Cloison : " + Fixed(check.options.partition_mm, 1, sep) + " mm", kBlack);
  }
  // A winding left out of the drawing is named all the same, in red.
  for (const WindingCheck& w : check.windings) {
    swatched(w.input.row, WindingColour(w.input.row), false, WindingCaption(w, sep),
             w.flag == WindingFlag::None ? kBlack : kRed);
  }

  for (const Shape& s : shapes) {
    picture.width = std::max(picture.width, s.x + s.width + kMargin);
    picture.height = std::max(picture.height, s.y + s.height + kMargin);
  }
  return picture;
}

}  // namespace kel
