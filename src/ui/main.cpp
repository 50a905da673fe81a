// kelvanor: the transformer designer's window.

#include <QApplication>
#include <QIcon>
#include <QSessionManager>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/MainForm.h"
#include "ui/MainWindow.h"
#include "ui/QtPlatform.h"
#include "util/NumberText.h"
#include "util/VersionNotice.h"

namespace {

// The command line is one document path, possibly in double quotes and possibly with blanks
// that the shell has split: the form takes it back as one text.
std::string CommandLineOf(int argc, char** argv) {
  std::string command_line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) command_line += ' ';
    command_line += argv[i];
  }
  return command_line;
}

constexpr const char* kHelp =
    "usage : kelvanor [DOCUMENT]\n"
    "\n"
    "Ouvre la fenêtre de conception de transformateurs sur le DOCUMENT (.kel) donné, sinon sur\n"
    "le dernier document utilisé, sinon sur une conception nouvelle.\n"
    "\n"
    "  -h, --help  affiche cette aide\n"
    "  --version   affiche la version\n"
    "\n"
    "Réglages : kelvanor.ini à côté du programme s'il y en a un (copie portable), sinon\n"
    "$XDG_CONFIG_HOME/kelvanor/kelvanor.ini (par défaut ~/.config/kelvanor/kelvanor.ini).\n";

}  // namespace

int main(int argc, char** argv) {
  // Answered before Qt starts, so that they work without a display.
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kHelp, stdout);
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::fputs(kel::VersionNotice("kelvanor").c_str(), stdout);
    return 0;
  }
  // Read from the environment before Qt changes the process locale.
  const char decimal_separator = kel::LocaleDecimalSeparator();

  QApplication app(argc, argv);
  // Qt has switched the C library to the user's locale; the program formats its numbers itself
  // and every library below it must keep reading and writing points.
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setStyle("Fusion");
  QGuiApplication::setDesktopFileName("kelvanor");
  QApplication::setWindowIcon(QIcon::fromTheme("kelvanor"));
  kel::ui::InstallFrenchTranslations(&app);

  // QApplication has taken its own options out of argc and argv.
  const std::string command_line = CommandLineOf(argc, argv);

  kel::ui::QtPlatform platform;
  kel::MainForm form(platform, {decimal_separator, true});
  kel::ui::MainWindow window(form);
  platform.SetWindow(&window);
  window.Start(command_line);
  // Logging out or shutting down asks the save question as the close box does; Qt 6 closes no
  // window of its own at that moment.
  QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                   [&window](QSessionManager& manager) {
                     if (!window.CommitSessionData(manager.allowsInteraction())) manager.cancel();
                     manager.release();
                   });
  // The program may have been ended during start-up; the event loop then only finishes.
  if (!window.Ended()) window.show();
  return app.exec();
}
