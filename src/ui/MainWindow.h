#pragma once
// The main window: a view of the form's design sheet. It forwards every event to MainForm and,
// after each, shows the sheet, the title, the core list and the selection the form asks for.
// It computes nothing itself.

#include <QHash>
#include <QMainWindow>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "ui/FormWidgets.h"

class QMenu;

namespace kel {
class InputErrorWatch;
}

namespace kel::ui {

class CheckWindow;

class MainWindow : public QMainWindow {
 public:
  explicit MainWindow(MainForm& form, QWidget* parent = nullptr);

  // Start-up before the window is shown: places it in the middle of the screen, runs the
  // form's start-up (whose questions and dialogs therefore come first) and gives TxFreq the
  // focus.
  void Start(const std::string& command_line);

  const FormWidgets& Widgets() const { return widgets_; }
  QMenu* ProjectMenu() const { return project_menu_; }
  // "Outils" › "Vérification…": the check window, made when first asked for.
  QMenu* ToolsMenu() const { return tools_menu_; }
  CheckWindow* ShowCheckWindow();
  // What the check window needs beyond the form: the watch that tells a recalculation stopped
  // on an input error (none: every recalculation counts as complete) and the decimal separator.
  void SetCheckContext(const InputErrorWatch* watch, char decimal_separator) {
    check_watch_ = watch;
    check_separator_ = decimal_separator;
  }

  // Copies the design sheet, the title and the core list into the widgets.
  void ShowSheet();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenu();
  void Connect();
  void Track(QWidget* widget, ControlRef control);
  void CenterForm();
  // Runs a handler of the form, then shows what it changed.
  template <class Handler>
  void Forward(Handler&& handler);
  void ApplySelectAll();
  void MoveFocusTo(QWidget* widget);
  void OnFocusIn(QWidget* widget, Qt::FocusReason reason);
  void OnFocusOut(QWidget* widget, Qt::FocusReason reason);
  bool OnKeyPress(QWidget* widget, QKeyEvent* event);
  void OnMenuOpening();
  void OnRemarksChanged();
  void ShowRemarks(const std::string& text);
  void ShowCoreList();

  MainForm& form_;
  FormWidgets widgets_;
  QMenu* project_menu_ = nullptr;
  QMenu* tools_menu_ = nullptr;
  CheckWindow* check_window_ = nullptr;
  const InputErrorWatch* check_watch_ = nullptr;
  char check_separator_ = ',';
  QHash<QObject*, ControlRef> controls_;
  // The control the form was last told has the focus. Focus changes that the form does not see
  // (another window activated, a menu or popup open) leave it as it is.
  QWidget* reported_focus_ = nullptr;
  // Set while the view itself writes the remarks, which must not count as the user's change.
  bool showing_remarks_ = false;
  std::vector<std::string> shown_cores_;
};

}  // namespace kel::ui
