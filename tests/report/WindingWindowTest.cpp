// The winding window as numbers: bands that add up to the check's build, each inside the window
// or marked outside; the picture drawn from them, which hides no winding and holds its legend;
// and the SVG that paints the picture.

#include "report/WindingWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>

#include "report/WindingSvg.h"
#include "util/OutputText.h"

namespace kel {
namespace {

// The worked example: EI84/35, 622 turns of the primary at 0.43478 A in 0.3927 mm, 270 turns of
// the secondary at 1 A in 0.5956 mm, 3 × 0.05 mm of tape between them. height_mm replaces hautcu
// to make it overfull, and more turns of the primary make it wider than its legend.
CheckResult Example(double height_mm = 12, int primary_turns = 622) {
  CheckInput in;
  in.core = {"EI84/35", 9.8, 1.209, height_mm, 39, 17.6};
  in.frequency_hz = 50;
  in.induction_t = 1.7;
  in.windings = {{0, primary_turns, 230, 0.43478, 0.3927}, {1, 270, 100, 1, 0.5956}};
  return RunCheck(in, {});
}

// A taller window with margins, and a secondary of 6 mm wound as 2 strands of 4.5 mm: in one
// chamber with the tape, or in two with the partition (the second overfull at 12 mm).
CheckResult Bobbin(int chambers, double height_mm = 30) {
  CheckInput in;
  in.core = {"EI-essai", 9.8, 1.209, height_mm, 60, 17.6};
  in.frequency_hz = 50;
  in.induction_t = 1.7;
  in.windings = {{0, 622, 230, 0.43478, 0.3927}, {1, 270, 100, 1, 0.5956}, {2, 8, 6, 20, 6.0}};
  CheckOptions options;
  options.margin_mm = 1.5;
  options.chambers = chambers;
  options.partition_mm = 2;
  return RunCheck(in, options);
}

// Five windings, the most a design has, one of them in a wire thinner than a hair.
CheckResult FiveWindings() {
  CheckInput in;
  in.core = {"EI84/35", 9.8, 1.209, 12, 39, 17.6};
  in.frequency_hz = 50;
  in.induction_t = 1.7;
  in.windings = {{0, 622, 230, 0.7, 0.5},
                 {1, 270, 100, 1, 0.5956},
                 {2, 20, 6.3, 3, 1.0},
                 {3, 17, 5, 2, 0.8},
                 {4, 700, 250, 0.02, 0.1}};
  return RunCheck(in, {});
}

// The worked example with a third winding in a wire past the table: not drawn.
CheckResult WithAWireOffTheTable() {
  CheckInput in;
  in.core = {"EI84/35", 9.8, 1.209, 12, 39, 17.6};
  in.windings = {{0, 622, 230, 0.43478, 0.3927}, {1, 270, 100, 1, 0.5956}, {2, 5, 2, 1, 45}};
  return RunCheck(in, {});
}

bool IsWinding(const Shape& s) {
  return s.kind == ShapeKind::Layer || s.kind == ShapeKind::Interlayer ||
         s.kind == ShapeKind::Wrap || s.kind == ShapeKind::Tape;
}

bool Overlap(const Shape& a, const Shape& b) {
  const double across = std::min(a.x + a.width, b.x + b.width) - std::max(a.x, b.x);
  const double along = std::min(a.y + a.height, b.y + b.height) - std::max(a.y, b.y);
  return across > 1e-6 && along > 1e-6;
}

bool IsBand(const WindowPart& p) {
  return p.kind == PartKind::Layer || p.kind == PartKind::Interlayer || p.kind == PartKind::Wrap ||
         p.kind == PartKind::Tape;
}

TEST(WindingWindow, BandsFollowOneAnotherFromTheBobbinInsideTheMargins) {
  const std::pair<const char*, CheckResult> designs[] = {
      {"exemple", Example()},
      {"trop plein", Example(5)},
      {"un compartiment, marges, brins", Bobbin(1)},
      {"deux compartiments", Bobbin(2)},
      {"deux compartiments, le second trop plein", Bobbin(2, 12)}};
  for (const auto& [name, check] : designs) {
    SCOPED_TRACE(name);
    const WindingWindow window = LayOutWindow(check);
    const double height = check.core.window_height_mm, m = check.options.margin_mm;
    ASSERT_EQ(window.parts.front().kind, PartKind::Window);
    EXPECT_EQ(window.parts.front().width, height);
    EXPECT_EQ(window.parts.front().height, check.core.window_width_mm);
    ASSERT_EQ(window.chambers.size(), static_cast<std::size_t>(check.chamber_count));
    std::map<int, double> per_row, end;  // by winding; by chamber
    bool free[2] = {false, false};
    for (const WindowPart& p : window.parts) {
      if (p.kind == PartKind::Free) {
        free[p.chamber - 1] = true;
        EXPECT_NEAR(p.x, window.chambers[p.chamber - 1].drawn_mm, 1e-12);
        EXPECT_NEAR(p.x + p.width, height, 1e-12);
      }
      if (!IsBand(p)) continue;
      const WindowChamber& c = window.chambers[p.chamber - 1];
      EXPECT_NEAR(p.x, end[p.chamber], 1e-9) << "bands follow one another";
      end[p.chamber] = p.x + p.width;
      if (p.row >= 0) per_row[p.row] += p.width;
      EXPECT_EQ(p.y, c.y + m);
      EXPECT_LE(p.y + p.height, c.y + c.length_mm - m + 1e-9);
      EXPECT_EQ(p.outside, p.x + p.width > height + 1e-9);
    }
    for (const WindingCheck& w : check.windings) {
      EXPECT_NEAR(per_row[w.input.row], w.build_mm, 1e-9) << w.input.row;
    }
    for (std::size_t i = 0; i < window.chambers.size(); ++i) {
      EXPECT_NEAR(end[static_cast<int>(i) + 1], window.chambers[i].drawn_mm, 1e-9);
      EXPECT_EQ(free[i], !window.chambers[i].overfull);
    }
  }
  // The primary of 8 layers and the secondary of 5, the tape between them.
  const WindingWindow window = LayOutWindow(Example());
  EXPECT_EQ(window.rows, (std::vector<int>{0, 1}));
  std::vector<PartKind> kinds;
  for (const WindowPart& p : window.parts) {
    if (IsBand(p) && (kinds.empty() || kinds.back() != p.kind)) kinds.push_back(p.kind);
  }
  EXPECT_EQ(std::count(kinds.begin(), kinds.end(), PartKind::Layer), 8 + 5);
  EXPECT_EQ(std::find(kinds.begin(), kinds.end(), PartKind::Tape) - kinds.begin(), 2 * 8);
  EXPECT_NEAR(window.chambers[0].drawn_mm, 7.657 + 3 * 0.05, 1e-9);
}

// The room the drawing says is left is the check's: its build of each chamber, with the strands
// of a winding side by side along the layer, the tape, the margins and the partition.
TEST(WindingWindow, DrawnBuildsAreTheChecksChamberBuilds) {
  for (const int chambers : {1, 2}) {
    SCOPED_TRACE(chambers);
    const CheckResult check = Bobbin(chambers);
    ASSERT_EQ(check.windings[2].strands, 2);
    ASSERT_EQ(check.tape_mm > 0, chambers == 1);
    const WindingWindow window = LayOutWindow(check);
    ASSERT_EQ(window.chambers.size(), static_cast<std::size_t>(chambers));
    const Picture picture = DrawWindow(check, ',');
    for (int i = 0; i < chambers; ++i) {
      const WindowChamber& c = window.chambers[static_cast<std::size_t>(i)];
      ASSERT_TRUE(check.chambers[static_cast<std::size_t>(i)].build_mm);
      const double build = *check.chambers[static_cast<std::size_t>(i)].build_mm;
      EXPECT_EQ(c.drawn_mm, build);
      EXPECT_EQ(c.usable_mm, check.windings[static_cast<std::size_t>(i)].usable_width_mm);
      const std::string room =
          (chambers == 1 ? "Libre : " : "libre ") + Fixed(30 - build, 2, ',') + " mm sur 30,0 mm";
      EXPECT_EQ(std::count_if(picture.shapes.begin(), picture.shapes.end(),
                              [&room](const Shape& s) {
                                return s.kind == ShapeKind::Legend &&
                                       s.text.find(room) != std::string::npos;
                              }),
                1)
          << room;
    }
    int tapes = 0, partitions = 0, margins = 0;
    for (const WindowPart& p : window.parts) {
      tapes += p.kind == PartKind::Tape;
      partitions += p.kind == PartKind::Partition;
      margins += p.kind == PartKind::Margin;
      if (p.kind == PartKind::Layer && p.row == 2) {
        EXPECT_EQ(p.height, p.turns * 2 * check.windings[2].overall_mm);
      }
      if (p.kind == PartKind::Partition) {
        EXPECT_NEAR(p.y, 29, 1e-12);
        EXPECT_NEAR(p.height, 2, 1e-12);
        EXPECT_EQ(p.width, 30);
      }
    }
    EXPECT_EQ(tapes, chambers == 1);
    EXPECT_EQ(partitions, chambers == 2);
    EXPECT_EQ(margins, 2 * chambers);
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
  ASSERT_EQ(window.parts.size(), 3u);  // window, the band, the wrap
  EXPECT_EQ(window.parts[1].layer, 0);
  EXPECT_NEAR(window.build_mm, *check.build_mm, 0.01);
  EXPECT_TRUE(window.overfull);
}

TEST(WindingWindow, SvgShowsTheWindingsAndAnOverfullWindowInRed) {
  const std::string fits = WindingWindowSvg(Example(), ',');
  EXPECT_EQ(fits.rfind("<svg xmlns=\"http://www.w3.org/2000/svg\"", 0), 0u);
  EXPECT_NE(fits.find("Pri : 622 spires, fil 0,400 mm, 8 couches"), std::string::npos);
  EXPECT_NE(fits.find("Libre : 4,19 mm sur 12,0 mm (largeur 39,0 mm)"), std::string::npos) << fits;
  EXPECT_EQ(fits.find("#ff0000"), std::string::npos);
  EXPECT_NE(WindingWindowSvg(FiveWindings(), ',').find(", 1 couche<"), std::string::npos);
  EXPECT_NE(WindingWindowSvg(WithAWireOffTheTable(), ',')
                .find("fill=\"#ff0000\">Sec 2 : 5 spires, hors table, pas dessiné<"),
            std::string::npos);
  const std::string overfull = WindingWindowSvg(Example(5), ',');
  EXPECT_NE(overfull.find("Trop plein : 7,81 mm pour 5,0 mm"), std::string::npos);
  EXPECT_NE(overfull.find("stroke=\"#ff0000\" stroke-width=\"2\""), std::string::npos);
}

TEST(WindingPicture, HidesNoWindingAndHoldsEveryShapeAndTheLegend) {
  // Captions as the estimate measures them, and in a face twice as wide: the box follows them.
  const TextWidth estimate = EstimatedTextWidth;
  const TextWidth wide = [](const std::string& text) { return 2 * EstimatedTextWidth(text); };
  const std::pair<const char*, CheckResult> designs[] = {
      {"exemple", Example()},
      {"trop plein", Example(5)},
      {"trois fois trop plein", Example(2.5)},
      {"plus large que la légende", Example(12, 6000)},
      {"cinq enroulements", FiveWindings()},
      {"fil hors table", WithAWireOffTheTable()},
      {"marges et brins", Bobbin(1)},
      {"deux compartiments, le second trop plein", Bobbin(2, 12)}};
  for (const auto& [name, check] : designs) {
    for (const TextWidth* measure : {&estimate, &wide}) {
      SCOPED_TRACE(std::string(name) + (measure == &wide ? ", large" : ""));
      const WindingWindow window = LayOutWindow(check);
      const Picture picture = DrawWindow(check, ',', *measure);
      const std::vector<Shape>& shapes = picture.shapes;
      EXPECT_EQ(picture.overfull, window.overfull);
      std::vector<std::string> legend;
      bool beyond = false;
      for (std::size_t i = 0; i < shapes.size(); ++i) {
        const Shape& s = shapes[i];
        EXPECT_GE(s.x, 0) << i;
        EXPECT_GE(s.y, 0) << i;
        EXPECT_LE(s.x + s.width, picture.width) << i;
        EXPECT_LE(s.y + s.height, picture.height) << i;
        if (s.kind == ShapeKind::Legend || s.kind == ShapeKind::Caption) {
          EXPECT_EQ(s.width, (*measure)(s.text)) << s.text;
        }
        if (s.kind == ShapeKind::Legend) legend.push_back(s.text);
        if (!IsWinding(s)) continue;
        // What reaches past the outer leg's line is hatched, and nothing is painted over it.
        EXPECT_EQ(s.beyond, s.x + s.width > picture.leg_x + 1e-6) << i;
        beyond |= s.beyond;
        for (std::size_t j = i + 1; j < shapes.size(); ++j) {
          EXPECT_FALSE(Overlap(s, shapes[j])) << "shape " << j << " covers winding shape " << i;
        }
      }
      EXPECT_EQ(beyond, window.overfull);
      std::vector<std::string> captions;
      for (const WindingCheck& w : check.windings) captions.push_back(WindingCaption(w, ','));
      // A line per chamber, the hatching's, the tape's, the margins', the partition's.
      const std::size_t keys = window.overfull + (check.tape_mm > 0) +
                               (check.options.margin_mm > 0) + (check.chamber_count == 2);
      ASSERT_EQ(legend.size(), captions.size() + window.chambers.size() + keys);
      EXPECT_TRUE(std::equal(captions.begin(), captions.end(), legend.end() - captions.size()));
    }
  }
}

TEST(WindingPicture, LayersStandOnTheNearFlange) {
  for (const double height : {12.0, 5.0}) {
    const Picture picture = DrawWindow(Example(height), ',');
    const Shape* window = nullptr;
    std::vector<const Shape*> primary;
    for (const Shape& s : picture.shapes) {
      if (s.kind == ShapeKind::Window) window = &s;
      if (s.kind == ShapeKind::Layer && s.row == 0) primary.push_back(&s);
    }
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(primary.size(), 8u);
    // The last layer holds 6 turns of the 88 a full one would: it starts on the same flange.
    const Shape& last = *primary.back();
    EXPECT_NEAR(last.y + last.height, window->y + window->height, 1e-9);
    EXPECT_NEAR(last.height, window->height * 6 * 0.439 / 39, 1e-9);
    EXPECT_NEAR(primary.front()->y + primary.front()->height, window->y + window->height, 1e-9);
    EXPECT_NEAR(last.x, primary.front()->x + 7 * (0.439 + 0.05) * window->width / height, 1e-9);
  }
}

TEST(WindingWindow, OverfullSvgKeepsEveryRectangleInsideAndEscapesTheCoreName) {
  CheckResult check = Example(12, 6000);  // the windings reach the right of the picture
  check.core.ref = "EI&<b>84</b>";
  const std::string svg = WindingWindowSvg(check, ',');
  std::smatch size;
  ASSERT_TRUE(std::regex_search(svg, size,
                                std::regex("<svg[^>]* width=\"([0-9.]+)\" "
                                           "height=\"([0-9.]+)\"")));
  const double width = std::stod(size[1]), height = std::stod(size[2]);
  const std::regex rect(
      "<rect x=\"([-0-9.]+)\" y=\"([-0-9.]+)\" width=\"([-0-9.]+)\" height=\"([-0-9.]+)\"");
  int rects = 0;
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), rect); it != std::sregex_iterator();
       ++it, ++rects) {
    const double x = std::stod((*it)[1]), y = std::stod((*it)[2]);
    EXPECT_GE(x, 0) << it->str();
    EXPECT_GE(y, 0) << it->str();
    EXPECT_LE(x + std::stod((*it)[3]), width + 0.01) << it->str();
    EXPECT_LE(y + std::stod((*it)[4]), height + 0.01) << it->str();
  }
  EXPECT_GT(rects, 20);
  EXPECT_NE(svg.find("fill=\"url(#hachures)\""), std::string::npos);
  EXPECT_NE(svg.find("<title>Fenêtre de bobinage EI&amp;&lt;b&gt;84&lt;/b&gt;</title>"),
            std::string::npos);
  EXPECT_EQ(svg.find("<b>"), std::string::npos);
}

}  // namespace
}  // namespace kel
