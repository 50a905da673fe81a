// The idle and switch-on model held to closed forms it must tend to and to figures worked by hand.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "check/Check.h"
#include "check/Fuses.h"
#include "check/Magnetisation.h"
#include "check/NoLoad.h"
#include "check/SwitchOn.h"

namespace kel {
namespace {

constexpr double kSqrt2 = std::numbers::sqrt2;

// A steel of constant permeability μ = 1000 μ0 up to 12.6 T: never saturates in these tests.
constexpr double kMu = 1000 * kMu0;
constexpr CurveNode kLinearNodes[] = {{0, 0}, {1e4, (kMu - kMu0) * 1e4}};
const SteelCurve kLinear{"linéaire", false, kLinearNodes};

TEST(NoLoad, FieldAtANodeBetweenTwoAndAboveTheLast) {
  // M400-50A's nodes 5 and 6 (H 40.04 and 50.02 A/m, J 0.08379 and 0.13713 T) and its last
  // (32584.33 A/m, 1.98429 T), with B = J + μ0 H.
  const SteelCurve curve = CurveFor("M400-50A");
  ASSERT_EQ(curve.grade, "M400-50A");
  EXPECT_FALSE(curve.approximated);
  const FieldOfInduction field(curve);
  const double b5 = 0.08379 + kMu0 * 40.04, b6 = 0.13713 + kMu0 * 50.02;
  const double b_last = 1.98429 + kMu0 * 32584.33;
  EXPECT_NEAR(field.H(b5), 40.04, 1e-9);
  EXPECT_NEAR(field.H((b5 + b6) / 2), (40.04 + 50.02) / 2, 1e-9);
  EXPECT_NEAR(field.H(-(b5 + b6) / 2), -(40.04 + 50.02) / 2, 1e-9);
  EXPECT_NEAR(field.H(b_last + 0.1), 32584.33 + 0.1 / kMu0, 1e-6);
  EXPECT_EQ(field.H(0), 0);
  // The grades without a curve take the nearest, and say so.
  EXPECT_EQ(CurveFor("M330-50A").grade, "M400-50A");
  EXPECT_EQ(CurveFor("m1000-65a").grade, "M800-50A");
  EXPECT_TRUE(CurveFor("M270-35A").approximated);
}

TEST(NoLoad, MagnetisingCurrentOfALinearCoreAndOfAGapAlone) {
  const FieldOfInduction field(kLinear);
  // I = B̂ l ÷ (μ √2 N), crest factor √2 (the 720 samples reach the crest within cos(π/720)).
  const MagneticCircuit iron{500, 0.2, 0};
  const Magnetising m = MagnetisingCurrent(field, iron, 1.2);
  EXPECT_NEAR(m.rms_a, 1.2 * 0.2 / (kMu * kSqrt2 * 500), 1e-12);
  EXPECT_NEAR(m.crest_factor, kSqrt2, 2e-5);
  // No iron path, a gap of 50 µm: B̂ δ ÷ (√2 μ0 N).
  const MagneticCircuit gap{300, 0, 50e-6};
  EXPECT_NEAR(MagnetisingCurrent(field, gap, 1.5).rms_a, 1.5 * 50e-6 / (kSqrt2 * kMu0 * 300),
              1e-12);
}

TEST(NoLoad, SwitchOnOfACoreThatNeverSaturatesDoublesTheFluxAtHalfAPeriod) {
  const FieldOfInduction field(kLinear);
  SwitchOnCircuit c;
  c.magnetic = {1000, 0.2, 0};
  c.volts = 230;
  c.frequency_hz = 50;
  c.section_m2 = kSqrt2 * 230 / (2 * std::numbers::pi * 50 * 1000 * 1.0);  // B̂ = 1 T
  c.resistance_ohm = 1;
  const double steady = MagnetisingCurrent(field, c.magnetic, 1.0).peak_a;
  const SwitchOn on = SimulateSwitchOn(field, c);
  ASSERT_TRUE(on.peak_a && on.peak_time_s && on.i2t_a2s);
  EXPECT_GE(*on.peak_a / steady, 1.85);
  EXPECT_LE(*on.peak_a / steady, 2.0);
  EXPECT_NEAR(*on.peak_time_s, 0.010, 0.0005);
  EXPECT_GT(*on.i2t_a2s, 0);
  // No resistance at all: nothing bounds the current, and nothing is claimed.
  c.resistance_ohm = 0;
  EXPECT_FALSE(SimulateSwitchOn(field, c).peak_a);
}

TEST(NoLoad, FusesOnBothSidesOfAStepOfTheSeries) {
  EXPECT_EQ(SmallestFuse(0.315), 0.315);
  EXPECT_EQ(SmallestFuse(0.315 * (1 + 5e-7)), 0.315);  // within 1 ppm
  EXPECT_EQ(SmallestFuse(0.3151), 0.4);
  EXPECT_EQ(SmallestFuse(16.1), std::nullopt);
  // The primary: 1.5 × 0.2 A = 0.3 A takes 0.315 A while the pulse is within 38 % of its I²t.
  const double limit = kPulseShare * kMeltingI2tPerIn2 * 0.315 * 0.315;
  EXPECT_EQ(ChoosePrimaryFuse(0.2, limit).rating_a, 0.315);
  EXPECT_EQ(ChoosePrimaryFuse(0.2, limit * 1.01).rating_a, 0.4);
  EXPECT_TRUE(ChoosePrimaryFuse(0.2, std::nullopt).on_current_alone);
  const PrimaryFuse oversized = ChoosePrimaryFuse(0.05, limit * 100);
  EXPECT_EQ(oversized.status, FuseStatus::Oversized);
  EXPECT_EQ(ChoosePrimaryFuse(11, 0).status, FuseStatus::None);
  EXPECT_EQ(FuseText(0.315, ','), "T 315 mA");
  EXPECT_EQ(FuseText(0.032, ','), "T 32 mA");
  EXPECT_EQ(FuseText(1.25, ','), "T 1,25 A");
  EXPECT_EQ(FuseText(1, '.'), "T 1 A");
}

TEST(NoLoad, AdvisedInductionOfASaturatedDesignIsOkWhenApplied) {
  // The README's example: 230 V, 622 turns on 9.8 cm² × 0.95, 1.209 kg of M400-50A, 0.464 A of
  // load current, entered at 1.70 T.
  const FieldOfInduction field(CurveFor("M400-50A"));
  IdleInput in;
  in.volts = 230;
  in.frequency_hz = 50;
  in.section_m2 = 9.8e-4 * 0.95;
  in.circuit = {622, 1.209 / kIronDensity / in.section_m2, 20e-6};
  in.mass_kg = 1.209;
  in.loss_w_per_kg = 4;
  in.load_current_a = 0.464;
  in.resistance_ohm = 14;
  NoLoadResult design;
  ComputeNoLoad(in, field, design);
  EXPECT_EQ(design.verdict, NoLoadVerdict::Saturated);
  const std::optional<double> advised = AdvisedInduction(in, field, 1.7);
  ASSERT_TRUE(advised);
  const auto verdict_at = [&](double induction) {
    IdleInput scaled = in;
    scaled.circuit.turns = 622 * 1.7 / induction;
    NoLoadResult result;
    ComputeNoLoad(scaled, field, result);
    return result.verdict;
  };
  EXPECT_EQ(verdict_at(*advised), NoLoadVerdict::Ok);
  EXPECT_NE(verdict_at(*advised + kInductionStepT), NoLoadVerdict::Ok);
  // The flux follows the turns: B̂0 = √2 V ÷ (2π f N A), to the crest.
  EXPECT_NEAR(design.at[0].induction_t,
              kSqrt2 * 230 / (2 * std::numbers::pi * 50 * 622 * in.section_m2), 1e-12);
  // Unloaded, I1n is the idle current and nothing is judged.
  in.loaded = false;
  NoLoadResult idle;
  ComputeNoLoad(in, field, idle);
  EXPECT_EQ(idle.verdict, NoLoadVerdict::Unloaded);
  EXPECT_EQ(idle.rated_current_a, idle.at[0].current_a);
  EXPECT_FALSE(AdvisedInduction(in, field, 1.7));
}

}  // namespace
}  // namespace kel

namespace kel {
namespace {

// A primary of two turns, the largest gap and remanence, a secondary of no current: figures or
// "non calculé", never a NaN.
TEST(NoLoad, ExtremeDesignsGiveFiguresOrNothing) {
  CheckInput in;
  in.frequency_hz = 50;
  in.induction_t = 1.7;
  in.core = {"T", 10, 0.6, 12, 30, 20};
  CheckOptions options;
  options.joint_gap_um = 500;
  options.remanence = 0.95;
  for (const int turns : {1, 2, 600, 100000}) {
    in.windings = {{0, turns, 230, 0.5, 0.4}, {1, 100, 12, 0, 0.4}};
    const CheckResult r = RunCheck(in, options);
    ASSERT_TRUE(r.no_load) << turns;
    EXPECT_TRUE(std::isfinite(r.primary_current_a)) << turns;
    for (const NoLoadPoint& p : r.no_load->at) {
      EXPECT_TRUE(std::isfinite(p.current_a) && std::isfinite(p.magnetising.crest_factor)) << turns;
    }
    if (r.switch_on && r.switch_on->figures.peak_a) {
      EXPECT_TRUE(std::isfinite(*r.switch_on->figures.peak_a) &&
                  *r.switch_on->figures.peak_a <=
                      1.01 * std::numbers::sqrt2 * 230 / r.switch_on->resistance_ohm)
          << turns;
    }
  }
}

}  // namespace
}  // namespace kel
