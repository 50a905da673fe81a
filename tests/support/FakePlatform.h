#pragma once
// A scripted platform: records every call and answers dialogs and message boxes from queues.

#include <deque>
#include <string>
#include <vector>

#include "util/Platform.h"

namespace kel::test {

struct RecordedMessage {
  std::string text;
  MsgButtons buttons;
  MsgIcon icon;
  std::string title;
};

class FakePlatform : public Platform {
 public:
  MsgAnswer MessageBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                       const std::string& title) override {
    messages.push_back({text, buttons, icon, title});
    if (!answers.empty()) {
      const MsgAnswer answer = answers.front();
      answers.pop_front();
      return answer;
    }
    const bool ok = buttons == MsgButtons::Ok || buttons == MsgButtons::OkCancel;
    return ok ? MsgAnswer::Ok : MsgAnswer::Yes;
  }
  MsgAnswer MessageBoxWithCause(const std::string& text, const std::string& cause,
                                MsgButtons buttons, MsgIcon icon,
                                const std::string& title) override {
    causes.push_back(cause);
    return MessageBox(text, buttons, icon, title);
  }
  std::string ShowFileDialog(const FileDialogRequest& request) override {
    dialogs.push_back(request);
    if (dialog_answers.empty()) return "";
    std::string answer = dialog_answers.front();
    dialog_answers.pop_front();
    return answer;
  }
  void Beep() override { ++beeps; }
  void SetClipboardText(const std::string& text) override { clipboard = text; }
  void ProcessEvents() override { ++processed_events; }
  bool ShowTextFile(const std::string& path) override {
    shown_files.push_back(path);
    return viewer_works;
  }
  void EndProgramNow() override {
    ended = true;
    throw ProgramEnded{};
  }
  std::string ExecutablePath() override { return executable_path; }

  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> texts;
    for (const auto& m : messages) texts.push_back(m.text);
    return texts;
  }

  std::deque<MsgAnswer> answers;
  std::deque<std::string> dialog_answers;
  std::vector<RecordedMessage> messages;
  std::vector<std::string> causes;  // of the messages told with one
  std::vector<FileDialogRequest> dialogs;
  std::vector<std::string> shown_files;
  std::string clipboard;
  std::string executable_path = "/opt/kelvanor/bin/kelvanor";
  int beeps = 0;
  int processed_events = 0;
  bool viewer_works = true;
  bool ended = false;
};

}  // namespace kel::test
