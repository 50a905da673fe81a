// The design service the command-line tools load through: from one document it gives the sheet
// the window's form gives, and a file that is no design leaves its sheet as it was.

#include "app/DesignService.h"

#include <gtest/gtest.h>

#include "app/MainForm.h"
#include "documents/Ini.h"
#include "report/ChainReport.h"
#include "support/FakePlatform.h"
#include "support/TestFiles.h"

namespace kel {
namespace {

TEST(DesignService, LoadsAsTheFormDoesAndKeepsItsSheetOnWhatIsNoDesign) {
  test::TempDir dir;
  test::FakePlatform platform;
  platform.executable_path = dir.File("kelvanor");
  const std::string catalogue = test::MakeCatalogue(
      dir.File("noyaux.db"), {{"EI10", 10, 0.6, 12, 30, 20}, {"EI20", 20, 1.2, 15, 35, 25}});
  WriteIni(dir.File("kelvanor.ini"), "GLOBAL", "DataBase", catalogue);
  // Every kind of entry: an imposed wire beside a computed one, an imposed core, remarks and an
  // option of the check.
  const std::string design = dir.File("d.kel");
  test::WriteFile(design,
                  "[SPECIFS]\nFreq=50\nTesla=1,6\nDCourant=3,5\nVolts0=230\nVolts1=24\nAmps1=2\n"
                  "Volts2=15\nAmps2=0,8\n[CUIVRE]\nDia0=0,5\nDia2=0,45\n[NOYAU]\nType=ei10\n"
                  "[REMARQUES]\nFreeText=Banc\n[VERIF]\nGrade=2\n");

  MainForm form(platform, {',', false});
  form.Form_Load(design);
  DesignService service(platform, ',');
  service.SetDataBasePath(catalogue);
  ASSERT_TRUE(service.Load(design));
  const DesignSheet& s = service.Sheet();
  EXPECT_EQ(JsonReport(s, {}), JsonReport(form.Sheet(), {}));
  EXPECT_EQ(s.LbNoyau, "EI10");
  EXPECT_TRUE(s.CoreForced);
  EXPECT_EQ(s.DiaForced, form.Sheet().DiaForced);
  EXPECT_TRUE(s.DiaForced[0] && !s.DiaForced[1] && s.DiaForced[2]);
  EXPECT_EQ(s.TxRem.rfind("Banc", 0), 0u);
  EXPECT_EQ(s.TxRem, form.Sheet().TxRem);
  EXPECT_EQ(s.VerifOptions, form.Sheet().VerifOptions);
  EXPECT_EQ(service.Check().options.grade, 2);

  const std::string before = JsonReport(s, {});
  const std::string not_designs[] = {std::string("\177ELF\1\2\0\0", 8),
                                     std::string("[SPECIFS]\nFreq=60\n\0binary", 25)};
  for (const std::string& content : not_designs) {
    test::WriteFile(dir.File("x.kel"), content);
    EXPECT_FALSE(service.Load(dir.File("x.kel")));
    EXPECT_EQ(JsonReport(s, {}), before);
  }
  EXPECT_FALSE(service.Load(dir.File("absent.kel")));
  EXPECT_EQ(s.TxRem, form.Sheet().TxRem);
}

}  // namespace
}  // namespace kel
