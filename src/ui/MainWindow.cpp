#include "ui/MainWindow.h"

#include <QApplication>
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
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStatusBar>
#include <algorithm>

#include "catalogue/Catalogue.h"
#include "check/DesignCheck.h"
#include "util/NumberText.h"

#include "report/CheckView.h"
#include "ui/CheckWindow.h"
#include "ui/PdfReport.h"
#include "ui/QtText.h"

namespace kel::ui {

namespace {

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

// A field whose text is only partly a number is read as the chain always reads it; the field is
// marked and its tooltip says what was read, so that "6O" is not taken for 60 unnoticed.
void ShowReading(QLineEdit* field, const std::string& text, char separator, const char* hint = "") {
  std::string note = PartlyReadNote(text, separator);
  if (!note.empty()) note += hint;
  // The field's own explanation stays under the note.
  const char* own = "kelvanorOwnToolTip";
  if (!field->property(own).isValid()) field->setProperty(own, field->toolTip());
  const QString explained = field->property(own).toString();
  const QString tip =
      note.empty() ? explained : ToQt(note + ".") + (explained.isEmpty() ? "" : "\n" + explained);
  if (field->toolTip() != tip) field->setToolTip(tip);
  const QColor base =
      note.empty() ? QApplication::palette(field).color(QPalette::Base) : kPartlyReadBackground;
  if (field->palette().color(QPalette::Base) == base) return;
  QPalette palette = field->palette();
  palette.setColor(QPalette::Base, base);
  field->setPalette(palette);
}

// A letter typed with Alt held is a command that found no taker, never text for a field. Keys
// that type nothing (Alt+Enter, Alt+arrows) keep their usual meaning.
bool IsAltCombination(const QKeyEvent* event) {
  const Qt::KeyboardModifiers modifiers = event->modifiers();
  if (!(modifiers & Qt::AltModifier) || (modifiers & Qt::ControlModifier)) return false;
  const QString text = event->text();
  return !text.isEmpty() && text.at(0).isPrint();
}

// A path as a menu entry shows it: an ampersand is a mnemonic there.
QString MenuText(const std::string& path) {
  return ToQt(path).replace('&', "&&");
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
  // Beyond the form, an enlarged window shows the form's own dark blue.
  auto* background = new QWidget(this);
  background->setObjectName("Background");
  auto* client = new QWidget(background);
  client->setObjectName("Form1");
  widgets_ = BuildFormWidgets(client, Twips(logicalDpiY()));
  QPalette palette = background->palette();
  palette.setColor(QPalette::Window, client->palette().color(QPalette::Window));
  background->setPalette(palette);
  background->setAutoFillBackground(true);
  background->setMinimumSize(client->size());
  setCentralWidget(background);
  setWindowTitle(ToQt(form_.Title()));
  form_.SetTitleListener([this](const std::string& title) { setWindowTitle(ToQt(title)); });
  BuildMenu();
  BuildContextMenu();
  Connect();
  // What was written where, and how a field is read.
  statusBar()->setObjectName("BarreEtat");
  statusBar()->setSizeGripEnabled(false);
  reading_ = new QLabel(statusBar());
  reading_->setObjectName("LbLecture");
  reading_->setTextFormat(Qt::PlainText);
  reading_->setToolTip("Les champs dont le texte n'est lu qu'en partie, et comment ils sont lus.");
  reading_->hide();
  statusBar()->addPermanentWidget(reading_, 1);
  wind_line_ = new QLabel(this);
  wind_line_->setObjectName("LbABobiner");
  wind_line_->setToolTip(
      "Ce que l'atelier bobine quand la vérification, tel que bobiné, diffère du calcul ; le "
      "détail dans Outils › Vérification (F7).");
  statusBar()->addWidget(wind_line_, 1);
  // The client area keeps its drawn size; resizing the window moves no control.
  resize(client->width(),
         client->height() + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
}

void MainWindow::BuildMenu() {
  const auto add = [this](QMenu* menu, const char* name, const QString& caption,
                          const QKeySequence& keys, auto handler) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    action->setShortcut(keys);
    connect(action, &QAction::triggered, this, [this, handler] { RunCommand(handler); });
    return action;
  };
  // Opening a menu takes the field being edited first, whichever menu it is.
  const auto add_menu = [this](const char* name, const QString& title) {
    QMenu* menu = menuBar()->addMenu(title);
    menu->setObjectName(name);
    connect(menu, &QMenu::aboutToShow, this, [this] { OnMenuOpening(); });
    return menu;
  };

  project_menu_ = add_menu("MnuFichier", "&Projet");
  QMenu* p = project_menu_;
  add(p, "MnuNouveau", "Nouveau", QKeySequence("Ctrl+N"), [this] { form_.MnuNouveau_Click(); });
  add(p, "MnuOuvrir", "Ouvrir", QKeySequence("Ctrl+O"), [this] { form_.MnuOuvrir_Click(); });
  add(p, "MnuEnregistrer", "Enregistrer", QKeySequence("Ctrl+S"),
      [this] { form_.MnuEnregistrer_Click(); });
  add(p, "MnuEnregistrerSous", "Enregistrer sous ...", QKeySequence("Ctrl+Shift+S"),
      [this] { form_.MnuEnregistrerSous_Click(); });
  add(p, "MnuDossier", "Dossier", QKeySequence(), [this] { form_.MnuDossier_Click(); });
  recent_menu_ = p->addMenu("Documents récents");
  recent_menu_->setObjectName("MnuRecents");
  connect(recent_menu_, &QMenu::aboutToShow, this, [this] { FillRecentMenu(); });
  // The report through the system's print dialog, after a preview.
  QAction* print = p->addAction("Imprimer…");
  print->setObjectName("MnuImprimer");
  print->setShortcut(QKeySequence("Ctrl+P"));
  connect(print, &QAction::triggered, this, [this] {
    OnMenuOpening();
    PrintReport(this, form_);
  });
  // Closing asks the save question in closeEvent, whatever asked for the close.
  QAction* quit = p->addAction("Quitter");
  quit->setObjectName("MnuQuitter");
  quit->setShortcut(QKeySequence("Ctrl+Q"));
  connect(quit, &QAction::triggered, this, [this] {
    OnMenuOpening();
    close();
  });

  core_menu_ = add_menu("MnuNoyau", "&Noyau");
  automatic_core_ = add(core_menu_, "MnuNoyauAuto", "Choix automatique du noyau", QKeySequence(),
                        [this] { form_.MnuNoyauAuto_Click(); });
  add(core_menu_, "MnuCatalogue", "Catalogue…", QKeySequence(),
      [this] { form_.MnuCatalogue_Click(); });

  QMenu* help = add_menu("MnuAide", "&Aide");
  add(help, "MnuAPropos", "À propos", QKeySequence(), [this] { form_.MnuAPropos_Click(); });

  // "Outils" comes right after "Projet".
  tools_menu_ = new QMenu("&Outils", this);
  tools_menu_->setObjectName("MnuOutils");
  menuBar()->insertMenu(core_menu_->menuAction(), tools_menu_);
  connect(tools_menu_, &QMenu::aboutToShow, this, [this] { OnMenuOpening(); });
  QAction* check = tools_menu_->addAction("Vérification…");
  check->setObjectName("MnuVerification");
  check->setShortcut(QKeySequence(Qt::Key_F7));
  connect(check, &QAction::triggered, this, [this] { ShowCheckWindow(); });
  QAction* pdf = tools_menu_->addAction("Exporter en PDF…");
  pdf->setObjectName("MnuExporterPdf");
  pdf->setShortcut(QKeySequence("Ctrl+Shift+P"));
  // The report needs the check, not its window: the window stays as it was.
  connect(pdf, &QAction::triggered, this, [this] {
    const std::string path =
        AskAndExport(this, form_, CheckFormWith(form_, {}), form_.DecimalSeparator(), true);
    if (!path.empty()) statusBar()->showMessage(ToQt(WrittenText(path, true)));
  });

  // F10 opens the first menu, as on other desktops.
  QAction* f10 = addAction(QString(), QKeySequence(Qt::Key_F10));
  connect(f10, &QAction::triggered, this,
          [this] { menuBar()->setActiveAction(project_menu_->menuAction()); });
}

void MainWindow::BuildContextMenu() {
  core_context_menu_ = new QMenu(this);
  core_context_menu_->setObjectName("CoreContextMenu");
  core_context_menu_->addAction(automatic_core_);
  for (QWidget* widget :
       {static_cast<QWidget*>(widgets_.LstCore), static_cast<QWidget*>(widgets_.LbNoyau)}) {
    widget->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(widget, &QWidget::customContextMenuRequested, this, [this, widget](QPoint place) {
      core_context_menu_->popup(widget->mapToGlobal(place));
    });
  }
}

template <class Handler>
void MainWindow::RunCommand(Handler&& handler) {
  OnMenuOpening();
  Forward(handler);
}

void MainWindow::FillRecentMenu() {
  recent_menu_->clear();
  const std::vector<std::string> paths = form_.RecentDocuments();
  if (paths.empty()) {
    recent_menu_->addAction("(aucun)")->setEnabled(false);
    return;
  }
  int n = 0;
  for (const std::string& path : paths) {
    QAction* action = recent_menu_->addAction(QString("&%1 %2").arg(++n).arg(MenuText(path)));
    action->setObjectName(QString("MnuRecent_%1").arg(n));
    connect(action, &QAction::triggered, this,
            [this, path] { RunCommand([this, path] { form_.MnuRecent_Click(path); }); });
  }
}

QRect BesideRect(const QRect& main, QSize wanted, const QRect& available) {
  const QSize size = wanted.boundedTo(available.size());
  const int right_room = available.right() - main.right();
  const int left_room = main.left() - available.left();
  int left = 0;
  if (right_room >= size.width()) {
    left = main.right() + 1;
  } else if (left_room >= size.width()) {
    left = main.left() - size.width();
  } else {
    // No side has room enough: the one with more, against the screen's edge, covering the
    // least of the main window.
    left = right_room >= left_room ? available.right() + 1 - size.width() : available.left();
  }
  const int top = std::clamp(main.top(), available.top(), available.bottom() + 1 - size.height());
  return {QPoint(left, top), size};
}

CheckPlacement PlaceBeside(QRect main, QSize wanted, int least_width, const QRect& available) {
  const auto room = [&available](const QRect& beside) {
    return std::max(available.right() - beside.right(), beside.left() - available.left());
  };
  // Neither side has room, but the screen has beside a main window against its left edge.
  if (room(main) < std::min(wanted.width(), least_width) &&
      available.width() - main.width() >= least_width) {
    main.moveLeft(available.left());
  }
  // Narrowed to the room there is, down to what it can show.
  if (room(main) >= least_width) wanted.setWidth(std::min(wanted.width(), room(main)));
  return {BesideRect(main, wanted, available), main.topLeft()};
}

CheckWindow* MainWindow::ShowCheckWindow() {
  if (!check_window_) {
    check_window_ = new CheckWindow(form_, form_.DecimalSeparator(), this);
    // An option changed there marks the design modified: the title shows it.
    check_window_->on_design_changed = [this] { ShowSheet(); };
    // The commands' keys (Ctrl+S, Ctrl+O, F7...) work from there as from here.
    for (QMenu* menu : {project_menu_, tools_menu_, core_menu_}) {
      for (QAction* action : menu->actions()) {
        if (!action->shortcut().isEmpty()) check_window_->addAction(action);
      }
    }
    check_window_->on_written = [this](const std::string& path, bool pdf) {
      statusBar()->showMessage(ToQt(WrittenText(path, pdf)));
    };
    check_window_->impose_core = [this](const std::string& core) {
      Forward([&] { form_.LstCore_DblClick(core); });
    };
    PlaceCheckWindow();
  }
  check_window_->show();
  check_window_->raise();
  check_window_->activateWindow();
  return check_window_;
}

void MainWindow::PlaceCheckWindow() {
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  // The window manager's frame, which a window not yet shown does not have: as this window's,
  // with room for a title bar when this one has none yet either.
  const QRect outer = frameGeometry();
  const QRect inner = geometry();
  QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(),
                 outer.right() - inner.right(), outer.bottom() - inner.bottom());
  if (frame.isNull()) frame = QMargins(8, 32, 8, 8);
  const int least = check_window_->minimumSizeHint().width() + frame.left() + frame.right();
  // Never smaller than what it can show: the window would grow to that once shown, past the place
  // kept for it.
  const QSize wanted = check_window_->size().expandedTo(check_window_->minimumSizeHint());
  const CheckPlacement place =
      PlaceBeside(frameGeometry(), wanted.grownBy(frame), least, screen->availableGeometry());
  if (place.main != frameGeometry().topLeft()) move(place.main);
  check_window_->resize(place.check.size().shrunkBy(frame));
  // The position of a window is that of its frame.
  check_window_->move(place.check.topLeft());
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
    connect(field, &QLineEdit::textEdited, this, [this, field, control](const QString& text) {
      if (entered_field_ == field) entered_field_ = nullptr;
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
  if (ended_) return;
  try {
    handler();
  } catch (const ProgramEnded&) {
    // The platform has asked the event loop to end; unwinding stops here, before any Qt frame.
    ended_ = true;
    hide();
    return;
  }
  ShowSheet();
  ApplySelectAll();
}

bool MainWindow::CommitSessionData(bool interaction_allowed) {
  if (ended_) return true;
  if (!interaction_allowed) {
    form_.KeepUnsavedForRecovery();
    return true;
  }
  bool may_end = false;
  Forward([&] { may_end = form_.Form_QueryUnload(); });
  return may_end;
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
    // The sheet keeps the height a row had; a row without turns is a winding no longer there,
    // so the screen shows none.
    ShowText(w.TxTotCu[i], NumberValue(s.TxSpires[i]) >= 1 ? s.TxTotCu[i] : std::string());
    ShowText(w.TxSpLayer[i], s.TxSpLayer[i]);
    ShowColour(w.TxDiaCu[i], QPalette::Text, s.TxDiaCuColour[i]);
    const char separator = form_.DecimalSeparator();
    ShowReading(w.TxVolts[i], s.TxVolts[i], separator);
    ShowReading(w.TxAmps[i], s.TxAmps[i], separator);
    const bool strands = s.TxDiaCu[i].find_first_of("xX*") != std::string::npos ||
                         s.TxDiaCu[i].find("×") != std::string::npos;
    ShowReading(w.TxDiaCu[i], s.TxDiaCu[i], separator, strands ? kStrandsHint : "");
  }
  ShowReading(w.TxFreq, s.TxFreq, form_.DecimalSeparator());
  ShowReading(w.TxTesla, s.TxTesla, form_.DecimalSeparator());
  ShowReading(w.TxDCourant, s.TxDCourant, form_.DecimalSeparator());
  std::string reading;
  for (const std::string& note : PartlyReadFields(s))
    reading += (reading.empty() ? "" : " ") + note;
  if (reading_->text() != ToQt(reading)) reading_->setText(ToQt(reading));
  reading_->setVisible(!reading.empty());
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
  // The chain's figures stay as they are; the line says where the workshop's winding differs.
  ShowText(wind_line_, WindLine(CheckDesign(s)));
}

void MainWindow::ShowRemarks(const std::string& text) {
  const QString shown = RemarksForWidget(text);
  if (widgets_.TxRem->toPlainText() == shown) return;
  FitRemarksWrap(widgets_.TxRem, shown);
  showing_remarks_ = true;
  widgets_.TxRem->setPlainText(shown);
  showing_remarks_ = false;
}

void MainWindow::ShowCoreList() {
  QListWidget* list = widgets_.LstCore;
  // Without a catalogue there is no core, and "?" alone would not say why.
  if (!no_catalogue_) {
    no_catalogue_ = new QLabel(kNoCatalogueText, list->viewport());
    no_catalogue_->setObjectName("LbSansCatalogue");
    no_catalogue_->setWordWrap(true);
    no_catalogue_->setToolTip("Le menu Noyau › Catalogue… ouvre un catalogue de tôles.");
    no_catalogue_->setAlignment(Qt::AlignCenter);
    no_catalogue_->setGeometry(list->viewport()->rect().adjusted(2, 2, -2, -2));
  }
  no_catalogue_->setVisible(form_.CoreList().empty());
  const bool refilled = form_.CoreList() != shown_cores_;
  if (refilled) {
    shown_cores_ = form_.CoreList();
    list->clear();
    for (const std::string& core : shown_cores_) list->addItem(ToQt(core));
  }
  // The list shows the core in use selected; it follows that core, not every pass, so that an
  // entry the user moves to stays selected until a pick or a recalculation.
  const std::string& in_use = form_.Sheet().TxNoyau;
  if (!refilled && in_use == shown_core_in_use_) return;
  shown_core_in_use_ = in_use;
  const std::string wanted = UpperCase(in_use);
  for (int row = 0; row < list->count(); ++row) {
    QListWidgetItem* item = list->item(row);
    if (!in_use.empty() && UpperCase(item->text().toStdString()) == wanted) {
      list->setCurrentItem(item);
      // At each scroll a list asks the X server where the pointer is, to update the entry under
      // it: a round trip on the way to the first frame. Until the window is shown no pointer can
      // be over the list, so the bar moves without telling the view, which reads its position
      // from the bar when it paints.
      const QSignalBlocker quiet(list->isVisible() ? nullptr : list->verticalScrollBar());
      list->scrollToItem(item);
      return;
    }
  }
  list->clearSelection();
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
  const QString typed = widgets_.TxRem->toPlainText();
  FitRemarksWrap(widgets_.TxRem, typed);
  const std::string text = RemarksForSheet(typed);
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
  // A click into a field selects its whole text, as the Tab key does.
  if (reason == Qt::MouseFocusReason && qobject_cast<QLineEdit*>(widget)) {
    mouse_focused_field_ = widget;
    swallowing_press_ = false;
  }
  MoveFocusTo(widget);
}

void MainWindow::OnFocusOut(QWidget* widget, Qt::FocusReason reason) {
  if (widget == mouse_focused_field_) mouse_focused_field_ = nullptr;
  if (widget == entered_field_) entered_field_ = nullptr;
  if (IsPassingFocusChange(reason) || widget != reported_focus_) return;
  MoveFocusTo(nullptr);
}

bool MainWindow::OnKeyPress(QWidget* widget, QKeyEvent* event) {
  if (IsAltCombination(event)) {
    return qobject_cast<QLineEdit*>(widget) || qobject_cast<QPlainTextEdit*>(widget);
  }
  if (!IsEnter(event)) return false;
  if (widget == widgets_.LstCore) {
    // Enter on an entry picks it, as a double-click does.
    const QList<QListWidgetItem*> selected = widgets_.LstCore->selectedItems();
    const std::string entry = selected.isEmpty() ? "" : selected.first()->text().toStdString();
    Forward([&] { form_.LstCore_DblClick(entry); });
    return true;
  }
  if (auto* button = qobject_cast<QPushButton*>(widget)) {
    button->click();
    return true;
  }
  if (!qobject_cast<QLineEdit*>(widget)) return false;
  const ControlRef control = controls_.value(widget);
  bool consumed = false;
  Forward([&] { consumed = form_.KeyPress(control, kEnterKey); });
  entered_field_ = widget;
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
  if (widget && widget == entered_field_ && event->type() == QEvent::MouseButtonPress) {
    // Its value counted at Enter: a click starts a new value, as the first click into it did.
    entered_field_ = nullptr;
    if (auto* field = qobject_cast<QLineEdit*>(widget); field && field->hasFocus()) {
      field->selectAll();
      mouse_focused_field_ = widget;
      swallowing_press_ = false;
    }
  }
  if (widget && widget == mouse_focused_field_) {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
        // Only the press that gave the focus. A second press before any release means that a
        // message box raised meanwhile took the release: that press places the cursor as usual.
        if (!swallowing_press_) {
          swallowing_press_ = true;
          return true;
        }
        mouse_focused_field_ = nullptr;
        swallowing_press_ = false;
        break;
      case QEvent::MouseMove:
        if (swallowing_press_) return true;
        break;
      case QEvent::MouseButtonRelease:
        if (!swallowing_press_) break;
        mouse_focused_field_ = nullptr;
        swallowing_press_ = false;
        return true;
      default:
        break;
    }
  }
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
  bool may_close = ended_;
  Forward([&] { may_close = form_.Form_QueryUnload(); });
  if (may_close) {
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace kel::ui
