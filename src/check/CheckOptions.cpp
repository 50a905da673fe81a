#include "check/CheckOptions.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "check/ReferenceData.h"
#include "util/NumberText.h"
#include "util/OutputText.h"
#include "util/Text.h"

namespace kel {

namespace {

const CheckOptions kDefaults;

std::string Trimmed(const std::string& text) {
  return std::string(Trim(text));
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

// "une température entre -50 et 100 °C", from the option's range.
std::string RangeText(CheckOption option) {
  const CheckOptionSpec& spec = SpecOf(option);
  if (spec.whole && spec.high - spec.low == 1) {
    return PlainNumber(spec.low, ',') + " ou " + PlainNumber(spec.high, ',');
  }
  std::string text = std::string(spec.quantity) + " entre " + PlainNumber(spec.low, ',') + " et " +
                     PlainNumber(spec.high, ',');
  if (*spec.unit != '\0') text += std::string(" ") + spec.unit;
  return text;
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
    case CheckOption::JointGap:
      return &options.joint_gap_um;
    case CheckOption::Remanence:
      return &options.remanence;
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

// Applies a good text to options; false when the text is no value of the option.
bool Apply(CheckOptions& options, CheckOption option, const std::string& text) {
  if (option == CheckOption::Steel) {
    const SteelGrade* grade = FindSteelGrade(Trimmed(text));
    if (!grade) return false;
    options.steel = std::string(grade->name);
    return true;
  }
  if (option == CheckOption::InsulationClass) {
    const std::string name = AsciiLower(Trim(text));
    for (const InsulationClass c : kInsulationClasses) {
      if (name == AsciiLower(ClassName(c))) {
        options.insulation_class = c;
        return true;
      }
    }
    return false;
  }
  double value = 0;
  if (!WholeNumber(text, value)) return false;
  const CheckOptionSpec& spec = SpecOf(option);
  if (value < spec.low || value > spec.high) return false;
  if (spec.whole) {
    if (value != std::floor(value)) return false;
    *WholeOf(options, option) = static_cast<int>(value);
  } else {
    *NumberOf(options, option) = value;
  }
  return true;
}

int* WindingValueOf(CheckOptions& options, WindingOption option, int row) {
  switch (option) {
    case WindingOption::Strands:
      return &options.strands[static_cast<std::size_t>(row)];
  }
  return nullptr;
}

bool ValidRow(int row) {
  return row >= 0 && row < kOptionWindings;
}

// A good text's value; none for a text that is no value of the option.
std::optional<int> WindingValue(WindingOption option, const std::string& text) {
  double value = 0;
  const WindingOptionSpec& spec = SpecOf(option);
  if (!WholeNumber(text, value) || value < spec.low || value > spec.high ||
      value != std::floor(value)) {
    return std::nullopt;
  }
  return static_cast<int>(value);
}

std::string DefaultText(CheckOption option, char separator) {
  CheckOptions defaults;
  if (option == CheckOption::Steel) return defaults.steel;
  if (option == CheckOption::InsulationClass) return ClassName(defaults.insulation_class);
  if (const int* whole = WholeOf(defaults, option)) return std::to_string(*whole);
  return PlainNumber(*NumberOf(defaults, option), separator);
}

}  // namespace

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

std::optional<double> OptionNumber(const CheckOptions& options, CheckOption option) {
  auto& values = const_cast<CheckOptions&>(options);  // read only
  if (const double* number = NumberOf(values, option)) return *number;
  if (const int* whole = WholeOf(values, option)) return *whole;
  return std::nullopt;
}

std::vector<OptionChoice> OptionChoices(CheckOption option, char separator) {
  std::vector<OptionChoice> choices;
  if (option == CheckOption::Steel) {
    for (const SteelGrade& grade : SteelGrades()) {
      choices.push_back(
          {std::string(grade.name) + "  (" + Fixed(grade.loss_w_per_kg, 2, separator) + " W/kg)",
           std::string(grade.name)});
    }
  } else if (option == CheckOption::InsulationClass) {
    for (const InsulationClass c : kInsulationClasses) {
      choices.push_back(
          {std::string(ClassName(c)) + " (" + PlainNumber(ClassLimitC(c), separator) + " °C)",
           ClassName(c)});
    }
  } else {
    const CheckOptionSpec& spec = SpecOf(option);
    std::string_view words = spec.choices;
    for (double value = spec.low; !words.empty(); ++value) {
      const std::size_t bar = words.find('|');
      choices.push_back({std::string(words.substr(0, bar)), PlainNumber(value, separator)});
      words = bar == std::string_view::npos ? std::string_view() : words.substr(bar + 1);
    }
  }
  return choices;
}

std::string OptionValueText(const CheckOptions& options, CheckOption option, char separator) {
  if (option == CheckOption::Steel) return options.steel;
  if (option == CheckOption::InsulationClass) return ClassName(options.insulation_class);
  const double value = OptionNumber(options, option).value_or(0);
  // A list said in words only: "un compartiment".
  if (*SpecOf(option).words == '\0') {
    for (const OptionChoice& choice : OptionChoices(option, separator)) {
      if (choice.value != PlainNumber(value, separator)) continue;
      std::string text = choice.shown;
      if (!text.empty()) text[0] = AsciiLower(text[0]);
      return text;
    }
  }
  return Fixed(value, SpecOf(option).decimals, separator);
}

bool OptionSaid(const CheckOptions& options, CheckOption option) {
  return option != CheckOption::Partition || options.chambers == 2;
}

std::string OptionExpected(CheckOption option) {
  std::string expected;
  switch (option) {
    case CheckOption::InsulationClass:
      for (const InsulationClass c : kInsulationClasses) {
        expected += std::string(expected.empty()          ? ""
                                : c == InsulationClass::H ? " ou "
                                                          : ", ") +
                    ClassName(c);
      }
      break;
    case CheckOption::Steel:
      expected = std::string(SpecOf(option).quantity) + " (";
      for (const SteelGrade& grade : SteelGrades()) {
        expected += std::string(grade.name) + (&grade == &SteelGrades().back() ? ")" : ", ");
      }
      break;
    default:
      expected = RangeText(option);
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
  for (const WindingOptionSpec& spec : kWindingOptionSpecs) {
    for (int row = 0; row < kOptionWindings; ++row) {
      const std::string text = WindingOptionValueText(texts, spec.option, row);
      if (text.empty()) continue;
      if (const std::optional<int> value = WindingValue(spec.option, text)) {
        *WindingValueOf(options, spec.option, row) = *value;
      } else {
        problems.push_back(WindingOptionProblem(spec.option, row, text));
      }
    }
  }
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

namespace {

// Keeps text under key, or no entry for the empty text, so that the document stores only what
// differs from the defaults. True when the texts changed.
bool StoreText(std::map<std::string, std::string>& texts, const std::string& key,
               const std::string& text) {
  const auto found = texts.find(key);
  if (text.empty()) {
    if (found == texts.end()) return false;
    texts.erase(found);
    return true;
  }
  if (found != texts.end() && found->second == text) return false;
  texts[key] = text;
  return true;
}

}  // namespace

bool SetOptionText(std::map<std::string, std::string>& texts, CheckOption option,
                   const std::string& text) {
  const std::string key = OptionKey(option);
  const std::string trimmed = Trimmed(text);
  CheckOptions parsed;
  const bool is_default =
      trimmed.empty() || (Apply(parsed, option, trimmed) && parsed == kDefaults);
  return StoreText(texts, key, is_default ? std::string() : trimmed);
}

std::string OptionText(const std::map<std::string, std::string>& texts, CheckOption option,
                       char decimal_separator) {
  const auto found = texts.find(OptionKey(option));
  if (found != texts.end() && !Trimmed(found->second).empty()) return found->second;
  return DefaultText(option, decimal_separator);
}

const std::vector<std::string>& VerifKeys() {
  static const std::vector<std::string> keys = [] {
    std::vector<std::string> all;
    all.reserve(kCheckOptionSpecs.size() + std::size(kWindingOptionSpecs) * kOptionWindings);
    for (const CheckOptionSpec& spec : kCheckOptionSpecs) all.emplace_back(spec.key);
    for (const WindingOptionSpec& spec : kWindingOptionSpecs) {
      for (int row = 0; row < kOptionWindings; ++row) {
        all.push_back(WindingOptionKey(spec.option, row));
      }
    }
    return all;
  }();
  return keys;
}

std::string WindingOptionKey(WindingOption option, int row) {
  return SpecOf(option).stem + std::to_string(row);
}

std::string WindingOptionExpected(WindingOption option) {
  const WindingOptionSpec& spec = SpecOf(option);
  return std::string(spec.quantity) + " de " + std::to_string(spec.low) + " à " +
         std::to_string(spec.high);
}

std::string WindingOptionProblem(WindingOption option, int row, const std::string& text) {
  if (Trimmed(text).empty() || WindingValue(option, text)) return "";
  return "Vérification : " + WindingOptionKey(option, row) + " « " + text +
         " » : " + WindingOptionExpected(option) + " attendu ; choisi par la vérification.";
}

bool SetWindingOptionText(std::map<std::string, std::string>& texts, WindingOption option, int row,
                          const std::string& text) {
  if (!ValidRow(row)) return false;
  const std::string key = WindingOptionKey(option, row);
  return StoreText(texts, key, Trimmed(text));
}

std::string WindingOptionValueText(const std::map<std::string, std::string>& texts,
                                   WindingOption option, int row) {
  if (!ValidRow(row)) return "";
  const auto found = texts.find(WindingOptionKey(option, row));
  return found == texts.end() ? "" : Trimmed(found->second);
}

std::optional<WindingOptionText> ParseWindingArgument(WindingOption option,
                                                      const std::string& argument) {
  const std::size_t colon = argument.find(':');
  if (colon != 1 || argument[0] < '0' || argument[0] >= '0' + kOptionWindings) {
    return std::nullopt;
  }
  return WindingOptionText{option, argument[0] - '0', argument.substr(colon + 1)};
}

}  // namespace kel
