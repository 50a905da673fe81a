#pragma once
// The winding window as data: a to-scale cross-section of one window of the chosen core, every
// band a rectangle in mm that says what it is. The window's own drawing, the SVG export and the
// reports all draw from this; tests check its numbers, not pixels.
//
// x runs across the build, from the tongue (x = 0) to the outer leg (x = hautcu); y runs along
// the winding width, from one flange (y = 0) to the other (y = LargCu). Windings are wound from
// the tongue outwards in row order, primary first: each layer a band of the overall wire
// diameter, the interlayer insulation between two layers, the wrap over each winding.

#include <string>
#include <vector>

#include "check/Check.h"

namespace kel {

enum class PartKind {
  Window,      // the usable room: hautcu by LargCu
  Layer,       // one layer of wire, as long as its turns
  Interlayer,  // insulation between two layers of one winding
  Wrap,        // insulation wrapped over a winding
  Free,        // room left between the last winding and the outer leg
  Overflow,    // what the build takes beyond hautcu
};

struct WindowPart {
  PartKind kind = PartKind::Window;
  int row = -1;  // the winding, -1 for the window, the free room and the overflow
  // 1 for a winding's first layer (Layer and the Interlayer after it); 0 for the one band of a
  // winding of more than kMostLayersDrawn layers.
  int layer = 0;
  int turns = 0;                               // turns in this layer
  double x = 0, y = 0, width = 0, height = 0;  // mm
  bool outside = false;                        // reaches past hautcu
};

struct WindingWindow {
  double build_depth_mm = 0;  // hautcu, the room across the build
  double length_mm = 0;       // LargCu, the length of a full layer
  double build_mm = 0;        // what the windings take
  bool overfull = false;      // build_mm past build_depth_mm
  std::vector<WindowPart>
      parts;  // the window first, then the windings in order, then free room or overflow
  std::vector<int> rows;  // the windings drawn, in order (flagged ones are not)
};

// Beyond this many layers a winding is one band: no drawing shows them apart, and a design of
// absurd voltages must not make millions of rectangles.
inline constexpr int kMostLayersDrawn = 500;

WindingWindow LayOutWindow(const CheckResult& check);

}  // namespace kel
