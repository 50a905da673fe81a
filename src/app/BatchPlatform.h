#pragma once
// The desktop of the command-line tools, where nobody is there to answer: dialogs cancel, the
// query prompt carries on, messages and beeps are kept for the report. Also where those tools
// find the catalogue the window uses.

#include <string>

#include "report/ChainReport.h"
#include "util/Platform.h"

namespace kel {

class BatchPlatform : public Platform {
 public:
  // program_name stands for the executable when its path cannot be read.
  explicit BatchPlatform(std::string program_name) : program_name_(std::move(program_name)) {}

  MsgAnswer MessageBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                       const std::string& title) override;
  MsgAnswer MessageBoxWithCause(const std::string& text, const std::string& cause,
                                MsgButtons buttons, MsgIcon icon,
                                const std::string& title) override;
  std::string ShowFileDialog(const FileDialogRequest&) override { return ""; }
  void Beep() override { ++record.beeps; }
  void SetClipboardText(const std::string&) override {}
  void ProcessEvents() override {}
  bool ShowTextFile(const std::string&) override { return true; }
  void EndProgramNow() override;
  std::string ExecutablePath() override;

  RunRecord record;

 private:
  std::string program_name_;
};

// The settings a tool at exe reads: the window's, named after the window beside the tool.
std::string ToolSettingsPath(const std::string& exe);

// The catalogue a tool at exe uses when none is named: the window's, else the bundled one.
std::string DefaultCataloguePath(const std::string& exe);

}  // namespace kel
