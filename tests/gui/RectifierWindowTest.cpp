// The rectified secondaries in the "Vérification" window: their figures and picture are shown
// only for a design that has one, and "Appliquer au projet" puts the winding's EMF and rms
// current into the main window's fields, marks the design modified and says how it went.

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest/QtTest>

#include "gui/WindowFixture.h"
#include "ui/CheckWindow.h"

namespace kel {
namespace {

class RectifierWindowTest : public test::WindowTest {
 protected:
  std::string DesignText() const override {
    return std::string(test::kExampleDesign) +
           "[VERIF]\nRedresseur1=pont\nVoltsContinus1=120\nAmpsContinus1=0,5\n";
  }
  QWidget* Window() const { return window_->findChild<ui::CheckWindow*>("FmVerification"); }
};

TEST_F(RectifierWindowTest, AppliesTheWindingToTheDesign) {
  Open();
  window_->ShowCheckWindow();
  auto* box = Window()->findChild<QWidget*>("GrRedresseurs");
  ASSERT_NE(box, nullptr);
  // The rectifiers have a tab of their own, which the user opens.
  auto* tabs = Window()->findChild<QTabWidget*>("OngletsVerification");
  ASSERT_NE(tabs, nullptr);
  tabs->setCurrentIndex(tabs->indexOf(box->parentWidget()));
  EXPECT_TRUE(box->isVisible());
  const QString figures = Window()->findChild<QLabel*>("LbRedresseurs")->text();
  EXPECT_TRUE(figures.contains("pont + condensateur : 120,00 V, 0,500 A continus"))
      << figures.toStdString();
  EXPECT_EQ(Text("TxVolts_1"), "100");
  QTest::mouseClick(Window()->findChild<QPushButton*>("BtAppliquer"), Qt::LeftButton);
  const std::string outcome = Window()->findChild<QLabel*>("LbAppliquer")->text().toStdString();
  EXPECT_EQ(outcome.rfind("Appliqué en ", 0), 0u) << outcome;
  EXPECT_NE(Text("TxVolts_1"), "100");
  EXPECT_EQ(Text("TxVolts_1"), form_->Sheet().TxVolts[1]);
  EXPECT_TRUE(window_->windowTitle().endsWith(" *"));

  // Without the key, the secondary is alternating again and the box goes.
  form_->Sheet().VerifOptions.clear();
  static_cast<ui::CheckWindow*>(Window())->Follow();
  EXPECT_FALSE(box->isVisible());
}

}  // namespace
}  // namespace kel
