// The rectifier and capacitor model held to its limits: the peak rectifier of a vanishing source
// resistance, the infinite capacitor's closed form, the energy and charge balances; and the
// solution's search for E and for the capacitor, with the requests no circuit meets.

#include "check/Rectifier.h"

#include <map>
#include <string>
#include <vector>

#include "check/RectifierCheck.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

namespace kel {
namespace {

constexpr double kPi = std::numbers::pi;

RectifierCircuit Circuit(RectifierType type, double r_s, double c_f, double dc_a = 1,
                         double drop = 0.8) {
  RectifierCircuit c;
  c.type = type;
  c.source_ohm = r_s;
  c.capacitor_f = c_f;
  c.dc_a = dc_a;
  c.diode_drop_v = drop;
  return c;
}

// A large capacitor and R_s → 0: a peak rectifier. The DC volts come to the crest less the drops
// and the ripple to I/(2fC), from below: the capacitor is not discharged during the pulse. With
// R_s at 1 % of the load the pulses keep a width that takes about a fifth off the ripple.
TEST(Rectifier, TendsToThePeakRectifier) {
  constexpr double kE = 20, kC = 1.0;  // 1 F: I/(2fC) = 10 mV at 1 A
  const double crest = std::numbers::sqrt2 * kE - 1.6, load = crest / 1;
  const struct {
    double r_share;
    double ripple_low, ripple_high;  // of I/(2fC)
    double dc_share;                 // how close to the crest less the drops
  } cases[] = {{1e-4, 0.93, 1.0, 0.005}, {1e-2, 0.72, 0.85, 0.07}};
  for (const auto& c : cases) {
    const RectifierPeriod p =
        SteadyPeriod(Circuit(RectifierType::Bridge, c.r_share * load, kC), kE);
    ASSERT_TRUE(p.settled);
    const double ideal_ripple = 1 / (2 * 50 * kC);
    EXPECT_GT(p.ripple_v / ideal_ripple, c.ripple_low) << c.r_share;
    EXPECT_LT(p.ripple_v / ideal_ripple, c.ripple_high) << c.r_share;
    EXPECT_LT(p.dc_v, crest);
    EXPECT_GT(p.dc_v, crest * (1 - c.dc_share)) << c.r_share;
  }
}

// C → ∞ at a given R_s, the drops aside: v is constant, the pulse's half-angle φ solves
// tan φ − φ = π·R_s/(2·R_L), V = √2·E·cos φ and the pulse (A/R_s)(sin θ − cos φ) has the rms
// (A/R_s)·√((φ(1 + 2cos²φ) − 3 sin φ cos φ)/π).
TEST(Rectifier, MeetsTheInfiniteCapacitorsClosedForm) {
  constexpr double kE = 20;
  const double a = std::numbers::sqrt2 * kE;
  for (const double r_s : {0.2, 1.0, 4.0}) {
    const RectifierPeriod p = SteadyPeriod(Circuit(RectifierType::Bridge, r_s, 1e4, 1, 0), kE);
    ASSERT_TRUE(p.settled);
    const double target = kPi * r_s / (2 * p.dc_v / 1);
    double lo = 0, hi = kPi / 2;
    for (int i = 0; i < 100; ++i) {
      const double mid = (lo + hi) / 2;
      (std::tan(mid) - mid < target ? lo : hi) = mid;
    }
    const double phi = lo, c = std::cos(phi), s = std::sin(phi);
    EXPECT_NEAR(p.dc_v, a * c, a * c * 1e-5) << r_s;
    EXPECT_NEAR(p.conduction_deg, 2 * phi * 180 / kPi, 2 * phi * 180 / kPi * 1e-4) << r_s;
    const double rms = a / r_s * std::sqrt((phi * (1 + 2 * c * c) - 3 * s * c) / kPi);
    EXPECT_NEAR(p.winding_rms_a, rms, rms * 1e-4) << r_s;
  }
}

// Power from the EMF = DC power + the diodes' + R_s·I²; the diodes' mean current is the load's;
// halving the step moves no figure by more than 10⁻⁴; a bridge's winding carries 1,4 to 2,5 times
// its DC current for R_s a few percent of the load; a centre tap's half carries 1/√2 of the
// bridge's, at the same circuit but for one drop.
TEST(Rectifier, BalancesItsEnergyAndCharge) {
  const struct {
    RectifierType type;
    double e, r_s, c_f, dc_a;
  } cases[] = {{RectifierType::Bridge, 20, 0.3, 4700e-6, 2},
               {RectifierType::Bridge, 12, 0.8, 2200e-6, 1},
               {RectifierType::CentreTap, 270, 40, 47e-6, 0.12},
               {RectifierType::CentreTap, 9, 0.05, 1000e-6, 0.5}};
  for (const auto& k : cases) {
    RectifierCircuit circuit = Circuit(k.type, k.r_s, k.c_f, k.dc_a);
    const RectifierPeriod p = SteadyPeriod(circuit, k.e);
    ASSERT_TRUE(p.settled) << k.e;
    const double out = p.dc_v * k.dc_a + p.diode_w + p.resistance_w;
    EXPECT_NEAR(p.emf_w, out, out * 0.005) << k.e;
    EXPECT_NEAR(p.mean_diode_a, k.dc_a, k.dc_a * 1e-4) << k.e;
    circuit.step_s = 1 / (2 * 2000 * 50.0);
    const RectifierPeriod half = SteadyPeriod(circuit, k.e);
    for (const auto& [a, b] : {std::pair{p.dc_v, half.dc_v},
                               {p.ripple_v, half.ripple_v},
                               {p.winding_rms_a, half.winding_rms_a},
                               {p.peak_diode_a, half.peak_diode_a},
                               {p.conduction_deg, half.conduction_deg},
                               {p.capacitor_ripple_a, half.capacitor_ripple_a}}) {
      EXPECT_NEAR(a, b, std::fabs(b) * 1e-4) << k.e;
    }
  }
  for (const double share : {0.02, 0.05}) {
    const double load = 24 / 2.0;
    const RectifierPeriod p =
        SteadyPeriod(Circuit(RectifierType::Bridge, share * load, 4700e-6, 2), 19.5);
    EXPECT_GT(p.winding_rms_a / 2, 1.4) << share;
    EXPECT_LT(p.winding_rms_a / 2, 2.5) << share;
    RectifierCircuit tap = Circuit(RectifierType::CentreTap, share * load, 4700e-6, 2, 1.6);
    EXPECT_NEAR(SteadyPeriod(tap, 19.5).winding_rms_a, p.winding_rms_a / std::numbers::sqrt2,
                p.winding_rms_a * 1e-6);
  }
}

TEST(Rectifier, FindsTheEmfAndTheCapacitor) {
  // Given: the DC volts come out as asked, and the rating covers the no-load crest at 110 %.
  RectifierRequest given{RectifierType::Bridge, 24, 2, 4700, 0.8};
  const RectifierSolution s = SolveRectifier(given, 50, 0.4);
  ASSERT_EQ(s.status, RectifierStatus::Ok);
  EXPECT_NEAR(s.period.dc_v, 24, 24e-9);
  EXPECT_FALSE(s.capacitor_chosen);
  EXPECT_EQ(s.capacitor_rating_v, 35);  // crest at 110 %: about 31 V
  EXPECT_GT(s.no_load_peak_at_110pct_v, 25);
  EXPECT_LT(*s.dc_v_at_90pct_mains, 24);
  EXPECT_GT(*s.dc_v_at_110pct_mains, 24);
  EXPECT_NEAR(*DcVoltsAt(given, 50, 0.4, 4700, s.e_rms), 24, 24e-9);

  // Chosen: the smallest E6 value with the ripple within 10 %; the one below it is not.
  RectifierRequest chosen = given;
  chosen.capacitor_uf.reset();
  const RectifierSolution c = SolveRectifier(chosen, 50, 0.4);
  ASSERT_EQ(c.status, RectifierStatus::Ok);
  EXPECT_TRUE(c.capacitor_chosen);
  EXPECT_EQ(c.capacitor_uf, 6800);  // I/(2fC) less a fifth: 2,4 V from about 6 700 µF
  EXPECT_LE(c.period.ripple_v, 2.4);
  chosen.capacitor_uf = 4700;
  EXPECT_GT(SolveRectifier(chosen, 50, 0.4).period.ripple_v, 2.4);

  // An HT crest above the largest rating has none.
  const RectifierSolution ht =
      SolveRectifier({RectifierType::CentreTap, 480, 0.05, 47, 0.8}, 50, 50);
  ASSERT_EQ(ht.status, RectifierStatus::Ok);
  EXPECT_FALSE(ht.capacitor_rating_v);
}

TEST(Rectifier, RefusesWhatNoCircuitGives) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    RectifierRequest request;
    double r_s;
    RectifierStatus status;
  } cases[] = {
      {{RectifierType::Bridge, 24, 2, 10, 0.8}, 0.4, RectifierStatus::CapacitorTooSmall},
      {{RectifierType::Bridge, 24, 2000, std::nullopt, 0.8}, 0.001, RectifierStatus::NoCapacitor},
      {{RectifierType::Bridge, 0, 2, 4700, 0.8}, 0.4, RectifierStatus::InvalidData},
      {{RectifierType::Bridge, 24, -1, 4700, 0.8}, 0.4, RectifierStatus::InvalidData},
      {{RectifierType::Bridge, 24, 2, 4700, nan}, 0.4, RectifierStatus::InvalidData},
      {{RectifierType::Bridge, 24, 2, 0, 0.8}, 0.4, RectifierStatus::InvalidData},
      {{RectifierType::Bridge, 24, 2, 4700, 0.8}, 0, RectifierStatus::InvalidData},
      {{RectifierType::Bridge, inf, 2, 4700, 0.8}, 0.4, RectifierStatus::InvalidData},
  };
  for (const auto& c : cases) {
    const RectifierSolution s = SolveRectifier(c.request, 50, c.r_s);
    EXPECT_EQ(s.status, c.status) << TermOf(c.status).code;
    EXPECT_FALSE(s.Solved());
  }
  EXPECT_EQ(TermOf(RectifierStatus::CapacitorTooSmall).text,
            "condensateur trop petit pour ce courant");
}

}  // namespace
}  // namespace kel

namespace kel {
namespace {

// A centre tap is its key at 1 or a centre-tap rectifier; any other text than 1 or 0 is said.
TEST(CentreTap, ReadFromItsKeyOrItsRectifier) {
  const std::map<std::string, std::string> texts = {{"PointMilieu1", " 1 "},
                                                    {"Redresseur2", "point-milieu"},
                                                    {"PointMilieu3", "oui"},
                                                    {"PointMilieu4", "0"},
                                                    {"Redresseur4", "pont"}};
  std::vector<std::string> problems;
  std::vector<bool> tapped;
  for (int row = 1; row <= 4; ++row) tapped.push_back(IsCentreTapped(texts, row, &problems));
  EXPECT_EQ(tapped, (std::vector<bool>{true, true, false, false}));
  EXPECT_EQ(problems, std::vector<std::string>{"Vérification : PointMilieu3 « oui » : 1 (point "
                                               "milieu) ou 0 attendu ; secondaire 3 sans point "
                                               "milieu."});
  std::map<std::string, std::string> edited;
  EXPECT_TRUE(SetCentreTap(edited, 4, true));
  EXPECT_FALSE(SetCentreTap(edited, 4, true));
  EXPECT_FALSE(SetCentreTap(edited, 0, true));
  EXPECT_FALSE(SetCentreTap(edited, 5, true));
  EXPECT_EQ(edited, (std::map<std::string, std::string>{{"PointMilieu4", "1"}}));
  EXPECT_TRUE(SetCentreTap(edited, 4, false));
  EXPECT_TRUE(edited.empty());
  for (const char* bad : {"0", "5", "x", "", "1:2", "11"}) EXPECT_FALSE(CentreTapRow(bad)) << bad;
  EXPECT_EQ(CentreTapRow("4"), 4);
}

// The document's texts and the command line's values: what each gives, and the sentence a bad one
// gets. A type that is not one leaves the secondary alternating; a bad number leaves it listed but
// not calculated.
TEST(RectifierSettings, ReadTheTextsAndTheCommandLine) {
  std::vector<std::string> problems;
  const std::vector<RectifierSetting> settings =
      RectifiersFromTexts({{"Redresseur1", "pont"},
                           {"VoltsContinus1", "24"},
                           {"AmpsContinus1", "2,5"},
                           {"Redresseur2", "point-milieu"},
                           {"VoltsContinus2", "350"},
                           {"AmpsContinus2", "0.12"},
                           {"Condensateur2", "47"},
                           {"ChuteDiode2", "0"},
                           {"Redresseur3", "demi-onde"},
                           {"VoltsContinus3", "5"},
                           {"Redresseur4", "pont"},
                           {"VoltsContinus4", "12"},
                           {"AmpsContinus4", "0"},
                           {"VoltsContinus5", "1"}},
                          problems);
  ASSERT_EQ(settings.size(), 3u);
  EXPECT_EQ(settings[0].row, 1);
  EXPECT_TRUE(settings[0].valid);
  EXPECT_EQ(settings[0].request.dc_a, 2.5);
  EXPECT_FALSE(settings[0].request.capacitor_uf);
  EXPECT_EQ(settings[0].request.diode_drop_v, 0.8);
  EXPECT_EQ(settings[1].request.type, RectifierType::CentreTap);
  EXPECT_EQ(settings[1].request.capacitor_uf, 47);
  EXPECT_EQ(settings[1].request.diode_drop_v, 0);
  EXPECT_EQ(settings[2].row, 4);
  EXPECT_FALSE(settings[2].valid);
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_EQ(problems[0],
            "Vérification : Redresseur3 « demi-onde » : « pont » ou « point-milieu » attendu ; "
            "secondaire 3 alternatif.");
  EXPECT_EQ(problems[1],
            "Vérification : AmpsContinus4 « 0 » : un courant continu de plus de 0 à 1 000 A "
            "attendu ; secondaire 4 non calculé.");

  // The command line's value over the document's: a capacitor not given goes.
  std::map<std::string, std::string> texts = {{"Redresseur1", "pont"}, {"Condensateur1", "4700"}};
  EXPECT_EQ(ApplyRectifierArgument("1:point-milieu:350:0,12", texts), "");
  EXPECT_EQ(texts, (std::map<std::string, std::string>{{"Redresseur1", "point-milieu"},
                                                       {"VoltsContinus1", "350"},
                                                       {"AmpsContinus1", "0,12"}}));
  EXPECT_EQ(ApplyRectifierArgument("4:pont:5:1:100:1.1", texts), "");
  EXPECT_EQ(texts["ChuteDiode4"], "1.1");
  const auto before = texts;
  for (const auto& [argument, sentence] :
       std::initializer_list<std::pair<const char*, const char*>>{
           {"1:pont:24", "K:TYPE:VDC:IDC[:µF[:VD]] attendu, par exemple 1:pont:24:2:4700"},
           {"1:pont:24:2:4700:0.8:9",
            "K:TYPE:VDC:IDC[:µF[:VD]] attendu, par exemple 1:pont:24:2:4700"},
           {"5:pont:24:2", "le secondaire « 5 » n'existe pas : 1, 2, 3 ou 4 attendu"},
           {"0:pont:24:2", "le secondaire « 0 » n'existe pas : 1, 2, 3 ou 4 attendu"},
           {"1:Pont:24:2", "le type « Pont » n'existe pas : « pont » ou « point-milieu » attendu"},
           {"1:pont:24:2:0",
            "« 0 » : une capacité de plus de 0 à 10 000 000 µF (vide : choisie) attendu"},
           {"1:pont:24:2::",
            "«  » : une capacité de plus de 0 à 10 000 000 µF (vide : choisie) attendu"},
           {"1:pont:1e9:2", "« 1e9 » : une tension continue de plus de 0 à 100 000 V attendu"},
           {"1:pont:24:nan", "« nan » : un courant continu de plus de 0 à 1 000 A attendu"},
           {"1:pont:24:2:10:10.5", "« 10.5 » : une chute de 0 à 10 V (vide : 0,8 V) attendu"}}) {
    EXPECT_EQ(ApplyRectifierArgument(argument, texts), sentence) << argument;
  }
  EXPECT_EQ(texts, before);
}

}  // namespace
}  // namespace kel
