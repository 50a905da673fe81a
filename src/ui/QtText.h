#pragma once
// The program's texts are UTF-8 in std::string; the widgets take QString.

#include <QString>
#include <string>

namespace kel::ui {

inline QString ToQt(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace kel::ui
