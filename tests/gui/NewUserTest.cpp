// What new users tripped on in the window, driven by key and mouse events as they used it.

#include <QTableWidget>

#include "gui/WindowFixture.h"
#include "ui/CheckWindow.h"
#include "ui/FormWidgets.h"

namespace kel::test {
namespace {

class NewUserTest : public WindowTest {
 protected:
  QWidget* CheckWindow() const { return window_->findChild<ui::CheckWindow*>("FmVerification"); }
  std::string CheckText(const char* name) const {
    return CheckWindow()->findChild<QLabel*>(name)->text().toStdString();
  }
  void Enter(const char* field, const char* text) {
    TabTo(field);
    Type(text);
    Press(Qt::Key_Return);
  }
};

TEST_F(NewUserTest, AFieldReadOnlyInPartSaysSoThereAndInTheCheck) {
  Open();
  Enter("TxFreq", "6O");
  // Read as ever: 6 Hz.
  EXPECT_EQ(form_->Sheet().TxFreq, "6O");
  QLineEdit* freq = Field("TxFreq");
  EXPECT_EQ(freq->toolTip(), "« 6O » est lu 6.");
  EXPECT_EQ(freq->palette().color(QPalette::Base), ui::kPartlyReadBackground);
  QTest::keyClick(window_.get(), Qt::Key_F7);
  ASSERT_NE(CheckWindow(), nullptr);
  EXPECT_NE(CheckText("LbVerifStatus").find("Fréquence : « 6O » est lu 6."), std::string::npos)
      << CheckText("LbVerifStatus");

  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  Field("TxFreq")->setFocus();
  Enter("TxDiaCu_1", "2x1,6");
  EXPECT_EQ(Field("TxDiaCu_1")->toolTip(),
            "« 2x1,6 » est lu 2 : le nombre de brins s'impose dans « Brins » de la "
            "Vérification.");
  Enter("TxFreq", "60");
  EXPECT_EQ(freq->toolTip(), "");
  EXPECT_NE(freq->palette().color(QPalette::Base), ui::kPartlyReadBackground);
  EXPECT_EQ(CheckText("LbVerifStatus").find("Fréquence"), std::string::npos);
}

// Click, type, Enter, click, type: the second click into the field, which kept the focus, selects
// its text as the first did, so the new value replaces the old one.
TEST_F(NewUserTest, AClickAfterEnterSelectsTheWholeTextAgain) {
  Open();
  QLineEdit* amps = Field("TxAmps_1");
  QTest::mouseClick(amps, Qt::LeftButton, {}, amps->rect().center());
  ASSERT_EQ(FocusedName(), "TxAmps_1");
  EXPECT_EQ(amps->selectedText(), "1");
  Type("8.33");
  Press(Qt::Key_Return);
  ASSERT_EQ(FocusedName(), "TxAmps_1");
  QTest::mouseClick(amps, Qt::LeftButton, {}, amps->rect().center());
  EXPECT_EQ(amps->selectedText(), "8.33");
  Type("8.5");
  Press(Qt::Key_Return);
  EXPECT_EQ(form_->Sheet().TxAmps[1], "8.5");
  // While typing, a click places the cursor as usual.
  Type("0");
  QTest::mouseClick(amps, Qt::LeftButton, {}, QPoint(2, amps->height() / 2));
  EXPECT_EQ(amps->selectedText(), "");
}

class FourSecondariesTest : public NewUserTest {
 protected:
  std::string DesignText() const override {
    return "[SPECIFS]\nFreq=50\nTesla=1.5\nDCourant=3\nVolts0=230\nVolts1=250\nAmps1=0.1\n"
           "Volts2=6.3\nAmps2=3\nVolts3=5\nAmps3=2\nVolts4=12\nAmps4=1\n";
  }
};

// After Ctrl+N the rows without turns show no height, though the sheet keeps what it had.
TEST_F(FourSecondariesTest, ARowWithoutTurnsShowsNoHeight) {
  Open();
  for (const char* name : {"TxTotCu_2", "TxTotCu_3", "TxTotCu_4"}) EXPECT_NE(Text(name), "");
  QTest::keyClick(window_.get(), Qt::Key_N, Qt::ControlModifier);
  EXPECT_EQ(Text("TxVolts_2"), "");
  EXPECT_NE(Text("TxTotCu_1"), "");
  for (int i = 2; i <= 4; ++i) {
    EXPECT_EQ(Text(("TxTotCu_" + std::to_string(i)).c_str()), "") << i;
    EXPECT_NE(form_->Sheet().TxTotCu[i], "") << "the sheet keeps it";
  }
}

}  // namespace
}  // namespace kel::test
