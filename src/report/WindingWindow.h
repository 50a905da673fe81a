#pragma once
// The winding window as data, in two steps. WindingWindow is the to-scale cross-section of one
// window of the chosen core, every band a rectangle in mm that says what it is. Picture is that
// window laid out for drawing, with the iron around it, its captions and its legend, every shape
// a rectangle in the picture's own units in the order it is painted. The window's own drawing,
// the SVG export and the reports all paint a Picture and nothing else; tests check its numbers,
// not pixels.
//
// x runs across the build, from the tongue (x = 0) to the outer leg (x = hautcu); y runs along
// the winding width, from one flange (y = 0) to the other (y = LargCu). The layout is the check's
// own: in each chamber the windings are wound from the bobbin outwards in row order, each layer a
// band of the overall wire diameter holding its turns' strands side by side, the interlayer
// insulation between two layers, the wrap over each winding, the tape over the primary in a
// single chamber; the margins are left free at both ends of every layer. Two chambers lie side
// by side along y, the primary alone in the first, the partition between them.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "check/Check.h"

namespace kel {

enum class PartKind {
  Window,      // the usable room: hautcu by LargCu
  Layer,       // one layer of wire, as long as its turns
  Interlayer,  // insulation between two layers of one winding
  Wrap,        // insulation wrapped over a winding
  Free,        // room left between a chamber's last winding and the outer leg
  Tape,        // the insulation between the primary and the secondaries
  Margin,      // left free at one end of the layers of a chamber
  Partition,   // the wall between two chambers, across the whole window
};

struct WindowPart {
  PartKind kind = PartKind::Window;
  int row = -1;  // the winding, -1 for the window and the free room
  // 1 for a winding's first layer (Layer and the Interlayer after it); 0 for the one band of a
  // winding of more than kMostLayersDrawn layers.
  int layer = 0;
  int turns = 0;                               // turns in this layer
  double x = 0, y = 0, width = 0, height = 0;  // mm
  bool outside = false;                        // reaches past hautcu
  int chamber = 0;                             // 1 or 2; 0 for the window and the partition
};

// One chamber of the bobbin as drawn.
struct WindowChamber {
  double y = 0, length_mm = 0;  // its span along the winding width, margins included
  double usable_mm = 0;         // the length of a full layer
  double drawn_mm = 0;          // what the windings drawn in it take
  // The check's build of the chamber, which drawn_mm is when it is known: unknown when the
  // chamber holds a winding left out of the drawing.
  std::optional<double> build_mm;
  bool overfull = false;  // drawn_mm past hautcu
};

struct WindingWindow {
  double build_depth_mm = 0;  // hautcu, the room across the build
  double length_mm = 0;       // LargCu, the window's whole length
  double build_mm = 0;        // what the windings take in the fuller chamber
  bool overfull = false;      // a chamber's build past build_depth_mm
  double margin_mm = 0;
  double tape_mm = 0;                   // drawn when more than nothing
  std::vector<WindowChamber> chambers;  // one or two
  // The window first, then the partition and margins, then the windings in order with the tape
  // before the first secondary, then each chamber's free room.
  std::vector<WindowPart> parts;
  std::vector<int> rows;  // the windings drawn, in order (flagged ones are not)
};

// Beyond this many layers a winding is one band: no drawing shows them apart, and a design of
// absurd voltages must not make millions of rectangles.
inline constexpr int kMostLayersDrawn = 500;

WindingWindow LayOutWindow(const CheckResult& check);

// The colour of a winding's layers, by row: the same in the window and in every export.
const char* WindingColour(int row);

// "Pri : 622 spires, fil 0,400 mm, 8 couches" for a winding drawn; "Sec 2 : 20 spires, fil trop
// gros, pas dessiné" for one left out.
std::string WindingCaption(const WindingCheck& winding, char decimal_separator);

// Iron, Window, Free, Margin and Partition lie under the windings' bands (Layer, Interlayer,
// Wrap, Tape), which are painted after them and under nothing.
enum class ShapeKind {
  Iron,    // the tongue and the outer leg, reaching a little past the window's length
  Window,  // the window's room, outlined in red when the build goes past it
  Free,    // room left before the outer leg
  Margin,
  Partition,
  Layer,
  Interlayer,
  Wrap,
  Tape,
  LegLine,  // the outer leg's inner face, marked above and below the window when overfull
  Caption,  // "Noyau central", "Jambe extérieure"
  Swatch,   // the colour box before a legend line
  Legend,   // a line of the legend
};

struct Shape {
  ShapeKind kind = ShapeKind::Window;
  int row = -1;  // the winding, for Layer, Interlayer, Wrap and a winding's Swatch and Legend
  double x = 0, y = 0, width = 0, height = 0;  // picture units, y downwards
  std::string colour;                          // the fill, or the text's colour
  std::string text;                            // Caption and Legend
  // Past the outer leg's line, wholly or in part: that part is hatched in red over the shape's
  // own fill (a Swatch so marked shows the hatching in the legend).
  bool beyond = false;
};

// Text is set in DejaVu Sans of kPictureFontSize units; a text's box is kPictureLine units tall,
// its baseline kPictureBaseline units below the box's top.
inline constexpr double kPictureFontSize = 12;
inline constexpr double kPictureLine = 16;
inline constexpr double kPictureBaseline = 12.5;

struct Picture {
  double width = 0, height = 0;  // the box every shape lies in
  double leg_x = 0;              // the outer leg's line: hatching starts there
  bool overfull = false;
  std::vector<Shape> shapes;  // in painting order
};

// How wide a text is, in picture units, in the picture's font.
using TextWidth = std::function<double(const std::string& utf8)>;

// The width of a text in DejaVu Sans from the face's advance widths, for renderers that do not
// measure (the SVG; the browser then fits the text to it).
double EstimatedTextWidth(const std::string& utf8);

Picture DrawWindow(const CheckResult& check, char decimal_separator,
                   const TextWidth& text_width = EstimatedTextWidth);

}  // namespace kel
