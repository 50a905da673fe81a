#pragma once
// Everything the program needs of the desktop: message boxes, file dialogs, beep, clipboard,
// event processing, the sheet viewer and ending the program. The window implements it with Qt,
// tests with a scripted fake, the command line with a non-interactive one.

#include <string>
#include <vector>

namespace kel {

// YesNoNoToAll is a Yes/No box with a third button, "Non pour tous", for a question asked about
// each of many files.
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, YesNoNoToAll };
enum class MsgIcon { None, Question };
enum class MsgAnswer { Ok, Cancel, Yes, No, NoToAll };

enum class FileDialogVerb { Open, Save };

struct FileDialogRequest {
  std::string title;
  std::string initial_folder;
  std::string file_name;
  FileDialogVerb verb = FileDialogVerb::Open;
  // Name filters such as "Documents Kelvanor (*.kel)", the first one in use; none means every
  // file.
  std::vector<std::string> filters = {};
  // A save dialog asks before a file is replaced, as the system's dialogs do, unless the caller
  // asks that question itself (documents have their own "Remplacer … existant").
  bool caller_asks_before_replacing = false;
};

// Thrown after Platform::EndProgramNow to unwind to the view, which then handles no more events.
// It is not a std::exception so that no catch of ordinary errors swallows it.
struct ProgramEnded {};

class Platform {
 public:
  virtual ~Platform() = default;

  // An empty title means the program's default title. A box closed without an answer reports
  // Cancel; a Yes/No box, which has none, reports Yes (carry on), since its No cannot be undone.
  virtual MsgAnswer MessageBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                               const std::string& title) = 0;
  // A message with its cause, which a window shows as the box's second line. Platforms that
  // have no place for the cause show the message alone.
  virtual MsgAnswer MessageBoxWithCause(const std::string& text, const std::string& cause,
                                        MsgButtons buttons, MsgIcon icon,
                                        const std::string& title) {
    (void)cause;
    return MessageBox(text, buttons, icon, title);
  }
  // The chosen full path, or the empty text when the user cancelled or the dialog failed.
  virtual std::string ShowFileDialog(const FileDialogRequest& request) = 0;
  virtual void Beep() = 0;
  virtual void SetClipboardText(const std::string& text) = 0;
  virtual void ProcessEvents() = 0;
  // Starts the user's text viewer on the file without waiting for it; false when it could not
  // be started.
  virtual bool ShowTextFile(const std::string& path) = 0;
  // Ends the program: no question, nothing saved. It may return once the end is under way (a
  // toolkit ends its event loop); the caller then throws ProgramEnded.
  virtual void EndProgramNow() = 0;
  // Full path of the running executable.
  virtual std::string ExecutablePath() = 0;
};

}  // namespace kel
