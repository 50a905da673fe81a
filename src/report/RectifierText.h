#pragma once
// The rectified secondaries as the check's outputs show them: lines of the "Vérification"
// section and the "rectifiers" member of the JSON analysis.

#include <string>

#include "check/DesignCheck.h"

namespace kel {

// The lines for each rectified secondary, starting with a heading; empty when there is none.
std::string RectifierTextSection(const DesignCheck& check, char decimal_separator);

// `, "rectifiers": [...]` to append to the analysis object; empty when no secondary is rectified,
// so that the analysis of every other design keeps its bytes.
std::string RectifierJsonMember(const DesignCheck& check);

}  // namespace kel
