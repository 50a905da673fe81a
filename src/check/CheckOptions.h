#pragma once
// The options of the engineering check. They belong to the design: the design sheet carries them
// as the texts the document stores under [VERIF], only those that differ from their defaults.
// kCheckOptionSpecs is the one list of them: document key, command-line flag, default, range.

#include <array>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kel {

enum class CheckOption {
  Grade,
  Ambient,
  Interlayer,
  Wrap,
  Steel,
  BuildingFactor,
  StackingFactor,
  InsulationClass,
  TapeLayers,
  TapeThickness,
  Margin,
  Chambers,
  Partition,
  JointGap,
  Remanence
};
inline constexpr int kCheckOptionCount = 15;

struct CheckOptionSpec {
  CheckOption option;
  const char* key;   // under [VERIF]
  const char* flag;  // on the command line, the same for every tool that takes them
  // The default and the range of a number; whole: only whole numbers in the range.
  double default_value;
  double low, high;
  bool whole;
  const char* quantity;  // what a good value is, before its range: "une température"
  const char* unit;      // after the range, "" for none
  // The tools' help: the value's placeholder and what the option is, before its range.
  const char* placeholder;
  const char* help;
  // The window: the field's caption and object name; a list's words for each whole value from
  // low, "|" between ("" for a field, or a list made from its own table).
  const char* caption;
  const char* widget;
  const char* choices;
  // The reports: the words before the value in the text's options lines, its decimals there, a
  // value that follows the one before with a blank and no comma, a line ending after it; the
  // key of the JSON's options object.
  const char* words;
  int decimals;
  bool joined;
  bool line_end;
  const char* json_key;
};

// The default steel grade, the one option that is not a number.
inline constexpr const char* kDefaultSteel = "M400-50A";

// In the order of CheckOption, which is also the order the document writes them in.
inline constexpr std::array<CheckOptionSpec, kCheckOptionCount> kCheckOptionSpecs = {{
    {CheckOption::Grade, "Grade", "--grade", 1, 1, 2, true, "", "", "1|2", "grade d'émail du fil",
     "Fil émaillé", "CbGrade", "Grade 1 (émail fin)|Grade 2 (émail épais)", "fil grade", 0, false,
     false, "grade"},
    {CheckOption::Ambient, "Ambiante", "--ambient", 40, -50, 100, false, "une température", "°C",
     "°C", "température ambiante", "Température ambiante (°C)", "TxAmbiante", "", "ambiante", 1,
     false, false, "ambient_c"},
    {CheckOption::Interlayer, "Interligne", "--interlayer", 0.05, 0, 5, false, "une épaisseur",
     "mm", "MM", "isolant entre deux couches d'un enroulement", "Isolant entre couches (mm)",
     "TxInterligne", "", "entre couches", 2, false, false, "interlayer_mm"},
    {CheckOption::Wrap, "Enveloppe", "--wrap", 0.1, 0, 5, false, "une épaisseur", "mm", "MM",
     "isolant sur chaque enroulement", "Enveloppe par enroulement (mm)", "TxEnveloppe", "",
     "enveloppe", 2, false, true, "wrap_mm"},
    {CheckOption::Steel, "Tole", "--steel", 0, 0, 0, false, "une tôle connue", "", "NUANCE",
     "nuance de la tôle", "Tôle", "CbTole", "", "tôle", 0, false, false, "steel"},
    {CheckOption::BuildingFactor, "FacteurConstruction", "--building-factor", 1.0, 0.5, 5, false,
     "un facteur", "", "F", "facteur des pertes fer du noyau monté sur celles de la tôle",
     "Facteur de construction", "TxFacteur", "", "facteur de construction", 2, false, false,
     "building_factor"},
    {CheckOption::StackingFactor, "Foisonnement", "--stacking-factor", 0.95, 0.8, 1, false,
     "un facteur", "", "F", "foisonnement du paquet de tôles", "Foisonnement", "TxFoisonnement", "",
     "foisonnement", 2, false, true, "stacking_factor"},
    {CheckOption::InsulationClass, "Classe", "--insulation-class", 0, 0, 0, false, "", "",
     "A|E|B|F|H", "classe d'isolation des enroulements", "Classe d'isolation", "CbClasse", "",
     "classe", 0, false, false, "insulation_class"},
    {CheckOption::TapeLayers, "IsolementCouches", "--tape-layers", 3, 0, 10, true,
     "un nombre entier de couches", "", "N",
     "couches d'isolement entre le primaire et les secondaires",
     "Isolement primaire/secondaires (couches)", "TxIsolementCouches", "", "isolement", 0, false,
     false, "tape_layers"},
    {CheckOption::TapeThickness, "IsolementEpaisseur", "--tape-thickness", 0.05, 0.01, 1, false,
     "une épaisseur", "mm", "MM", "épaisseur d'une couche de cet isolement",
     "Épaisseur d'une couche (mm)", "TxIsolementEpaisseur", "", "×", 2, true, false,
     "tape_thickness_mm"},
    {CheckOption::Margin, "Marge", "--margin", 0, 0, 10, false, "une marge", "mm", "MM",
     "marge à chaque bout des enroulements", "Marge à chaque bout (mm)", "TxMarge", "", "marge", 1,
     false, false, "margin_mm"},
    {CheckOption::Chambers, "Carcasse", "--chambers", 1, 1, 2, true, "", "", "1|2",
     "compartiments de la carcasse", "Carcasse", "CbCarcasse", "Un compartiment|Deux compartiments",
     "", 0, false, false, "bobbin_chambers"},
    {CheckOption::Partition, "Cloison", "--partition", 1.0, 0.3, 5, false, "une épaisseur", "mm",
     "MM", "cloison entre les deux compartiments", "Cloison (mm)", "TxCloison", "", "cloison", 1,
     false, true, "partition_mm"},
    {CheckOption::JointGap, "Entrefer", "--joint-gap", 20, 0, 500, false, "un entrefer", "µm", "µM",
     "entrefer équivalent des joints des tôles E et I", "Entrefer des joints (µm)", "TxEntrefer",
     "", "entrefer des joints", 0, false, false, "joint_gap_um"},
    {CheckOption::Remanence, "Remanence", "--remanence", 0.2, 0, 0.95, false, "une fraction", "",
     "F", "induction rémanente, en part de l'induction de crête au secteur",
     "Rémanence (part de B crête)", "TxRemanence", "", "rémanence", 2, false, false, "remanence"},
}};

constexpr bool SpecsInOptionOrder() {
  for (std::size_t i = 0; i < kCheckOptionSpecs.size(); ++i) {
    if (kCheckOptionSpecs[i].option != static_cast<CheckOption>(i)) return false;
  }
  return true;
}
static_assert(SpecsInOptionOrder(), "the options' specs in the order of CheckOption");

constexpr const CheckOptionSpec& SpecOf(CheckOption option) {
  return kCheckOptionSpecs[static_cast<std::size_t>(option)];
}

// The document's section for the options.
inline constexpr const char* kVerifSection = "VERIF";

// The option a command-line flag names; none for any other argument.
inline std::optional<CheckOption> CheckOptionOfFlag(std::string_view flag) {
  for (const CheckOptionSpec& spec : kCheckOptionSpecs) {
    if (flag == spec.flag) return spec.option;
  }
  return std::nullopt;
}

// Options of one winding: under [VERIF] as the key's stem followed by the row ("Brins0" for the
// primary to "Brins4"), on the command line as FLAG K:N (row K, value N). A winding without the
// key leaves the choice to the check. kWindingOptionSpecs is their one list; a new option is one
// more entry there, one more WindingOption and its member in WindingValues.
enum class WindingOption { Strands };
inline constexpr int kWindingOptionCount = 1;
inline constexpr int kOptionWindings = 5;  // the primary and four secondaries

struct WindingOptionSpec {
  WindingOption option;
  const char* stem;  // of the key under [VERIF]
  const char* flag;
  int low, high;         // whole numbers only
  const char* quantity;  // what a good value is, before its range
};

inline constexpr std::array<WindingOptionSpec, kWindingOptionCount> kWindingOptionSpecs = {{
    {WindingOption::Strands, "Brins", "--strands", 1, 8, "un nombre entier de brins"},
}};

constexpr const WindingOptionSpec& SpecOf(WindingOption option) {
  return kWindingOptionSpecs[static_cast<std::size_t>(option)];
}

// The option a command-line flag names; none for any other argument.
inline std::optional<WindingOption> WindingOptionOfFlag(std::string_view flag) {
  for (const WindingOptionSpec& spec : kWindingOptionSpecs) {
    if (flag == spec.flag) return spec.option;
  }
  return std::nullopt;
}

// One winding's value of a per-winding option as a text, as the command line gives it.
struct WindingOptionText {
  WindingOption option;
  int row = 0;
  std::string text;
};

// The insulation classes of IEC 60085, each with the temperature IEC 61558-1 lets a winding of
// that class reach in normal use. None: no class holds the temperature ("hors classe").
enum class InsulationClass { A, E, B, F, H, None };
inline constexpr InsulationClass kInsulationClasses[] = {InsulationClass::A, InsulationClass::E,
                                                         InsulationClass::B, InsulationClass::F,
                                                         InsulationClass::H};
const char* ClassName(InsulationClass insulation_class);  // "A" ... "H", "hors classe"
double ClassLimitC(InsulationClass insulation_class);     // 100, 115, 120, 140, 165 °C

struct CheckOptions {
  int grade = static_cast<int>(SpecOf(CheckOption::Grade).default_value);  // enamel grade
  double ambient_c = SpecOf(CheckOption::Ambient).default_value;           // ambient temperature
  // Insulation between two layers of one winding.
  double interlayer_mm = SpecOf(CheckOption::Interlayer).default_value;
  double wrap_mm = SpecOf(CheckOption::Wrap).default_value;  // wrapped over each winding
  std::string steel = kDefaultSteel;
  // Iron losses built up over the steel's own figure.
  double building_factor = SpecOf(CheckOption::BuildingFactor).default_value;
  // The part of the stack that is iron.
  double stacking_factor = SpecOf(CheckOption::StackingFactor).default_value;
  InsulationClass insulation_class = InsulationClass::B;
  // Between the primary and the secondaries: layers of tape of that thickness in a single
  // chamber, a partition of that thickness between two chambers.
  int tape_layers = static_cast<int>(SpecOf(CheckOption::TapeLayers).default_value);
  double tape_thickness_mm = SpecOf(CheckOption::TapeThickness).default_value;
  // Left free at both ends of every layer (creepage).
  double margin_mm = SpecOf(CheckOption::Margin).default_value;
  // 1, or 2 side by side: the primary alone in the first.
  int chambers = static_cast<int>(SpecOf(CheckOption::Chambers).default_value);
  double partition_mm = SpecOf(CheckOption::Partition).default_value;
  // The E–I joints' equivalent air gap per flux loop: about 20 µm with the laminations
  // interleaved one by one, 80 µm with the E and the I stacked in two packs.
  double joint_gap_um = SpecOf(CheckOption::JointGap).default_value;
  // The flux the core keeps when switched off, as a fraction of its crest at mains: a jointed
  // core's loop is sheared by its gap (about 0.2 at 20 µm, 0.1 at 80 µm; a toroid keeps 0.6–0.8).
  double remanence = SpecOf(CheckOption::Remanence).default_value;
  // Per winding, row 0 the primary; 0 where the check chooses.
  std::array<int, kOptionWindings> strands{};  // of the wire

  bool operator==(const CheckOptions&) const = default;
};

// The document key of an option ("Grade", "Ambiante", ...).
inline const char* OptionKey(CheckOption option) {
  return SpecOf(option).key;
}

// The options a sheet's [VERIF] texts give. A missing or empty text gives the default; a text
// that is not a value of the option gives the default too, and a French sentence saying so is
// added to problems.
CheckOptions OptionsFromTexts(const std::map<std::string, std::string>& texts,
                              std::vector<std::string>& problems);

// An option's value as a number (a whole one too); none for the steel and the class.
std::optional<double> OptionNumber(const CheckOptions& options, CheckOption option);
// An option's value as the reports write it: "M400-50A", "B", "0,05" with the option's
// decimals, "un compartiment" for a list with words.
std::string OptionValueText(const CheckOptions& options, CheckOption option,
                            char decimal_separator);

// A list's entries as the window offers them: the words shown and the value's text ("A (100 °C)"
// and "A"; "M400-50A  (2,50 W/kg)" and "M400-50A"); none for an option typed in a field.
struct OptionChoice {
  std::string shown;
  std::string value;
};
std::vector<OptionChoice> OptionChoices(CheckOption option, char decimal_separator);

// Whether the reports' options lines say the option: not the partition of a single chamber.
bool OptionSaid(const CheckOptions& options, CheckOption option);

// What a value of the option is ("1 ou 2", "une température entre -50 et 100 °C", ...).
std::string OptionExpected(CheckOption option);

// Checks one option text; the empty text when it is good, else the sentence saying why not.
std::string OptionProblem(CheckOption option, const std::string& text);

// Sets one option's text in a sheet's [VERIF] texts: a text whose value is the default (or the
// empty text) removes the entry, so that the document stores only what differs. The text is kept
// as the document reads it back, without its surrounding blanks. True when the texts changed.
bool SetOptionText(std::map<std::string, std::string>& texts, CheckOption option,
                   const std::string& text);

// The text an option has in texts, or its default's text ("1", "40", "0.05", "M400-50A" ...)
// with decimal_separator.
std::string OptionText(const std::map<std::string, std::string>& texts, CheckOption option,
                       char decimal_separator);

// Every key the document keeps under [VERIF], in the order it writes them: the options, then
// each per-winding option for rows 0 to 4.
const std::vector<std::string>& VerifKeys();

// "Brins2": the document key of a winding's option.
std::string WindingOptionKey(WindingOption option, int row);

// What a value of the option is ("un nombre entier de brins de 1 à 8").
std::string WindingOptionExpected(WindingOption option);

// Checks one winding's text (the empty text is good: the check chooses); the empty text when it
// is good, else the sentence saying why not.
std::string WindingOptionProblem(WindingOption option, int row, const std::string& text);

// As SetOptionText, for one winding: an empty text removes the key. False for a row out of range.
bool SetWindingOptionText(std::map<std::string, std::string>& texts, WindingOption option, int row,
                          const std::string& text);

// The winding's text in texts; empty when the check chooses.
std::string WindingOptionValueText(const std::map<std::string, std::string>& texts,
                                   WindingOption option, int row);

// "K:N" of the command line: the row and the value's text; none when it is not of that form or
// the row is out of range.
std::optional<WindingOptionText> ParseWindingArgument(WindingOption option,
                                                      const std::string& argument);

}  // namespace kel
