// kelvanor: the transformer designer's window.

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>
#include <clocale>
#include <string>

#include "analysis/CheckPanel.h"
#include "app/MainForm.h"
#include "ui/CheckWindow.h"
#include "ui/MainWindow.h"
#include "ui/QtPlatform.h"
#include "util/NumberText.h"

namespace {

// The standard buttons and dialogs speak the user's language, as the program's own texts do.
void LoadQtTranslations(QApplication& app) {
  auto* translator = new QTranslator(&app);
  if (translator->load(QLocale::system(), "qtbase", "_",
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(translator);
  }
}

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

}  // namespace

int main(int argc, char** argv) {
  // Read from the environment before Qt changes the process locale.
  const char decimal_separator = kel::LocaleDecimalSeparator();

  QApplication app(argc, argv);
  // Qt has switched the C library to the user's locale; the program formats its numbers itself
  // and every library below it must keep reading and writing points.
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setStyle("Fusion");
  QGuiApplication::setDesktopFileName("kelvanor");
  QApplication::setWindowIcon(QIcon::fromTheme("kelvanor"));
  LoadQtTranslations(app);

  // QApplication has taken its own options out of argc and argv.
  const std::string command_line = CommandLineOf(argc, argv);

  kel::ui::QtPlatform platform;
  // The check window needs to know whether a recalculation stopped on an input error.
  kel::InputErrorWatch watch(platform);
  kel::MainForm form(watch, {decimal_separator, true});
  watch.SetRunCounter([&form] { return form.Recalculations(); });
  kel::ui::MainWindow window(form);
  window.SetCheckContext(&watch, decimal_separator);
  platform.SetWindow(&window);
  window.Start(command_line);
  window.show();

  // For the documentation: a picture of the window as it opened, then quit without a question.
  const QString screenshot = qEnvironmentVariable("KELVANOR_SCREENSHOT");
  if (!screenshot.isEmpty()) {
    QTimer::singleShot(300, &window, [&window, screenshot] {
      const bool saved = window.grab().save(screenshot, "PNG");
      QCoreApplication::exit(saved ? 0 : 1);
    });
  }
  // The same for the "Vérification" window.
  const QString check_screenshot = qEnvironmentVariable("KELVANOR_SCREENSHOT_CHECK");
  if (!check_screenshot.isEmpty()) {
    kel::ui::CheckWindow* check = window.ShowCheckWindow();
    QTimer::singleShot(300, check, [check, check_screenshot] {
      const bool saved = check->grab().save(check_screenshot, "PNG");
      QCoreApplication::exit(saved ? 0 : 1);
    });
  }
  return app.exec();
}
