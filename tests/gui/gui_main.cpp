// The window tests need a QApplication; without a display they draw offscreen.

#include <gtest/gtest.h>

#include <QApplication>
#include <clocale>

#include "ui/QtPlatform.h"
#include "ui/Startup.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // As in the program: numbers in the libraries below the window keep their points.
  std::setlocale(LC_NUMERIC, "C");
  kel::ui::SetProgramStyle();
  // As in the program: Qt's own dialogs and buttons speak French.
  kel::ui::InstallFrenchTranslations(&app);
  // Windows closed by a test must not end the run.
  QApplication::setQuitOnLastWindowClosed(false);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
