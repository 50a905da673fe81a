// The window driven by key and mouse events: what the user types reaches the calculation, and
// what the calculation writes reaches the screen.

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <algorithm>

#include "documents/Ini.h"
#include "gui/WindowFixture.h"
#include "ui/FormWidgets.h"
#include "util/NumberText.h"
#include "util/Paths.h"

namespace kel::test {
namespace {

const QColor kRed(255, 0, 0);
const QColor kBlack(0, 0, 0);

TEST_F(WindowTest, StartUpShowsTheDocumentsResultsWithTheFocusInTheFrequency) {
  Open();
  EXPECT_EQ(Text("LbAmpsPri"), "0,43");
  EXPECT_EQ(Text("TxSpires_0"), "609");
  EXPECT_EQ(Text("LbTotCu"), "8,5");
  EXPECT_EQ(Text("Lbn"), "92%");
  EXPECT_EQ(Text("TxVolts_0"), "230");
  EXPECT_EQ(Text("LbNoyau"), "EI10");
  EXPECT_EQ(FocusedName(), "TxFreq");
  EXPECT_EQ(Field("TxFreq")->selectedText(), "50");
  // Loading ran the chain, but the design is as saved.
  EXPECT_EQ(window_->windowTitle().toStdString(), form_->Title());
  EXPECT_FALSE(window_->windowTitle().endsWith(" *"));
  EXPECT_TRUE(window_->windowTitle().contains(QString::fromStdString(document_)));
  QListWidget* list = Find<QListWidget>("LstCore");
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->item(0)->text(), "EI10");
  EXPECT_EQ(list->item(1)->text(), "EI20");
}

TEST_F(WindowTest, TypedAmpsCountWhenTheFieldIsLeft) {
  Open();
  TabTo("TxAmps_1");
  EXPECT_EQ(Field("TxAmps_1")->selectedText(), "1");
  const int before = Recalculations();
  Type("2");
  EXPECT_EQ(form_->Sheet().TxAmps[1], "2");
  EXPECT_EQ(Recalculations(), before);
  Press(Qt::Key_Tab);
  EXPECT_EQ(Recalculations(), before + 1);
  EXPECT_EQ(FocusedName(), "TxVolts_2");
  EXPECT_EQ(Text("LbWatts"), "200,");
  EXPECT_EQ(Text("LbNoyau"), "EI20");
  EXPECT_EQ(Text("LbFeSect"), "20");
  for (const char* name : {"LbAmpsPri", "LbKgFe", "LbSectFe", "LbSpVolt", "LbWattsTot", "Lbn",
                           "TxSpires_0", "TxSpires_1", "TxDiaCu_1", "TxLongCu_1", "TxResCu_1",
                           "TxTrueVolts_0", "TxTotCu_1", "TxSpLayer_1"}) {
    EXPECT_FALSE(Text(name).empty()) << name;
  }
  EXPECT_TRUE(window_->windowTitle().endsWith(" *"));
}

TEST_F(WindowTest, TabbingThroughUntouchedFieldsRecalculatesNothing) {
  Open();
  const int before = Recalculations();
  for (int i = 0; i < 25; ++i) Press(Qt::Key_Tab);
  EXPECT_EQ(Recalculations(), before);
  EXPECT_FALSE(window_->windowTitle().endsWith(" *"));
}

TEST_F(WindowTest, EnterInAmpsRecalculatesAndIsConsumed) {
  Open();
  TabTo("TxAmps_1");
  QSignalSpy returns(Field("TxAmps_1"), &QLineEdit::returnPressed);
  const int before = Recalculations();
  Type("2");
  Press(Qt::Key_Return);
  EXPECT_EQ(Recalculations(), before + 1);
  // The calculation marks every field changed, so the next Enter and the Tab count again.
  Press(Qt::Key_Enter);
  EXPECT_EQ(Recalculations(), before + 2);
  Press(Qt::Key_Tab);
  EXPECT_EQ(Recalculations(), before + 3);
  EXPECT_EQ(returns.count(), 0);
}

TEST_F(WindowTest, EnterWithControlOrAltIsNotEnter) {
  Open();
  TabTo("TxAmps_1");
  QSignalSpy returns(Field("TxAmps_1"), &QLineEdit::returnPressed);
  const int before = Recalculations();
  Type("2");
  QTest::keyClick(Focused(), Qt::Key_Return, Qt::ControlModifier);
  QTest::keyClick(Focused(), Qt::Key_Enter, Qt::AltModifier | Qt::KeypadModifier);
  EXPECT_EQ(Recalculations(), before);
  EXPECT_EQ(returns.count(), 2) << "both keys reached the field: nothing consumed them";
}

TEST_F(WindowTest, EnterInVoltsRecalculatesOnceAndSelectsTheText) {
  Open();
  TabTo("TxVolts_1");
  int before = Recalculations();
  // Shift+Enter is Enter.
  Type("105");
  Press(Qt::Key_Return, Qt::ShiftModifier);
  EXPECT_EQ(Recalculations(), before + 1);
  EXPECT_EQ(Text("LbWatts"), "105,");
  before = Recalculations();
  Type("110");
  Press(Qt::Key_Return);
  EXPECT_EQ(Recalculations(), before + 1);
  EXPECT_EQ(Field("TxVolts_1")->selectedText(), "110");
  Press(Qt::Key_Tab);
  EXPECT_EQ(Recalculations(), before + 1);
  EXPECT_EQ(Text("LbWatts"), "110,");
}

TEST_F(WindowTest, EnterInAnUnchangedDiameterGoesToTheField) {
  Open();
  TabTo("TxDiaCu_3");
  QSignalSpy returns(Field("TxDiaCu_3"), &QLineEdit::returnPressed);
  const int before = Recalculations();
  Press(Qt::Key_Return);
  EXPECT_EQ(Recalculations(), before);
  EXPECT_EQ(returns.count(), 1);
}

TEST_F(WindowTest, TypedDiameterTurnsRedAndStaysThroughLaterChanges) {
  Open();
  QLineEdit* diameter = Field("TxDiaCu_1");
  EXPECT_EQ(TextColourOf(diameter), kBlack);
  TabTo("TxDiaCu_1");
  Type("0,5");
  Press(Qt::Key_Tab);
  EXPECT_EQ(diameter->text(), "0,5");
  EXPECT_EQ(TextColourOf(diameter), kRed);
  EXPECT_TRUE(form_->Sheet().DiaForced[1]);

  const std::string primary_before = Text("TxDiaCu_0");
  TabTo("TxDCourant");
  Type("5");
  Press(Qt::Key_Tab);
  EXPECT_NE(Text("TxDiaCu_0"), primary_before);
  EXPECT_EQ(diameter->text(), "0,5");
  EXPECT_EQ(TextColourOf(diameter), kRed);
  EXPECT_EQ(TextColourOf(Field("TxDiaCu_0")), kBlack);

  // Emptying it and leaving hands the diameter back to the calculation.
  TabTo("TxDiaCu_1");
  Press(Qt::Key_Delete);
  Press(Qt::Key_Tab);
  EXPECT_EQ(TextColourOf(diameter), kBlack);
  EXPECT_FALSE(diameter->text().isEmpty());
  EXPECT_NE(diameter->text(), "0,5");
}

TEST_F(WindowTest, InductionButtonsStepAndFlagTheLimit) {
  Open();
  QPushButton* plus = Find<QPushButton>("BtPlusT");
  QPushButton* minus = Find<QPushButton>("BtMoinsT");
  QLabel* induction = Label("LbTrueTesla");
  // The example sits at the limit.
  EXPECT_EQ(induction->text(), "1,70");
  EXPECT_EQ(TextColourOf(induction), kRed);

  QTest::mouseClick(minus, Qt::LeftButton);
  EXPECT_EQ(FocusedName(), "BtMoinsT");
  EXPECT_EQ(Text("TxTesla"), "1,65");
  EXPECT_EQ(induction->text(), "1,65");
  EXPECT_EQ(TextColourOf(induction), kBlack);

  const int beeps = platform_.beeps;
  QTest::mouseClick(plus, Qt::LeftButton);
  EXPECT_DOUBLE_EQ(ReadNumber(Text("TxTesla")), 1.7);
  EXPECT_EQ(TextColourOf(induction), kRed);
  EXPECT_GT(platform_.beeps, beeps);
  QTest::mouseClick(plus, Qt::LeftButton);
  EXPECT_EQ(Text("TxTesla"), "1,75");
  QTest::mouseClick(plus, Qt::LeftButton);
  EXPECT_EQ(Text("TxTesla"), "1,8");
  EXPECT_EQ(induction->text(), "1,80");
  EXPECT_EQ(TextColourOf(induction), kRed);
}

TEST_F(WindowTest, ClickingAButtonTakesTheEditedValueFirst) {
  Open();
  TabTo("TxAmps_1");
  Type("2");
  const int before = Recalculations();
  QTest::mouseClick(Find<QPushButton>("BtPlusT"), Qt::LeftButton);
  // Once for leaving the field, once for the button.
  EXPECT_EQ(Recalculations(), before + 2);
  EXPECT_EQ(Text("LbWatts"), "200,");
}

TEST_F(WindowTest, DoubleClickInTheCoreListImposesThatCore) {
  Open();
  QLabel* core = Label("LbNoyau");
  EXPECT_EQ(TextColourOf(core), kBlack);
  DoubleClickCore(1);
  EXPECT_EQ(core->text(), "EI20");
  EXPECT_EQ(TextColourOf(core), kRed);
  EXPECT_EQ(Text("LbFeSect"), "20");
  EXPECT_EQ(Text("LbNoyauMin"), "EI10");
  EXPECT_EQ(FocusedName(), "LstCore");

  // The core already in use: nothing happens.
  const int before = Recalculations();
  DoubleClickCore(1);
  EXPECT_EQ(Recalculations(), before);
}

TEST_F(WindowTest, GrowingLabelsWidenToTheirText) {
  Open();
  QLabel* core = Label("LbNoyauMin");
  const QPoint place = core->pos();
  EXPECT_GE(core->width(), core->fontMetrics().horizontalAdvance(core->text()));
  // Drawn 135 twips wide, the reference would not fit.
  EXPECT_GT(core->width(), ui::Twips(core->logicalDpiX()).ToPixels(135));
  DoubleClickCore(1);
  EXPECT_EQ(core->pos(), place);
  for (const char* name : {"LbNoyau", "LbKgFe", "LbSectFe", "LbWatts"}) {
    QLabel* label = Label(name);
    EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text())) << name;
  }
}

TEST_F(WindowTest, TitleCarriesTheMarkUntilTheDesignIsSaved) {
  Open();
  QPlainTextEdit* remarks = Find<QPlainTextEdit>("TxRem");
  QTest::mouseClick(remarks->viewport(), Qt::LeftButton);
  EXPECT_EQ(FocusedName(), "TxRem");
  Type("Bobinage");
  EXPECT_EQ(form_->Sheet().TxRem, "Bobinage");
  EXPECT_TRUE(window_->windowTitle().endsWith(" *"));

  // Saving over the document asks whether to replace it; the fake answers OK.
  Find<QAction>("MnuEnregistrer")->trigger();
  EXPECT_FALSE(window_->windowTitle().endsWith(" *"));
  EXPECT_NE(ReadFile(document_).find("Bobinage"), std::string::npos);
}

TEST_F(WindowTest, RemarksKeepTheirLineBreaksBothWays) {
  Open();
  QPlainTextEdit* remarks = Find<QPlainTextEdit>("TxRem");
  QTest::mouseClick(remarks->viewport(), Qt::LeftButton);
  Type("un");
  Press(Qt::Key_Return);
  Type("deux");
  EXPECT_EQ(remarks->toPlainText(), "un\ndeux");
  EXPECT_EQ(form_->Sheet().TxRem, "un\r\ndeux");
  // Enter in the remarks is a new line, not a recalculation.
  EXPECT_EQ(FocusedName(), "TxRem");
}

class WindowWithRemarksTest : public WindowTest {
 protected:
  std::string DesignText() const override {
    return std::string(kExampleDesign) + "[REMARQUES]\nFreeText=ligne un\tligne deux\t\n";
  }
};

// A core imposed in another case than the catalogue's, on a design without power (no core
// chosen, the imposed one shown as typed): the list still shows it selected.
class WindowWithImposedCoreTest : public WindowTest {
 protected:
  std::string DesignText() const override {
    return "[SPECIFS]\nFreq=50\nTesla=1.7\nDCourant=3.6\nVolts0=230\n[NOYAU]\nType=ei20\n";
  }
};

TEST_F(WindowWithImposedCoreTest, TheListSelectsTheImposedCoreWhateverItsCase) {
  Open();
  auto* list = Find<QListWidget>("LstCore");
  ASSERT_NE(list->currentItem(), nullptr);
  EXPECT_EQ(list->currentItem()->text(), "EI20");
  EXPECT_TRUE(list->currentItem()->isSelected());
}

// A recent document's "&" is shown, not taken for the menu's underline.
TEST_F(WindowTest, RecentDocumentsShowTheirAmpersands) {
  document_ = dir_.File("a&b.kel");
  WriteFile(document_, DesignText());
  Open();
  emit window_->RecentMenu()->aboutToShow();
  auto* entry = window_->RecentMenu()->findChild<QAction*>("MnuRecent_1");
  if (entry == nullptr && !window_->RecentMenu()->actions().isEmpty()) {
    entry = window_->RecentMenu()->actions().first();
  }
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->iconText().toStdString(), "1 " + document_);
}

TEST_F(WindowWithRemarksTest, LoadedRemarksShowOnSeparateLinesWithoutMarkingTheDesign) {
  Open();
  const QString shown = Find<QPlainTextEdit>("TxRem")->toPlainText();
  EXPECT_TRUE(shown.startsWith("ligne un\nligne deux")) << shown.toStdString();
  EXPECT_FALSE(shown.contains('\r'));
  EXPECT_FALSE(form_->Modified());
  EXPECT_FALSE(window_->windowTitle().endsWith(" *"));
}

TEST_F(WindowTest, HiddenControlsStayHidden) {
  Open();
  const auto check_hidden = [this] {
    for (const char* name : {"TxTesla", "TxAmps_0", "TxNoyau", "Label14"}) {
      QWidget* widget = Find<QWidget>(name);
      EXPECT_TRUE(widget->isHidden()) << name;
      EXPECT_FALSE(widget->isVisible()) << name;
    }
  };
  check_hidden();
  QTest::mouseClick(Find<QPushButton>("BtPlusT"), Qt::LeftButton);
  DoubleClickCore(1);
  Find<QAction>("MnuNouveau")->trigger();
  check_hidden();
}

TEST_F(WindowTest, TabGoesThroughTheEditableControlsInOrderAndComesBack) {
  Open();
  QStringList visited = {FocusedName()};
  for (int i = 0; i < 20; ++i) {
    Press(Qt::Key_Tab);
    visited << FocusedName();
  }
  const QStringList expected = {
      "TxFreq",    "TxVolts_0", "TxVolts_1", "TxAmps_1",   "TxVolts_2", "TxAmps_2",  "TxVolts_3",
      "TxAmps_3",  "TxVolts_4", "TxAmps_4",  "TxDCourant", "TxDiaCu_0", "TxDiaCu_1", "TxDiaCu_2",
      "TxDiaCu_3", "TxDiaCu_4", "BtMoinsT",  "BtPlusT",    "LstCore",   "TxRem",     "TxFreq"};
  EXPECT_EQ(visited, expected);
}

TEST_F(WindowTest, ClickingLabelsFramesAndResultsLeavesTheFocus) {
  Open();
  TabTo("TxAmps_1");
  Type("2");
  const int before = Recalculations();
  for (const char* name : {"Label4", "LbWatts", "TxSpires_1", "FmCu"}) {
    QTest::mouseClick(Find<QWidget>(name), Qt::LeftButton);
    EXPECT_EQ(FocusedName(), "TxAmps_1") << name;
  }
  EXPECT_EQ(Recalculations(), before);
  QTest::mouseClick(Field("TxVolts_0"), Qt::LeftButton);
  EXPECT_EQ(Recalculations(), before + 1);
}

TEST_F(WindowTest, AMessageDuringAHandlerDoesNotCountAsLeavingTheField) {
  Open();
  platform_.boxes_take_activation = true;
  TabTo("TxVolts_0");
  const int before = Recalculations();
  // No primary voltage: the power balance divides by zero and the chain reports it.
  Type("0");
  Press(Qt::Key_Return);
  ASSERT_TRUE(platform_.box_was_active);
  ASSERT_TRUE(platform_.window_came_back);
  EXPECT_EQ(platform_.MessageTexts(), std::vector<std::string>{"Erreur de saisie"});
  EXPECT_EQ(Recalculations(), before + 1);
  EXPECT_EQ(FocusedName(), "TxVolts_0");
  EXPECT_EQ(Field("TxVolts_0")->text(), "0");
  // Leaving the field after the Enter runs nothing more: the Enter remembered the text.
  Press(Qt::Key_Tab);
  EXPECT_EQ(Recalculations(), before + 1);
}

TEST_F(WindowTest, OpeningTheMenuTakesTheChangedField) {
  Open();
  TabTo("TxAmps_1");
  Type("3");
  const int before = Recalculations();
  QMenuBar* bar = window_->menuBar();
  QMenu* menu = window_->ProjectMenu();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
  EXPECT_TRUE(menu->isVisible());
  EXPECT_EQ(Recalculations(), before + 1);
  EXPECT_EQ(Text("LbWatts"), "300,");
  menu->hide();
  EXPECT_EQ(FocusedName(), "LstCore");
  // The field's loss of the focus was taken once only.
  EXPECT_EQ(Recalculations(), before + 1);
}

TEST_F(WindowTest, MenuHasTheProjectCommandsInOrder) {
  Open();
  QMenu* menu = window_->ProjectMenu();
  EXPECT_EQ(menu->title(), "&Projet");
  QStringList captions;
  QStringList keys;
  for (QAction* action : menu->actions()) {
    EXPECT_FALSE(action->isSeparator());
    captions << action->text();
    keys << action->shortcut().toString();
  }
  EXPECT_EQ(captions, QStringList({"Nouveau", "Ouvrir", "Enregistrer", "Enregistrer sous ...",
                                   "Dossier", "Documents récents", "Imprimer…", "Quitter"}));
  EXPECT_EQ(keys, QStringList(
                      {"Ctrl+N", "Ctrl+O", "Ctrl+S", "Ctrl+Shift+S", "", "", "Ctrl+P", "Ctrl+Q"}));
}

TEST_F(WindowTest, ClosingAsksTheSaveQuestionAndCancelKeepsTheWindow) {
  Open();
  TabTo("TxAmps_1");
  Type("2");
  Press(Qt::Key_Return);
  ASSERT_TRUE(form_->Modified());
  platform_.answers.push_back(MsgAnswer::Cancel);
  Find<QAction>("MnuQuitter")->trigger();
  EXPECT_TRUE(window_->isVisible());
  ASSERT_FALSE(platform_.messages.empty());
  EXPECT_EQ(platform_.messages.back().buttons, MsgButtons::YesNoCancel);

  platform_.answers.push_back(MsgAnswer::No);
  EXPECT_TRUE(window_->close());
  EXPECT_FALSE(window_->isVisible());
}

TEST_F(WindowTest, NewOnAChangedDesignAsksAndTheTitleTellsTheTruthUnderEveryDialog) {
  Open();
  TabTo("TxAmps_1");
  Type("2");
  Press(Qt::Key_Return);
  QStringList titles_under_dialogs;
  platform_.before_dialog = [&] { titles_under_dialogs << window_->windowTitle(); };

  // Save as, cancelled: the design keeps its changes and the title its mark.
  Find<QAction>("MnuEnregistrerSous")->trigger();
  EXPECT_TRUE(window_->windowTitle().endsWith(" *"));
  // Now without a file: "Nouveau" asks first; Yes, then the save dialog cancelled, keeps it.
  platform_.answers = {MsgAnswer::Yes};
  Find<QAction>("MnuNouveau")->trigger();
  ASSERT_EQ(platform_.MessageTexts().size(), 1u);
  EXPECT_EQ(platform_.messages[0].text, "Enregistrer les modifications ?");
  EXPECT_EQ(Text("TxAmps_1"), "2");
  EXPECT_TRUE(window_->windowTitle().endsWith(" *"));

  // No before "Ouvrir": the mark is gone while the open dialog is up.
  platform_.answers = {MsgAnswer::No};
  Find<QAction>("MnuOuvrir")->trigger();
  ASSERT_EQ(titles_under_dialogs.size(), 3);
  EXPECT_FALSE(titles_under_dialogs[2].endsWith(" *"));
}

TEST_F(WindowTest, SessionEndAsksTheSaveQuestionOrKeepsTheChangesForRecovery) {
  Open();
  TabTo("TxAmps_1");
  Type("2");
  Press(Qt::Key_Return);
  platform_.answers = {MsgAnswer::Cancel};
  EXPECT_FALSE(window_->CommitSessionData(true)) << "Cancel holds the logout";
  EXPECT_EQ(platform_.MessageTexts(), std::vector<std::string>{"Enregistrer les modifications ?"});

  EXPECT_TRUE(window_->CommitSessionData(false));
  EXPECT_EQ(platform_.messages.size(), 1u) << "no question when none may be asked";
  const std::vector<std::string> kept = form_->RecoveryDocuments();
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_NE(ReadFile(kept[0]).find("Amps1=2"), std::string::npos);
  EXPECT_EQ(ReadFile(document_).find("Amps1=2"), std::string::npos) << "the document is untouched";

  // The next start offers it; the window shows the recovered design, unsaved.
  window_.reset();
  form_.reset();
  platform_.messages.clear();
  platform_.answers = {MsgAnswer::Yes};
  Open();
  ASSERT_EQ(platform_.messages.size(), 1u);
  EXPECT_EQ(platform_.messages[0].text.rfind("Un document de récupération du ", 0), 0u);
  EXPECT_EQ(Text("TxAmps_1"), "2");
  EXPECT_TRUE(window_->windowTitle().endsWith(" *"));
  EXPECT_FALSE(FileExists(kept[0]));
}

// "Ouvrir" on what is no design: a message, and the window keeps the design it shows.
TEST_F(WindowTest, OpeningAFileThatIsNoDesignKeepsTheWindowAsItIs) {
  const std::string pdf = dir_.File("notice.pdf");
  const std::string bytes("%PDF-1.4\n\x00\x01\xFF", 12);
  WriteFile(pdf, bytes);
  Open();
  const std::string title = window_->windowTitle().toStdString();
  platform_.dialog_answers = {pdf};
  Press(Qt::Key_O, Qt::ControlModifier);
  ASSERT_EQ(platform_.messages.size(), 1u);
  EXPECT_NE(platform_.messages[0].text.find("n'est pas un document"), std::string::npos);
  EXPECT_EQ(Text("TxVolts_0"), "230");
  EXPECT_EQ(Text("LbNoyau"), "EI10");
  EXPECT_EQ(window_->windowTitle().toStdString(), title);
  Press(Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(ReadFile(pdf), bytes) << "a save goes to the design's own document";
}

TEST_F(WindowTest, NoToTheQueryPromptEndsTheWindowWithoutAnotherEvent) {
  Open();
  ExecuteSql(dir_.File("noyaux.db"), "DROP TABLE EI");
  platform_.answers = {MsgAnswer::No};
  QTest::mouseClick(Find<QPushButton>("BtPlusT"), Qt::LeftButton);
  EXPECT_TRUE(window_->Ended());
  EXPECT_TRUE(platform_.ended);
  EXPECT_FALSE(window_->isVisible());
  EXPECT_NE(platform_.clipboard.find("from EI"), std::string::npos);
  const int before = Recalculations();
  window_->show();
  QTest::mouseClick(Find<QPushButton>("BtPlusT"), Qt::LeftButton);
  EXPECT_EQ(Recalculations(), before) << "an ended program handles nothing more";
  EXPECT_TRUE(window_->close()) << "and closes without a question";
}

TEST_F(WindowTest, WindowHasTheDrawnLayout) {
  Open();
  const ui::Twips twips(window_->logicalDpiX());
  EXPECT_EQ(window_->centralWidget()->size(),
            QSize(twips.ToPixels(ui::kClientWidthTwips), twips.ToPixels(ui::kClientHeightTwips)));
  EXPECT_EQ(Find<QWidget>("FmSpécifs")->geometry(), twips.ToPixels(120, 120, 3255, 6855));
  EXPECT_EQ(Find<QWidget>("Frame1")->geometry(), twips.ToPixels(8280, 4200, 3135, 2775));
  EXPECT_EQ(Field("TxDiaCu_3")->geometry(), twips.ToPixels(1200, 2880, 615, 285));
  EXPECT_TRUE(Field("TxSpires_0")->alignment() & Qt::AlignRight);
  EXPECT_EQ(Field("TxTrueVolts_0")->palette().color(QPalette::Base), QColor(192, 255, 192));

  // A larger window moves nothing, and the form's dark blue reaches its corner.
  const QRect before = Field("TxVolts_1")->geometry();
  window_->resize(window_->size() + QSize(200, 150));
  QApplication::processEvents();
  EXPECT_EQ(Field("TxVolts_1")->geometry(), before);
  const QImage picture = window_->centralWidget()->grab().toImage();
  EXPECT_EQ(picture.pixelColor(picture.width() - 2, picture.height() - 2), QColor(0, 0, 128));
}

TEST_F(WindowTest, ResultFieldsReadBlackAndCannotBeEdited) {
  Open();
  TabTo("TxVolts_0");
  for (const char* name : {"TxSpires_1", "TxLongCu_1", "TxResCu_1", "TxTotCu_1", "TxSpLayer_1"}) {
    QLineEdit* result = Field(name);
    EXPECT_TRUE(result->isEnabled() && result->isReadOnly()) << name;
    EXPECT_EQ(result->palette().color(QPalette::Text), kBlack) << name;
    // A click leaves the focus where it was and typing goes there, not into the result.
    const QString shown = result->text();
    QTest::mouseClick(result, Qt::LeftButton);
    QTest::keyClicks(result, "9");
    EXPECT_EQ(result->text(), shown) << name;
  }
  EXPECT_EQ(FocusedName(), "TxVolts_0");
}

TEST_F(WindowTest, AClickIntoAFieldSelectsItsWholeText) {
  Open();
  QLineEdit* amps = Field("TxAmps_1");
  // Right of the text, where the cursor would otherwise land after the 1.
  QTest::mouseClick(amps, Qt::LeftButton, {}, QPoint(amps->width() - 3, amps->height() / 2));
  EXPECT_EQ(FocusedName(), "TxAmps_1");
  EXPECT_EQ(amps->selectedText(), "1");
  Type("2");
  EXPECT_EQ(amps->text(), "2");
  // Once it has the focus, a click places the cursor as usual.
  QTest::mouseClick(amps, Qt::LeftButton, {}, QPoint(amps->width() - 3, amps->height() / 2));
  EXPECT_FALSE(amps->hasSelectedText());
}

TEST_F(WindowTest, CorePickerWorksByKeyAndGoesBackToTheAutomaticChoice) {
  Open();
  QListWidget* list = Find<QListWidget>("LstCore");
  QLabel* core = Label("LbNoyau");
  ASSERT_NE(list->currentItem(), nullptr);
  EXPECT_TRUE(list->currentItem()->isSelected());
  EXPECT_EQ(list->currentItem()->text(), "EI10");
  TabTo("LstCore");
  Press(Qt::Key_Down);
  Press(Qt::Key_Return);
  EXPECT_EQ(core->text(), "EI20");
  EXPECT_EQ(TextColourOf(core), kRed);
  EXPECT_TRUE(form_->Sheet().CoreForced);

  // The right click on the core's label offers the way back.
  QApplication::processEvents();
  // The right click as the window system delivers it: the test library sends only the press.
  QContextMenuEvent right_click(QContextMenuEvent::Mouse, QPoint(2, 2),
                                core->mapToGlobal(QPoint(2, 2)));
  QApplication::sendEvent(core, &right_click);
  QMenu* menu = window_->CoreContextMenu();
  ASSERT_TRUE(menu->isVisible());
  QAction* automatic = menu->actions().value(0);
  ASSERT_NE(automatic, nullptr);
  EXPECT_EQ(automatic->text(), "Choix automatique du noyau");
  const int before = Recalculations();
  QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(automatic).center());
  EXPECT_EQ(Recalculations(), before + 1);
  EXPECT_FALSE(form_->Sheet().CoreForced);
  EXPECT_EQ(core->text(), "EI10");
  EXPECT_EQ(TextColourOf(core), kBlack);
  EXPECT_EQ(list->currentItem()->text(), "EI10");
  // The same command in the "Noyau" menu; the saved document names no core.
  EXPECT_TRUE(window_->CoreMenu()->actions().contains(automatic));
  Press(Qt::Key_S, Qt::ControlModifier);
  EXPECT_NE(ReadFile(document_).find("Type="), std::string::npos);
  EXPECT_EQ(ReadIni(document_, "NOYAU", "Type"), "");
}

TEST_F(WindowTest, KeyboardReachesTheMenusAndTheCommands) {
  Open();
  QMenu* menu = window_->ProjectMenu();
  for (auto [key, modifiers] :
       {std::pair{Qt::Key_P, Qt::AltModifier}, std::pair{Qt::Key_F10, Qt::NoModifier}}) {
    TabTo("TxVolts_1");
    Press(key, modifiers);
    EXPECT_TRUE(menu->isVisible()) << key;
    menu->hide();
  }
  // Alt with a letter that opens nothing types nothing either.
  TabTo("TxVolts_1");
  Press(Qt::Key_X, Qt::AltModifier);
  EXPECT_EQ(Field("TxVolts_1")->text(), "100");
  Find<QPlainTextEdit>("TxRem")->setFocus();
  Press(Qt::Key_X, Qt::AltModifier);
  EXPECT_EQ(form_->Sheet().TxRem, "");

  // Ctrl+S takes the value being typed, then saves over the document (the fake says OK).
  TabTo("TxAmps_1");
  Type("2");
  Press(Qt::Key_S, Qt::ControlModifier);
  EXPECT_NE(ReadFile(document_).find("Amps1=2"), std::string::npos);
  EXPECT_FALSE(window_->windowTitle().endsWith(" *"));
  Press(Qt::Key_O, Qt::ControlModifier);
  Press(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
  ASSERT_EQ(platform_.dialogs.size(), 2u);
  EXPECT_EQ(platform_.dialogs[0].title, "Ouvrir");
  EXPECT_EQ(platform_.dialogs[1].title, "Enregistrer sous ...");
  Press(Qt::Key_N, Qt::ControlModifier);
  EXPECT_EQ(form_->DocPath(), "");
  EXPECT_EQ(Text("TxFreq"), "50");
  Press(Qt::Key_Q, Qt::ControlModifier);
  EXPECT_FALSE(window_->isVisible());
}

TEST_F(WindowTest, EveryInputResultAndButtonExplainsItselfInFrench) {
  Open();
  int inputs = 0;
  for (QLineEdit* field : window_->findChildren<QLineEdit*>()) {
    if (field->isHidden()) continue;
    const QString tip = field->toolTip();
    EXPECT_FALSE(tip.isEmpty()) << field->objectName().toStdString();
    if (!field->isReadOnly()) {
      ++inputs;
      EXPECT_TRUE(tip.contains("Entrée") && tip.contains("quittant le champ"))
          << field->objectName().toStdString();
    }
  }
  EXPECT_EQ(inputs, 16);
  for (QWidget* other : window_->findChildren<QWidget*>()) {
    const QString name = other->objectName();
    const bool result_label = qobject_cast<QLabel*>(other) && name.startsWith("Lb");
    if (result_label || qobject_cast<QPushButton*>(other) || name == "LstCore") {
      EXPECT_FALSE(other->toolTip().isEmpty()) << name.toStdString();
    }
  }
  EXPECT_TRUE(Field("TxFreq")->toolTip().contains("hertz"));
  EXPECT_TRUE(Label("LbFeMasse")->toolTip().contains("kg"));
}

TEST_F(WindowTest, AnInputErrorTellsItsCause) {
  Open();
  TabTo("TxFreq");
  Type("0");
  Press(Qt::Key_Return);
  EXPECT_EQ(platform_.MessageTexts(), std::vector<std::string>{"Erreur de saisie"});
  EXPECT_EQ(platform_.causes, std::vector<std::string>{"La fréquence est nulle."});
}

TEST_F(WindowTest, CatalogueCommandRefillsTheListAndRecentDocumentsReopen) {
  Open();
  const std::string other =
      MakeCatalogue(dir_.File("autres.db"), {{"EI42/14", 10, 0.6, 12, 30, 20}});
  platform_.dialog_answers.push_back(other);
  Find<QAction>("MnuCatalogue")->trigger();
  EXPECT_EQ(platform_.dialogs.back().title, "Database");
  QListWidget* list = Find<QListWidget>("LstCore");
  ASSERT_EQ(list->count(), 1);
  EXPECT_EQ(list->item(0)->text(), "EI42/14");
  EXPECT_EQ(Text("LbNoyau"), "EI42/14");
  EXPECT_NE(ReadFile(dir_.File("kelvanor.ini")).find("DataBase=" + other), std::string::npos);

  // A second document, then back to the first through Projet > Documents récents by keyboard.
  const std::string second = dir_.File("second.kel");
  WriteFile(second, kExampleDesign);
  platform_.dialog_answers.push_back(second);
  Press(Qt::Key_O, Qt::ControlModifier);
  ASSERT_EQ(form_->DocPath(), second);
  Press(Qt::Key_P, Qt::AltModifier);
  for (int i = 0; i < 5; ++i) QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Down);
  QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Right);
  QMenu* recent = window_->RecentMenu();
  ASSERT_TRUE(recent->isVisible());
  ASSERT_EQ(recent->actions().size(), 2);
  EXPECT_EQ(recent->actions()[1]->text(), "&2 " + QString::fromStdString(document_));
  QTest::keyClick(recent, Qt::Key_2);
  EXPECT_EQ(form_->DocPath(), document_);
}

TEST_F(WindowTest, FixedCaptionsFitTheirBoxes) {
  Open();
  const std::vector<QLabel*>& growing = window_->Widgets().Growing;
  for (QLabel* label : window_->findChildren<QLabel*>()) {
    if (label->isHidden() || label->text().isEmpty()) continue;
    if (std::find(growing.begin(), growing.end(), label) != growing.end()) continue;
    const QString name = label->objectName();
    const QFontMetrics metrics = label->fontMetrics();
    for (const QString& word : label->text().split(' ', Qt::SkipEmptyParts)) {
      EXPECT_LE(metrics.horizontalAdvance(word), label->width()) << name.toStdString();
    }
    // All its lines within the box, the last one allowed to lose no more than its descent.
    EXPECT_LE(label->heightForWidth(label->width()), label->height() + metrics.descent())
        << name.toStdString() << " " << label->text().toStdString();
  }
}

}  // namespace
}  // namespace kel::test
