#pragma once

#include <string>

namespace kel {

// The window title: the executable's name without extension, " Version 1.0.7", three blanks,
// the document path, and " *" when the design has unsaved changes.
std::string TitleText(const std::string& executable_path, const std::string& doc_path, bool mark);

}  // namespace kel
