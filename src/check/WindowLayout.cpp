#include "check/WindowLayout.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "check/ReferenceData.h"

namespace kel {

namespace {

// The fill of the window's height, %: "ok" up to the first, "juste" up to the second.
constexpr double kFillOkPct = 90;
constexpr double kFillFullPct = 100;

// A width that holds a whole number of turns exactly still holds them when the division lands a
// hair below it.
constexpr double kWholeTurnSlack = 1e-9;

// Whole turns of strands of overall diameter overall_mm side by side across a layer.
int TurnsPerLayer(double width_mm, int strands, double overall_mm) {
  const double per_layer = std::floor(width_mm / (strands * overall_mm) + kWholeTurnSlack);
  if (!(per_layer >= 1)) return 0;
  // A width of kilometres would not fit an int; no winding has that many turns anyway.
  return static_cast<int>(std::min<double>(per_layer, 1e9));
}

// The overall diameter of a wire of any copper diameter: the table's at a table size, else the
// diameter with the enamel build interpolated between the sizes on either side (the end sizes'
// build beyond them).
double OverallOfImposed(double diameter_mm, int grade) {
  const auto sizes = WireSizes();
  const auto build = [grade](const WireSize& size) {
    return size.OverallMm(grade) - size.nominal_mm;
  };
  const auto above = std::find_if(sizes.begin(), sizes.end(), [diameter_mm](const WireSize& s) {
    return s.nominal_mm >= diameter_mm;
  });
  if (above == sizes.end()) return diameter_mm + build(sizes.back());
  if (above->nominal_mm == diameter_mm) return above->OverallMm(grade);
  if (above == sizes.begin()) return diameter_mm + build(*above);
  const WireSize& below = *(above - 1);
  const double share = (diameter_mm - below.nominal_mm) / (above->nominal_mm - below.nominal_mm);
  return diameter_mm + build(below) + (build(*above) - build(below)) * share;
}

// The wire and the turns per layer of a winding; flags it when it has none.
// strands: imposed by the user, 0 when the check chooses. An imposed wire is strands (or one)
// of the diameter typed; the computed wire's copper is shared by the imposed strands.
void ChooseWire(WindingCheck& w, int grade, int strands) {
  const double d = w.input.diameter_mm;
  if (w.input.imposed) {
    w.strands = std::max(1, strands);
    w.wire_mm = d;
    w.overall_mm = OverallOfImposed(d, grade);
    w.turns_per_layer = TurnsPerLayer(w.usable_width_mm, w.strands, w.overall_mm);
    if (w.turns_per_layer == 0) w.flag = WindingFlag::TooThick;
    return;
  }
  bool any_size = false;
  const int first = strands > 0 ? strands : 1;
  const int last = strands > 0 ? strands : kMaxStrands;
  for (int n = first; n <= last; ++n) {
    const WireSize* size = WireFor(n == 1 ? d : d / std::sqrt(n));
    if (!size) continue;
    const int per_layer = TurnsPerLayer(w.usable_width_mm, n, size->OverallMm(grade));
    // The first strand count with a size names the wire of a winding too thick for the layer.
    if (per_layer > 0 || !any_size) {
      w.strands = n;
      w.wire_mm = size->nominal_mm;
      w.overall_mm = size->OverallMm(grade);
      w.turns_per_layer = per_layer;
    }
    any_size = true;
    if (per_layer > 0) return;
  }
  w.flag = any_size ? WindingFlag::TooThick : WindingFlag::OffTable;
}

// Each winding's wire, layers and build, in row order; the tape when one chamber holds both
// sides.
void LayOutWindings(const CheckInput& input, const CheckOptions& options, CheckResult& r) {
  const CoreRecord& core = input.core;
  const double width = r.chamber_count == 2 ? (core.window_width_mm - options.partition_mm) / 2 -
                                                  2 * options.margin_mm
                                            : core.window_width_mm - 2 * options.margin_mm;
  // No wire is too thick for a width of nothing: that is the margins' fault, and it is told so,
  // with no width below nothing shown.
  const bool no_room = !(width > 0);
  const double usable = no_room ? 0 : width;
  bool has_primary = false, has_secondary = false;
  for (const WindingInput& in : input.windings) {
    WindingCheck& w = r.windings.emplace_back();
    w.input = in;
    w.current_a = in.amps;
    w.chamber = r.chamber_count == 2 && in.row != 0 ? 2 : 1;
    w.usable_width_mm = usable;
    ChooseWire(w, options.grade,
               in.row >= 0 && in.row < kOptionWindings
                   ? options.strands[static_cast<std::size_t>(in.row)]
                   : 0);
    if (no_room && w.flag == WindingFlag::TooThick) w.flag = WindingFlag::NoRoom;
    if (w.flag != WindingFlag::OffTable) {
      w.section_mm2 = w.strands * std::numbers::pi * w.wire_mm * w.wire_mm / 4;
    }
    if (w.flag == WindingFlag::None) {
      w.layers = (WoundTurns(in) + w.turns_per_layer - 1) / w.turns_per_layer;
      w.build_mm =
          w.layers * w.overall_mm + (w.layers - 1) * options.interlayer_mm + options.wrap_mm;
    } else {
      r.complete = false;
    }
    (in.row == 0 ? has_primary : has_secondary) = true;
  }
  // Without a primary nothing the secondaries give can be known.
  if (!has_primary) r.complete = false;
  if (r.chamber_count == 1 && has_primary && has_secondary) {
    r.tape_mm = options.tape_layers * options.tape_thickness_mm;
  }
}

// What lies under each winding in its chamber, and so its mean turn; each chamber's build.
void StackWindings(const CoreRecord& core, CheckResult& r) {
  r.bobbin_perimeter_mm = 10 * core.mean_turn_cm - std::numbers::pi * core.window_height_mm;
  std::array<std::optional<double>, 2> under = {0.0, 0.0};
  bool taped = false;
  for (WindingCheck& w : r.windings) {
    std::optional<double>& s = under[w.chamber - 1];
    if (w.input.row != 0 && r.tape_mm > 0 && !taped) {
      taped = true;
      if (s) *s += r.tape_mm;
    }
    if (w.flag != WindingFlag::None) s.reset();
    if (!s) continue;
    w.copper.emplace().mean_turn_mm =
        r.bobbin_perimeter_mm + std::numbers::pi * (2 * *s + w.build_mm);
    *s += w.build_mm;
  }
  for (int i = 0; i < r.chamber_count; ++i) {
    ChamberBuild& chamber = r.chambers[i];
    if (!under[i]) continue;
    chamber.build_mm = *under[i];
    chamber.fill_pct = *under[i] / core.window_height_mm * 100;
    if (!r.build_mm || *chamber.build_mm > *r.build_mm) {
      r.build_mm = chamber.build_mm;
      r.fill_pct = chamber.fill_pct;
    }
  }
  if (!r.complete) {
    r.build_mm.reset();
    r.fill_pct.reset();
  }
  if (r.fill_pct) r.fill_status = FillStatusOf(*r.fill_pct);
}

}  // namespace

FillStatus FillStatusOf(double fill_pct) {
  return fill_pct <= kFillOkPct     ? FillStatus::Ok
         : fill_pct <= kFillFullPct ? FillStatus::Tight
                                    : FillStatus::Overfull;
}

void LayOutWindow(const CheckInput& input, const CheckOptions& options, CheckResult& r) {
  r.chamber_count = options.chambers == 2 ? 2 : 1;
  r.left_out = input.left_out;
  if (!r.left_out.empty()) r.complete = false;
  LayOutWindings(input, options, r);
  StackWindings(input.core, r);
}

}  // namespace kel
