// The "Vérification" window driven offscreen: opened from its menu key, it follows the edits of
// the main window and its own options change the design.

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <chrono>
#include <regex>

#include "analysis/CheckPanel.h"
#include "documents/Ini.h"
#include "gui/WindowFixture.h"
#include "report/WindingSvg.h"
#include "ui/CheckWindow.h"

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

// The core search in the window: the advised core's line, the table of every core with the core
// in use and the advised one marked, and both ways to impose a core, which then does all that a
// double-click in the core list does (red, saved as Type).
TEST_F(CheckWindowTest, AdvisesACoreAndImposesItAsADoubleClickDoes) {
  Open();
  ui::CheckWindow* check = window_->ShowCheckWindow();
  auto* table = check->findChild<QTableView*>("TbNoyaux");
  ASSERT_NE(table, nullptr);
  const QAbstractItemModel* model = table->model();
  const auto cell = [model](int row, int column) {
    return model->index(row, column).data().toString().toStdString();
  };
  ASSERT_EQ(model->rowCount(), 2);
  EXPECT_EQ(cell(0, 0), "EI10");
  EXPECT_EQ(cell(0, 1), "0,600");
  EXPECT_EQ(cell(0, 6), "en service, conseillé");
  EXPECT_EQ(cell(1, 6), "");
  const std::string line = CheckText("LbNoyauConseille");
  EXPECT_TRUE(std::regex_match(
      line, std::regex("Noyau conseillé : EI10 — 0,60 kg, remplissage [0-9]+ %, [0-9]+ °C")))
      << line;
  auto* take = check->findChild<QPushButton*>("BtPrendreNoyau");
  EXPECT_FALSE(take->isEnabled());

  // Sorted on the mass, heaviest first, then a double-click on the heavier core.
  table->sortByColumn(1, Qt::DescendingOrder);
  EXPECT_EQ(cell(0, 0), "EI20");
  QApplication::processEvents();
  const QPoint at = table->visualRect(model->index(0, 0)).center();
  QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, at);
  EXPECT_EQ(Text("LbNoyau"), "EI20");
  EXPECT_EQ(TextColourOf(Label("LbNoyau")), ui::kRedText);
  EXPECT_TRUE(window_->windowTitle().endsWith(" *"));
  EXPECT_EQ(cell(0, 6), "en service");
  EXPECT_EQ(cell(1, 6), "conseillé");

  ASSERT_TRUE(take->isEnabled());
  take->click();
  EXPECT_EQ(Text("LbNoyau"), "EI10");
  EXPECT_EQ(TextColourOf(Label("LbNoyau")), ui::kRedText);
  EXPECT_EQ(Text("TxNoyau"), "EI10");
  EXPECT_FALSE(take->isEnabled());
  form_->MnuEnregistrer_Click();
  EXPECT_EQ(ReadIni(document_, "NOYAU", "Type"), "EI10");
}

// A catalogue of 100,000 cores (a million behaves the same, only the main window's core list
// takes half a minute to fill): the search goes on in the background with its progress shown,
// the window answers meanwhile, and a changed design drops it for a new one at once.
TEST_F(CheckWindowTest, AHugeCatalogueLeavesTheWindowResponsive) {
  const std::string big = dir_.File("huge.db");
  ExecuteSql(big,
             "CREATE TABLE EI (Ref TEXT COLLATE NOCASE, SectionFer REAL, MasseFer REAL, "
             "hautcu REAL, LargCu REAL, longspire REAL);"
             "INSERT INTO EI WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
             "WHERE i < 100000) SELECT 'EI' || i, 2 + i % 50, 0.05 + (i % 997) / 100.0, "
             "4 + i % 30, 13 + i % 60, 6 + i % 40 FROM n;"
             "CREATE INDEX EI_SectionFer ON EI (SectionFer);"
             "CREATE INDEX EI_MasseFer ON EI (MasseFer);");
  WriteFile(dir_.File("kelvanor.ini"), "[GLOBAL]\nDataBase=" + big + "\n");
  // Opened as Open() does, with room for a loaded machine.
  form_ = std::make_unique<MainForm>(platform_, MainFormOptions{',', true});
  form_->SetCatalogueLimits({std::chrono::seconds(60), std::int64_t{1} << 30, 1 << 20});
  window_ = std::make_unique<ui::MainWindow>(*form_);
  window_->Start(document_);
  window_->show();
  ui::CheckWindow* check = window_->ShowCheckWindow();
  EXPECT_TRUE(check->Panel().Search().running) << CheckText("LbNoyauConseille");
  EXPECT_TRUE(check->findChild<QWidget*>("PbRechercheNoyau")->isVisible());
  EXPECT_NE(CheckText("LbNoyauConseille").find("Noyau conseillé : "), std::string::npos);

  // The event loop turns while the search runs: a 20 ms timer is never held up for long.
  std::chrono::steady_clock::duration longest{};
  auto last = std::chrono::steady_clock::now();
  QTimer ticks;
  QObject::connect(&ticks, &QTimer::timeout, [&] {
    const auto now = std::chrono::steady_clock::now();
    longest = std::max(longest, now - last);
    last = now;
  });
  ticks.start(20);
  QTest::qWait(1500);
  ticks.stop();
  EXPECT_LT(longest, std::chrono::milliseconds(300));

  // A new design: the search under way is dropped and another starts.
  const auto changed = std::chrono::steady_clock::now();
  form_->GotFocus({Control::TxAmps, 1});
  form_->SetText({Control::TxAmps, 1}, "2");
  form_->LostFocus({Control::TxAmps, 1});
  window_->ShowSheet();
  EXPECT_LT(std::chrono::steady_clock::now() - changed, std::chrono::milliseconds(1500));
  const CoreSearchRunner::State state = check->Panel().Search();
  EXPECT_TRUE(state.running);
  EXPECT_FALSE(state.result);
}

}  // namespace
}  // namespace kel::test
