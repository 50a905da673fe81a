#pragma once
// The recording fake platform, with message boxes that can behave like real ones towards the
// window: a box takes the activation while it is up, and gives it back when it goes.

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <functional>

#include "support/FakePlatform.h"

namespace kel::test {

class ScriptedPlatform : public FakePlatform {
 public:
  MsgAnswer MessageBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                       const std::string& title) override {
    if (during_box) during_box();
    if (!boxes_take_activation) return FakePlatform::MessageBox(text, buttons, icon, title);
    QWidget* window = QApplication::activeWindow();
    QWidget box;
    box.setWindowTitle(QString::fromStdString(text));
    box.show();
    box.activateWindow();
    box_was_active = QTest::qWaitForWindowActive(&box) || box_was_active;
    const MsgAnswer answer = FakePlatform::MessageBox(text, buttons, icon, title);
    box.close();
    if (window) {
      window->activateWindow();
      window_came_back = QTest::qWaitForWindowActive(window);
    }
    return answer;
  }

  std::string ShowFileDialog(const FileDialogRequest& request) override {
    if (before_dialog) before_dialog();
    return FakePlatform::ShowFileDialog(request);
  }

  // Runs while a message box is up, to look at the windows under it.
  std::function<void()> during_box;
  // Runs when a file dialog would come up, to look at the window under it.
  std::function<void()> before_dialog;
  bool boxes_take_activation = false;
  bool box_was_active = false;
  bool window_came_back = false;
};

}  // namespace kel::test
