// kelvanor: the transformer designer's window.

#include <fontconfig/fontconfig.h>
#include <QApplication>
#include <QSessionManager>
#include <QTimer>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "app/MainForm.h"
#include "ui/MainWindow.h"
#include "ui/QtPlatform.h"
#include "ui/Startup.h"
#include "util/CrashRecovery.h"
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

  // Fontconfig reads its configuration and lists every installed font the first time a font is
  // asked for: a fifth of the work before the first frame. It does so on a thread of its own
  // while Qt connects to the display, and is ready before the window's first font is chosen.
  // The user's locale is taken first, as QApplication takes it, so that the locale fontconfig
  // reads its numbers in does not change under it; it is left only once fontconfig is done.
  std::setlocale(LC_ALL, "");
  std::thread fonts([] { FcInit(); });
  QApplication app(argc, argv);
  fonts.join();
  // Qt has switched the C library to the user's locale; the program formats its numbers itself
  // and every library below it must keep reading and writing points.
  std::setlocale(LC_NUMERIC, "C");
  kel::ui::SetProgramStyle();
  QGuiApplication::setDesktopFileName("kelvanor");
  // Boxes and dialogs can come up before the window does (a settings file that cannot be read,
  // the catalogue to choose): Qt's buttons must already speak French then.
  kel::ui::InstallFrenchTranslations(&app);

  // QApplication has taken its own options out of argc and argv.
  const std::string command_line = CommandLineOf(argc, argv);

  kel::ui::QtPlatform platform;
  kel::MainForm form(platform, {decimal_separator, true});
  kel::ui::MainWindow window(form);
  platform.SetWindow(&window);
  // The window's icon is looked up in the icon theme, whose index the toolkit reads and parses
  // whole: a fifth of the work before the first frame, for a picture that the window manager
  // adds to the frame it draws itself. It comes as soon as the window's first frame is painted.
  kel::ui::StartAndShow(window, command_line, [] { kel::ui::SetProgramIcon(); });
  // A fault in a library (a damaged printing module, a driver) would end the program with the
  // design unsaved: the handler writes it as a recovery document, prepared a second after each
  // change, since the handler itself may not build anything.
  kel::crash::Install();
  QTimer crash_keeper;
  std::uint64_t prepared_at = 0;
  QObject::connect(&crash_keeper, &QTimer::timeout, &window, [&form, &prepared_at] {
    if (form.Changes() == prepared_at) return;
    prepared_at = form.Changes();
    form.PrepareCrashRecovery();
  });
  crash_keeper.start(1000);
  // Logging out or shutting down asks the save question as the close box does; Qt 6 closes no
  // window of its own at that moment.
  QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                   [&window](QSessionManager& manager) {
                     if (!window.CommitSessionData(manager.allowsInteraction())) manager.cancel();
                     manager.release();
                   });
  return app.exec();
}
