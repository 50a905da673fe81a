#include "report/PlotSvg.h"

#include <cmath>
#include <utility>
#include <vector>

#include "util/NumberText.h"
#include "util/OutputText.h"

namespace kel {

namespace {

// The line and a figure's width of the face at kPlotFontSize, as the painter measures them; the
// reader's own face may differ a little, and the captions are anchored so as not to depend on it.
constexpr double kLine = 1.17 * kPlotFontSize;
constexpr double kDigit = 0.64 * kPlotFontSize;
constexpr double kBaseline = 0.93 * kPlotFontSize;
const char* const kMarkColour = "#e67e22";

// A curve drawn with fewer points than it has: thousands of samples make a page of tens of
// kilobytes, and the points that lie within a tenth of a unit of the line between their
// neighbours kept (Ramer–Douglas–Peucker) draw the same curve.
constexpr double kTolerance = 0.1;

struct Point {
  double x, y;
};

std::vector<Point> Simplified(const std::vector<Point>& points, double tolerance) {
  if (points.size() < 3) return points;
  std::vector<bool> keep(points.size(), false);
  keep.front() = keep.back() = true;
  std::vector<std::pair<std::size_t, std::size_t>> spans = {{0, points.size() - 1}};
  while (!spans.empty()) {
    const auto [a, b] = spans.back();
    spans.pop_back();
    const double dx = points[b].x - points[a].x, dy = points[b].y - points[a].y;
    const double length = std::hypot(dx, dy);
    double farthest = -1;
    std::size_t at = a;
    for (std::size_t k = a + 1; k < b; ++k) {
      const double ex = points[k].x - points[a].x, ey = points[k].y - points[a].y;
      const double distance =
          length > 0 ? std::fabs(dx * ey - dy * ex) / length : std::hypot(ex, ey);
      if (distance > farthest) {
        farthest = distance;
        at = k;
      }
    }
    if (farthest > tolerance) {
      keep[at] = true;
      spans.emplace_back(a, at);
      spans.emplace_back(at, b);
    }
  }
  std::vector<Point> kept;
  for (std::size_t k = 0; k < points.size(); ++k) {
    if (keep[k]) kept.push_back(points[k]);
  }
  return kept;
}

std::size_t Characters(const std::string& text) {
  std::size_t count = 0;
  for (const char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}

std::string Px(double value) {
  return Fixed(value, 2, '.');
}

std::string Text(double x, double top, const char* anchor, const std::string& text) {
  return "<text x=\"" + Px(x) + "\" y=\"" + Px(top + kBaseline) + "\" text-anchor=\"" + anchor +
         "\">" + XmlEscaped(text) + "</text>\n";
}

std::string Segment(double x1, double y1, double x2, double y2, const std::string& stroke,
                    const std::string& extra = "") {
  return "<line x1=\"" + Px(x1) + "\" y1=\"" + Px(y1) + "\" x2=\"" + Px(x2) + "\" y2=\"" + Px(y2) +
         "\" stroke=\"" + stroke + "\"" + extra + "/>\n";
}

}  // namespace

std::string PlotSvg(const Plot& plot, char sep, double width, double height) {
  const PlotFrame f = FramePlot(width, height, kLine, kDigit);
  std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Px(width) +
                    "\" height=\"" + Px(height) + "\" viewBox=\"0 0 " + Px(width) + " " +
                    Px(height) +
                    "\" style=\"max-width: 100%; height: auto;\" "
                    "font-family=\"DejaVu Sans, sans-serif\" font-size=\"" +
                    Px(kPlotFontSize) + "\">\n";
  svg += "<title>" + XmlEscaped(plot.title) + "</title>\n";
  svg += Text(width / 2, f.title_y, "middle", plot.title);
  if (!f.room) return svg + "</svg>\n";
  const auto x_at = [&](double x) {
    return f.left + (x - plot.x_min) / (plot.x_max - plot.x_min) * (f.right - f.left);
  };
  const auto y_at = [&](double y) {
    return f.bottom - (y - plot.y_min) / (plot.y_max - plot.y_min) * (f.bottom - f.top);
  };
  for (const double y : plot.y_ticks) {
    svg += Segment(f.left, y_at(y), f.right, y_at(y), "#d0d0d0");
    svg += Text(f.left - 4, y_at(y) - kLine / 2, "end", PlainNumber(y, sep));
  }
  svg += "<rect x=\"" + Px(f.left) + "\" y=\"" + Px(f.top) + "\" width=\"" + Px(f.right - f.left) +
         "\" height=\"" + Px(f.bottom - f.top) + "\" fill=\"none\" stroke=\"#000000\"/>\n";
  for (const double x : plot.x_ticks) {
    svg += Segment(x_at(x), f.bottom, x_at(x), f.bottom + 4, "#000000");
    svg += Text(x_at(x), f.x_ticks_y, "middle", PlainNumber(x, sep));
  }
  svg += Text((f.left + f.right) / 2, f.x_label_y, "middle", plot.x_label);
  svg += Text(0, f.y_label_y, "start", plot.y_label);
  // The curves lie inside the frame, whose limits hold them with room.
  svg += "<g fill=\"none\">\n";
  if (plot.mark_y) {
    for (const double y : {*plot.mark_y, -*plot.mark_y}) {
      svg += Segment(f.left, y_at(y), f.right, y_at(y), kMarkColour, " stroke-dasharray=\"4 3\"");
    }
  }
  for (const PlotSeries& series : plot.series) {
    std::vector<Point> points;
    for (std::size_t k = 0; k < series.x.size() && k < series.y.size(); ++k) {
      points.push_back({x_at(series.x[k]), y_at(series.y[k])});
    }
    svg += "<polyline stroke=\"" + series.colour + "\" stroke-width=\"1.5\" points=\"";
    bool first = true;
    for (const Point& p : Simplified(points, kTolerance)) {
      svg += (first ? "" : " ") + Fixed(p.x, 1, '.') + "," + Fixed(p.y, 1, '.');
      first = false;
    }
    svg += "\"/>\n";
  }
  svg += "</g>\n";
  // The legend under the time's caption, each entry as long as its text at the painter's width.
  double x = f.left;
  const double middle = f.legend_y + kLine / 2;
  const auto legend = [&](const std::string& colour, const char* dashes, const std::string& text) {
    svg += Segment(x, middle, x + 20, middle, colour, std::string(" stroke-width=\"2\"") + dashes);
    svg += Text(x + 24, f.legend_y, "start", text);
    x += 36 + 0.6 * kPlotFontSize * static_cast<double>(Characters(text));
  };
  for (const PlotSeries& series : plot.series) legend(series.colour, "", series.label);
  if (plot.mark_y) legend(kMarkColour, " stroke-dasharray=\"4 3\"", plot.mark_label);
  return svg + "</svg>\n";
}

}  // namespace kel
