#include "check/Rectifier.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <tuple>

#include "check/Mains.h"

namespace kel {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kSqrt2 = std::numbers::sqrt2;

// The step the pulse is followed with: at most 1/2000 of the mains period, and a tenth of R_s·C
// over the pulse's first 20·R_s·C, where its exponential lives. The solution of each piece is
// exact, so the step only places the integrals' points and brackets the pulse's end; past
// e^−20 the exponential is below any figure's last digit, and a vanishing R_s·C asks for no more
// than 200 points more.
constexpr double kPeriodSteps = 2000;
constexpr double kTimeConstantSteps = 10;
constexpr double kTransientSpan = 20;
constexpr double kScanSteps = 4;

// The fixed point of the half-period map, and E, to these relative tolerances; the secants give
// up after these many rounds (a bracket halves at worst every other round).
constexpr double kFixedPointTolerance = 1e-13;
constexpr double kEmfTolerance = 1e-10;
constexpr double kEmfSettledShare = 1e-6;
constexpr int kMaxSecantRounds = 200;
constexpr int kMaxDoublings = 60;
constexpr double kHintSpan = 1e-3;

constexpr std::array<double, 6> kE6 = {1.0, 1.5, 2.2, 3.3, 4.7, 6.8};

// The circuit in angles: θ = ωt over one half period [0, π], where the rectified EMF is
// A·sin θ − D and the waveform repeats.
struct Angles {
  double a = 0;  // √2·E
  double d = 0;  // the drops in the path: 2·V_d for a bridge, V_d for a centre tap
  double r = 0;  // R_s
  double q = 0;  // ω·R_s·C
  double k = 0;  // I_dc/(ω·C): the fall of v per radian while the diodes are off
  double w = 0;  // D + R_s·I_dc
  double dc_a = 0;
  double h = 0;       // the step, rad
  double h_fine = 0;  // over the pulse's first kTransientSpan·q
  // The step from theta in a pulse that started at on.
  double Step(double on, double theta) const {
    return theta < on + kTransientSpan * q ? h_fine : h;
  }
  double Source(double theta) const { return a * std::sin(theta) - d; }
  // While the diodes conduct: the particular solution of R_s·C·dv/dt = A·sin θ − D − R_s·I_dc − v.
  double Particular(double sin, double cos) const { return a * (sin - q * cos) / (1 + q * q) - w; }
};

// A pulse that started at (on, v_on): v and the rectified EMF at theta, written so that an
// enormous R_s·C (a capacitor taken as infinite) keeps its precision.
struct Pulse {
  const Angles& g;
  double on, v_on, p_on;
  Pulse(const Angles& angles, double start, double v_start)
      : g(angles),
        on(start),
        v_on(v_start),
        p_on(angles.Particular(std::sin(start), std::cos(start))) {}
  struct Point {
    double v, source;
  };
  Point At(double theta) const {
    const double sin = std::sin(theta), cos = std::cos(theta);
    return {
        v_on + (g.Particular(sin, cos) - p_on) + (v_on - p_on) * std::expm1(-(theta - on) / g.q),
        g.a * sin - g.d};
  }
  double V(double theta) const { return At(theta).v; }
  // The current times R_s.
  double Drive(double theta) const {
    const Point p = At(theta);
    return p.source - p.v;
  }
};

Angles AnglesOf(const RectifierCircuit& c, double e_rms) {
  Angles g;
  const double omega = 2 * kPi * c.frequency_hz;
  g.a = kSqrt2 * e_rms;
  g.d = (c.type == RectifierType::Bridge ? 2 : 1) * c.diode_drop_v;
  g.r = c.source_ohm;
  g.q = omega * c.source_ohm * c.capacitor_f;
  g.k = c.dc_a / (omega * c.capacitor_f);
  g.w = g.d + c.source_ohm * c.dc_a;
  g.dc_a = c.dc_a;
  double step = 1 / (kPeriodSteps * c.frequency_hz);
  if (c.step_s > 0) step = std::min(step, c.step_s);
  g.h = omega * step;
  g.h_fine = std::min(g.h, g.q / kTimeConstantSteps);
  return g;
}

// One half period from v(0) = v0: off until the rectified EMF meets v, then one pulse until its
// current falls to nothing, then off to π. After a pulse the EMF falls away faster than v (it is
// past its crest and concave), so there is never a second one.
struct HalfPeriod {
  double v_end = 0;
  bool pulse = false;
  double on = 0, off = kPi;  // the pulse's ends
  double v_on = 0, v_off = 0;
};

HalfPeriod Sweep(const Angles& g, double v0) {
  HalfPeriod s;
  // Off: f(θ) = A·sin θ − D − v0 + k·θ is concave, greatest where cos θ = −k/A.
  const auto gap = [&](double theta) { return g.Source(theta) - (v0 - g.k * theta); };
  double start = 0;
  if (!(gap(0) > 0)) {
    const double crest = std::acos(std::clamp(-g.k / g.a, -1.0, 1.0));
    if (!(gap(crest) > 0)) {
      s.v_end = v0 - g.k * kPi;
      return s;
    }
    double lo = 0, hi = crest;
    for (int i = 0; i < 200 && hi - lo > 1e-15 * kPi; ++i) {
      const double mid = (lo + hi) / 2;
      (gap(mid) > 0 ? hi : lo) = mid;
    }
    start = hi;
  }
  s.pulse = true;
  s.on = start;
  s.v_on = v0 - g.k * start;
  const Pulse pulse(g, s.on, s.v_on);
  const auto current = [&pulse](double theta) { return pulse.Drive(theta); };
  // The pulse's end: the first point whose current is nothing or less, then halved down. The
  // current rises from nothing and falls once, so points kScanSteps steps apart find it.
  double lo = start, hi = kPi;
  // Counted steps: a step that rounds to nothing ends the scan instead of looping on.
  double theta = start + g.h_fine;
  for (int step = 0; step < 1000000 && theta < kPi; ++step) {
    if (!(current(theta) > 0)) {
      hi = theta;
      break;
    }
    lo = theta;
    const double next = theta + kScanSteps * g.Step(start, theta);
    if (!(next > theta)) break;
    theta = next;
  }
  if (hi == kPi && current(kPi) > 0) {
    lo = kPi;  // still conducting at π: the capacitor has fallen below −D, which fails anyway
  }
  for (int i = 0; i < 200 && hi - lo > 1e-15 * kPi; ++i) {
    const double mid = (lo + hi) / 2;
    (current(mid) > 0 ? lo : hi) = mid;
  }
  s.off = lo;
  s.v_off = pulse.V(s.off);
  s.v_end = s.v_off - g.k * (kPi - s.off);
  return s;
}

// The steady state's v(0): the fixed point of the half-period map, bracketed between 0 (below it
// the capacitor has fallen to nothing) and the EMF's crest less the drops (which no charge
// passes). Unset when the fixed point is not above 0.
std::optional<double> FixedPoint(const Angles& g) {
  double hi = g.a - g.d;
  if (!(hi > 0)) return std::nullopt;
  double lo = 0;
  double g_lo = Sweep(g, lo).v_end - lo;
  double g_hi = Sweep(g, hi).v_end - hi;
  if (!(g_lo > 0)) return std::nullopt;
  if (!(g_hi < 0)) return hi;  // no load
  int side = 0;
  for (int round = 0; round < kMaxSecantRounds; ++round) {
    // Illinois: the secant, with the stale end's value halved so that both ends move.
    double x = (lo * g_hi - hi * g_lo) / (g_hi - g_lo);
    if (!(x > lo && x < hi)) x = (lo + hi) / 2;
    const double gx = Sweep(g, x).v_end - x;
    if (std::fabs(gx) <= kFixedPointTolerance * g.a || hi - lo <= kFixedPointTolerance * g.a) {
      return x;
    }
    if (gx > 0) {
      lo = x, g_lo = gx;
      if (side == -1) g_hi /= 2;
      side = -1;
    } else {
      hi = x, g_hi = gx;
      if (side == 1) g_lo /= 2;
      side = 1;
    }
  }
  return (lo + hi) / 2;
}

// The integrals of one half period, the pulse by Simpson's rule on the step, the rest exactly.
RectifierPeriod Figures(const Angles& g, const RectifierCircuit& c, double v0) {
  RectifierPeriod p;
  const HalfPeriod s = Sweep(g, v0);
  double v_int = 0, i_int = 0, i2_int = 0, ei_int = 0, cap2_int = 0;
  double v_max = std::max(v0, s.v_end), v_min = std::min(v0, s.v_end), i_max = 0;
  const double idc = g.dc_a;
  if (s.pulse) {
    // Off before and after the pulse: v falls linearly, no diode current.
    v_int += (v0 + s.v_on) / 2 * s.on + (s.v_off + s.v_end) / 2 * (kPi - s.off);
    cap2_int += idc * idc * (s.on + kPi - s.off);
    // Simpson's rule on two panels: the fine step over the exponential, then the step.
    const Pulse pulse(g, s.on, s.v_on);
    const double split = std::min(s.off, s.on + kTransientSpan * g.q);
    for (const auto& [from, to, h] :
         {std::tuple{s.on, split, g.h_fine}, std::tuple{split, s.off, g.h}}) {
      if (!(to > from)) continue;
      const int n = std::max(2, 2 * static_cast<int>(std::ceil((to - from) / h / 2)));
      const double step = (to - from) / n;
      for (int j = 0; j <= n; ++j) {
        const double theta = j == n ? to : from + j * step;
        const auto [v, source] = pulse.At(theta);
        const double i = std::max(0.0, (source - v) / g.r);
        const double weight = (j == 0 || j == n ? 1 : j % 2 ? 4 : 2) * step / 3;
        v_int += weight * v;
        i_int += weight * i;
        i2_int += weight * i * i;
        ei_int += weight * g.a * std::sin(theta) * i;
        cap2_int += weight * (i - idc) * (i - idc);
        v_max = std::max(v_max, v);
        v_min = std::min(v_min, v);
        i_max = std::max(i_max, i);
      }
    }
    v_min = std::min({v_min, s.v_on, s.v_off});
    v_max = std::max({v_max, s.v_on, s.v_off});
  } else {
    v_int = (v0 + s.v_end) / 2 * kPi;
    cap2_int = idc * idc * kPi;
  }
  p.dc_v = v_int / kPi;
  p.ripple_v = v_max - v_min;
  p.min_v = v_min;
  const double rms_all = std::sqrt(i2_int / kPi);  // both halves' pulses together
  p.winding_rms_a = c.type == RectifierType::Bridge ? rms_all : rms_all / kSqrt2;
  p.peak_diode_a = i_max;
  p.conduction_deg = s.pulse ? (s.off - s.on) * 180 / kPi : 0;
  p.capacitor_ripple_a = std::sqrt(cap2_int / kPi);
  p.mean_diode_a = i_int / kPi;
  p.emf_w = ei_int / kPi;
  p.diode_w = g.d * p.mean_diode_a;
  p.resistance_w = g.r * i2_int / kPi;
  p.settled = v_min > 0 && std::isfinite(p.dc_v) && std::isfinite(p.winding_rms_a);
  return p;
}

bool Usable(const RectifierCircuit& c, double e_rms) {
  const auto positive = [](double x) { return std::isfinite(x) && x > 0; };
  return positive(c.frequency_hz) && positive(c.source_ohm) && positive(c.capacitor_f) &&
         positive(c.dc_a) && std::isfinite(c.diode_drop_v) && c.diode_drop_v >= 0 &&
         positive(e_rms);
}

RectifierCircuit CircuitOf(const RectifierRequest& r, double frequency_hz, double source_ohm,
                           double capacitor_uf) {
  RectifierCircuit c;
  c.type = r.type;
  c.frequency_hz = frequency_hz;
  c.source_ohm = source_ohm;
  c.capacitor_f = capacitor_uf * 1e-6;
  c.dc_a = r.dc_a;
  c.diode_drop_v = r.diode_drop_v;
  return c;
}

struct EmfSolution {
  bool found = false;
  double e_rms = 0;
  RectifierPeriod period;
};

// The EMF whose DC volts are those asked. A capacitor that falls to 0 V counts as too low an EMF:
// more EMF lifts the whole waveform while the ripple stays about the same.
EmfSolution SolveEmf(const RectifierCircuit& c, double dc_v, double e_hint) {
  EmfSolution out;
  const double drops = (c.type == RectifierType::Bridge ? 2 : 1) * c.diode_drop_v;
  const auto excess = [&](double e, RectifierPeriod& p) {
    p = SteadyPeriod(c, e);
    return p.settled ? p.dc_v - dc_v : -HUGE_VAL;
  };
  // At the crest equal to the DC volts and drops, the mean is below them.
  double lo = (dc_v + drops) / kSqrt2, hi = lo;
  RectifierPeriod p_hi;
  double f_lo = -HUGE_VAL, f_hi = -HUGE_VAL;
  // Close to an EMF that served the same circuit a moment ago, a narrow bracket saves rounds.
  if (e_hint > lo) {
    f_lo = excess(e_hint * (1 - kHintSpan), out.period);
    f_hi = excess(e_hint * (1 + kHintSpan), p_hi);
    if (f_lo < 0 && f_hi >= 0) lo = e_hint * (1 - kHintSpan), hi = e_hint * (1 + kHintSpan);
  }
  if (!(lo < hi)) {
    f_lo = excess(lo, out.period);
    f_hi = -HUGE_VAL;
    if (f_lo >= 0) {  // only when the load takes nothing: not asked for here
      out.found = f_lo == 0;
      out.e_rms = lo;
      return out;
    }
    for (int i = 0; i < kMaxDoublings && !(f_hi >= 0); ++i) {
      lo = hi, hi *= 2;
      if (i > 0) f_lo = f_hi;
      f_hi = excess(hi, p_hi);
    }
    if (!(f_hi >= 0)) return out;
  }
  int side = 0;
  for (int round = 0; round < kMaxSecantRounds; ++round) {
    double x = std::isfinite(f_lo) ? (lo * f_hi - hi * f_lo) / (f_hi - f_lo) : (lo + hi) / 2;
    if (!(x > lo && x < hi)) x = (lo + hi) / 2;
    RectifierPeriod px;
    const double fx = excess(x, px);
    if (std::fabs(fx) <= kEmfTolerance * dc_v || hi - lo <= kEmfTolerance * x) {
      // A bracket closed on the EMF below which the capacitor falls to 0 V, with the DC volts
      // there above those asked: no EMF gives them.
      out.found = px.settled && std::fabs(fx) <= kEmfSettledShare * dc_v;
      out.e_rms = x;
      out.period = px;
      return out;
    }
    if (fx < 0) {
      lo = x, f_lo = fx;
      if (side == -1) f_hi /= 2;
      side = -1;
    } else {
      hi = x, f_hi = fx;
      if (side == 1 && std::isfinite(f_lo)) f_lo /= 2;
      side = 1;
    }
  }
  return out;
}

// Solves for one capacitor; the status and figures of the solution.
void SolveWith(const RectifierRequest& r, double frequency_hz, double source_ohm,
               double capacitor_uf, double e_hint, RectifierSolution& out) {
  out.capacitor_uf = capacitor_uf;
  const RectifierCircuit c = CircuitOf(r, frequency_hz, source_ohm, capacitor_uf);
  const EmfSolution e = SolveEmf(c, r.dc_v, e_hint);
  if (!e.found) {
    out.status = RectifierStatus::CapacitorTooSmall;
    return;
  }
  out.status = RectifierStatus::Ok;
  out.e_rms = e.e_rms;
  out.period = e.period;
  const double drops = (r.type == RectifierType::Bridge ? 2 : 1) * r.diode_drop_v;
  out.no_load_peak_at_110pct_v = kSqrt2 * kHighMains * e.e_rms - drops;
  out.capacitor_rating_v.reset();
  for (const double rating : kCapacitorRatingsV) {
    if (rating >= out.no_load_peak_at_110pct_v) {
      out.capacitor_rating_v = rating;
      break;
    }
  }
  for (const auto& [share, dc, ripple] :
       {std::tuple{kLowMains, &out.dc_v_at_90pct_mains, &out.ripple_v_at_90pct_mains},
        std::tuple{kHighMains, &out.dc_v_at_110pct_mains, &out.ripple_v_at_110pct_mains}}) {
    const RectifierPeriod p = SteadyPeriod(c, share * e.e_rms);
    if (p.settled) {
      *dc = p.dc_v;
      *ripple = p.ripple_v;
    } else {
      dc->reset();
      ripple->reset();
    }
  }
}

}  // namespace

std::string_view RectifierCode(RectifierType type) {
  return type == RectifierType::Bridge ? "pont" : "point-milieu";
}

std::optional<RectifierType> RectifierOfCode(std::string_view code) {
  if (code == "pont") return RectifierType::Bridge;
  if (code == "point-milieu") return RectifierType::CentreTap;
  return std::nullopt;
}

std::string_view RectifierText(RectifierType type) {
  return type == RectifierType::Bridge ? "pont + condensateur" : "double alternance + condensateur";
}

RectifierStatusTerm TermOf(RectifierStatus status) {
  switch (status) {
    case RectifierStatus::Ok:
      return {"ok", "ok"};
    case RectifierStatus::CapacitorTooSmall:
      return {"condensateur-trop-petit", "condensateur trop petit pour ce courant"};
    case RectifierStatus::NoCapacitor:
      return {"aucun-condensateur",
              "aucun condensateur de la série E6 jusqu'à 680 000 µF ne tient l'ondulation sous "
              "10 % de la tension continue"};
    case RectifierStatus::NotSettled:
      return {"non-stabilise", "« Appliquer » ne se stabilise pas"};
    case RectifierStatus::InvalidData:
      break;
  }
  return {"donnees-invalides", "données invalides"};
}

RectifierPeriod SteadyPeriod(const RectifierCircuit& circuit, double e_rms) {
  if (!Usable(circuit, e_rms)) return {};
  const Angles g = AnglesOf(circuit, e_rms);
  const std::optional<double> v0 = FixedPoint(g);
  if (!v0) return {};
  return Figures(g, circuit, *v0);
}

std::vector<RectifierSample> PeriodSamples(const RectifierCircuit& circuit, double e_rms,
                                           int count) {
  std::vector<RectifierSample> samples;
  if (!Usable(circuit, e_rms) || count < 2) return samples;
  const Angles g = AnglesOf(circuit, e_rms);
  const std::optional<double> v0 = FixedPoint(g);
  if (!v0) return samples;
  const HalfPeriod s = Sweep(g, *v0);
  const double period = 1 / circuit.frequency_hz;
  samples.reserve(static_cast<std::size_t>(count));
  for (int j = 0; j < count; ++j) {
    const double angle = 2 * kPi * j / (count - 1);
    const bool second = angle >= kPi;
    const double theta = second ? angle - kPi : angle;
    double v = 0, i = 0;
    if (!s.pulse || theta <= s.on) {
      v = *v0 - g.k * theta;
    } else if (theta < s.off) {
      v = Pulse(g, s.on, s.v_on).V(theta);
      i = std::max(0.0, (g.Source(theta) - v) / g.r);
    } else {
      v = s.v_off - g.k * (theta - s.off);
    }
    // A bridge's winding carries the pulse with the sign of e; the upper half of a centre tap
    // only its own.
    const double winding =
        circuit.type == RectifierType::Bridge ? (second ? -i : i) : (second ? 0 : i);
    samples.push_back({period * j / (count - 1), winding, v});
  }
  return samples;
}

std::optional<double> DcVoltsAt(const RectifierRequest& request, double frequency_hz,
                                double source_ohm, double capacitor_uf, double e_rms) {
  const RectifierPeriod p =
      SteadyPeriod(CircuitOf(request, frequency_hz, source_ohm, capacitor_uf), e_rms);
  if (!p.settled) return std::nullopt;
  return p.dc_v;
}

RectifierSolution SolveRectifier(const RectifierRequest& r, double frequency_hz, double source_ohm,
                                 const RectifierSolution* previous) {
  const bool hinted = previous && previous->Solved();
  const double e_hint = hinted ? previous->e_rms : 0;
  RectifierSolution out;
  const auto positive = [](double x) { return std::isfinite(x) && x > 0; };
  if (!positive(r.dc_v) || !positive(r.dc_a) || !positive(frequency_hz) || !positive(source_ohm) ||
      !std::isfinite(r.diode_drop_v) || r.diode_drop_v < 0 ||
      (r.capacitor_uf && !positive(*r.capacitor_uf))) {
    out.status = RectifierStatus::InvalidData;
    return out;
  }
  if (r.capacitor_uf) {
    SolveWith(r, frequency_hz, source_ohm, *r.capacitor_uf, e_hint, out);
    return out;
  }
  // The smallest E6 value whose ripple is within the share: the ripple falls as C grows, so the
  // values are halved down to it.
  std::vector<double> values;
  constexpr int kDecades = 6;  // 1 µF to 680 000 µF
  for (int d = 0; d < kDecades; ++d) {
    const double decade = kSmallestCapacitorUf * std::pow(10.0, d);
    for (const double m : kE6) {
      const double value = std::round(m * decade * 10) / 10;
      if (value <= kLargestCapacitorUf * 1.0000001) values.push_back(value);
    }
  }
  const auto fits = [&](double value, RectifierSolution& s) {
    SolveWith(r, frequency_hz, source_ohm, value, e_hint, s);
    return s.Solved() && s.period.ripple_v <= kRippleShare * r.dc_v;
  };
  std::size_t lo = 0, hi = values.size();  // the answer lies in [lo, hi); hi: none
  RectifierSolution best;
  // The value chosen a moment ago is most often the answer still: it fits, the one below not.
  if (hinted && previous->capacitor_chosen) {
    const auto at = std::find(values.begin(), values.end(), previous->capacitor_uf);
    if (at != values.end()) {
      const std::size_t i = static_cast<std::size_t>(at - values.begin());
      RectifierSolution s;
      if (fits(values[i], s)) {
        best = s;
        hi = i;
        if (i > 0) {
          RectifierSolution below;
          if (fits(values[i - 1], below)) {
            best = below;
            hi = i - 1;
          } else {
            lo = i;
          }
        }
      } else {
        lo = i + 1;
      }
    }
  }
  while (lo < hi) {
    const std::size_t mid = (lo + hi) / 2;
    RectifierSolution s;
    if (fits(values[mid], s)) {
      best = s;
      hi = mid;
    } else {
      lo = mid + 1;
    }
  }
  if (lo == values.size()) {
    out.status = RectifierStatus::NoCapacitor;
    return out;
  }
  out = best;
  out.capacitor_chosen = true;
  return out;
}

}  // namespace kel
