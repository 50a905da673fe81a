#pragma once
// The desktop as the program sees it, on Qt: message boxes, file dialogs, the beep, the
// clipboard, the sheet viewer and the running executable.

#include <QFileDialog>
#include <QPointer>
#include <QString>

#include "util/Platform.h"

namespace kel::ui {

// A file dialog that refuses a path whose folder does not exist and asks before replacing a
// file unless the caller asks that itself.
class FileDialog : public QFileDialog {
 public:
  FileDialog(QWidget* parent, const FileDialogRequest& request);
  // The filter of a request that names none.
  static const QString& AllFilesFilter();

  void accept() override;
};

// Qt's own dialogs and buttons in French, whatever the user's locale, as the program's texts
// are. False when the translations are not installed (qt6-translations-l10n).
bool InstallFrenchTranslations(QObject* owner);

class QtPlatform final : public Platform {
 public:
  // Boxes and dialogs are centred over the window once it is shown.
  void SetWindow(QWidget* window) { window_ = window; }

  MsgAnswer MessageBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                       const std::string& title) override;
  MsgAnswer MessageBoxWithCause(const std::string& text, const std::string& cause,
                                MsgButtons buttons, MsgIcon icon,
                                const std::string& title) override;
  std::string ShowFileDialog(const FileDialogRequest& request) override;
  void Beep() override;
  void SetClipboardText(const std::string& text) override;
  void ProcessEvents() override;
  bool ShowTextFile(const std::string& path) override;
  // Asks the event loop to end and returns; the caller throws ProgramEnded.
  void EndProgramNow() override;
  std::string ExecutablePath() override;

  // The title of a box that names none: the program's file name without extension.
  static QString DefaultTitle();

 private:
  QWidget* Owner() const;
  MsgAnswer Ask(const QString& text, MsgButtons buttons, MsgIcon icon, const std::string& title);

  QPointer<QWidget> window_;
};

}  // namespace kel::ui
