// What new users tripped on in the window, driven by key and mouse events as they used it.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>

#include "app/CoreSearch.h"
#include "documents/Ini.h"

#include "gui/WindowFixture.h"
#include "ui/CheckWindow.h"
#include "ui/FormWidgets.h"
#include "ui/MainWindow.h"

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
  EXPECT_TRUE(freq->toolTip().startsWith("« 6O » est lu 6.\n")) << freq->toolTip().toStdString();
  EXPECT_EQ(freq->palette().color(QPalette::Base), ui::kPartlyReadBackground);
  EXPECT_EQ(Label("LbLecture")->text(), "Fréquence : « 6O » est lu 6.");
  QTest::keyClick(window_.get(), Qt::Key_F7);
  ASSERT_NE(CheckWindow(), nullptr);
  EXPECT_NE(CheckText("LbVerifStatus").find("Fréquence : « 6O » est lu 6."), std::string::npos)
      << CheckText("LbVerifStatus");

  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  Field("TxFreq")->setFocus();
  Enter("TxDiaCu_1", "2x1,6");
  EXPECT_TRUE(Field("TxDiaCu_1")
                  ->toolTip()
                  .startsWith("« 2x1,6 » est lu 2 : le nombre de brins s'impose dans « Brins » "
                              "de la Vérification.\n"));
  Enter("TxFreq", "60");
  EXPECT_FALSE(freq->toolTip().contains("est lu"));
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

// The first start's "Database" dialog cancelled: the window says no catalogue is open and where to
// choose one; choosing it there fills the list without marking the design modified.
TEST_F(NewUserTest, NoCatalogueIsSaidAndChoosingOneLeavesTheDesignUnmodified) {
  const std::string catalogue = dir_.File("noyaux.db");
  WriteFile(dir_.File("kelvanor.ini"), "[GLOBAL]\n");
  Open();
  ASSERT_EQ(platform_.dialogs.back().title, "Database");
  auto* hint = Find<QLabel>("LbSansCatalogue");
  EXPECT_TRUE(hint->isVisible());
  EXPECT_EQ(hint->text().toStdString(), ui::kNoCatalogueText);
  platform_.dialog_answers.push_back(catalogue);
  Find<QAction>("MnuCatalogue")->trigger();
  EXPECT_EQ(Find<QListWidget>("LstCore")->count(), 2);
  EXPECT_FALSE(hint->isVisible());
  EXPECT_EQ(Text("LbNoyau"), "EI10");
  EXPECT_FALSE(window_->windowTitle().endsWith(" *"));
}

// Two strands of 1,6 mm stock wire imposed beside the wire in the check window: kept as Brins1,
// followed by the check.
TEST_F(NewUserTest, StrandsAreImposedBesideTheWireAndKept) {
  Open();
  Enter("TxDiaCu_1", "1,6");
  QTest::keyClick(window_.get(), Qt::Key_F7);
  ASSERT_NE(CheckWindow(), nullptr);
  auto* wind = CheckWindow()->findChild<QTableWidget*>("TbABobiner");
  ASSERT_EQ(wind->verticalHeaderItem(1)->text(), "Brins");
  EXPECT_EQ(wind->item(1, 1)->text(), "1");
  QLineEdit* strands = CheckWindow()->findChild<QLineEdit*>("TxBrins_1");
  CheckWindow()->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(CheckWindow()));
  QTest::mouseClick(strands, Qt::LeftButton);
  QTest::keyClicks(strands, "29");  // one digit of 1 to 8 only
  QTest::keyClick(strands, Qt::Key_Return);
  EXPECT_EQ(form_->Sheet().VerifOptions.at("Brins1"), "2");
  EXPECT_EQ(wind->item(1, 1)->text(), "2");
  EXPECT_EQ(wind->item(2, 1)->text(), "2 × 1,600");
  EXPECT_TRUE(window_->windowTitle().endsWith(" *"));
  QTest::keyClick(strands, Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(ReadIni(document_, "VERIF", "Brins1"), "2");
}

// A secondary marked "à point milieu" beside the strands: wound as 2 × its turns, kept as
// PointMilieu1 in the document.
TEST_F(NewUserTest, ACentreTapIsMarkedBesideTheStrandsAndKept) {
  Open();
  QTest::keyClick(window_.get(), Qt::Key_F7);
  ASSERT_NE(CheckWindow(), nullptr);
  auto* wind = CheckWindow()->findChild<QTableWidget*>("TbABobiner");
  ASSERT_EQ(wind->verticalHeaderItem(0)->text(), "Spires à bobiner");
  const int turns = wind->item(0, 1)->text().toInt();
  auto* box = CheckWindow()->findChild<QCheckBox*>("CkPointMilieu_1");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(CheckWindow()->findChild<QCheckBox*>("CkPointMilieu_0"), nullptr);
  CheckWindow()->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(CheckWindow()));
  QTest::mouseClick(box, Qt::LeftButton);
  EXPECT_EQ(form_->Sheet().VerifOptions.at("PointMilieu1"), "1");
  const int whole = wind->item(0, 1)->text().toInt();
  EXPECT_EQ(whole % 2, 0);
  EXPECT_NEAR(whole, 2 * turns, 0.1 * turns);  // each half about the turns of the one winding
  EXPECT_TRUE(window_->windowTitle().endsWith(" *"));
  QTest::keyClick(box, Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(ReadIni(document_, "VERIF", "PointMilieu1"), "1");
  QTest::mouseClick(box, Qt::LeftButton);
  EXPECT_EQ(form_->Sheet().VerifOptions.count("PointMilieu1"), 0u);
  EXPECT_EQ(wind->item(0, 1)->text().toInt(), turns);
}

// With two chambers the tape between primary and secondaries changes nothing, with one the
// partition: not offered, and the tooltip says why.
TEST_F(NewUserTest, OptionsWithoutEffectAreNotOffered) {
  Open();
  QTest::keyClick(window_.get(), Qt::Key_F7);
  ASSERT_NE(CheckWindow(), nullptr);
  const auto field = [this](const char* name) {
    return CheckWindow()->findChild<QLineEdit*>(name);
  };
  EXPECT_TRUE(field("TxIsolementCouches")->isEnabled());
  EXPECT_FALSE(field("TxCloison")->isEnabled());
  EXPECT_FALSE(field("TxCloison")->toolTip().isEmpty());
  auto* chambers = CheckWindow()->findChild<QComboBox*>("CbCarcasse");
  CheckWindow()->findChild<QTabWidget*>("OngletsVerification")->setCurrentIndex(2);
  CheckWindow()->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(CheckWindow()));
  chambers->setFocus();
  QTest::keyClick(chambers, Qt::Key_Down);
  ASSERT_EQ(chambers->currentData().toString(), "2");
  EXPECT_FALSE(field("TxIsolementCouches")->isEnabled());
  EXPECT_FALSE(field("TxIsolementEpaisseur")->isEnabled());
  EXPECT_EQ(field("TxIsolementCouches")->toolTip(),
            "Sans effet avec deux compartiments : la cloison les sépare.");
  EXPECT_TRUE(field("TxCloison")->isEnabled());
}

// On a 1366 × 768 screen the check window sits beside the main window, over none of it, shows
// what to wind, the fill and the temperature without scrolling, and goes with Escape or Ctrl+W.
TEST_F(NewUserTest, TheCheckWindowFitsBesideAndClosesWithItsKeys) {
  Open();
  const QRect screen(0, 0, 1366, 768);
  const QRect main =
      window_->frameGeometry().translated(-window_->frameGeometry().topLeft() + QPoint(290, 119));
  ui::CheckWindow* check = window_->ShowCheckWindow();
  const int least = check->minimumSizeHint().width() + 16;
  const ui::CheckPlacement place =
      ui::PlaceBeside(main, check->size() + QSize(16, 40), least, screen);
  EXPECT_TRUE(screen.contains(place.check));
  EXPECT_FALSE(place.check.intersects(QRect(place.main, main.size())))
      << "beside, not over: " << least << " " << main.width() << " " << place.check.x() << " "
      << place.check.width() << " " << place.main.x();
  EXPECT_LE(check->minimumSizeHint().height() + 40, screen.height());
  check->resize(place.check.size() - QSize(16, 40));
  check->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(check));
  QApplication::processEvents();
  for (const char* name : {"TbABobiner", "LbRemplissage", "LbClasse"}) {
    QWidget* shown = check->findChild<QWidget*>(name);
    ASSERT_NE(shown, nullptr) << name;
    EXPECT_TRUE(shown->isVisible()) << name;
    EXPECT_TRUE(check->rect().contains(QRect(shown->mapTo(check, QPoint()), shown->size())))
        << name;
  }
  QTest::keyClick(check, Qt::Key_Escape);
  EXPECT_FALSE(check->isVisible());
  window_->ShowCheckWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(check));
  QTest::keyClick(check, Qt::Key_W, Qt::ControlModifier);
  EXPECT_FALSE(check->isVisible());
}

class TwiceThePowerTest : public NewUserTest {
 protected:
  // 200 VA: EI10 is too small for it.
  std::string DesignText() const override {
    return "[SPECIFS]\nFreq=50\nTesla=1.7\nDCourant=3.6\nVolts0=230\nVolts1=100\nAmps1=2\n";
  }
};

// The cores' table sorts its verdicts from best to worst and can hide the cores that cannot work.
TEST_F(TwiceThePowerTest, TheCoresTableSortsVerdictsBestFirstAndHidesTheHopeless) {
  Open();
  ui::CheckWindow* check = window_->ShowCheckWindow();
  auto* table = check->findChild<QTableView*>("TbNoyaux");
  const QAbstractItemModel* model = table->model();
  const auto verdict = [model](int row) {
    return model->index(row, 5).data().toString().toStdString();
  };
  ASSERT_EQ(model->rowCount(), 2);
  ASSERT_EQ(model->index(0, 0).data().toString(), "EI10");
  // "trop plein" or worse cannot work; "ok" to "trop chaud" may.
  const auto cannot_work = [](const std::string& text) {
    for (int v = 0; v <= static_cast<int>(Verdict::Incomplete); ++v) {
      if (TermOf(static_cast<Verdict>(v)).text == text) return CannotWork(static_cast<Verdict>(v));
    }
    ADD_FAILURE() << "no verdict reads \"" << text << '"';
    return false;
  };
  ASSERT_TRUE(cannot_work(verdict(0))) << verdict(0);
  ASSERT_FALSE(cannot_work(verdict(1))) << verdict(1);
  check->findChild<QTabWidget*>("OngletsVerification")->setCurrentIndex(4);
  QApplication::processEvents();
  QHeaderView* header = table->horizontalHeader();
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                    QPoint(header->sectionViewportPosition(5) + 5, header->height() / 2));
  EXPECT_EQ(model->index(0, 0).data().toString(), "EI20") << "the best verdict first";
  auto* hide = check->findChild<QCheckBox*>("CkNoyauxPossibles");
  ASSERT_NE(hide, nullptr);
  QTest::mouseClick(hide, Qt::LeftButton, {}, QPoint(8, hide->height() / 2));
  ASSERT_EQ(model->rowCount(), 1);
  EXPECT_EQ(model->index(0, 0).data().toString(), "EI20");
  QTest::mouseClick(hide, Qt::LeftButton, {}, QPoint(8, hide->height() / 2));
  EXPECT_EQ(model->rowCount(), 2);
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
