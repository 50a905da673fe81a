#pragma once
// The pieces every text and JSON output of the check is written with.

#include <string>

#include "check/CheckTerms.h"
#include "util/OutputText.h"

namespace kel::text {

// "  Caption                 value\n": a caption in a column of 24, then its value.
inline std::string Line(const std::string& caption, const std::string& value) {
  return "  " + PadRight(caption, 24) + value + "\n";
}

// A judgement as the JSON gives it: {"code": "...", "text": "..."}.
inline std::string Json(const Term& term) {
  return "{\"code\": " + JsonString(term.code) + ", \"text\": " + JsonString(term.text) + "}";
}

}  // namespace kel::text
