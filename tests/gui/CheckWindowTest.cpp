// The "Vérification" window driven offscreen: opened from its menu key, it follows the edits of
// the main window and its own options change the design.

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QTableWidget>
#include <QTimer>

#include <unistd.h>

#include "analysis/CheckPanel.h"
#include "gui/WindowFixture.h"
#include "report/WindingSvg.h"
#include "ui/CheckWindow.h"
#include "util/Paths.h"

namespace kel::test {
namespace {

class CheckWindowTest : public WindowTest {
 protected:
  QWidget* CheckWindow() const { return window_->findChild<ui::CheckWindow*>("FmVerification"); }
  std::string Cell(const char* caption, int column) const {
    auto* table = CheckWindow()->findChild<QTableWidget*>("TbEnroulements");
    for (int r = 0; r < table->rowCount(); ++r) {
      if (table->verticalHeaderItem(r)->text() == caption) {
        return table->item(r, column)->text().toStdString();
      }
    }
    return "(no line " + std::string(caption) + ")";
  }
  std::string CheckText(const char* name) const {
    return CheckWindow()->findChild<QLabel*>(name)->text().toStdString();
  }
};

TEST_F(CheckWindowTest, OpensFromItsKeyAndFollowsEveryRecalculation) {
  Open();
  // "Outils" follows "Projet" in the menu bar.
  QStringList menus;
  for (const QAction* menu : window_->menuBar()->actions()) menus << menu->text();
  ASSERT_TRUE(menus.contains("&Projet"));
  EXPECT_EQ(menus.indexOf("&Outils"), menus.indexOf("&Projet") + 1);
  EXPECT_EQ(window_->ToolsMenu()->actions().at(0)->text(), "Vérification…");
  EXPECT_EQ(CheckWindow(), nullptr);
  QTest::keyClick(window_.get(), Qt::Key_F7);
  ASSERT_NE(CheckWindow(), nullptr);
  EXPECT_TRUE(CheckWindow()->isVisible());
  EXPECT_EQ(CheckWindow()->windowTitle(), "Vérification");
  // EI10 of the fixture: 30 mm wide, 12 mm high.
  EXPECT_EQ(Cell("Spires", 1), "265");
  EXPECT_EQ(Cell("Fil (mm)", 1), "0,630");
  const std::string fill = CheckText("LbRemplissage");
  EXPECT_NE(fill.find("sur 12,0 mm"), std::string::npos) << fill;
  EXPECT_EQ(TextColourOf(CheckWindow()->findChild<QLabel*>("LbRemplissage")), QColor(0, 128, 0));

  // Twice the current in the main window: a heavier core, thicker wire, a new check.
  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  Field("TxAmps_1")->setFocus();
  TabTo("TxAmps_1");
  Type("2");
  Press(Qt::Key_Tab);
  EXPECT_EQ(Text("LbNoyau"), "EI20");
  EXPECT_EQ(Cell("Fil (mm)", 1), "0,900");
  EXPECT_NE(CheckText("LbRemplissage"), fill);

  // A frequency of 0 stops the recalculation: the window says there is no check, and why.
  TabTo("TxFreq");
  Type("0");
  Press(Qt::Key_Return);
  EXPECT_EQ(CheckText("LbVerifStatus"), "Pas de vérification : Erreur de saisie.");
  EXPECT_EQ(CheckWindow()->findChild<QTableWidget*>("TbEnroulements")->columnCount(), 0);
}

TEST_F(CheckWindowTest, AnOptionChangedThereMarksTheDesignModified) {
  Open();
  ASSERT_FALSE(window_->windowTitle().endsWith(" *"));
  window_->ShowCheckWindow();
  const std::string before = Cell("Hors tout (mm)", 0);
  auto* grade = CheckWindow()->findChild<QComboBox*>("CbGrade");
  grade->setCurrentIndex(1);
  emit grade->activated(1);
  EXPECT_EQ(form_->Sheet().VerifOptions.at("Grade"), "2");
  EXPECT_NE(Cell("Hors tout (mm)", 0), before);
  EXPECT_TRUE(window_->windowTitle().endsWith(" *"));

  QLineEdit* ambient = CheckWindow()->findChild<QLineEdit*>("TxAmbiante");
  CheckWindow()->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(CheckWindow()));
  ambient->setFocus();
  ambient->selectAll();
  QTest::keyClicks(ambient, "25,5");
  QTest::keyClick(ambient, Qt::Key_Return);
  EXPECT_EQ(form_->Sheet().VerifOptions.at("Ambiante"), "25,5");
  EXPECT_EQ(ambient->text(), "25,5");
}

TEST_F(CheckWindowTest, DrawsTheWindingWindowAndExportsIt) {
  Open();
  ui::CheckWindow* check = window_->ShowCheckWindow();
  QWidget* drawing = check->findChild<QWidget*>("DessinFenetre");
  ASSERT_NE(drawing, nullptr);
  // The primary's colour covers a good part of the picture.
  const QImage picture = drawing->grab().toImage();
  int primary = 0;
  for (int y = 0; y < picture.height(); y += 2) {
    for (int x = 0; x < picture.width(); x += 2) {
      primary += picture.pixelColor(x, y) == QColor(WindingColour(0));
    }
  }
  EXPECT_GT(primary, picture.width() * picture.height() / 4 / 50);
  ASSERT_TRUE(check->ExportSvg(dir_.File("w.svg")));
  EXPECT_NE(ReadFile(dir_.File("w.svg")).find("Pri : 609 spires, fil 0,400 mm"), std::string::npos);
  ASSERT_TRUE(check->ExportPdf(dir_.File("w.pdf")));
  EXPECT_EQ(ReadFile(dir_.File("w.pdf")).rfind("%PDF", 0), 0u);
  // Never over the open document, its catalogue or the settings, even through a link.
  ASSERT_EQ(::symlink(document_.c_str(), dir_.File("lien.svg").c_str()), 0);
  for (const std::string& kept :
       {document_, dir_.File("lien.svg"), form_->DataBasePath(), form_->SettingsPath()}) {
    if (!FileExists(kept)) continue;
    const std::string before = ReadFile(kept);
    EXPECT_FALSE(check->ExportSvg(kept)) << kept;
    EXPECT_FALSE(check->ExportPdf(kept)) << kept;
    EXPECT_EQ(ReadFile(kept), before) << kept;
  }

  // From the menu: the dialog proposes the document's name beside it; accepting writes there.
  QString proposed;
  auto* poll = new QTimer(window_.get());
  QObject::connect(poll, &QTimer::timeout, [&proposed, poll] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    poll->stop();
    proposed = dialog->selectedFiles().value(0);
    static_cast<QDialog*>(dialog)->accept();
  });
  poll->start(5);
  window_->findChild<QAction*>("MnuExporterPdf")->trigger();
  EXPECT_EQ(proposed.toStdString(), dir_.File("exemple.pdf"));
  EXPECT_EQ(ReadFile(dir_.File("exemple.pdf")).rfind("%PDF", 0), 0u);
}

}  // namespace
}  // namespace kel::test
