// The "Vérification" window driven offscreen: opened from its menu key, it follows the edits of
// the main window and its own options change the design.

#include <sys/stat.h>

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QStatusBar>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "app/CheckPanel.h"
#include "documents/Ini.h"
#include "gui/WindowFixture.h"
#include "report/WindingSvg.h"
#include "ui/CheckWindow.h"
#include "ui/MainWindow.h"
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
  // The design as wound first: its turns, and the calculation's beside them.
  EXPECT_EQ(Cell("Spires", 1), "288");
  // The main window keeps the calculation's turns and says, below its frames, what to wind.
  EXPECT_EQ(Text("TxSpires_1"), "265");
  EXPECT_EQ(Label("LbABobiner")->text().toStdString(),
            "À bobiner : 288 spires au secondaire 1 — voir Vérification");
  EXPECT_EQ(CheckText("LbVerifStatus"),
            "Chiffres tels que bobinés : Sec 1 288 spires (calcul : 265).");
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

  // A frequency of 0 stops the recalculation: the last good figures stay, said so, while the
  // input is refused, and during its message box too.
  const std::string wire = Cell("Fil (mm)", 1);
  std::string during_box;
  platform_.during_box = [&] { during_box = Cell("Fil (mm)", 1); };
  TabTo("TxFreq");
  Type("0");
  Press(Qt::Key_Return);
  EXPECT_EQ(CheckText("LbVerifStatus").rfind(kInputErrorKept, 0), 0u) << CheckText("LbVerifStatus");
  EXPECT_EQ(Cell("Fil (mm)", 1), wire);
  EXPECT_EQ(during_box, wire);
  Type("50");
  Press(Qt::Key_Return);
  EXPECT_EQ(CheckText("LbVerifStatus").find(kInputErrorKept), std::string::npos);
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

  // Two chambers, then a partition of 9 mm is no value of the option: Enter does not take it;
  // 2 mm is taken.
  auto* chambers = CheckWindow()->findChild<QComboBox*>("CbCarcasse");
  chambers->setCurrentIndex(1);
  emit chambers->activated(1);
  EXPECT_EQ(form_->Sheet().VerifOptions.at("Carcasse"), "2");
  QLineEdit* partition = CheckWindow()->findChild<QLineEdit*>("TxCloison");
  ASSERT_NE(partition, nullptr);
  partition->setFocus();
  partition->selectAll();
  QTest::keyClicks(partition, "9");
  QTest::keyClick(partition, Qt::Key_Return);
  EXPECT_EQ(form_->Sheet().VerifOptions.count("Cloison"), 0u);
  partition->selectAll();
  QTest::keyClicks(partition, "2");
  QTest::keyClick(partition, Qt::Key_Return);
  EXPECT_EQ(form_->Sheet().VerifOptions.at("Cloison"), "2");
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
  std::filesystem::create_symlink(document_, dir_.File("lien.svg"));
  for (const std::string& kept :
       {document_, dir_.File("lien.svg"), form_->DataBasePath(), form_->SettingsPath()}) {
    if (!FileExists(kept)) continue;
    const std::string before = ReadFile(kept);
    EXPECT_FALSE(check->ExportSvg(kept)) << kept;
    EXPECT_FALSE(check->ExportPdf(kept)) << kept;
    EXPECT_EQ(ReadFile(kept), before) << kept;
  }
  // Nor onto a pipe, whose opening would wait for a reader with the window frozen.
  const std::string pipe = dir_.File("tube.svg");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_FALSE(check->ExportSvg(pipe));
  EXPECT_FALSE(check->ExportPdf(pipe));

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

// Runs answer on each modal window that comes up, until the timer returned is deleted.
QTimer* WhileModalsAppear(QObject* owner, std::function<void(QWidget*)> answer) {
  auto* poll = new QTimer(owner);
  QObject::connect(poll, &QTimer::timeout, [answer] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal->isVisible()) answer(modal);
  });
  poll->start(5);
  return poll;
}

// An export asks before it replaces a file, in French; onto the open document it is refused,
// whatever name leads there.
TEST_F(CheckWindowTest, ExportsAskBeforeReplacingAndNeverReplaceTheDocument) {
  Open();
  ui::CheckWindow* check = window_->ShowCheckWindow();
  const std::string drawing = dir_.File("dessin.svg");
  WriteFile(drawing, "ancien");
  const std::string link = dir_.File("lien.svg");
  std::filesystem::create_symlink(document_, link);
  const std::string document = ReadFile(document_);
  const struct {
    std::string target;
    QMessageBox::StandardButton answer;  // to the replace question
    std::string left;                    // what the target holds afterwards
    const char* said;                    // in the box that comes up
  } kCases[] = {
      {drawing, QMessageBox::No, "ancien", "existe déjà"},
      {drawing, QMessageBox::Yes, "<svg", "existe déjà"},
      {link, QMessageBox::Yes, document, "est le document ouvert"},
      {document_, QMessageBox::Yes, document, "est le document ouvert"},
  };
  for (const auto& [target, answer, left, said] : kCases) {
    SCOPED_TRACE(target + " " + said);
    QStringList texts;
    bool declined = false;
    bool sent = false;
    // The dialog's own question runs inside its accept: that goes through the event loop, so
    // that this poll can answer the question.
    QTimer* poll = WhileModalsAppear(check, [&, target = target, answer = answer](QWidget* modal) {
      if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
        if (sent) return;
        sent = true;
        if (!declined) TypeFileName(dialog, QString::fromStdString(target));
        QMetaObject::invokeMethod(dialog, declined ? "reject" : "accept", Qt::QueuedConnection);
      } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        texts << box->text();
        const bool question = box->button(QMessageBox::Yes) != nullptr;
        declined = question && answer == QMessageBox::No;
        sent = false;
        box->button(question ? answer : QMessageBox::Ok)->click();
      }
    });
    check->AskAndExport(false);
    delete poll;
    EXPECT_TRUE(texts.join('|').contains(QString::fromUtf8(said))) << texts.join('|').toStdString();
    EXPECT_EQ(ReadFile(target).rfind(left, 0), 0u) << ReadFile(target).substr(0, 40);
  }
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  // The main window's status line says what was last written, and where.
  EXPECT_EQ(window_->statusBar()->currentMessage().toStdString(), "Dessin écrit : " + drawing);
}

// Texts from the document are shown as they are: markup in an option names itself, it never
// renders.
class CheckWindowOnHostileTextTest : public CheckWindowTest {
 protected:
  std::string DesignText() const override {
    return std::string(kExampleDesign) +
           "[VERIF]\nEnveloppe=<h1 style='color:green'>TOUT EST BON</h1><img src='x.png'>\n";
  }
};

TEST_F(CheckWindowOnHostileTextTest, EveryLabelShowsPlainText) {
  Open();
  QWidget* check = window_->ShowCheckWindow();
  const QList<QLabel*> labels = check->findChildren<QLabel*>(QRegularExpression("^Lb"));
  ASSERT_GE(labels.size(), 9);
  for (const QLabel* label : labels) {
    EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
  }
  EXPECT_TRUE(CheckText("LbVerifStatus").find("<h1") != std::string::npos) << "shown as typed";
}

// The option fields take numbers only; the main window's keys work from the check window; it
// opens beside the main window where there is room, within the screen, its content scrolling.
TEST_F(CheckWindowTest, OptionFieldsTakeNumbersAndTheWindowBehavesAsAToolWindow) {
  Open();
  ui::CheckWindow* check = window_->ShowCheckWindow();
  check->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(check));
  for (const char* name : {"TxEnveloppe", "TxInterligne", "TxAmbiante", "TxFacteur"}) {
    SCOPED_TRACE(name);
    QLineEdit* field = check->findChild<QLineEdit*>(name);
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, "0,1ampli-2x18.kel");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(field->text(), "0,1218");
  }
  EXPECT_EQ(form_->Sheet().VerifOptions.at("Enveloppe"), "0,1218");
  EXPECT_EQ(form_->Sheet().VerifOptions.count("FacteurConstruction"), 0u)
      << "0,1218 is no building factor: the field is not taken";

  // Ctrl+S from the check window saves the design (the replace question is the form's).
  ASSERT_TRUE(window_->windowTitle().endsWith(" *"));
  QTest::keyClick(check->findChild<QLineEdit*>("TxAmbiante"), Qt::Key_S, Qt::ControlModifier);
  EXPECT_FALSE(window_->windowTitle().endsWith(" *"));
  EXPECT_EQ(ReadIni(document_, "VERIF", "Enveloppe"), "0,1218");

  const QRect screen = check->screen()->availableGeometry();
  EXPECT_TRUE(screen.contains(check->frameGeometry())) << "within the screen";
  // Nothing to scroll but the tables in its tabs.
  EXPECT_EQ(check->findChild<QScrollArea*>("DefilementVerification"), nullptr);
}

TEST(CheckWindowPlace, BesideTheMainWindowWhereThereIsRoom) {
  const QRect main(100, 50, 600, 400);
  const struct {
    QRect screen;
    QSize wanted;
    QRect placed;
  } kCases[] = {
      {{0, 0, 1920, 1080}, {1000, 790}, {700, 50, 1000, 790}},       // to the right
      {{-1100, 0, 1820, 1080}, {1000, 790}, {-900, 50, 1000, 790}},  // to the left
      {{0, 0, 1200, 1080}, {500, 790}, {700, 50, 500, 790}},         // just fits on the right
      {{0, 0, 1199, 1080}, {500, 790}, {1199 - 500, 50, 500, 790}},  // no side: the wider
      {{-600, 0, 1400, 1080}, {500, 790}, {-400, 50, 500, 790}},     // room on the left only
      // 1600 × 1000 at a scale of 2: taller than the screen, cut to it.
      {{0, 0, 800, 500}, {1000, 790}, {0, 0, 800, 500}},
  };
  for (const auto& [screen, wanted, placed] : kCases) {
    const QRect got = ui::BesideRect(main, wanted, screen);
    EXPECT_EQ(got, placed) << screen.width() << " " << got.x() << "," << got.y() << " "
                           << got.width() << "x" << got.height();
    EXPECT_TRUE(screen.contains(got));
  }
}

// A catalogue whose table fails when read whole: F7 shows the check of the core the chain chose,
// and the window goes on (the check reads no catalogue; the damage was told once at start-up).
TEST_F(CheckWindowTest, F7OnADamagedCatalogueShowsTheCheck) {
  const std::string catalogue = MakeDamagedCatalogue(dir_.File("abime.db"));
  WriteFile(dir_.File("kelvanor.ini"), "[GLOBAL]\nDataBase=" + catalogue + "\n");
  Open();
  const std::size_t told = platform_.messages.size();
  EXPECT_LE(told, 1u);
  QTest::keyClick(window_.get(), Qt::Key_F7);
  ASSERT_NE(CheckWindow(), nullptr);
  EXPECT_EQ(Text("LbNoyau"), "EI-LONG-REFERENCE-1");
  EXPECT_NE(CheckText("LbVerifStatus").find("(calcul : " + Text("TxSpires_1") + ")"),
            std::string::npos);
  EXPECT_FALSE(CheckText("LbRemplissage").empty());
  EXPECT_EQ(platform_.messages.size(), told);
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
  // Every text fits its column, caption and sort arrow too, even in bold.
  QFont bold = table->font();
  bold.setBold(true);
  const QFontMetrics metrics(bold);
  for (int c = 0; c < model->columnCount(); ++c) {
    QStringList texts = {model->headerData(c, Qt::Horizontal).toString()};
    for (int r = 0; r < model->rowCount(); ++r) texts << model->index(r, c).data().toString();
    for (const QString& text : texts) {
      EXPECT_GT(table->columnWidth(c), metrics.horizontalAdvance(text) + 8) << text.toStdString();
    }
  }
  EXPECT_EQ(cell(0, 0), "EI10");
  EXPECT_EQ(cell(0, 1), "0,600");
  // The mark follows the idle verdict and I0 at 110 % of mains.
  const int mark = static_cast<int>(std::size(kCoreColumns));
  EXPECT_EQ(model->headerData(6, Qt::Horizontal).toString(), "À vide");
  EXPECT_EQ(cell(0, mark), "en service, conseillé");
  EXPECT_EQ(cell(1, mark), "");
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
  EXPECT_EQ(cell(0, mark), "en service");
  EXPECT_EQ(cell(1, mark), "conseillé");

  ASSERT_TRUE(take->isEnabled());
  take->click();
  EXPECT_EQ(Text("LbNoyau"), "EI10");
  EXPECT_EQ(TextColourOf(Label("LbNoyau")), ui::kRedText);
  EXPECT_EQ(Text("TxNoyau"), "EI10");
  EXPECT_FALSE(take->isEnabled());
  form_->MnuEnregistrer_Click();
  EXPECT_EQ(ReadIni(document_, "NOYAU", "Type"), "EI10");
}

// Only the current density changes, in the main window: the core search starts again, and its
// table and advice are those of the design as it now stands. Thicker wires fill EI10 over, so
// EI20 becomes the advised core while the chain keeps EI10.
TEST_F(CheckWindowTest, TheCoreSearchFollowsAChangeOfCurrentDensityAlone) {
  Open();
  ui::CheckWindow* check = window_->ShowCheckWindow();
  const QAbstractItemModel* model = check->findChild<QTableView*>("TbNoyaux")->model();
  using Rows = std::vector<std::vector<std::string>>;
  const auto shown = [model] {
    Rows rows(static_cast<std::size_t>(model->rowCount()));
    for (int r = 0; r < model->rowCount(); ++r) {
      for (int c = 0; c < static_cast<int>(std::size(kCoreColumns)); ++c) {
        rows[r].push_back(model->index(r, c).data().toString().toStdString());
      }
    }
    return rows;
  };
  const auto rows_of = [](const CoreSearchResult& result) {
    Rows rows;
    for (const CoreFigures& core : result.cores) rows.push_back(CoreCells(core, ','));
    return rows;
  };
  // The search is over and the window shows what it found.
  const auto settled = [&] {
    const CoreSearchRunner::State state = check->Panel().Search();
    return !state.running && state.result && shown() == rows_of(*state.result);
  };
  // Only against a search that never ends: each wait stops as soon as the search is over.
  constexpr int kBackstopMs = 120'000;
  ASSERT_TRUE(QTest::qWaitFor(settled, kBackstopMs));
  ASSERT_EQ(CheckText("LbNoyauConseille").rfind("Noyau conseillé : EI10 ", 0), 0u);

  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  Field("TxDCourant")->setFocus();
  TabTo("TxDCourant");
  Type("2");
  Press(Qt::Key_Tab);
  ASSERT_EQ(form_->Sheet().TxDCourant, "2");
  ASSERT_EQ(Text("LbNoyau"), "EI10");
  ASSERT_TRUE(QTest::qWaitFor(settled, kBackstopMs));
  const CoreSearchResult now = SearchDesignCores(form_->Design(), check->Panel().Check().options);
  EXPECT_EQ(shown(), rows_of(now));
  EXPECT_EQ(CheckText("LbNoyauConseille"), AdvisedCoreText(now, ','));
  EXPECT_EQ(CheckText("LbNoyauConseille").rfind("Noyau conseillé : EI20 ", 0), 0u)
      << CheckText("LbNoyauConseille");
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
  // In the "Noyaux" tab.
  EXPECT_FALSE(check->findChild<QWidget*>("PbRechercheNoyau")->isHidden());
  EXPECT_NE(CheckText("LbNoyauConseille").find("Noyau conseillé : "), std::string::npos);

  // The event loop turns while the search runs: timers fire, one after the other, and the search
  // is still under way when they have, however fast or loaded the machine is.
  int ticks_seen = 0;
  bool running_at_each_tick = true;
  QTimer ticks;
  QObject::connect(&ticks, &QTimer::timeout, [&] {
    ++ticks_seen;
    running_at_each_tick = running_at_each_tick && check->Panel().Search().running;
  });
  ticks.start(0);
  QTRY_VERIFY_WITH_TIMEOUT(ticks_seen >= 20, 60000);
  ticks.stop();
  EXPECT_TRUE(running_at_each_tick);

  // A new design: the search under way is dropped and another starts.
  form_->GotFocus({Control::TxAmps, 1});
  form_->SetText({Control::TxAmps, 1}, "2");
  form_->LostFocus({Control::TxAmps, 1});
  window_->ShowSheet();
  const CoreSearchRunner::State state = check->Panel().Search();
  EXPECT_TRUE(state.running);
  EXPECT_FALSE(state.result);
}

}  // namespace
}  // namespace kel::test
