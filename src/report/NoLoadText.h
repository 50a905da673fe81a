#pragma once
// The idle, switch-on and fuse figures of the check as the text report and the JSON give them.

#include <string>
#include <utility>
#include <vector>

#include "check/Check.h"

namespace kel {

// The lines around the table of the mains factors, as caption and value ("" continues the line
// before): the curve, the verdict, the advised induction, the switch-on, the fuses.
std::vector<std::pair<std::string, std::string>> NoLoadNotes(const CheckResult& result,
                                                             char decimal_separator);
// The captions of the notes a report colours by their verdict.
inline constexpr const char* kIdleVerdictCaption = "Verdict à vide";
inline constexpr const char* kPrimaryFuseCaption = "Fusible primaire";

// The lines of the "Vérification" section after the overall figures; "" without a primary.
std::string NoLoadTextSection(const CheckResult& result, char decimal_separator);

// The analysis object's keys "no_load", "switch_on" and "fuses", each preceded by ", ".
std::string NoLoadJsonFields(const CheckResult& result);

}  // namespace kel
