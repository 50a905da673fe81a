// The Qt side of the platform: message boxes and file dialogs as the program asks for them,
// answered here the way a user would.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>

#include "support/TestFiles.h"
#include "ui/QtPlatform.h"

namespace kel::test {
namespace {

// Runs answer on the next modal window to come up (the box or dialog under test), from inside
// its own event loop.
void WhenModalAppears(std::function<void(QWidget*)> answer) {
  QWidget* const before = QApplication::activeModalWidget();
  auto* poll = new QTimer(qApp);
  QObject::connect(poll, &QTimer::timeout, [poll, before, answer] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal == before || !modal->isVisible()) return;
    poll->stop();
    poll->deleteLater();
    answer(modal);
  });
  poll->start(5);
}

QStringList ButtonsOf(QMessageBox* box) {
  QStringList names;
  for (QAbstractButton* button : box->buttons()) {
    names << QString::number(box->standardButton(button), 16);
  }
  names.sort();
  return names;
}

QStringList Names(std::initializer_list<QMessageBox::StandardButton> buttons) {
  QStringList names;
  for (auto button : buttons) names << QString::number(button, 16);
  names.sort();
  return names;
}

struct SeenBox {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QStringList buttons;
  QStringList captions;  // what the buttons read, sorted
  int width = 0;
};

QStringList CaptionsOf(const QList<QAbstractButton*>& buttons) {
  QStringList captions;
  for (QAbstractButton* button : buttons) captions << button->text();
  captions.sort();
  return captions;
}

// Shows a box through the platform, records what it looked like and presses what press does.
MsgAnswer AskAndAnswer(MsgButtons buttons, MsgIcon icon, const std::string& title,
                       std::function<void(QMessageBox*)> press, SeenBox& seen) {
  WhenModalAppears([&seen, press](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (box == nullptr) return;
    seen = {box->windowTitle(),         box->text(), box->icon(), ButtonsOf(box),
            CaptionsOf(box->buttons()), box->width()};
    press(box);
  });
  ui::QtPlatform platform;
  return platform.MessageBox("Enregistrer les modifications ?", buttons, icon, title);
}

// What the dialog's Open or Save button does.
void Confirm(QFileDialog* dialog) {
  static_cast<QDialog*>(dialog)->accept();
}

void Click(QMessageBox* box, QMessageBox::StandardButton which) {
  QTest::mouseClick(box->button(which), Qt::LeftButton);
}

// Ending from inside a handler goes through the event loop's own end (which hands the clipboard
// over on X11), not a hard exit of the process.
TEST(QtPlatformEnd, EndingTheProgramEndsTheEventLoop) {
  ui::QtPlatform platform;
  platform.EndProgramNow();
  // The application's own loop, which (unlike a local one) leaves later loops of the run usable.
  QTimer::singleShot(2000, qApp, [] { QCoreApplication::exit(7); });
  EXPECT_EQ(QCoreApplication::exec(), 0);
}

TEST(QtPlatformMessageBox, ShowsExactlyTheButtonsAskedForAndReportsTheOneClicked) {
  SeenBox seen;
  EXPECT_EQ(AskAndAnswer(
                MsgButtons::YesNoCancel, MsgIcon::Question, "/tmp/moteur.kel",
                [](QMessageBox* b) { Click(b, QMessageBox::No); }, seen),
            MsgAnswer::No);
  EXPECT_EQ(seen.title, "/tmp/moteur.kel");
  EXPECT_EQ(seen.text, "Enregistrer les modifications ?");
  EXPECT_EQ(seen.icon, QMessageBox::Question);
  EXPECT_EQ(seen.buttons, Names({QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel}));

  EXPECT_EQ(AskAndAnswer(
                MsgButtons::YesNo, MsgIcon::Question, "t",
                [](QMessageBox* b) { Click(b, QMessageBox::Yes); }, seen),
            MsgAnswer::Yes);
  EXPECT_EQ(seen.buttons, Names({QMessageBox::Yes, QMessageBox::No}));

  EXPECT_EQ(AskAndAnswer(
                MsgButtons::OkCancel, MsgIcon::Question, "t",
                [](QMessageBox* b) { Click(b, QMessageBox::Ok); }, seen),
            MsgAnswer::Ok);
  EXPECT_EQ(seen.buttons, Names({QMessageBox::Ok, QMessageBox::Cancel}));

  EXPECT_EQ(AskAndAnswer(
                MsgButtons::Ok, MsgIcon::None, "t",
                [](QMessageBox* b) { Click(b, QMessageBox::Ok); }, seen),
            MsgAnswer::Ok);
  EXPECT_EQ(seen.buttons, Names({QMessageBox::Ok}));
  EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
}

TEST(QtPlatformMessageBox, ABoxWithoutTitleIsNamedAfterTheProgram) {
  SeenBox seen;
  AskAndAnswer(
      MsgButtons::Ok, MsgIcon::None, "", [](QMessageBox* b) { Click(b, QMessageBox::Ok); }, seen);
  EXPECT_EQ(seen.title, "kelvanor_gui_tests");
}

TEST(QtPlatformMessageBox, ButtonsReadFrenchAndTheTitleHasRoomToReadWhole) {
  SeenBox seen;
  const std::string title = "Un titre nettement plus long que le texte de la question";
  AskAndAnswer(
      MsgButtons::YesNoCancel, MsgIcon::Question, title,
      [](QMessageBox* b) { QTest::keyClick(b, Qt::Key_Escape); }, seen);
  EXPECT_EQ(seen.captions, QStringList({"&Non", "&Oui", "Annuler"}));
  EXPECT_GT(seen.width, QFontMetrics(QApplication::font()).horizontalAdvance(seen.title));
}

TEST(QtPlatformMessageBox, TheCauseIsTheBoxsSecondLine) {
  QString text;
  WhenModalAppears([&text](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (box == nullptr) return;
    text = box->text();
    Click(box, QMessageBox::Ok);
  });
  ui::QtPlatform platform;
  platform.MessageBoxWithCause("Erreur de saisie", "La fréquence est nulle.", MsgButtons::Ok,
                               MsgIcon::None, "");
  EXPECT_EQ(text, "Erreur de saisie\nLa fréquence est nulle.");
}

TEST(QtPlatformMessageBox, ClosingWithoutAnAnswerIsCancelOrCarryOn) {
  SeenBox seen;
  const auto escape = [](QMessageBox* b) { QTest::keyClick(b, Qt::Key_Escape); };
  EXPECT_EQ(AskAndAnswer(MsgButtons::YesNoCancel, MsgIcon::Question, "t", escape, seen),
            MsgAnswer::Cancel);
  EXPECT_EQ(AskAndAnswer(MsgButtons::OkCancel, MsgIcon::Question, "t", escape, seen),
            MsgAnswer::Cancel);
  // The Yes/No box's No ends the program: a reflex Escape or close must not.
  EXPECT_EQ(AskAndAnswer(MsgButtons::YesNo, MsgIcon::Question, "t", escape, seen), MsgAnswer::Yes);
  const auto close = [](QMessageBox* b) { b->close(); };
  EXPECT_EQ(AskAndAnswer(MsgButtons::YesNo, MsgIcon::Question, "t", close, seen), MsgAnswer::Yes);
}

class QtPlatformFileDialog : public ::testing::Test {
 protected:
  std::string Show(const FileDialogRequest& request, std::function<void(QFileDialog*)> act) {
    WhenModalAppears([act](QWidget* modal) {
      if (auto* dialog = qobject_cast<QFileDialog*>(modal)) act(dialog);
    });
    ui::QtPlatform platform;
    return platform.ShowFileDialog(request);
  }
  static void TypeName(QFileDialog* dialog, const QString& name) {
    auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(edit, nullptr);
    edit->setText(name);
  }

  TempDir dir_;
};

TEST_F(QtPlatformFileDialog, OpenDialogOffersTheProposedFileAmongAllFiles) {
  WriteFile(dir_.File("Zivodevu.mdb"), "x");
  QString title;
  QString folder;
  QStringList filters;
  QStringList patterns;
  bool save_mode = true;
  const std::string chosen =
      Show({"Database", dir_.path(), "Zivodevu.mdb", FileDialogVerb::Open}, [&](QFileDialog* d) {
        title = d->windowTitle();
        folder = d->directory().absolutePath();
        filters = d->nameFilters();
        save_mode = d->acceptMode() == QFileDialog::AcceptSave;
        if (auto* model = d->findChild<QFileSystemModel*>()) patterns = model->nameFilters();
        Confirm(d);
      });
  EXPECT_EQ(chosen, dir_.File("Zivodevu.mdb"));
  EXPECT_EQ(title, "Database");
  EXPECT_EQ(folder, QDir(QString::fromStdString(dir_.path())).absolutePath());
  EXPECT_EQ(filters, QStringList{"Tous les fichiers (*)"});
  // Names without a dot are files too.
  EXPECT_EQ(patterns, QStringList{"*"});
  EXPECT_FALSE(save_mode);
}

TEST_F(QtPlatformFileDialog, DialogsSpeakFrench) {
  QStringList open_texts;
  QStringList save_texts;
  const auto read = [](QFileDialog* d, QStringList& texts) {
    for (QAbstractButton* button : d->findChildren<QAbstractButton*>()) {
      if (button->isVisible() && !button->text().isEmpty()) texts << button->text();
    }
    for (QLabel* label : d->findChildren<QLabel*>()) {
      if (label->isVisible()) texts << label->text();
    }
    d->reject();
  };
  Show({"Ouvrir", dir_.path(), "", FileDialogVerb::Open},
       [&](QFileDialog* d) { read(d, open_texts); });
  Show({"Enregistrer sous ...", dir_.path(), "Nouveau.kel", FileDialogVerb::Save},
       [&](QFileDialog* d) { read(d, save_texts); });
  for (const char* text : {"&Ouvrir", "Annuler", "Voir dans :", "&Nom de fichier :"}) {
    EXPECT_TRUE(open_texts.contains(text)) << text << " in " << open_texts.join('|').toStdString();
  }
  EXPECT_TRUE(save_texts.contains("&Enregistrer")) << save_texts.join('|').toStdString();
  for (const char* english : {"&Open", "Cancel", "Look in:", "File &name:", "&Save"}) {
    EXPECT_FALSE(open_texts.contains(english) || save_texts.contains(english)) << english;
  }
}

TEST_F(QtPlatformFileDialog, OpenAcceptsAFileThatDoesNotExistYet) {
  const std::string chosen =
      Show({"Ouvrir", dir_.path(), "", FileDialogVerb::Open}, [](QFileDialog* d) {
        TypeName(d, "absent.kel");
        Confirm(d);
      });
  EXPECT_EQ(chosen, dir_.File("absent.kel"));
}

TEST_F(QtPlatformFileDialog, CancelGivesNothingEvenWithAProposedName) {
  const std::string chosen = Show({"Ouvrir", dir_.path(), "exemple.kel", FileDialogVerb::Open},
                                  [](QFileDialog* d) { d->reject(); });
  EXPECT_EQ(chosen, "");
}

// Replacing a file is asked once: by the dialog in the system's words (exports), or by the
// caller that has its own question (documents), never both.
TEST_F(QtPlatformFileDialog, SaveAsksBeforeReplacingUnlessTheCallerAsks) {
  WriteFile(dir_.File("Nouveau.kel"), "[SPECIFS]\n");
  for (const bool caller_asks : {true, false}) {
    SCOPED_TRACE(caller_asks);
    QString question;
    QStringList filters;
    FileDialogRequest request{"Enregistrer sous ...", dir_.path(), "Nouveau.kel",
                              FileDialogVerb::Save};
    request.filters = {"Documents Kelvanor (*.kel)", "Tous les fichiers (*)"};
    request.caller_asks_before_replacing = caller_asks;
    const std::string chosen = Show(request, [&](QFileDialog* d) {
      filters = d->nameFilters();
      WhenModalAppears([&question](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
          question = box->text();
          Click(box, QMessageBox::No);
        }
      });
      Confirm(d);
      if (d->isVisible()) d->reject();
    });
    EXPECT_EQ(filters, QStringList({"Documents Kelvanor (*.kel)", "Tous les fichiers (*)"}));
    if (caller_asks) {
      EXPECT_EQ(chosen, dir_.File("Nouveau.kel"));
      EXPECT_EQ(question, "");
    } else {
      EXPECT_EQ(chosen, "") << "No keeps the file";
      EXPECT_EQ(question.toStdString(),
                "Le fichier Nouveau.kel existe déjà\nVoulez-vous l'écraser ?");
    }
  }
}

TEST_F(QtPlatformFileDialog, AFolderThatDoesNotExistIsRefused) {
  bool stayed_open = false;
  QString warning;
  const std::string chosen =
      Show({"Ouvrir", dir_.path(), "", FileDialogVerb::Open}, [&](QFileDialog* d) {
        TypeName(d, QString::fromStdString(dir_.File("absent/x.kel")));
        WhenModalAppears([&warning](QWidget* modal) {
          if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            warning = box->text();
            box->accept();
          }
        });
        Confirm(d);
        stayed_open = d->isVisible();
        d->reject();
      });
  EXPECT_TRUE(stayed_open);
  EXPECT_TRUE(warning.contains("absent")) << warning.toStdString();
  EXPECT_EQ(chosen, "");
}

}  // namespace
}  // namespace kel::test
