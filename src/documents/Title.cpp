#include "documents/Title.h"

#include "kelvanor/Version.h"
#include "util/Paths.h"

namespace kel {

std::string TitleText(const std::string& executable_path, const std::string& doc_path, bool mark) {
  std::string name = FileNameOf(executable_path);
  const auto dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  std::string title = name + " Version " + kVersionText + "   " + doc_path;
  if (mark) title += " *";
  return title;
}

}  // namespace kel
