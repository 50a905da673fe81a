#include "cli/CommandLine.h"

#include <sys/stat.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>

#include "catalogue/Catalogue.h"
#include "catalogue/CoreRecord.h"
#include "check/RectifierCheck.h"
#include "documents/DesignDocument.h"
#include "documents/Ini.h"
#include "util/OutputText.h"
#include "util/Paths.h"
#include "util/Text.h"
#include "util/VersionNotice.h"

namespace kel::cli {
namespace {

enum Tools : unsigned { kCalc = 1, kReport = 2, kBoth = kCalc | kReport };

enum class Kind {
  Switch,
  File,
  Value,
  CheckValue,
  WindingValue,
  Rectifier,
  CentreTap,
  Help,
  Version
};

struct Flag {
  const char* name;
  const char* value;  // the placeholder of its value in the help, or nullptr
  Kind kind;
  unsigned tools;
  const char* help;  // the check options add their range and default to it
};

// What the help shows of the per-winding options, in the order of WindingOption; the check's
// own options take theirs from kCheckOptionSpecs.
struct CheckFlagHelp {
  const char* value;
  const char* help;
};

// The per-winding options, in the order of WindingOption.
constexpr std::array<CheckFlagHelp, kWindingOptionCount> kWindingFlagHelp = {{
    {"K:N", "brins du fil de l'enroulement K (0 le primaire, 1 à 4 les secondaires)"},
}};

constexpr Flag kLeadingFlags[] = {
    {"--catalogue", "FICHIER", Kind::File, kBoth,
     "catalogue des tôles ; sinon celui des réglages de la fenêtre, sinon le catalogue fourni "
     "(Zivodevu.mdb à côté du programme ou dans ../share/kelvanor)"},
    {"--decimal-separator", "SEP", Kind::Value, kBoth,
     "séparateur décimal des résultats, « , » ou « . »"},
    {"--json", nullptr, Kind::Switch, kCalc, "un objet JSON au lieu du texte"},
    {"--sheet", "FICHIER", Kind::File, kCalc, "écrit aussi la fiche de fabrication dans FICHIER"},
    {"--analysis", nullptr, Kind::Switch, kCalc,
     "ajoute la vérification : fil à acheter, remplissage, température, tension en charge, "
     "spires à bobiner"},
    {"--cores", nullptr, Kind::Switch, kCalc,
     "la table des noyaux du catalogue, chacun imposé au projet et vérifié, et le noyau "
     "conseillé, au lieu du résultat (pas avec --analysis)"},
};

constexpr Flag kTrailingFlags[] = {
    {"--rectifier", "K:TYPE:VDC:IDC[:µF[:VD]]", Kind::Rectifier, kBoth,
     "le secondaire K (1 à 4) alimente un redresseur TYPE (pont ou point-milieu) et un "
     "condensateur de µF (sinon choisi) : VDC volts et IDC ampères continus, chute de VD par "
     "diode (0,8 V par défaut) ; répétable, remplace celui du document"},
    {"--centre-tap", "K", Kind::CentreTap, kBoth,
     "le secondaire K (1 à 4) est à point milieu : un enroulement de deux fois ses spires, "
     "chaque moitié donnant ses volts et ses ampères ; répétable"},
    {"--svg", "FICHIER", Kind::File, kCalc, "écrit le dessin de la fenêtre de bobinage en SVG"},
    {"--html", "FICHIER", Kind::File, kCalc, "écrit le rapport en HTML, dessin compris"},
    {"--report", "FICHIER.pdf", Kind::File, kCalc,
     "écrit le rapport en PDF A4 par kelvanor-report, à côté de ce programme"},
    {"--pdf", "FICHIER.pdf", Kind::File, kReport, "écrit le rapport en PDF A4 (obligatoire)"},
    {"-h", nullptr, Kind::Help, kBoth, nullptr},
    {"--help", nullptr, Kind::Help, kBoth, "affiche cette aide"},
    {"--version", nullptr, Kind::Version, kBoth, "affiche la version"},
};

using FlagTable = std::array<Flag, std::size(kLeadingFlags) + kCheckOptionCount +
                                       kWindingOptionCount + std::size(kTrailingFlags)>;

// Every option of both tools, in the order of their help.
constexpr FlagTable AllFlags() {
  FlagTable flags{};
  std::size_t at = 0;
  for (const Flag& flag : kLeadingFlags) flags[at++] = flag;
  for (std::size_t i = 0; i < kCheckOptionSpecs.size(); ++i) {
    flags[at++] = {kCheckOptionSpecs[i].flag, kCheckOptionSpecs[i].placeholder, Kind::CheckValue,
                   kBoth, kCheckOptionSpecs[i].help};
  }
  for (std::size_t i = 0; i < kWindingOptionSpecs.size(); ++i) {
    flags[at++] = {kWindingOptionSpecs[i].flag, kWindingFlagHelp[i].value, Kind::WindingValue,
                   kBoth, kWindingFlagHelp[i].help};
  }
  for (const Flag& flag : kTrailingFlags) flags[at++] = flag;
  return flags;
}
constexpr FlagTable kFlags = AllFlags();

unsigned MaskOf(Tool tool) {
  return tool == Tool::Calc ? kCalc : kReport;
}

const Flag* FindFlag(Tool tool, const std::string& name) {
  for (const Flag& flag : kFlags) {
    if ((flag.tools & MaskOf(tool)) && name == flag.name) return &flag;
  }
  return nullptr;
}

std::string* FileOf(Job& job, const std::string& flag) {
  if (flag == "--catalogue") return &job.catalogue;
  if (flag == "--sheet") return &job.sheet;
  if (flag == "--svg") return &job.svg;
  if (flag == "--html") return &job.html;
  return &job.pdf;  // --report and --pdf
}

// Characters on screen, a UTF-8 sequence counting as one.
std::size_t Width(std::string_view text) {
  std::size_t width = 0;
  for (const char c : text) width += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return width;
}

// text cut at blanks into lines of at most kLineWidth characters; the first starts at column,
// the others after indent blanks.
std::string Wrapped(const std::string& text, std::size_t column, std::size_t indent) {
  constexpr std::size_t kLineWidth = 96;
  std::string out;
  bool first_word = true;
  for (std::size_t at = 0; at <= text.size();) {
    std::size_t end = text.find(' ', at);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(at, end - at);
    at = end + 1;
    // French punctuation stands after a blank but never starts a line.
    const bool punctuation = word == ";" || word == ":";
    if (!first_word && !punctuation && column + 1 + Width(word) > kLineWidth) {
      out += "\n" + std::string(indent, ' ');
      column = indent;
    } else if (!first_word) {
      out += ' ';
      ++column;
    }
    out += word;
    column += Width(word);
    first_word = false;
  }
  return out;
}

std::string SeparatorText(char separator) {
  return std::string("« ") + separator + " »";
}

// The end of every refused value: the run does not go on with some other value.
constexpr const char* kStops = " ; rien n'est calculé ni écrit.";

}  // namespace

const char* ToolName(Tool tool) {
  return tool == Tool::Calc ? "kelvanor-calc" : "kelvanor-report";
}

int Fail(Tool tool, const std::string& message) {
  // Messages quote paths and catalogue texts: the terminal shows them, never obeys them.
  std::cerr << ToolName(tool) << " : " << TerminalText(message, true) << "\n";
  return 2;
}

std::optional<int> AnswerRequest(Tool tool, const Parsed& parsed, char locale_separator) {
  switch (parsed.request) {
    case Request::Help:
      std::cout << HelpText(tool, locale_separator);
      return 0;
    case Request::Version:
      std::cout << VersionNotice(ToolName(tool));
      return 0;
    case Request::Error:
      return Fail(tool, parsed.error + "\n" + UsageLine(tool));
    case Request::Run:
      break;
  }
  return std::nullopt;
}

std::string QuotedPrefix(const std::string& text, std::size_t max_chars) {
  std::size_t end = 0;
  std::size_t count = 0;
  while (end < text.size() && count < max_chars) {
    end += std::max<std::size_t>(Utf8Length(text, end), 1);
    ++count;
  }
  return "« " + text.substr(0, end) + (end < text.size() ? "…" : "") + " »";
}

std::string UsageLine(Tool tool) {
  std::string usage = std::string("usage : ") + ToolName(tool);
  for (const Flag& flag : kFlags) {
    if (!(flag.tools & MaskOf(tool)) || flag.kind == Kind::Help || flag.kind == Kind::Version) {
      continue;
    }
    std::string item = std::string(flag.name) + (flag.value ? std::string(" ") + flag.value : "");
    usage +=
        tool == Tool::Report && std::string(flag.name) == "--pdf" ? " " + item : " [" + item + "]";
  }
  return usage + " DOCUMENT\n";
}

std::string HelpText(Tool tool, char locale_separator) {
  const std::string about =
      tool == Tool::Calc
          ? "Calcule le transformateur du DOCUMENT (.kel) comme la fenêtre à son ouverture "
            "et affiche le résultat ; écrit sur demande la fiche, le dessin et les rapports."
          : "Écrit le rapport PDF du DOCUMENT (.kel) : le calcul tel que la fenêtre le montre, "
            "la vérification et le dessin de la fenêtre de bobinage. Sans écran.";
  std::string help = UsageLine(tool) + "\n" + Wrapped(about, 0, 0) + "\n\n";
  constexpr std::size_t kHelpColumn = 28;
  for (const Flag& flag : kFlags) {
    if (!(flag.tools & MaskOf(tool)) || !flag.help) continue;
    std::string head = std::string("  ") + (flag.kind == Kind::Help ? "-h, " : "") + flag.name +
                       (flag.value ? std::string(" ") + flag.value : "");
    std::string text = flag.help;
    if (flag.kind == Kind::CheckValue) {
      const CheckOption option = *CheckOptionOfFlag(flag.name);
      text += " : " + OptionExpected(option) + ", par défaut " +
              OptionText({}, option, locale_separator);
      if (tool == Tool::Calc) text += " ; avec --analysis, --cores, --svg, --html ou --report";
    } else if (flag.kind == Kind::WindingValue) {
      text += " : N " + WindingOptionExpected(*WindingOptionOfFlag(flag.name)) +
              ", par défaut choisi par la vérification ; répétable";
    } else if (std::string(flag.name) == "--decimal-separator") {
      text += ", par défaut celui de la locale (" + SeparatorText(locale_separator) + ")";
    }
    const std::size_t width = Width(head);
    if (width + 2 > kHelpColumn) {
      head += "\n" + std::string(kHelpColumn, ' ');
    } else {
      head += std::string(kHelpColumn - width, ' ');
    }
    help += head + Wrapped(text, kHelpColumn, kHelpColumn) + "\n";
  }
  help += "\n";
  help += Wrapped(
      tool == Tool::Calc
          ? "Statut : 0 calcul mené à son terme, 1 un message a été affiché, 2 erreur "
            "d'utilisation, document ou catalogue illisible, fichier qui ne peut être écrit."
          : "Statut : 0 rapport écrit, 2 erreur d'utilisation, document ou catalogue illisible, "
            "rapport qui ne peut être écrit.",
      0, 0);
  return help + "\n";
}

Parsed ParseCommandLine(Tool tool, const std::vector<std::string>& args, char locale_separator) {
  Parsed parsed;
  Job& job = parsed.job;
  const auto error = [&parsed](std::string message) {
    parsed.request = Request::Error;
    parsed.error = std::move(message);
    return parsed;
  };
  std::string separator_text;
  bool separator_given = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const Flag* flag = FindFlag(tool, arg);
    if (!flag) {
      if (!arg.empty() && arg[0] == '-' && arg != "-") {
        return error("option inconnue : " + QuotedPrefix(arg));
      }
      if (!job.document.empty()) return error("un seul document à la fois");
      job.document = arg;
      continue;
    }
    const bool needs_value = flag->value != nullptr;
    if (needs_value && i + 1 >= args.size()) {
      return error(arg + (flag->kind == Kind::File ? " attend un fichier" : " attend une valeur"));
    }
    switch (flag->kind) {
      case Kind::Help:
        parsed.request = Request::Help;
        return parsed;
      case Kind::Version:
        parsed.request = Request::Version;
        return parsed;
      case Kind::Switch:
        (arg == "--json" ? job.json : arg == "--cores" ? job.cores : job.analysis) = true;
        break;
      case Kind::File:
        // An empty name is a script's unset variable: nothing would be written, or the default
        // catalogue read, without a word.
        if (args[i + 1].empty()) return error(arg + " attend un fichier, pas un nom vide");
        *FileOf(job, arg) = args[++i];
        break;
      case Kind::Value:
        separator_text = args[++i];
        separator_given = true;
        break;
      case Kind::CheckValue:
        job.check_options.emplace_back(*CheckOptionOfFlag(arg), args[++i]);
        break;
      case Kind::Rectifier: {
        std::map<std::string, std::string> scratch;
        const std::string& value = args[++i];
        if (const std::string problem = ApplyRectifierArgument(value, scratch); !problem.empty()) {
          return error("--rectifier " + QuotedPrefix(value) + " refusé : " + problem + kStops);
        }
        job.rectifiers.push_back(value);
        break;
      }
      case Kind::CentreTap: {
        const std::string& value = args[++i];
        const std::optional<int> row = CentreTapRow(value);
        if (!row) {
          return error("--centre-tap " + QuotedPrefix(value) +
                       " refusé : K attendu, le secondaire à point milieu, de 1 à 4" + kStops);
        }
        job.centre_taps.push_back(*row);
        break;
      }
      case Kind::WindingValue: {
        const WindingOption option = *WindingOptionOfFlag(arg);
        const std::string& value = args[++i];
        const std::optional<WindingOptionText> given = ParseWindingArgument(option, value);
        if (!given || given->text.empty() ||
            !WindingOptionProblem(option, given->row, given->text).empty()) {
          return error(arg + " " + QuotedPrefix(value) + " refusé : K:N attendu, K de 0 à 4, N " +
                       WindingOptionExpected(option) + kStops);
        }
        job.winding_options.push_back(*given);
        break;
      }
    }
  }
  // The separator first: the other messages give their defaults with it.
  if (separator_given) {
    if (separator_text != "," && separator_text != ".") {
      return error("--decimal-separator " + QuotedPrefix(separator_text) +
                   " refusé : « , » ou « . » attendu, par défaut celui de la locale (" +
                   SeparatorText(locale_separator) + ")" + kStops);
    }
    job.separator = separator_text[0];
  }
  const char separator = job.separator ? job.separator : locale_separator;
  for (const auto& [option, text] : job.check_options) {
    if (OptionProblem(option, text).empty()) continue;
    return error(std::string(SpecOf(option).flag) + " " + QuotedPrefix(text) +
                 " refusé : " + OptionExpected(option) + " attendu, par défaut " +
                 OptionText({}, option, separator) + kStops);
  }
  if (job.document.empty()) return error("document manquant");
  if (tool == Tool::Report && job.pdf.empty()) return error("--pdf manquant");
  // Both would be the standard output, each in its own shape; the files go with either.
  if (job.cores && job.analysis) {
    return error("--cores et --analysis écrivent chacun la sortie : l'un ou l'autre");
  }
  const bool drawn = !job.svg.empty() || !job.html.empty() || !job.pdf.empty();
  if (tool == Tool::Calc &&
      !(job.check_options.empty() && job.winding_options.empty() && job.rectifiers.empty() &&
        job.centre_taps.empty()) &&
      !job.analysis && !drawn && !job.cores) {
    return error(
        "les options de vérification vont avec --analysis, --cores, --svg, --html ou --report");
  }
  return parsed;
}

void ApplyRectifiers(const Job& job, std::map<std::string, std::string>& texts) {
  for (const std::string& value : job.rectifiers) ApplyRectifierArgument(value, texts);
  for (const int row : job.centre_taps) SetCentreTap(texts, row, true);
}

void ApplyWindingOptions(const Job& job, std::map<std::string, std::string>& verif_texts) {
  for (const WindingOptionText& given : job.winding_options) {
    SetWindingOptionText(verif_texts, given.option, given.row, given.text);
  }
}

std::string DocumentProblem(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return "document introuvable : " + path;
  if (!std::filesystem::is_regular_file(path, error)) return "pas un fichier : " + path;
  // Turned down from its size, before a byte of it is read.
  if (std::filesystem::file_size(path, error) > kIniFileLimit) {
    return "document trop grand (" + IniFileLimitText() +
           "), ce n'est pas un document de conception : " + path;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return "document illisible : " + path;
  const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (content.find('\0') != std::string::npos) return "pas un document texte : " + path;
  if (ReadIni(path, "SPECIFS", "Freq").empty() && ReadIni(path, "SPECIFS", "Volts0").empty() &&
      ReadIni(path, "SPECIFS", "Volts1").empty()) {
    return "pas un document de conception (section [SPECIFS] absente ou vide) : " + path;
  }
  return "";
}

std::string CatalogueProblem(const std::string& path) {
  EngineError error;
  auto db = CatalogueHandle::Open(path, error);
  if (!db) return error.description;
  if (!db->Query("Select " + CoreColumnList() + " from EI", error)) {
    return "catalogue " + path + " inutilisable : " + error.description;
  }
  return "";
}

std::string OutputProblem(Tool tool, const Job& job,
                          const std::vector<std::string>& protected_files) {
  const std::pair<const char*, const std::string*> outputs[] = {
      {"--sheet", &job.sheet},
      {"--svg", &job.svg},
      {"--html", &job.html},
      {tool == Tool::Calc ? "--report" : "--pdf", &job.pdf}};
  for (const auto& [flag, path] : outputs) {
    if (path->empty()) continue;
    for (const std::string& kept : protected_files) {
      if (!kept.empty() && IsSameFile(*path, kept)) {
        return std::string(flag) + " désignerait " + kept + ", qui ne sera pas remplacé";
      }
    }
    struct stat info {};
    if (::stat(path->c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
      return std::string(flag) + " désigne un dossier : " + *path;
    }
    // The sheet is a file of its own that replaces the old one; the exports may go to a pipe.
    if (path == &job.sheet && kel::IsSpecialFile(*path)) {
      return std::string(flag) + " désigne un tube ou un périphérique, pas un fichier : " + *path;
    }
  }
  return "";
}

}  // namespace kel::cli
