// The numbers the printed report writes itself: the chain's field texts rewritten as a person
// writes them, and the copper to buy, rounded up to the metre.

#include <gtest/gtest.h>

#include "check/CheckFigures.h"
#include "report/HtmlReport.h"
#include "util/OutputText.h"

namespace kel {
namespace {

TEST(ReportFiguresTest, NumbersAsWrittenAndCopperToBuy) {
  struct Written {
    const char* field;
    char separator;
    const char* shown;
  };
  for (const Written& c : std::initializer_list<Written>{
           {".06", ',', "0,06"},   // the mask's missing leading zero
           {",22", ',', "0,22"},   //
           {"87.", ',', "87"},     // a separator with no decimals after it
           {"14,", '.', "14"},     //
           {"1.70", ',', "1,70"},  // the decimals shown are kept
           {"1,7", '.', "1.7"},    // the user's separator, whatever the field's
           {"-,5", ',', "-0,5"},   //
           {" 3.6", ',', "3,6"},   // a mask's padding
           {"90%", ',', "90%"},    // what follows the number stays
           {"EI84/35", ',', "EI84/35"},
           {"", ',', ""},
           {"?", ',', "?"},
       }) {
    EXPECT_EQ(WrittenNumber(c.field, c.separator), c.shown) << c.field;
  }

  struct Bought {
    double length_m;
    int metres;
  };
  for (const Bought& c : std::initializer_list<Bought>{
           {0, 1},           // the leads alone
           {94, 99},         // 98,7 + 0,3: on the metre
           {138.0 / 7, 21},  // 20,7 + 0,3 = 21 give or take the last bit
           {94.001, 100},    // just past it
           {93.8, 99},       //
           {2.0 / 3, 1},     //
       }) {
    EXPECT_EQ(CopperToBuyM(c.length_m), c.metres) << c.length_m;
  }
}

}  // namespace
}  // namespace kel
