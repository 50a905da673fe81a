#pragma once
// The one failure type of the catalogue tool: its text is shown to the user as a single line.

#include <stdexcept>
#include <string>

namespace kel::cli {

class ToolError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Wrong command line: the caller shows the message and the usage text.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace kel::cli
