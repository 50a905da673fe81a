// kelvanor-report: the PDF report of a design, for kelvanor-calc --report and for scripts. It is a
// tool of its own so that kelvanor-calc never loads Qt: it runs the same calculation and check,
// then writes the report through Qt's PDF writer, without a display.

#include <QGuiApplication>
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "app/BatchPlatform.h"
#include "app/CheckPanel.h"
#include "app/MainForm.h"
#include "catalogue/Catalogue.h"
#include "documents/DesignDocument.h"
#include "documents/Ini.h"
#include "documents/Settings.h"
#include "report/HtmlReport.h"
#include "ui/PdfReport.h"
#include "util/NumberText.h"
#include "util/Paths.h"

namespace {

constexpr const char* kUsage =
    "usage : kelvanor-report [--catalogue FICHIER] [--decimal-separator SEP] [--grade 1|2] "
    "[--ambient °C] [--interlayer MM] [--wrap MM] [--steel NUANCE] [--building-factor F] "
    "[--stacking-factor F] [--insulation-class A|E|B|F|H] [--tape-layers N] [--tape-thickness MM] "
    "[--margin MM] [--chambers 1|2] [--partition MM] "
    "--pdf RAPPORT.pdf DOCUMENT\n";

int Fail(const std::string& message) {
  std::cerr << "kelvanor-report : " << message << "\n" << kUsage;
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  // No display is needed to write a PDF.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  std::string catalogue, pdf, document;
  char separator = 0;
  std::vector<std::pair<kel::CheckOption, std::string>> texts;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--catalogue" && has_value) {
      catalogue = argv[++i];
    } else if (arg == "--pdf" && has_value) {
      pdf = argv[++i];
    } else if (arg == "--decimal-separator" && has_value && std::string(argv[i + 1]).size() == 1) {
      separator = argv[++i][0];
    } else if (const auto option = kel::CheckOptionOfFlag(arg); option && has_value) {
      const std::string text = argv[++i];
      if (const std::string problem = kel::OptionProblem(*option, text); !problem.empty()) {
        return Fail(arg + " : " + problem);
      }
      texts.emplace_back(*option, text);
    } else if (!arg.empty() && arg[0] != '-' && document.empty()) {
      document = arg;
    } else {
      return Fail("argument inattendu : " + arg);
    }
  }
  if (document.empty() || pdf.empty()) return Fail("document ou --pdf manquant");
  if (separator == 0) separator = kel::LocaleDecimalSeparator();
  std::error_code error;
  if (!std::filesystem::is_regular_file(document, error)) {
    return Fail("document introuvable : " + document);
  }

  QGuiApplication app(argc, argv);
  kel::BatchPlatform platform("kelvanor-report");
  const std::string exe = platform.ExecutablePath();
  if (catalogue.empty()) catalogue = kel::DefaultCataloguePath(exe);

  kel::MainForm form(platform, {separator, /*write_settings=*/false});
  form.SetSettingsPath(kel::ToolSettingsPath(exe));
  form.SetDataBasePath(catalogue);
  form.LoadDocument(std::filesystem::absolute(document).string());

  const kel::DesignSheet& sheet = form.Sheet();
  const kel::DesignCheck check = kel::CheckFormWith(form, texts);

  kel::ReportInput input;
  input.sheet = &sheet;
  input.check = &check;
  input.doc_path = form.DocPath();
  input.date = kel::TodayText();
  input.sheet_lines = kel::ManufacturingSheetLines(sheet, form.DocPath());
  input.decimal_separator = separator;
  if (!kel::ui::WritePdfReport(pdf, input)) {
    std::cerr << "kelvanor-report : impossible d'écrire " << pdf << "\n";
    return 2;
  }
  return 0;
}
