// kelvanor-calc: the design calculation on the command line, for scripts and batch work.

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/BatchPlatform.h"
#include "app/CheckPanel.h"
#include "app/CoreSearch.h"
#include "app/DesignService.h"
#include "catalogue/Catalogue.h"
#include "cli/CommandLine.h"
#include "documents/DesignDocument.h"
#include "documents/Ini.h"
#include "documents/Settings.h"
#include "report/ChainReport.h"
#include "report/CheckText.h"
#include "report/HtmlReport.h"
#include "report/WindingSvg.h"
#include "util/AtomicFile.h"
#include "util/NumberText.h"
#include "util/OutputText.h"
#include "util/Paths.h"

namespace {

using kel::cli::Tool;

// How long kelvanor-report may take: a report takes a second or two, so a tool still running
// after this is hanging. KELVANOR_REPORT_TIMEOUT (seconds) shortens it for the tests.
constexpr int kReportSeconds = 60;

// The wait, or nothing when KELVANOR_REPORT_TIMEOUT holds no whole number of seconds between 1
// and a day: 4294967297 must not wrap to 1, nor "5s" pass for 5.
std::optional<int> ReportSeconds() {
  const char* text = std::getenv("KELVANOR_REPORT_TIMEOUT");
  if (text == nullptr || *text == '\0') return kReportSeconds;
  char* end = nullptr;
  errno = 0;
  const long long seconds = std::strtoll(text, &end, 10);
  if (errno != 0 || *end != '\0' || seconds < 1 || seconds > 24 * 3600) return std::nullopt;
  return static_cast<int>(seconds);
}

int Fail(const std::string& message) {
  return kel::cli::Fail(Tool::Calc, message);
}

// True when path holds a whole PDF: its header, and the end-of-file marker in its last bytes.
bool IsWholePdf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string head(5, '\0');
  if (!in.read(head.data(), 5) || head != "%PDF-") return false;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  const std::streamoff tail_size = std::min<std::streamoff>(size, 1024);
  std::string tail(static_cast<std::size_t>(tail_size), '\0');
  in.seekg(size - tail_size);
  return static_cast<bool>(in.read(tail.data(), tail_size)) &&
         tail.find("%%EOF") != std::string::npos;
}

// The PDF comes from kelvanor-report beside this program, so that this one never loads Qt. The
// tool is watched: it may be missing, broken, killed or hung, and only a whole new PDF in place
// counts as written. The empty text on success, else the message.
std::string RunReportTool(const std::string& exe, std::vector<std::string> args,
                          const std::string& pdf, int seconds) {
  const std::string tool = kel::FolderOf(exe) + "/kelvanor-report";
  args.insert(args.begin(), tool);
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const std::optional<kel::FileStamp> before = kel::StampOf(pdf);
  pid_t pid = 0;
  if (const int error = posix_spawn(&pid, tool.c_str(), nullptr, nullptr, argv.data(), environ);
      error != 0) {
    return error == ENOENT
               ? "kelvanor-report introuvable : " + tool
               : "kelvanor-report non exécutable : " + tool + " (" + std::strerror(error) + ")";
  }
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  pid_t done = 0;
  while ((done = waitpid(pid, &status, WNOHANG)) == 0 || (done < 0 && errno == EINTR)) {
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return "kelvanor-report ne répond plus après " + std::to_string(seconds) +
             " s : arrêté, le rapport " + pdf + " n'est pas écrit";
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (done != pid) return "kelvanor-report perdu de vue : le rapport " + pdf + " n'est pas sûr";
  if (WIFSIGNALED(status)) {
    return "kelvanor-report s'est arrêté sur un signal (" + std::to_string(WTERMSIG(status)) +
           ", " + strsignal(WTERMSIG(status)) + ") : le rapport " + pdf + " n'est pas écrit";
  }
  if (WEXITSTATUS(status) != 0) {
    return "kelvanor-report a échoué (statut " + std::to_string(WEXITSTATUS(status)) +
           ") : le rapport " + pdf + " n'est pas écrit";
  }
  const std::optional<kel::FileStamp> after = kel::StampOf(pdf);
  if (!after || after == before) return "kelvanor-report n'a rien écrit : " + pdf;
  if (!IsWholePdf(pdf)) return "kelvanor-report a laissé un PDF incomplet : " + pdf;
  return "";
}

// content in place of path, whole or not at all.
bool WriteOutput(const std::string& path, const std::string& content, std::string& problem) {
  std::string error;
  if (kel::ReplaceFileWith(path, content, error)) return true;
  problem = "impossible d'écrire " + path + " (" + error + ")";
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  const char locale_separator = kel::LocaleDecimalSeparator();
  const kel::cli::Parsed parsed = kel::cli::ParseCommandLine(
      Tool::Calc, std::vector<std::string>(argv + 1, argv + argc), locale_separator);
  if (const std::optional<int> status =
          kel::cli::AnswerRequest(Tool::Calc, parsed, locale_separator)) {
    return *status;
  }
  kel::cli::Job job = parsed.job;
  const char separator = job.separator ? job.separator : locale_separator;
  const bool drawn = !job.svg.empty() || !job.html.empty() || !job.pdf.empty();

  kel::BatchPlatform platform("kelvanor-calc");
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
          kel::cli::OutputProblem(Tool::Calc, job, {document_path, job.catalogue, settings});
      !problem.empty()) {
    return Fail(problem);
  }

  const std::optional<int> report_seconds = ReportSeconds();
  if (!job.pdf.empty() && !report_seconds) {
    const char* given = std::getenv("KELVANOR_REPORT_TIMEOUT");
    return Fail("KELVANOR_REPORT_TIMEOUT « " + std::string(given ? given : "").substr(0, 60) +
                " » refusé : un nombre entier de secondes de 1 à 86400 attendu, par défaut " +
                std::to_string(kReportSeconds) + " ; rien n'est calculé ni écrit.");
  }

  kel::DesignService design(platform, separator);
  design.SetDataBasePath(job.catalogue);
  if (!design.Load(document_path)) return Fail("document illisible : " + job.document);
  // The rectified secondaries asked for here, over the document's: only the check reads them.
  kel::cli::ApplyRectifiers(job, design.Sheet().VerifOptions);
  kel::cli::ApplyWindingOptions(job, design.Sheet().VerifOptions);

  // Like the window's sheet, the file holds only this run's entries.
  if (!job.sheet.empty() &&
      !kel::WriteManufacturingSheet(job.sheet, design.Sheet(), document_path, kel::IniFileOps{})) {
    return Fail("impossible d'écrire la fiche " + job.sheet);
  }
  std::string report;
  // One search for the table, the analysis and the sheet, made only when one of them needs it.
  std::optional<kel::CoreSearchResult> search;
  if (job.cores) {
    // The check's options as --analysis takes them: the document's, then the flags.
    search = kel::SearchDesignCores(design, design.Check(job.check_options).options);
    if (search->catalogue_failed) return Fail(search->none);
    // The table instead of the result; the drawing and the reports asked are written all the same.
    report = job.json ? kel::CoreTableJson(*search) : kel::CoreTableText(*search, separator);
  } else {
    report = job.json ? kel::JsonReport(design.Sheet(), platform.record)
                      : kel::TextReport(design.Sheet(), platform.record);
  }
  if (job.analysis || drawn) {
    const kel::DesignCheck check = design.Check(job.check_options);
    if (!search && (job.analysis || (!job.html.empty() && kel::WantsAnotherCore(check)))) {
      search = kel::SearchDesignCores(design, check.options);
    }
    if (job.analysis) {
      if (job.json) {
        std::string object = kel::CheckJson(check);
        object.insert(object.rfind('}'), ", " + kel::AdvisedCoreJson(*search));
        report.erase(report.rfind('}'));
        report += ", \"analysis\": " + object + "}\n";
      } else {
        report += "\n" + kel::CheckTextSection(check, separator) +
                  kel::TerminalText(kel::AdvisedCoreText(*search, separator)) + "\n";
      }
    }
    std::string problem;
    if (!job.svg.empty()) {
      if (!check.result)
        return Fail("pas de dessin : " + std::string(kel::TermOf(check.none).text));
      if (!WriteOutput(job.svg, kel::WindingWindowSvg(kel::WoundResult(check), separator),
                       problem)) {
        return Fail(problem);
      }
    }
    if (!job.html.empty()) {
      const kel::ReportInput input = kel::DesignReportInput(design.Sheet(), document_path, check,
                                                            separator, search ? &*search : nullptr);
      if (!WriteOutput(job.html, kel::HtmlReport(input, kel::DrawingAs::InlineSvg), problem)) {
        return Fail(problem);
      }
    }
    if (!job.pdf.empty()) {
      std::vector<std::string> args = {"--catalogue", design.DataBasePath(), "--decimal-separator",
                                       std::string(1, separator)};
      for (const auto& [option, text] : job.check_options) {
        args.insert(args.end(), {kel::SpecOf(option).flag, text});
      }
      for (const std::string& value : job.rectifiers) {
        args.insert(args.end(), {"--rectifier", value});
      }
      for (const int row : job.centre_taps) {
        args.insert(args.end(), {"--centre-tap", std::to_string(row)});
      }
      for (const kel::WindingOptionText& given : job.winding_options) {
        args.insert(args.end(),
                    {kel::SpecOf(given.option).flag, std::to_string(given.row) + ":" + given.text});
      }
      args.insert(args.end(), {"--pdf", job.pdf, document_path});
      if (const std::string failure = RunReportTool(exe, args, job.pdf, *report_seconds);
          !failure.empty()) {
        return Fail(failure);
      }
    }
  }
  // JSON escapes its own; a text may hold what a catalogue or a document put in it.
  std::cout << (job.json ? report : kel::TerminalText(report, true));
  return platform.record.messages.empty() ? 0 : 1;
}
