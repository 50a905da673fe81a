// The winding window as numbers: bands that add up to the check's build, each inside the window
// or marked outside, and the SVG drawn from them.

#include "report/WindingWindow.h"

#include <gtest/gtest.h>

#include <map>

#include "report/WindingSvg.h"

namespace kel {
namespace {

// The worked example: EI84/35, 622 turns of the primary at 0.43478 A in 0.3927 mm, 270 turns of
// the secondary at 1 A in 0.5956 mm. height_mm replaces hautcu to make it overfull.
CheckResult Example(double height_mm = 12) {
  CheckInput in;
  in.core = {"EI84/35", 9.8, 1.209, height_mm, 39, 17.6};
  in.frequency_hz = 50;
  in.induction_t = 1.7;
  in.windings = {{0, 622, 230, 0.43478, 0.3927}, {1, 270, 100, 1, 0.5956}};
  // The drawing does not show the tape between primary and secondary yet.
  CheckOptions options;
  options.tape_layers = 0;
  return RunCheck(in, options);
}

TEST(WindingWindow, BandsAddUpToTheBuildFromTheTongueOutwards) {
  for (const double height : {12.0, 5.0}) {
    const CheckResult check = Example(height);
    const WindingWindow window = LayOutWindow(check);
    ASSERT_EQ(window.parts.front().kind, PartKind::Window);
    EXPECT_EQ(window.parts.front().width, height);
    EXPECT_EQ(window.parts.front().height, 39);
    EXPECT_EQ(window.rows, (std::vector<int>{0, 1}));
    std::map<int, double> per_row;
    double x = 0;
    int layers = 0;
    for (const WindowPart& p : window.parts) {
      if (p.row < 0) continue;
      EXPECT_NEAR(p.x, x, 1e-9) << "bands follow one another";
      x = p.x + p.width;
      per_row[p.row] += p.width;
      EXPECT_LE(p.height, 39 + 1e-9);
      EXPECT_EQ(p.outside, p.x + p.width > height + 1e-9);
      layers += p.kind == PartKind::Layer;
    }
    EXPECT_EQ(layers, 8 + 5);
    EXPECT_NEAR(per_row[0], check.windings[0].build_mm, 0.01);
    EXPECT_NEAR(per_row[1], check.windings[1].build_mm, 0.01);
    EXPECT_NEAR(window.build_mm, *check.build_mm, 0.01);
    const WindowPart& last = window.parts.back();
    if (height == 12) {
      EXPECT_FALSE(window.overfull);
      EXPECT_EQ(last.kind, PartKind::Free);
      EXPECT_NEAR(last.width, 12 - 7.657, 1e-9);
    } else {
      EXPECT_TRUE(window.overfull);
      EXPECT_EQ(last.kind, PartKind::Overflow);
      EXPECT_NEAR(last.x + last.width, 7.657, 1e-9);
    }
  }
}

TEST(WindingWindow, LayersAreAsLongAsTheirTurns) {
  const WindingWindow window = LayOutWindow(Example());
  std::vector<const WindowPart*> primary;
  for (const WindowPart& p : window.parts) {
    if (p.kind == PartKind::Layer && p.row == 0) primary.push_back(&p);
  }
  ASSERT_EQ(primary.size(), 8u);
  EXPECT_EQ(primary.front()->turns, 88);
  EXPECT_NEAR(primary.front()->height, 88 * 0.439, 1e-9);
  EXPECT_EQ(primary.back()->turns, 622 - 7 * 88);
  EXPECT_EQ(primary.back()->layer, 8);
}

TEST(WindingWindow, AWindingOfCountlessLayersIsOneBand) {
  CheckInput in;
  in.core = {"EI84/35", 9.8, 1.209, 12, 39, 17.6};
  in.windings = {{0, 50000000, 230, 0.01, 0.05}};
  const CheckResult check = RunCheck(in, {});
  const WindingWindow window = LayOutWindow(check);
  ASSERT_EQ(window.parts.size(), 4u);  // window, the band, the wrap, the overflow
  EXPECT_EQ(window.parts[1].layer, 0);
  EXPECT_NEAR(window.build_mm, *check.build_mm, 0.01);
  EXPECT_TRUE(window.overfull);
}

TEST(WindingWindow, SvgShowsTheWindingsAndAnOverfullWindowInRed) {
  const std::string fits = WindingWindowSvg(Example(), ',');
  EXPECT_EQ(fits.rfind("<svg xmlns=\"http://www.w3.org/2000/svg\"", 0), 0u);
  EXPECT_NE(fits.find("Pri : 622 spires, fil 0,400 mm, 8 couches"), std::string::npos);
  EXPECT_NE(fits.find("Libre : 4,34 mm sur 12,0 mm"), std::string::npos) << fits;
  EXPECT_EQ(fits.find("#ff0000"), std::string::npos);
  const std::string overfull = WindingWindowSvg(Example(5), ',');
  EXPECT_NE(overfull.find("Trop plein : 7,66 mm pour 5,0 mm"), std::string::npos);
  EXPECT_NE(overfull.find("stroke=\"#ff0000\" stroke-width=\"2\""), std::string::npos);
}

}  // namespace
}  // namespace kel
