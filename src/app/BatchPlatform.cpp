#include "app/BatchPlatform.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "catalogue/Catalogue.h"
#include "documents/Ini.h"
#include "documents/Settings.h"
#include "util/Paths.h"

namespace kel {

MsgAnswer BatchPlatform::MessageBox(const std::string& text, MsgButtons buttons, MsgIcon,
                                    const std::string&) {
  record.messages.push_back(text);
  record.details.resize(record.messages.size());
  return buttons == MsgButtons::Ok || buttons == MsgButtons::OkCancel ? MsgAnswer::Ok
                                                                      : MsgAnswer::Yes;
}

MsgAnswer BatchPlatform::MessageBoxWithCause(const std::string& text, const std::string& cause,
                                             MsgButtons buttons, MsgIcon icon,
                                             const std::string& title) {
  const MsgAnswer answer = MessageBox(text, buttons, icon, title);
  record.details.back() = cause;
  return answer;
}

void BatchPlatform::EndProgramNow() {
  std::exit(1);
}

std::string BatchPlatform::ExecutablePath() {
  std::error_code error;
  const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? program_name_ : path.string();
}

std::string ToolSettingsPath(const std::string& exe) {
  return SettingsFileOf(FolderOf(exe) + "/kelvanor");
}

std::string DefaultCataloguePath(const std::string& exe) {
  std::string chosen = StoredCataloguePath(ToolSettingsPath(exe));
  if (!chosen.empty()) return chosen;
  return DataFolderFor(exe, kDefaultCatalogueName) + "/" + kDefaultCatalogueName;
}

}  // namespace kel
