// kelvanor-report: the PDF report of a design, for kelvanor-calc --report and for scripts. It is a
// tool of its own so that kelvanor-calc never loads Qt: it runs the same calculation and check,
// then writes the report through Qt's PDF writer, without a display.

#include <QGuiApplication>
#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/BatchPlatform.h"
#include "app/CheckPanel.h"
#include "app/CoreSearch.h"
#include "app/DesignService.h"
#include "catalogue/Catalogue.h"
#include "cli/CommandLine.h"
#include "documents/Ini.h"
#include "documents/Settings.h"
#include "report/HtmlReport.h"
#include "ui/PdfReport.h"
#include "util/NumberText.h"
#include "util/Paths.h"

namespace {

using kel::cli::Tool;

int Fail(const std::string& message) {
  return kel::cli::Fail(Tool::Report, message);
}

}  // namespace

int main(int argc, char** argv) {
  const char locale_separator = kel::LocaleDecimalSeparator();
  const kel::cli::Parsed parsed = kel::cli::ParseCommandLine(
      Tool::Report, std::vector<std::string>(argv + 1, argv + argc), locale_separator);
  if (const std::optional<int> status =
          kel::cli::AnswerRequest(Tool::Report, parsed, locale_separator)) {
    return *status;
  }
  kel::cli::Job job = parsed.job;
  const char separator = job.separator ? job.separator : locale_separator;

  kel::BatchPlatform platform("kelvanor-report");
  if (const std::string problem = kel::cli::DocumentProblem(job.document); !problem.empty()) {
    return Fail(problem);
  }
  const std::string exe = platform.ExecutablePath();
  if (job.catalogue.empty()) job.catalogue = kel::DefaultCataloguePath(exe);
  if (const std::string problem = kel::cli::CatalogueProblem(job.catalogue); !problem.empty()) {
    return Fail(problem);
  }
  const std::string settings = kel::ToolSettingsPath(exe);
  const std::string document_path = std::filesystem::absolute(job.document).string();
  if (const std::string problem =
          kel::cli::OutputProblem(Tool::Report, job, {document_path, job.catalogue, settings});
      !problem.empty()) {
    return Fail(problem);
  }

  // No display is needed to write a PDF.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  kel::DesignService design(platform, separator);
  design.SetDataBasePath(job.catalogue);
  if (!design.Load(document_path)) return Fail("document illisible : " + job.document);
  kel::cli::ApplyRectifiers(job, design.Sheet().VerifOptions);
  kel::cli::ApplyWindingOptions(job, design.Sheet().VerifOptions);

  const kel::DesignCheck check = design.Check(job.check_options);
  // No window waits on this thread: the search, when the sheet needs it, is made here.
  std::optional<kel::CoreSearchResult> search;
  if (kel::WantsAnotherCore(check)) search = kel::SearchDesignCores(design, check.options);
  const kel::ReportInput input = kel::DesignReportInput(design.Sheet(), document_path, check,
                                                        separator, search ? &*search : nullptr);
  std::string error;
  if (!kel::ui::WritePdfReport(job.pdf, input, &error)) {
    return Fail("impossible d'écrire " + job.pdf + " (" + error + ")");
  }
  return 0;
}
