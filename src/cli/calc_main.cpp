// kelvanor-calc: the design calculation on the command line, for scripts and batch work.

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/BatchPlatform.h"
#include "app/ChainReport.h"
#include "app/CheckPanel.h"
#include "app/CoreSearch.h"
#include "app/MainForm.h"
#include "catalogue/Catalogue.h"
#include "documents/DesignDocument.h"
#include "documents/Ini.h"
#include "documents/Settings.h"
#include "report/CheckText.h"
#include "report/HtmlReport.h"
#include "report/WindingSvg.h"
#include "util/NumberText.h"
#include "util/Paths.h"
#include "util/VersionNotice.h"

namespace {

constexpr const char* kUsage =
    "usage : kelvanor-calc [--catalogue FICHIER] [--decimal-separator SEP] [--json] "
    "[--sheet FICHIER] [--analysis [--grade 1|2] [--ambient °C] [--interlayer MM] [--wrap MM] "
    "[--steel NUANCE] [--building-factor F] [--stacking-factor F] [--insulation-class A|E|B|F|H] "
    "[--tape-layers N] [--tape-thickness MM] [--margin MM] [--chambers 1|2] [--partition MM]] "
    "[--svg FICHIER] [--html FICHIER] "
    "[--report FICHIER.pdf] [--cores] DOCUMENT\n";

constexpr const char* kHelp =
    "\n"
    "Calcule le transformateur du DOCUMENT (.kel) comme la fenêtre à son ouverture et affiche\n"
    "le résultat.\n"
    "\n"
    "  --catalogue FICHIER      catalogue des tôles ; sinon celui des réglages, sinon le\n"
    "                           catalogue fourni (Zivodevu.mdb à côté du programme ou dans\n"
    "                           ../share/kelvanor)\n"
    "  --decimal-separator SEP  séparateur décimal des résultats (par défaut celui de la locale)\n"
    "  --json                   un objet JSON au lieu du texte\n"
    "  --sheet FICHIER          écrit aussi la fiche de fabrication dans FICHIER\n"
    "  --cores                  la table des noyaux du catalogue, chacun imposé au projet et\n"
    "                           vérifié, et le noyau conseillé, au lieu du résultat\n"
    "  -h, --help               affiche cette aide\n"
    "  --version                affiche la version\n"
    "\n"
    "Statut : 0 calcul mené à son terme, 1 un message a été affiché, 2 erreur d'utilisation,\n"
    "document ou catalogue illisible.\n";

// The PDF comes from kelvanor-report beside this program, so that this one never loads Qt.
// Returns its exit status, or -1 when it could not be started.
int RunReportTool(const std::string& exe, std::vector<std::string> args) {
  const std::string tool = kel::FolderOf(exe) + "/kelvanor-report";
  args.insert(args.begin(), tool);
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, tool.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int Fail(const std::string& message) {
  std::cerr << "kelvanor-calc : " << message << "\n";
  return 2;
}

// The reason a catalogue cannot serve, or the empty text.
std::string CatalogueProblem(const std::string& path) {
  kel::EngineError error;
  auto db = kel::CatalogueHandle::Open(path, error);
  if (!db) return error.description;
  if (!db->Query("Select " + kel::CoreColumnList() + " from EI", error)) {
    return "catalogue " + path + " inutilisable : " + error.description;
  }
  return "";
}

// The reason a file cannot be a design document, or the empty text.
std::string DocumentProblem(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return "document introuvable : " + path;
  if (!std::filesystem::is_regular_file(path, error)) return "pas un fichier : " + path;
  // Turned down from its size, before a byte of it is read.
  if (std::filesystem::file_size(path, error) > kel::kIniFileLimit) {
    return "document trop grand (" + kel::IniFileLimitText() +
           "), ce n'est pas un document de conception : " + path;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return "document illisible : " + path;
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (content.find('\0') != std::string::npos) return "pas un document texte : " + path;
  if (kel::ReadIni(path, "SPECIFS", "Freq").empty() &&
      kel::ReadIni(path, "SPECIFS", "Volts0").empty() &&
      kel::ReadIni(path, "SPECIFS", "Volts1").empty()) {
    return "pas un document de conception (section [SPECIFS] absente ou vide) : " + path;
  }
  return "";
}

}  // namespace

int main(int argc, char** argv) {
  std::string catalogue, sheet_path, document, svg_path, html_path, pdf_path;
  bool json = false, analysis = false, cores = false;
  std::vector<std::pair<kel::CheckOption, std::string>> check_options;
  char separator = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    // The engineering check's options, each over the document's own.
    if (const std::optional<kel::CheckOption> check_option = kel::CheckOptionOfFlag(arg)) {
      std::string text;
      if (!value(text)) return Fail(arg + " attend une valeur\n" + kUsage);
      if (const std::string problem = kel::OptionProblem(*check_option, text); !problem.empty()) {
        return Fail(arg + " : " + problem + "\n" + kUsage);
      }
      check_options.emplace_back(*check_option, text);
    } else if (arg == "--svg" || arg == "--html" || arg == "--report") {
      std::string& path = arg == "--svg" ? svg_path : arg == "--html" ? html_path : pdf_path;
      if (!value(path)) return Fail(arg + " attend un fichier\n" + kUsage);
    } else if (arg == "--analysis") {
      analysis = true;
    } else if (arg == "--cores") {
      cores = true;
    } else if (arg == "--json") {
      json = true;
    } else if (arg == "--catalogue") {
      if (!value(catalogue)) return Fail("--catalogue attend un fichier\n" + std::string(kUsage));
    } else if (arg == "--sheet") {
      if (!value(sheet_path)) return Fail("--sheet attend un fichier\n" + std::string(kUsage));
    } else if (arg == "--decimal-separator") {
      std::string sep;
      if (!value(sep) || sep.size() != 1) {
        return Fail("--decimal-separator attend un caractère, par exemple , ou .\n" +
                    std::string(kUsage));
      }
      separator = sep[0];
    } else if (arg == "-h" || arg == "--help") {
      std::cout << kUsage << kHelp;
      return 0;
    } else if (arg == "--version") {
      std::cout << kel::VersionNotice("kelvanor-calc");
      return 0;
    } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
      return Fail("option inconnue : " + arg + "\n" + kUsage);
    } else if (document.empty()) {
      document = arg;
    } else {
      return Fail("un seul document à la fois\n" + std::string(kUsage));
    }
  }
  if (document.empty()) return Fail(std::string("document manquant\n") + kUsage);
  const bool drawn = !svg_path.empty() || !html_path.empty() || !pdf_path.empty();
  if (!check_options.empty() && !analysis && !drawn && !cores) {
    return Fail(std::string("les options de vérification vont avec --analysis\n") + kUsage);
  }
  if (separator == 0) separator = kel::LocaleDecimalSeparator();

  kel::BatchPlatform platform("kelvanor-calc");
  if (const std::string problem = DocumentProblem(document); !problem.empty()) return Fail(problem);

  const std::string exe = platform.ExecutablePath();
  if (catalogue.empty()) catalogue = kel::DefaultCataloguePath(exe);
  if (const std::string problem = CatalogueProblem(catalogue); !problem.empty()) {
    return Fail(problem);
  }

  const std::string document_path = std::filesystem::absolute(document).string();
  // The sheet is deleted before it is written: naming the document would destroy it.
  if (!sheet_path.empty() && kel::IsSameFile(sheet_path, document_path)) {
    return Fail("--sheet désigne le document lui-même : " + sheet_path + "\n" + kUsage);
  }

  kel::MainForm form(platform, {separator, /*write_settings=*/false});
  form.SetSettingsPath(kel::ToolSettingsPath(exe));
  form.SetDataBasePath(catalogue);
  if (!form.LoadDocument(document_path)) return Fail("document illisible : " + document);

  // Like the window's sheet, the file holds only this run's entries.
  if (!sheet_path.empty() && kel::FileExists(sheet_path)) kel::RemoveFile(sheet_path, 1);
  if (!sheet_path.empty() &&
      !kel::WriteManufacturingSheet(sheet_path, form.Sheet(), form.DocPath(), kel::IniFileOps{})) {
    return Fail("impossible d'écrire la fiche " + sheet_path);
  }
  if (cores) {
    // The check's options as --analysis takes them: the document's, then the flags.
    const kel::CoreSearchResult search =
        kel::SearchFormCores(form, kel::CheckFormWith(form, check_options).options);
    if (search.catalogue_failed) return Fail(search.none);
    std::cout << (json ? kel::CoreTableJson(search) : kel::CoreTableText(search, separator));
    return platform.record.messages.empty() ? 0 : 1;
  }
  std::string report = json ? kel::JsonReport(form.Sheet(), platform.record)
                            : kel::TextReport(form.Sheet(), platform.record);
  if (analysis || drawn) {
    const kel::DesignSheet& sheet = form.Sheet();
    const kel::DesignCheck check = kel::CheckFormWith(form, check_options);
    if (analysis) {
      const kel::CoreSearchResult search = kel::SearchFormCores(form, check.options);
      if (json) {
        std::string object = kel::CheckJson(check);
        object.insert(object.rfind('}'), ", " + kel::AdvisedCoreJson(search));
        report.erase(report.rfind('}'));
        report += ", \"analysis\": " + object + "}\n";
      } else {
        report += "\n" + kel::CheckTextSection(check, separator) +
                  kel::AdvisedCoreText(search, separator) + "\n";
      }
    }
    if (!svg_path.empty()) {
      if (!check.result)
        return Fail("pas de dessin : " + std::string(kel::TermOf(check.none).text));
      std::ofstream out(svg_path, std::ios::binary);
      if (!(out << kel::WindingWindowSvg(*check.result, separator))) {
        return Fail("impossible d'écrire " + svg_path);
      }
    }
    if (!html_path.empty()) {
      kel::ReportInput input{&sheet,
                             &check,
                             form.DocPath(),
                             kel::TodayText(),
                             kel::ManufacturingSheetLines(sheet, form.DocPath()),
                             separator};
      std::ofstream out(html_path, std::ios::binary);
      if (!(out << kel::HtmlReport(input, kel::DrawingAs::InlineSvg))) {
        return Fail("impossible d'écrire " + html_path);
      }
    }
    if (!pdf_path.empty()) {
      std::vector<std::string> args = {"--catalogue", form.DataBasePath(), "--decimal-separator",
                                       std::string(1, separator)};
      for (const auto& [option, text] : check_options) {
        for (const auto& [name, known] : kel::kCheckOptionFlags) {
          if (known == option) args.insert(args.end(), {name, text});
        }
      }
      args.insert(args.end(), {"--pdf", pdf_path, document});
      const int status = RunReportTool(exe, args);
      if (status == -1) return Fail("kelvanor-report introuvable à côté de kelvanor-calc");
      if (status != 0) return Fail("le rapport " + pdf_path + " n'a pas pu être écrit");
    }
  }
  std::cout << report;
  return platform.record.messages.empty() ? 0 : 1;
}
