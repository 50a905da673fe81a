#pragma once
// The command line of kelvanor-calc and kelvanor-report: one description of every flag, one
// parser, one set of messages, and the checks both tools make before they calculate anything.
// No Qt here: kelvanor-calc links it too.

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <map>

#include "check/CheckOptions.h"

namespace kel::cli {

enum class Tool { Calc, Report };

// What one run is asked to do.
struct Job {
  std::string document;
  std::string catalogue;  // empty: the one of the settings, else the bundled one
  char separator = 0;     // 0: the locale's
  bool json = false;
  bool analysis = false;
  bool cores = false;  // the table of the catalogue's cores instead of the result
  std::string sheet, svg, html, pdf;
  std::vector<std::pair<CheckOption, std::string>> check_options;
  // --rectifier values, K:TYPE:VDC:IDC[:µF[:VD]], checked; each over the document's secondary K.
  std::vector<std::string> rectifiers;
  std::vector<int> centre_taps;                    // --centre-tap rows, marked over the document's
  std::vector<WindingOptionText> winding_options;  // over the document's, in its [VERIF] texts
};

// Puts the job's --rectifier values into a sheet's [VERIF] texts, in the order given, and marks
// its --centre-tap secondaries.
void ApplyRectifiers(const Job& job, std::map<std::string, std::string>& texts);

// The job's per-winding options set in the design's [VERIF] texts, as the window would set them.
void ApplyWindingOptions(const Job& job, std::map<std::string, std::string>& verif_texts);

enum class Request { Run, Help, Version, Error };

struct Parsed {
  Request request = Request::Run;
  Job job;
  std::string error;  // with Request::Error: the message, without the program's name
};

// Reads args (argv without the program's name). locale_separator is the separator a run without
// --decimal-separator uses; the messages name it as the default.
Parsed ParseCommandLine(Tool tool, const std::vector<std::string>& args, char locale_separator);

// "usage : ..." on one line, and the whole --help text; both from the flag table.
std::string UsageLine(Tool tool);
std::string HelpText(Tool tool, char locale_separator);

// The program's name as its messages start.
const char* ToolName(Tool tool);

// Tells message on standard error after the program's name; the usage error's status, 2.
int Fail(Tool tool, const std::string& message);

// Answers a request that is not a run: help or version on standard output (status 0), an error
// with the usage line (status 2). None for a run.
std::optional<int> AnswerRequest(Tool tool, const Parsed& parsed, char locale_separator);

// The reason a file cannot be read as a design document (missing, not a file, over the size
// limit, not text, no design entry), or the empty text.
std::string DocumentProblem(const std::string& path);

// The reason a catalogue cannot serve, or the empty text.
std::string CatalogueProblem(const std::string& path);

// The first output of job that would replace one of protected (the document, its catalogue, the
// settings), compared as files (device and inode, links followed), or a folder; the message, or
// the empty text.
std::string OutputProblem(Tool tool, const Job& job,
                          const std::vector<std::string>& protected_files);

// The first max_chars characters of text in « », with "…" when it was longer.
std::string QuotedPrefix(const std::string& text, std::size_t max_chars = 60);

}  // namespace kel::cli
