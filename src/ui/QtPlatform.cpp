#include "ui/QtPlatform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QSpacerItem>
#include <QSplitter>
#include <QTranslator>
#include <QTreeView>
#include <algorithm>
#include <cstdlib>

#include "ui/Startup.h"

namespace kel::ui {

namespace {

// A box closed without an answer must not do what cannot be undone: the Yes/No box asks
// whether to carry on, and its No ends the program without saving.
QMessageBox::StandardButton AnswerWhenClosed(MsgButtons buttons) {
  return buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoNoToAll ? QMessageBox::Yes
                                                                             : QMessageBox::Cancel;
}

// A box is as wide as its text needs, and window managers cut a longer title short. The box is
// widened so that its title reads whole: the title in a bold face a little larger than the
// text's, and room for the icon and the buttons of the title bar.
void WidenForTitle(QMessageBox& box) {
  QFont title_font = box.font();
  title_font.setBold(true);
  title_font.setPointSizeF(title_font.pointSizeF() * 1.2);
  constexpr int kTitleBarExtras = 160;
  int wanted = QFontMetrics(title_font).horizontalAdvance(box.windowTitle()) + kTitleBarExtras;
  if (const QScreen* screen = box.screen()) {
    wanted = std::min(wanted, screen->availableGeometry().width() * 9 / 10);
  }
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (grid == nullptr) return;
  grid->addItem(new QSpacerItem(wanted, 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                grid->rowCount(), 0, 1, grid->columnCount());
}

// Qt's dialog opens small: the French column headings, sizes, types and dates and the places on
// the side were cut. It opens large enough for them, within the screen.
void MakeRoomForTexts(QFileDialog& dialog) {
  QSize size(900, 500);
  if (const QScreen* screen = dialog.screen()) {
    size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
  }
  dialog.resize(size);
  if (auto* view = dialog.findChild<QTreeView*>("treeView")) {
    QHeaderView* header = view->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < header->count(); ++column) {
      header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
  }
  if (auto* splitter = dialog.findChild<QSplitter*>("splitter")) {
    splitter->setSizes({dialog.fontMetrics().horizontalAdvance("Ordinateur") + 60, size.width()});
  }
}

}  // namespace

bool InstallFrenchTranslations(QObject* owner) {
  auto* translator = new QTranslator(owner);
  if (!translator->load(QLocale(QLocale::French, QLocale::France), "qtbase", "_",
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}

const QString& FileDialog::AllFilesFilter() {
  static const QString filter = "Tous les fichiers (*)";
  return filter;
}

FileDialog::FileDialog(QWidget* parent, const FileDialogRequest& request)
    : QFileDialog(parent, QString::fromStdString(request.title)) {
  // Qt's own dialog honours every setting below on every desktop.
  setOption(QFileDialog::DontUseNativeDialog);
  // Replacing a file is asked about once: by the dialog, in the system's usual words, unless the
  // caller has its own question (documents).
  setOption(QFileDialog::DontConfirmOverwrite, request.caller_asks_before_replacing);
  setAcceptMode(request.verb == FileDialogVerb::Save ? QFileDialog::AcceptSave
                                                     : QFileDialog::AcceptOpen);
  // Opening a file that does not exist yet is the caller's business, not the dialog's.
  setFileMode(QFileDialog::AnyFile);
  QStringList filters;
  for (const std::string& filter : request.filters) filters << QString::fromStdString(filter);
  setNameFilters(filters.isEmpty() ? QStringList{AllFilesFilter()} : filters);
  if (!request.initial_folder.empty()) {
    setDirectory(QString::fromStdString(request.initial_folder));
  }
  if (!request.file_name.empty()) selectFile(QString::fromStdString(request.file_name));
  MakeRoomForTexts(*this);
}

void FileDialog::accept() {
  const QStringList chosen = selectedFiles();
  if (!chosen.isEmpty()) {
    const QFileInfo file(chosen.first());
    if (!file.isDir() && !file.absoluteDir().exists()) {
      QMessageBox::warning(this, windowTitle(),
                           QString("Le dossier %1 n'existe pas.")
                               .arg(QDir::toNativeSeparators(file.absolutePath())));
      return;
    }
  }
  QFileDialog::accept();
}

QWidget* QtPlatform::Owner() const {
  // Before the window is shown (start-up) boxes stand on their own in the middle of the screen,
  // with the program's icon, which the window only takes after its first frame.
  if (window_ && window_->isVisible()) return window_.data();
  SetProgramIcon();
  return nullptr;
}

QString QtPlatform::DefaultTitle() {
  return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

MsgAnswer QtPlatform::MessageBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                                 const std::string& title) {
  return Ask(QString::fromStdString(text), buttons, icon, title);
}

MsgAnswer QtPlatform::MessageBoxWithCause(const std::string& text, const std::string& cause,
                                          MsgButtons buttons, MsgIcon icon,
                                          const std::string& title) {
  QString shown = QString::fromStdString(text);
  if (!cause.empty()) shown += '\n' + QString::fromStdString(cause);
  return Ask(shown, buttons, icon, title);
}

MsgAnswer QtPlatform::Ask(const QString& text, MsgButtons buttons, MsgIcon icon,
                          const std::string& title) {
  QMessageBox box(Owner());
  box.setIcon(icon == MsgIcon::Question ? QMessageBox::Question : QMessageBox::NoIcon);
  box.setWindowTitle(title.empty() ? DefaultTitle() : QString::fromStdString(title));
  box.setText(text);
  box.setTextFormat(Qt::PlainText);
  switch (buttons) {
    case MsgButtons::Ok:
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case MsgButtons::OkCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      break;
    case MsgButtons::YesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      break;
    case MsgButtons::YesNoCancel:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      break;
    case MsgButtons::YesNoNoToAll:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::NoToAll);
      box.button(QMessageBox::NoToAll)->setText("Non pour tous");
      break;
  }
  if (buttons != MsgButtons::Ok) box.setEscapeButton(AnswerWhenClosed(buttons));
  WidenForTitle(box);
  box.exec();
  switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok:
      return MsgAnswer::Ok;
    case QMessageBox::Yes:
      return MsgAnswer::Yes;
    case QMessageBox::No:
      return MsgAnswer::No;
    case QMessageBox::Cancel:
      return MsgAnswer::Cancel;
    case QMessageBox::NoToAll:
      return MsgAnswer::NoToAll;
    default:
      return AnswerWhenClosed(buttons) == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::Cancel;
  }
}

std::string QtPlatform::ShowFileDialog(const FileDialogRequest& request) {
  FileDialog dialog(Owner(), request);
  if (dialog.exec() != QDialog::Accepted) return "";
  const QStringList chosen = dialog.selectedFiles();
  return chosen.isEmpty() ? "" : chosen.first().toStdString();
}

void QtPlatform::Beep() {
  QApplication::beep();
}

void QtPlatform::SetClipboardText(const std::string& text) {
  QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

void QtPlatform::ProcessEvents() {
  QCoreApplication::processEvents();
}

bool QtPlatform::ShowTextFile(const std::string& path) {
  return QProcess::startDetached("xdg-open", {QString::fromStdString(path)});
}

void QtPlatform::EndProgramNow() {
  // No close event and no save question, but through the event loop's normal end: on X11 the
  // clipboard lives in this process, and only an orderly exit hands it to a clipboard manager.
  // Queued, so that it also holds when the loop has not started yet (a failure at start-up).
  QMetaObject::invokeMethod(QCoreApplication::instance(), "exit", Qt::QueuedConnection,
                            Q_ARG(int, 0));
}

std::string QtPlatform::ExecutablePath() {
  return QCoreApplication::applicationFilePath().toStdString();
}

}  // namespace kel::ui
