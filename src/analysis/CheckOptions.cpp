#include "analysis/CheckOptions.h"

#include <cctype>
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
  std::string number = NormalizeNumber(Trimmed(text));
  if (!number.empty() && number[0] == '+') number.erase(0, 1);
  if (number.empty()) return false;
  const char* end = number.data() + number.size();
  const auto [stop, error] = std::from_chars(number.data(), end, value);
  return error == std::errc() && stop == end && std::isfinite(value);
}

struct Range {
  double low, high;
  const char* what;  // "une température entre -50 et 100 °C" ...
  bool whole;        // whole numbers only
};

Range RangeOf(CheckOption option) {
  switch (option) {
    case CheckOption::Grade:
      return {1, 2, "1 ou 2", true};
    case CheckOption::Ambient:
      return {-50, 100, "une température entre -50 et 100 °C", false};
    case CheckOption::Interlayer:
    case CheckOption::Wrap:
      return {0, 5, "une épaisseur entre 0 et 5 mm", false};
    case CheckOption::BuildingFactor:
      return {0.5, 5, "un facteur entre 0,5 et 5", false};
    case CheckOption::StackingFactor:
      return {0.8, 1, "un facteur entre 0,8 et 1", false};
    case CheckOption::TapeLayers:
      return {0, 10, "un nombre entier de couches entre 0 et 10", true};
    case CheckOption::TapeThickness:
      return {0.01, 1, "une épaisseur entre 0,01 et 1 mm", false};
    case CheckOption::Margin:
      return {0, 10, "une marge entre 0 et 10 mm", false};
    case CheckOption::Chambers:
      return {1, 2, "1 ou 2", true};
    case CheckOption::Partition:
      return {0.3, 5, "une épaisseur entre 0,3 et 5 mm", false};
    case CheckOption::Steel:
    case CheckOption::InsulationClass:
      break;
  }
  return {0, 0, "", false};
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
    case CheckOption::StackingFactor:
      return &options.stacking_factor;
    case CheckOption::TapeThickness:
      return &options.tape_thickness_mm;
    case CheckOption::Margin:
      return &options.margin_mm;
    case CheckOption::Partition:
      return &options.partition_mm;
    default:
      break;
  }
  return nullptr;
}

int* WholeOf(CheckOptions& options, CheckOption option) {
  switch (option) {
    case CheckOption::Grade:
      return &options.grade;
    case CheckOption::TapeLayers:
      return &options.tape_layers;
    case CheckOption::Chambers:
      return &options.chambers;
    default:
      break;
  }
  return nullptr;
}

constexpr InsulationClass kClasses[] = {InsulationClass::A, InsulationClass::E, InsulationClass::B,
                                        InsulationClass::F, InsulationClass::H};

// Applies a good text to options; false when the text is no value of the option.
bool Apply(CheckOptions& options, CheckOption option, const std::string& text) {
  if (option == CheckOption::Steel) {
    const SteelGrade* grade = FindSteelGrade(Trimmed(text));
    if (!grade) return false;
    options.steel = std::string(grade->name);
    return true;
  }
  if (option == CheckOption::InsulationClass) {
    const std::string name = Trimmed(text);
    for (const InsulationClass c : kClasses) {
      if (name.size() == 1 &&
          std::toupper(static_cast<unsigned char>(name[0])) == ClassName(c)[0]) {
        options.insulation_class = c;
        return true;
      }
    }
    return false;
  }
  double value = 0;
  if (!WholeNumber(text, value)) return false;
  const Range range = RangeOf(option);
  if (value < range.low || value > range.high) return false;
  if (range.whole) {
    if (value != std::floor(value)) return false;
    *WholeOf(options, option) = static_cast<int>(value);
  } else {
    *NumberOf(options, option) = value;
  }
  return true;
}

std::string DefaultText(CheckOption option, char separator) {
  CheckOptions defaults;
  if (option == CheckOption::Steel) return defaults.steel;
  if (option == CheckOption::InsulationClass) return ClassName(defaults.insulation_class);
  if (const int* whole = WholeOf(defaults, option)) return std::to_string(*whole);
  return PlainNumber(*NumberOf(defaults, option), separator);
}

}  // namespace

static_assert(kVerifKeys.size() == kCheckOptionCount, "one document key per option");

const char* ClassName(InsulationClass insulation_class) {
  switch (insulation_class) {
    case InsulationClass::A:
      return "A";
    case InsulationClass::E:
      return "E";
    case InsulationClass::B:
      return "B";
    case InsulationClass::F:
      return "F";
    case InsulationClass::H:
      return "H";
    case InsulationClass::None:
      break;
  }
  return "hors classe";
}

double ClassLimitC(InsulationClass insulation_class) {
  switch (insulation_class) {
    case InsulationClass::A:
      return 100;
    case InsulationClass::E:
      return 115;
    case InsulationClass::B:
      return 120;
    case InsulationClass::F:
      return 140;
    case InsulationClass::H:
      return 165;
    case InsulationClass::None:
      break;
  }
  return 0;
}

const char* OptionKey(CheckOption option) {
  const std::string_view key = kVerifKeys.at(static_cast<std::size_t>(option));
  return key.data();
}

std::string OptionProblem(CheckOption option, const std::string& text) {
  CheckOptions scratch;
  if (Trimmed(text).empty() || Apply(scratch, option, text)) return "";
  std::string expected;
  switch (option) {
    case CheckOption::InsulationClass:
      expected = "A, E, B, F ou H";
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
