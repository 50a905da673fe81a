#include "report/WindingWindow.h"

#include <algorithm>

namespace kel {

namespace {

// Rounding in the sums must not make a band that ends exactly on hautcu count as outside.
constexpr double kSlackMm = 1e-9;

}  // namespace

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
  if (w.overfull) {
    w.parts.push_back({PartKind::Overflow, -1, 0, 0, w.build_depth_mm, 0, x - w.build_depth_mm,
                       w.length_mm, true});
  } else if (x < w.build_depth_mm) {
    w.parts.push_back({PartKind::Free, -1, 0, 0, x, 0, w.build_depth_mm - x, w.length_mm, false});
  }
  return w;
}

}  // namespace kel
