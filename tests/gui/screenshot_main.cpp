// kelvanor-screenshots: the window as the program opens it, driven to the scenes of the
// documentation's pictures (scripts/screenshots.sh). The shipped program knows nothing of it.
//
//   kelvanor-screenshots SCENE PICTURE.png [DOCUMENT]
//
// SCENE: "fenetre" (the window as it opened), "ouvrir" (the "Ouvrir" dialog), "apropos" (the
// "À propos" box), "erreur" (the input error of a zero frequency), "verification" (the
// "Vérification" window alone), "vide" (the same on its tab "À vide et mise sous tension"),
// "cote-a-cote" (the whole screen with the main window and the "Vérification" window beside it).

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <clocale>
#include <cstdio>
#include <string>

#include "app/MainForm.h"
#include "ui/CheckWindow.h"
#include "ui/MainWindow.h"
#include "ui/QtPlatform.h"
#include "ui/Startup.h"
#include "util/NumberText.h"

namespace {

// The screen around the window and whatever box stands over it, as the user sees it.
bool SaveScreenAround(const QWidget& window, const QString& path) {
  QRect area = window.frameGeometry();
  if (QWidget* modal = QApplication::activeModalWidget()) area |= modal->frameGeometry();
  QScreen* screen = window.screen();
  if (screen == nullptr) return false;
  area = area.adjusted(-8, -8, 8, 8) & screen->geometry();
  return screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(path, "PNG");
}

void TypeZeroAndEnter() {
  QWidget* field = QApplication::focusWidget();
  if (field == nullptr) return;
  QKeyEvent zero(QEvent::KeyPress, Qt::Key_0, Qt::NoModifier, "0");
  QApplication::sendEvent(field, &zero);
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
  QApplication::sendEvent(field, &enter);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage : kelvanor-screenshots SCENE IMAGE.png [DOCUMENT]\n", stderr);
    return 2;
  }
  const QString scene = argv[1];
  const QString picture = argv[2];
  const std::string document = argc > 3 ? argv[3] : "";
  const char decimal_separator = kel::LocaleDecimalSeparator();

  // Set up as the program sets itself up, so that the pictures show what users see.
  QApplication app(argc, argv);
  std::setlocale(LC_NUMERIC, "C");
  kel::ui::SetProgramStyle();
  QGuiApplication::setDesktopFileName("kelvanor");
  QApplication::setWindowIcon(QIcon::fromTheme("kelvanor"));
  kel::ui::InstallFrenchTranslations(&app);

  kel::ui::QtPlatform platform;
  kel::MainForm form(platform, {decimal_separator, true});
  kel::ui::MainWindow window(form);
  platform.SetWindow(&window);
  window.Start(document);
  if (window.Ended()) return 1;
  window.show();

  if (scene == "fenetre" || scene == "verification" || scene == "vide") {
    QWidget* shown = &window;
    if (scene != "fenetre") shown = window.ShowCheckWindow();
    // The window made taller, as a user would to see the whole tab, the pictures included.
    if (scene == "vide") shown->resize(shown->width(), 1080);
    if (auto* tabs = shown->findChild<QTabWidget*>("OngletsVerification");
        tabs && scene == "vide") {
      for (int i = 0; i < tabs->count(); ++i) {
        if (tabs->tabText(i) == "À vide et mise sous tension") tabs->setCurrentIndex(i);
      }
    }
    QTimer::singleShot(500, shown, [shown, picture] {
      QCoreApplication::exit(shown->grab().save(picture, "PNG") ? 0 : 1);
    });
    return QApplication::exec();
  }
  if (scene == "cote-a-cote") {
    window.ShowCheckWindow();
    // Once the window manager has placed both.
    QTimer::singleShot(1500, &window, [&window, picture] {
      QScreen* screen = window.screen();
      QCoreApplication::exit(screen && screen->grabWindow(0).save(picture, "PNG") ? 0 : 1);
    });
    return QApplication::exec();
  }
  // The picture is taken from inside the dialog's or the box's own event loop.
  QTimer::singleShot(1500, &window, [&window, picture] {
    const bool saved = SaveScreenAround(window, picture);
    if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    QCoreApplication::exit(saved ? 0 : 1);
  });
  QTimer::singleShot(500, &window, [&window, scene] {
    if (scene == "erreur") {
      TypeZeroAndEnter();
    } else if (auto* action =
                   window.findChild<QAction*>(scene == "ouvrir" ? "MnuOuvrir" : "MnuAPropos")) {
      action->trigger();
    }
  });
  return QApplication::exec();
}
