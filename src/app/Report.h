#pragma once
// The design sheet as the command-line calculator prints it: a French text laid out like the
// window's frames, or one JSON object.

#include <string>
#include <vector>

#include "design/DesignSheet.h"

namespace kel {

struct RunRecord {
  std::vector<std::string> messages;  // message-box texts, in order
  int beeps = 0;
  // The cause told with each message, in the same order; empty for a message without one.
  std::vector<std::string> details;
};

std::string TextReport(const DesignSheet& sheet, const RunRecord& record);
std::string JsonReport(const DesignSheet& sheet, const RunRecord& record);

// A JSON string literal for text, quotes included.
std::string JsonString(const std::string& text);

}  // namespace kel
