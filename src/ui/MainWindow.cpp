#include "ui/MainWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

#include "ui/CheckWindow.h"

namespace kel::ui {

namespace {

QString ToQt(const std::string& text) {
  return QString::fromStdString(text);
}

// The sheet keeps the remarks with CR LF line ends, as documents store them; the text widget
// works with LF alone.
QString RemarksForWidget(const std::string& text) {
  QString remarks = ToQt(text);
  remarks.replace("\r\n", "\n");
  return remarks;
}

std::string RemarksForSheet(const QString& text) {
  QString remarks = text;
  remarks.replace("\r\n", "\n");
  remarks.replace('\n', "\r\n");
  return remarks.toStdString();
}

void ShowText(QLineEdit* field, const std::string& text) {
  // Writing the same text again would move the cursor of a field the user is typing in.
  const QString shown = ToQt(text);
  if (field->text() != shown) field->setText(shown);
}

void ShowText(QLabel* label, const std::string& text) {
  const QString shown = ToQt(text);
  if (label->text() != shown) label->setText(shown);
}

void ShowColour(QWidget* widget, QPalette::ColorRole role, TextColour colour) {
  const QColor wanted = colour == TextColour::Red ? kRedText : kBlackText;
  if (widget->palette().color(role) == wanted) return;
  QPalette palette = widget->palette();
  palette.setColor(role, wanted);
  widget->setPalette(palette);
}

bool IsEnter(const QKeyEvent* event) {
  if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) return false;
  const Qt::KeyboardModifiers others =
      event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
  return others == Qt::NoModifier;
}

// Focus moves the form does not know of: the window losing or regaining the activation, a menu
// or popup opening over it.
bool IsPassingFocusChange(Qt::FocusReason reason) {
  return reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason ||
         reason == Qt::MenuBarFocusReason;
}

}  // namespace

MainWindow::MainWindow(MainForm& form, QWidget* parent) : QMainWindow(parent), form_(form) {
  auto* client = new QWidget(this);
  client->setObjectName("Form1");
  widgets_ = BuildFormWidgets(client, Twips(logicalDpiY()));
  setCentralWidget(client);
  setWindowTitle(ToQt(form_.Title()));
  BuildMenu();
  Connect();
  // The client area keeps its drawn size; resizing the window moves no control.
  resize(client->width(), client->height() + menuBar()->sizeHint().height());
}

void MainWindow::BuildMenu() {
  project_menu_ = menuBar()->addMenu("Projet");
  project_menu_->setObjectName("MnuFichier");
  const auto add = [this](const char* name, const char* caption, auto handler) {
    QAction* action = project_menu_->addAction(caption);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, handler);
  };
  add("MnuNouveau", "Nouveau", [this] { Forward([this] { form_.MnuNouveau_Click(); }); });
  add("MnuOuvrir", "Ouvrir", [this] { Forward([this] { form_.MnuOuvrir_Click(); }); });
  add("MnuEnregistrer", "Enregistrer",
      [this] { Forward([this] { form_.MnuEnregistrer_Click(); }); });
  add("MnuEnregistrerSous", "Enregistrer sous ...",
      [this] { Forward([this] { form_.MnuEnregistrerSous_Click(); }); });
  add("MnuDossier", "Dossier", [this] { Forward([this] { form_.MnuDossier_Click(); }); });
  // Closing asks the save question in closeEvent, whatever asked for the close.
  add("MnuQuitter", "Quitter", [this] { close(); });
  connect(project_menu_, &QMenu::aboutToShow, this, [this] { OnMenuOpening(); });

  tools_menu_ = menuBar()->addMenu("Outils");
  tools_menu_->setObjectName("MnuOutils");
  QAction* check = tools_menu_->addAction("Vérification…");
  check->setObjectName("MnuVerification");
  check->setShortcut(QKeySequence(Qt::Key_F7));
  connect(check, &QAction::triggered, this, [this] { ShowCheckWindow(); });
}

CheckWindow* MainWindow::ShowCheckWindow() {
  if (!check_window_) {
    check_window_ = new CheckWindow(form_, check_watch_, check_separator_, this);
    // An option changed there marks the design modified: the title shows it.
    check_window_->on_design_changed = [this] { ShowSheet(); };
  }
  check_window_->show();
  check_window_->raise();
  check_window_->activateWindow();
  return check_window_;
}

void MainWindow::Track(QWidget* widget, ControlRef control) {
  controls_.insert(widget, control);
  widget->installEventFilter(this);
}

void MainWindow::Connect() {
  FormWidgets& w = widgets_;
  const auto track_field = [this](QLineEdit* field, ControlRef control) {
    Track(field, control);
    // Every keystroke reaches the sheet before any handler looks at the field.
    connect(field, &QLineEdit::textEdited, this, [this, control](const QString& text) {
      Forward([&] { form_.SetText(control, text.toStdString()); });
    });
  };
  track_field(w.TxFreq, {Control::TxFreq, 0});
  track_field(w.TxDCourant, {Control::TxDCourant, 0});
  for (int i = 0; i < kRows; ++i) {
    track_field(w.TxVolts[i], {Control::TxVolts, i});
    if (i > 0) track_field(w.TxAmps[i], {Control::TxAmps, i});
    track_field(w.TxDiaCu[i], {Control::TxDiaCu, i});
  }
  Track(w.TxRem, {Control::TxRem, 0});
  connect(w.TxRem, &QPlainTextEdit::textChanged, this, [this] { OnRemarksChanged(); });
  Track(w.LstCore, {Control::LstCore, 0});
  // Double-clicks arrive at the list's viewport.
  w.LstCore->viewport()->installEventFilter(this);
  Track(w.BtMoinsT, {Control::Button, 0});
  Track(w.BtPlusT, {Control::Button, 1});
  connect(w.BtPlusT, &QPushButton::clicked, this,
          [this] { Forward([this] { form_.BtPlusT_Click(); }); });
  connect(w.BtMoinsT, &QPushButton::clicked, this,
          [this] { Forward([this] { form_.BtMoinsT_Click(); }); });
}

template <class Handler>
void MainWindow::Forward(Handler&& handler) {
  handler();
  ShowSheet();
  ApplySelectAll();
}

void MainWindow::Start(const std::string& command_line) {
  CenterForm();
  Forward([&] { form_.Form_Load(command_line); });
  widgets_.TxFreq->setFocus(Qt::OtherFocusReason);
  MoveFocusTo(widgets_.TxFreq);
}

void MainWindow::CenterForm() {
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect available = screen->availableGeometry();
  const QSize outer = frameGeometry().size();
  const int top = available.top() + (available.height() - outer.height()) / 2;
  const int left = available.left() + (available.width() - outer.width()) / 2;
  move(left, top);
}

void MainWindow::ShowSheet() {
  const DesignSheet& s = form_.Sheet();
  FormWidgets& w = widgets_;

  ShowText(w.TxFreq, s.TxFreq);
  ShowText(w.TxTesla, s.TxTesla);
  ShowText(w.TxDCourant, s.TxDCourant);
  ShowText(w.TxNoyau, s.TxNoyau);
  for (int i = 0; i < kRows; ++i) {
    ShowText(w.TxVolts[i], s.TxVolts[i]);
    ShowText(w.TxAmps[i], s.TxAmps[i]);
    ShowText(w.LbDiaMin[i], s.LbDiaMin[i]);
    ShowText(w.TxDiaCu[i], s.TxDiaCu[i]);
    ShowText(w.TxSpires[i], s.TxSpires[i]);
    ShowText(w.TxLongCu[i], s.TxLongCu[i]);
    ShowText(w.TxResCu[i], s.TxResCu[i]);
    ShowText(w.TxTrueVolts[i], s.TxTrueVolts[i]);
    ShowText(w.TxTotCu[i], s.TxTotCu[i]);
    ShowText(w.TxSpLayer[i], s.TxSpLayer[i]);
    ShowColour(w.TxDiaCu[i], QPalette::Text, s.TxDiaCuColour[i]);
  }
  ShowRemarks(s.TxRem);

  ShowText(w.LbAmpsPri, s.LbAmpsPri);
  ShowText(w.LbSpVolt, s.LbSpVolt);
  ShowText(w.LbTotCu, s.LbTotCu);
  ShowText(w.LbSectCuMax, s.LbSectCuMax);
  ShowText(w.LbPertesCu, s.LbPertesCu);
  ShowText(w.LbNoyauMin, s.LbNoyauMin);
  ShowText(w.LbNoyau, s.LbNoyau);
  ShowText(w.LbFeMasse, s.LbFeMasse);
  ShowText(w.LbFeSect, s.LbFeSect);
  ShowText(w.LbTrueTesla, s.LbTrueTesla);
  ShowText(w.LbTrueFeLoss, s.LbTrueFeLoss);
  ShowText(w.LbKgFe, s.LbKgFe);
  ShowText(w.LbSectFe, s.LbSectFe);
  ShowText(w.LbWatts, s.LbWatts);
  ShowText(w.LbWattsTot, s.LbWattsTot);
  ShowText(w.Lbn, s.Lbn);

  ShowColour(w.LbTotCu, QPalette::WindowText, s.LbTotCuColour);
  ShowColour(w.LbTrueTesla, QPalette::WindowText, s.LbTrueTeslaColour);
  ShowColour(w.LbNoyau, QPalette::WindowText, s.LbNoyauColour);
  ShowColour(w.TxNoyau, QPalette::Text, s.TxNoyauColour);

  for (QLabel* label : w.Growing) label->adjustSize();

  const QString title = ToQt(form_.Title());
  if (windowTitle() != title) setWindowTitle(title);
  ShowCoreList();
  if (check_window_) check_window_->Follow();
}

void MainWindow::ShowRemarks(const std::string& text) {
  const QString shown = RemarksForWidget(text);
  if (widgets_.TxRem->toPlainText() == shown) return;
  showing_remarks_ = true;
  widgets_.TxRem->setPlainText(shown);
  showing_remarks_ = false;
}

void MainWindow::ShowCoreList() {
  if (form_.CoreList() == shown_cores_) return;
  shown_cores_ = form_.CoreList();
  QListWidget* list = widgets_.LstCore;
  list->clear();
  for (const std::string& core : shown_cores_) list->addItem(ToQt(core));
}

void MainWindow::ApplySelectAll() {
  const std::optional<ControlRef> request = form_.TakeSelectAll();
  if (!request) return;
  for (auto it = controls_.cbegin(); it != controls_.cend(); ++it) {
    if (it.value() == *request) {
      if (auto* field = qobject_cast<QLineEdit*>(it.key())) field->selectAll();
      return;
    }
  }
}

void MainWindow::OnRemarksChanged() {
  if (showing_remarks_) return;
  const std::string text = RemarksForSheet(widgets_.TxRem->toPlainText());
  Forward([&] { form_.SetText({Control::TxRem, 0}, text); });
}

void MainWindow::MoveFocusTo(QWidget* widget) {
  if (widget == reported_focus_) return;
  if (QWidget* previous = reported_focus_) {
    reported_focus_ = nullptr;
    const ControlRef control = controls_.value(previous);
    Forward([&] { form_.LostFocus(control); });
  }
  // A handler of the focus loss may have moved the focus elsewhere meanwhile.
  if (reported_focus_ != nullptr || widget == nullptr) return;
  reported_focus_ = widget;
  const ControlRef control = controls_.value(widget);
  Forward([&] { form_.GotFocus(control); });
}

void MainWindow::OnFocusIn(QWidget* widget, Qt::FocusReason reason) {
  // Coming back to the window returns the focus to where the form already has it; only the
  // very first activation has anything to report.
  if (IsPassingFocusChange(reason) && reported_focus_ != nullptr) return;
  MoveFocusTo(widget);
}

void MainWindow::OnFocusOut(QWidget* widget, Qt::FocusReason reason) {
  if (IsPassingFocusChange(reason) || widget != reported_focus_) return;
  MoveFocusTo(nullptr);
}

bool MainWindow::OnKeyPress(QWidget* widget, QKeyEvent* event) {
  if (!IsEnter(event)) return false;
  if (auto* button = qobject_cast<QPushButton*>(widget)) {
    button->click();
    return true;
  }
  if (!qobject_cast<QLineEdit*>(widget)) return false;
  const ControlRef control = controls_.value(widget);
  bool consumed = false;
  Forward([&] { consumed = form_.KeyPress(control, kEnterKey); });
  return consumed;
}

void MainWindow::OnMenuOpening() {
  // Opening the menu takes the focus to the core list: the field being edited is left first,
  // so that its value counts before any command runs.
  QListWidget* list = widgets_.LstCore;
  if (reported_focus_ != list) {
    reported_focus_ = list;
    Forward([this] { form_.MnuFichier_Click(); });
  }
  list->setFocus(Qt::OtherFocusReason);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == widgets_.LstCore->viewport()) {
    if (event->type() == QEvent::MouseButtonDblClick) {
      // The press before the double-click has already selected the entry under the pointer.
      const QList<QListWidgetItem*> selected = widgets_.LstCore->selectedItems();
      const std::string entry = selected.isEmpty() ? "" : selected.first()->text().toStdString();
      Forward([&] { form_.LstCore_DblClick(entry); });
    }
    return QMainWindow::eventFilter(watched, event);
  }
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget && controls_.contains(widget)) {
    switch (event->type()) {
      case QEvent::FocusIn:
        OnFocusIn(widget, static_cast<QFocusEvent*>(event)->reason());
        break;
      case QEvent::FocusOut:
        OnFocusOut(widget, static_cast<QFocusEvent*>(event)->reason());
        break;
      case QEvent::KeyPress:
        if (OnKeyPress(widget, static_cast<QKeyEvent*>(event))) return true;
        break;
      default:
        break;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  bool may_close = false;
  Forward([&] { may_close = form_.Form_QueryUnload(); });
  if (may_close) {
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace kel::ui
