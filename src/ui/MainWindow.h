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

class QLabel;
class QMenu;

namespace kel {}

namespace kel::ui {

class CheckWindow;

// Where a window of size wanted goes beside the main window's frame main, within available: to
// its right when there is room, else to its left, else against the edge of the side with more
// room; never larger than available.
QRect BesideRect(const QRect& main, QSize wanted, const QRect& available);

// The check window beside the main window: narrowed to the room on the roomier side as long as
// it keeps least_width; where neither side has that much, the main window first goes to the
// screen's left edge when that makes room. main: the main window's frame top-left after that.
struct CheckPlacement {
  QRect check;
  QPoint main;
};
CheckPlacement PlaceBeside(QRect main, QSize wanted, int least_width, const QRect& available);

// Over the empty core list.
inline constexpr const char* kNoCatalogueText =
    "Aucun catalogue ouvert : choisissez-en un par Noyau › Catalogue…";

class MainWindow : public QMainWindow {
 public:
  explicit MainWindow(MainForm& form, QWidget* parent = nullptr);

  // Start-up before the window is shown: places it in the middle of the screen, runs the
  // form's start-up (whose questions and dialogs therefore come first) and gives TxFreq the
  // focus.
  void Start(const std::string& command_line);

  const FormWidgets& Widgets() const { return widgets_; }
  QMenu* ProjectMenu() const { return project_menu_; }
  QMenu* CoreMenu() const { return core_menu_; }
  QMenu* RecentMenu() const { return recent_menu_; }
  // The menu of the core list's and the core label's right click.
  QMenu* CoreContextMenu() const { return core_context_menu_; }
  // "Outils" › "Vérification…": the check window, made when first asked for.
  QMenu* ToolsMenu() const { return tools_menu_; }
  CheckWindow* ShowCheckWindow();

  // Copies the design sheet, the title and the core list into the widgets.
  void ShowSheet();

  // The desktop session is ending. With interaction allowed the save question is asked as for
  // a close, and false means the user wants the session to wait; otherwise unsaved changes go to
  // the form's recovery document. True when the session may end.
  bool CommitSessionData(bool interaction_allowed);
  // True once the program was ended from inside a handler; the window then handles nothing more.
  bool Ended() const { return ended_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenu();
  void BuildContextMenu();
  // A menu command: the field being edited counts first, as when a menu opens.
  template <class Handler>
  void RunCommand(Handler&& handler);
  void FillRecentMenu();
  void Connect();
  void Track(QWidget* widget, ControlRef control);
  void CenterForm();
  void PlaceCheckWindow();
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
  QMenu* recent_menu_ = nullptr;
  QMenu* core_menu_ = nullptr;
  QMenu* core_context_menu_ = nullptr;
  QAction* automatic_core_ = nullptr;
  QMenu* tools_menu_ = nullptr;
  CheckWindow* check_window_ = nullptr;
  // Below the frames: what to wind when the design as wound is not the calculation's.
  QLabel* wind_line_ = nullptr;
  QHash<QObject*, ControlRef> controls_;
  // The control the form was last told has the focus. Focus changes that the form does not see
  // (another window activated, a menu or popup open) leave it as it is.
  QWidget* reported_focus_ = nullptr;
  // Set while the view itself writes the remarks, which must not count as the user's change.
  bool showing_remarks_ = false;
  bool ended_ = false;
  std::vector<std::string> shown_cores_;
  std::string shown_core_in_use_;
  // A field that a mouse press has just given the focus: that press and the moves and release
  // that follow it do not place the cursor, so the whole text stays selected.
  QWidget* mouse_focused_field_ = nullptr;
  bool swallowing_press_ = false;
  // The field whose value Enter has just made count, until it is typed in or left.
  QWidget* entered_field_ = nullptr;
  QLabel* no_catalogue_ = nullptr;
  QLabel* reading_ = nullptr;  // in the status line: the fields read only in part
};

}  // namespace kel::ui
