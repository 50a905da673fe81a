#include "analysis/CheckOptions.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "analysis/ReferenceData.h"
#include "documents/DesignDocument.h"
#include "util/NumberText.h"

namespace kel {

namespace {

const CheckOptions kDefaults;

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The value of a text that is one number and nothing else, read as every field is (a decimal
// comma counts as a point); false for anything else, "40 °C" included.
bool WholeNumber(const std::string& text, double& value) {
  // The normalisation keeps only two comma-separated pieces: "4,5,6" would pass for 4.5.
  if (std::count(text.begin(), text.end(), ',') + std::count(text.begin(), text.end(), '.') > 1) {
    return false;
  }
  std::string number = NormalizeNumber(Trimmed(text));
  if (!number.empty() && number[0] == '+') number.erase(0, 1);
  if (number.empty()) return false;
  const char* end = number.data() + number.size();
  const auto [stop, error] = std::from_chars(number.data(), end, value);
  return error == std::errc() && stop == end && std::isfinite(value);
}

struct Range {
  double low, high;
  const char* what;  // "une température en °C" ...
};

Range RangeOf(CheckOption option) {
  switch (option) {
    case CheckOption::Ambient:
      return {-50, 100, "une température entre -50 et 100 °C"};
    case CheckOption::Interlayer:
    case CheckOption::Wrap:
      return {0, 5, "une épaisseur entre 0 et 5 mm"};
    case CheckOption::BuildingFactor:
      return {0.5, 5, "un facteur entre 0,5 et 5"};
    case CheckOption::Grade:
    case CheckOption::Steel:
      break;
  }
  return {0, 0, ""};
}

double* NumberOf(CheckOptions& options, CheckOption option) {
  switch (option) {
    case CheckOption::Ambient:
      return &options.ambient_c;
    case CheckOption::Interlayer:
      return &options.interlayer_mm;
    case CheckOption::Wrap:
      return &options.wrap_mm;
    case CheckOption::BuildingFactor:
      return &options.building_factor;
    case CheckOption::Grade:
    case CheckOption::Steel:
      break;
  }
  return nullptr;
}

// Applies a good text to options; false when the text is no value of the option.
bool Apply(CheckOptions& options, CheckOption option, const std::string& text) {
  if (option == CheckOption::Steel) {
    const SteelGrade* grade = FindSteelGrade(Trimmed(text));
    if (!grade) return false;
    options.steel = std::string(grade->name);
    return true;
  }
  double value = 0;
  if (!WholeNumber(text, value)) return false;
  if (option == CheckOption::Grade) {
    if (value != 1 && value != 2) return false;
    options.grade = static_cast<int>(value);
    return true;
  }
  const Range range = RangeOf(option);
  if (value < range.low || value > range.high) return false;
  *NumberOf(options, option) = value;
  return true;
}

std::string DefaultText(CheckOption option, char separator) {
  switch (option) {
    case CheckOption::Grade:
      return std::to_string(kDefaults.grade);
    case CheckOption::Steel:
      return kDefaults.steel;
    default: {
      CheckOptions defaults;
      return PlainNumber(*NumberOf(defaults, option), separator);
    }
  }
}

}  // namespace

const char* OptionKey(CheckOption option) {
  const std::string_view key = kVerifKeys.at(static_cast<std::size_t>(option));
  return key.data();
}

std::string OptionExpected(CheckOption option) {
  std::string expected;
  switch (option) {
    case CheckOption::Grade:
      expected = "1 ou 2";
      break;
    case CheckOption::Steel:
      expected = "une tôle connue (";
      for (const SteelGrade& grade : SteelGrades()) {
        expected += std::string(grade.name) + (&grade == &SteelGrades().back() ? ")" : ", ");
      }
      break;
    default:
      expected = RangeOf(option).what;
  }
  return expected;
}

std::string OptionProblem(CheckOption option, const std::string& text) {
  CheckOptions scratch;
  if (Trimmed(text).empty() || Apply(scratch, option, text)) return "";
  const std::string expected = OptionExpected(option);
  return std::string("Vérification : ") + OptionKey(option) + " « " + text + " » : " + expected +
         " attendu ; " + DefaultText(option, ',') + " utilisé.";
}

CheckOptions OptionsFromTexts(const std::map<std::string, std::string>& texts,
                              std::vector<std::string>& problems) {
  CheckOptions options;
  for (int i = 0; i < kCheckOptionCount; ++i) {
    const auto option = static_cast<CheckOption>(i);
    const auto found = texts.find(OptionKey(option));
    if (found == texts.end() || Trimmed(found->second).empty()) continue;
    if (!Apply(options, option, found->second)) {
      problems.push_back(OptionProblem(option, found->second));
    }
  }
  return options;
}

bool SetOptionText(std::map<std::string, std::string>& texts, CheckOption option,
                   const std::string& text) {
  const std::string key = OptionKey(option);
  const std::string trimmed = Trimmed(text);
  CheckOptions parsed;
  const bool is_default =
      trimmed.empty() || (Apply(parsed, option, trimmed) && parsed == kDefaults);
  const auto found = texts.find(key);
  if (is_default) {
    if (found == texts.end()) return false;
    texts.erase(found);
    return true;
  }
  if (found != texts.end() && found->second == trimmed) return false;
  texts[key] = trimmed;
  return true;
}

std::string OptionText(const std::map<std::string, std::string>& texts, CheckOption option,
                       char decimal_separator) {
  const auto found = texts.find(OptionKey(option));
  if (found != texts.end() && !Trimmed(found->second).empty()) return found->second;
  return DefaultText(option, decimal_separator);
}

}  // namespace kel
