#include "report/IdlePlots.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "util/OutputText.h"

namespace kel {

std::vector<double> Ticks(double low, double high, int count) {
  std::vector<double> ticks;
  const double span = high - low;
  if (!(span > 0) || !std::isfinite(span) || count < 1) return ticks;
  const double raw = span / count;
  // The step is factor × 10^exponent; a tick is a whole number of factors, divided by a power of
  // ten when the step is below one, so that it is the nearest double to its decimal (0.3, not
  // 3 × 0.1 = 0.30000000000000004).
  const int exponent = static_cast<int>(std::floor(std::log10(raw)));
  const double scale = std::pow(10, std::abs(exponent));  // exact for these powers
  const auto value = [&](double units) { return exponent < 0 ? units / scale : units * scale; };
  double factor = 1;
  for (const double f : {1.0, 2.0, 5.0, 10.0}) {
    factor = f;
    if (value(f) >= raw) break;
  }
  const double step = value(factor);
  for (double i = std::ceil(low / step - 1e-9); ticks.size() < 100; ++i) {
    const double t = value(i * factor);
    if (t > high + step * 1e-9) break;
    ticks.push_back(t == 0 ? 0 : t);
  }
  return ticks;
}

PlotFrame FramePlot(double width, double height, double line, double digit) {
  PlotFrame f;
  f.left = 8 + 5 * digit;  // room for the current's figures
  f.top = 2 * line + 4;
  f.right = width - 4 - 2 * digit;   // room for half the last tick's figures
  f.bottom = height - 3 * line - 8;  // the legend's line ends inside the picture
  f.title_y = 2;
  f.y_label_y = line + 2;
  f.x_ticks_y = f.bottom + 4;
  f.x_label_y = f.bottom + line + 4;
  f.legend_y = f.bottom + 2 * line + 6;
  f.room = f.right - f.left >= 20 && f.bottom - f.top >= 20;
  return f;
}

namespace {

// The limits of the curves, symmetric about zero, with a little room.
void Frame(Plot& plot) {
  double most = 0;
  for (const PlotSeries& s : plot.series) {
    for (const double y : s.y) most = std::max(most, std::fabs(y));
  }
  if (plot.mark_y) most = std::max(most, std::fabs(*plot.mark_y));
  if (!(most > 0) || !std::isfinite(most)) most = 1;
  plot.y_min = -1.1 * most;
  plot.y_max = 1.1 * most;
  plot.x_ticks = Ticks(plot.x_min, plot.x_max, 5);
  plot.y_ticks = Ticks(plot.y_min, plot.y_max, 4);
}

}  // namespace

std::optional<Plot> MagnetisingPlot(const CheckResult& r, char sep) {
  if (!r.no_load || !(r.no_load->circuit.turns > 0) || !(r.no_load->frequency_hz > 0)) {
    return std::nullopt;
  }
  const NoLoadResult& n = *r.no_load;
  const FieldOfInduction field(n.curve);
  Plot plot;
  plot.title = "Courant magnétisant sur une période";
  plot.x_label = "temps (ms)";
  plot.y_label = "courant (A)";
  const double period_ms = 1000 / n.frequency_hz;
  plot.x_max = period_ms;
  struct Shown {
    std::size_t at;  // in n.at
    const char* colour;
  };
  static constexpr Shown kShown[] = {{0, "#2e6fa8"}, {kHighMainsIndex, "#c0392b"}};
  std::array<double, kMagnetisingSamples> wave{};
  for (const Shown& shown : kShown) {
    const NoLoadPoint& point = n.at[shown.at];
    MagnetisingWave(field, n.circuit, point.induction_t, wave);
    PlotSeries& s = plot.series.emplace_back();
    s.label = "secteur " + Fixed(point.mains_factor * 100, 0, sep) + " %";
    s.colour = shown.colour;
    s.x.reserve(wave.size());
    s.y.reserve(wave.size());
    for (std::size_t k = 0; k < wave.size(); ++k) {
      s.x.push_back(period_ms * (static_cast<double>(k) + 0.5) / kMagnetisingSamples);
      s.y.push_back(wave[k] / n.circuit.turns);
    }
  }
  Frame(plot);
  return plot;
}

std::optional<Plot> SwitchOnPlot(const CheckResult& r, char sep) {
  if (!r.no_load || !r.switch_on || !r.switch_on->figures.peak_a) return std::nullopt;
  const SwitchOnResult& on = *r.switch_on;
  std::vector<double> trace(kSwitchOnSteps + 1);
  const SwitchOn again = SimulateSwitchOn(FieldOfInduction(r.no_load->curve), on.circuit, trace);
  if (!again.peak_a) return std::nullopt;
  Plot plot;
  plot.title = "Courant à la mise sous tension";
  plot.x_label = "temps (ms)";
  plot.y_label = "courant (A)";
  const double step_ms = 1000 / (kSwitchOnStepsPerPeriod * on.circuit.frequency_hz);
  plot.x_max = step_ms * kSwitchOnSteps;
  PlotSeries& s = plot.series.emplace_back();
  s.label = "courant primaire";
  s.colour = "#2e6fa8";
  // A point per few steps, the one of largest current in each: the peaks stay in the picture.
  constexpr int kPerPoint = 10;
  for (int k = 0; k <= kSwitchOnSteps; k += kPerPoint) {
    int best = k;
    for (int j = k; j < std::min(k + kPerPoint, kSwitchOnSteps + 1); ++j) {
      if (std::fabs(trace[j]) > std::fabs(trace[best])) best = j;
    }
    s.x.push_back(best * step_ms);
    s.y.push_back(trace[best]);
  }
  plot.mark_y = std::numbers::sqrt2 * r.primary_current_a;
  plot.mark_label = "crête de I1n (" + Fixed(*plot.mark_y, 2, sep) + " A)";
  Frame(plot);
  return plot;
}

}  // namespace kel
