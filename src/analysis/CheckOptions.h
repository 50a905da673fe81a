#pragma once
// The options of the engineering check. They belong to the design: the design sheet carries them
// as the texts the document stores under [VERIF], only those that differ from their defaults.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kel {

enum class CheckOption { Grade, Ambient, Interlayer, Wrap, Steel, BuildingFactor };
inline constexpr int kCheckOptionCount = 6;

// The command-line flag of each option, the same for every tool that takes them.
inline constexpr std::pair<const char*, CheckOption> kCheckOptionFlags[] = {
    {"--grade", CheckOption::Grade},           {"--ambient", CheckOption::Ambient},
    {"--interlayer", CheckOption::Interlayer}, {"--wrap", CheckOption::Wrap},
    {"--steel", CheckOption::Steel},           {"--building-factor", CheckOption::BuildingFactor}};

// The option a command-line flag names; none for any other argument.
inline std::optional<CheckOption> CheckOptionOfFlag(std::string_view flag) {
  for (const auto& [name, option] : kCheckOptionFlags) {
    if (flag == name) return option;
  }
  return std::nullopt;
}

struct CheckOptions {
  int grade = 1;                // enamel grade of the wire, 1 or 2
  double ambient_c = 40;        // ambient temperature
  double interlayer_mm = 0.05;  // insulation between two layers of one winding
  double wrap_mm = 0.1;         // insulation wrapped over each winding
  std::string steel = "M400-50A";
  double building_factor = 1.0;  // iron losses built up over the steel's own figure

  bool operator==(const CheckOptions&) const = default;
};

// The document key of an option ("Grade", "Ambiante", ...).
const char* OptionKey(CheckOption option);

// The options a sheet's [VERIF] texts give. A missing or empty text gives the default; a text
// that is not a value of the option gives the default too, and a French sentence saying so is
// added to problems.
CheckOptions OptionsFromTexts(const std::map<std::string, std::string>& texts,
                              std::vector<std::string>& problems);

// What a value of the option is ("1 ou 2", "une température entre -50 et 100 °C", ...).
std::string OptionExpected(CheckOption option);

// Checks one option text; the empty text when it is good, else the sentence saying why not.
std::string OptionProblem(CheckOption option, const std::string& text);

// Sets one option's text in a sheet's [VERIF] texts: a text whose value is the default (or the
// empty text) removes the entry, so that the document stores only what differs. True when the
// texts changed.
bool SetOptionText(std::map<std::string, std::string>& texts, CheckOption option,
                   const std::string& text);

// The text an option has in texts, or its default's text ("1", "40", "0.05", "M400-50A" ...)
// with decimal_separator.
std::string OptionText(const std::map<std::string, std::string>& texts, CheckOption option,
                       char decimal_separator);

}  // namespace kel
