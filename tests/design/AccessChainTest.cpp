// The recalculation chain on the Access samples, whose singles fall on the section bound.

#include <gtest/gtest.h>

#include "design/Chain.h"
#include "support/FakePlatform.h"
#include "util/NumberText.h"

namespace kel {
namespace {

const std::string kData = KELVANOR_TEST_DATA;
// Jet 4, table EI with 25 cores; EI135's SectionFer is exactly 19.8 (a Double).
const std::string kSample = kData + "/catalogue-ei.mdb";
// The same file with SectionFer and MasseFer made Single columns.
const std::string kSingles = kData + "/catalogue-ei-single.mdb";

// The whole recalculation on the Access sample: 291.5 W at 50 Hz asks for 20 cm² of iron, so
// the bound 19.8 falls exactly on EI135's section.
class AccessChain : public ::testing::TestWithParam<std::pair<std::string, const char*>> {};

TEST_P(AccessChain, ChoosesTheCoreAtTheBound) {
  const auto& [path, expected] = GetParam();
  test::FakePlatform platform;
  CatalogueSession session;
  session.DataBasePath = path;
  DesignSheet sheet;
  sheet.TxFreq = "50";
  sheet.TxTesla = "1.7";
  sheet.TxDCourant = "3.6";
  sheet.TxVolts[0] = "230";
  sheet.TxVolts[1] = "100";
  sheet.TxAmps[1] = "2.915";
  std::vector<std::string> remembered;
  ChainEnvironment env{platform,
                       session,
                       ',',
                       "/opt/kelvanor/bin",
                       [&](const std::string& p) { remembered.push_back(p); },
                       [](bool) {}};
  Chain(sheet, env).ComputeW();

  EXPECT_TRUE(platform.messages.empty()) << platform.messages.front().text;
  ASSERT_EQ(ReadNumber(sheet.LbSectFe), 20);
  EXPECT_EQ(sheet.LbNoyauMin, expected);
  EXPECT_EQ(sheet.LbNoyau, expected);
  EXPECT_EQ(sheet.TxNoyau, expected);
  EXPECT_NE(sheet.LbSectCuMax, "?");
  EXPECT_NE(sheet.LbTrueFeLoss, "?");
  EXPECT_NE(sheet.LbTotCu, "0");
  EXPECT_EQ(remembered, std::vector<std::string>{path});
  EXPECT_FALSE(session.CatalogueDb);
}

INSTANTIATE_TEST_SUITE_P(AccessSamples, AccessChain,
                         ::testing::Values(std::pair{kSample, "EI135"},
                                           std::pair{kSingles, "EI120L"}));

}  // namespace
}  // namespace kel
