// The calculator's two report forms.

#include "report/ChainReport.h"
#include "util/OutputText.h"

#include <gtest/gtest.h>

namespace kel {
namespace {

TEST(JsonReport, NamesEveryFieldAndEscapesTexts) {
  DesignSheet sheet;
  sheet.TxRem = "ignored";
  sheet.TxVolts[3] = "say \"12\"\\";
  sheet.TxDiaCuColour[2] = TextColour::Red;
  const std::string json =
      JsonReport(sheet, {{"Erreur de saisie", "tab\there"}, 2, {"La fréquence est nulle."}});
  EXPECT_NE(json.find("\"TxVolts(3)\": \"say \\\"12\\\"\\\\\""), std::string::npos);
  EXPECT_NE(json.find("\"TxDiaCu(2)\": \"red\""), std::string::npos);
  EXPECT_NE(json.find("\"TxDiaCu(1)\": \"black\""), std::string::npos);
  EXPECT_NE(json.find("\"messages\": [\"Erreur de saisie\", \"tab\\there\"]"), std::string::npos);
  // One cause a message, empty where none was told.
  EXPECT_NE(json.find("\"details\": [\"La fréquence est nulle.\", \"\"]"), std::string::npos);
  EXPECT_NE(json.find("\"beeps\": 2}"), std::string::npos);
  EXPECT_EQ(json.find("TxRem"), std::string::npos) << "remarks are not part of the result";
  for (const char* name : {"TxTotCu(4)", "LbSectCuMax", "Lbn", "TxAmps(0)", "LbDiaMin(4)"}) {
    EXPECT_NE(json.find(std::string("\"") + name + "\""), std::string::npos) << name;
  }
  EXPECT_EQ(std::count(json.begin(), json.end(), '\n'), 1);
  EXPECT_EQ(JsonString(std::string("\x01", 1)), "\"\\u0001\"");
}

TEST(TextReport, ShowsTheFramesTheWindingsInUseAndTheMarks) {
  DesignSheet sheet;
  sheet.TxVolts[0] = "230";
  sheet.LbAmpsPri = "0,43";
  sheet.TxVolts[1] = "100";
  sheet.TxAmps[1] = "1";
  sheet.LbTrueTesla = "1,70";
  sheet.LbTrueTeslaColour = TextColour::Red;
  const std::string text = TextReport(sheet, {{"Erreur de saisie"}, 1, {}});
  for (const char* part :
       {"Spécifications\n", "\nCuivre\n", "\nFer\n", "\nGénéral\n",
        "Primaire                230 V, 0,43 A\n", "Secondaire 1            100 V, 1 A\n",
        "1,70 (!)", "Message : Erreur de saisie\n", "Bips : 1\n"}) {
    EXPECT_NE(text.find(part), std::string::npos) << part;
  }
  EXPECT_EQ(text.find("Secondaire 2"), std::string::npos);
  EXPECT_EQ(text.find(" \n"), std::string::npos) << "no trailing blanks";
}

}  // namespace
}  // namespace kel
