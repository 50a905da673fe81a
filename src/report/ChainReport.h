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

// The mark a text in red gets where there is no colour: "0,39 (!)".
std::string Marked(const std::string& text, TextColour colour);

// The headings of the chain's copper table, the first one over the winding names.
inline constexpr const char* kCopperHeadings[] = {"",     "Calculé", "Réèl", "Spires",   "Long (M)",
                                                  "Ohms", "V réèls", "Haut", "Sp/Couche"};

}  // namespace kel
