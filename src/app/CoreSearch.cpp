#include "app/CoreSearch.h"

#include <algorithm>
#include <unordered_set>

#include "app/BatchPlatform.h"
#include "check/CheckTerms.h"
#include "check/NoLoadFigures.h"
#include "util/OutputText.h"
#include "util/Text.h"

namespace kel {

namespace {

// Every row of the table, in the order the catalogue holds them.
constexpr const char* kQueryAllCores = "Select * from EI";
constexpr const char* kSearchFailed = "Recherche du noyau conseillé interrompue : ";
// How many rows are read between two looks at a stop request.
constexpr std::size_t kRowsBetweenStops = 1024;

std::optional<double> NumberOf(const FieldValue& value) {
  try {
    return FieldNumber(value);
  } catch (const FieldError&) {
    return std::nullopt;
  }
}

std::string Cell(const std::optional<double>& value, int decimals, char sep) {
  return value ? Fixed(*value, decimals, sep) : "–";
}

// "" for a core without idle figures.
std::string NoLoadVerdictText(const CoreFigures& core) {
  return core.no_load_verdict ? std::string(TermOf(*core.no_load_verdict).text) : "";
}

std::string JsonOf(const std::optional<double>& value) {
  return value ? JsonNumber(*value) : "null";
}

std::string CoreJson(const CoreFigures& core) {
  return "{\"name\": " + JsonString(core.name) + ", \"mass_kg\": " + JsonOf(core.mass_kg) +
         ", \"fill_pct\": " + JsonOf(core.fill_pct) +
         ", \"copper_temperature_c\": " + JsonOf(core.copper_temperature_c) +
         ", \"efficiency_pct\": " + JsonOf(core.efficiency_pct);
}

// What decides the outcome of a search besides the check's options: the inputs of the chain and
// the catalogue, the secondaries' rectifiers and centre taps, and with a rectifier the core in
// use. The chain's results follow from them.
std::string DesignKey(const DesignSheet& s, const std::string& catalogue) {
  constexpr char kSep = '\x1f';
  std::string key = catalogue + kSep + s.TxFreq + kSep + s.TxTesla + kSep + s.TxDCourant;
  for (int i = 0; i < kRows; ++i) {
    key += kSep + s.TxVolts[i] + kSep + s.TxAmps[i] + kSep +
           (s.DiaForced[i] ? s.TxDiaCu[i] : std::string("auto"));
  }
  bool rectified = false;
  for (const std::string& name : AllRectifierKeys()) {
    const auto found = s.VerifOptions.find(name);
    const bool given = found != s.VerifOptions.end();
    rectified = rectified || (given && !found->second.empty());
    key += kSep + (given ? found->second : std::string());
  }
  // The rectifiers are solved once on the design's own core, and every core judged on that.
  if (rectified) key += kSep + (s.Core ? s.Core->ref : std::string());
  return key;
}

}  // namespace

CatalogueCores ReadCatalogueCores(CatalogueHandle& db, const std::atomic<bool>* stop) {
  CatalogueCores cores;
  EngineError error;
  std::unique_ptr<Recordset> rows = db.Query(kQueryAllCores, error);
  if (!rows) {
    cores.failure = kSearchFailed + error.description;
    return cores;
  }
  // Folded as the catalogue compares references: a double-click finds the first of a name.
  std::unordered_set<std::string> seen;
  std::size_t kept_bytes = 0;
  try {
    for (std::size_t n = 1; !rows->AtEnd(); rows->MoveNext(), ++n) {
      if (stop != nullptr && n % kRowsBetweenStops == 0 && stop->load()) return {};
      CoreRow row = ReadCoreRow(*rows);
      // A core without a reference is not in the core list: nothing can impose it.
      if (!IsPickableRef(row[CoreColumn::Ref])) continue;
      std::string name;
      try {
        name = FieldText(row[CoreColumn::Ref], '.');
      } catch (const FieldError&) {
        continue;  // a reference no label can show
      }
      if (!seen.insert(FoldReference(name)).second) continue;
      for (const FieldValue& value : row.values) kept_bytes += value.text.size();
      cores.rows.push_back(std::move(row));
      if (cores.rows.size() > kKeptRowsLimit || kept_bytes > kKeptBytesLimit) {
        cores.rows.clear();
        cores.failure = kSearchFailed + ("le catalogue compte " + KeptRowsLimitText() + ".");
        return cores;
      }
    }
  } catch (const CatalogueError& e) {
    // A damaged page or a limit reached half-way: a search over part of the catalogue would
    // advise a core that is not the lightest.
    cores.rows.clear();
    cores.failure = kSearchFailed + e.error().description;
  }
  return cores;
}

std::unique_ptr<CatalogueHandle> OpenForSearch(CatalogueSession& session, Platform& platform,
                                               std::string& failure) {
  // The recalculation has asked for a catalogue already; the search does not ask again.
  if (session.DataBasePath.empty()) {
    failure = std::string(kSearchFailed) + "aucun catalogue.";
    return nullptr;
  }
  if (OpenCatalogue(session, platform, "") != OpenOutcome::Opened) {
    failure = kSearchFailed + ("le catalogue " + session.DataBasePath + " ne peut pas être lu.");
    return nullptr;
  }
  // The recalculation opens its own handle at every run: this one is the search's alone.
  return std::move(session.CatalogueDb);
}

std::vector<RectifierRow> RectifiedForSearch(const DesignSheet& design,
                                             const CheckOptions& options) {
  std::vector<std::string> unused;
  const std::vector<RectifierSetting> settings = RectifiersFromTexts(design.VerifOptions, unused);
  const std::optional<CoreRecord>& core = design.Core;
  if (settings.empty() || design.Outcome != ChainOutcome::Ran || !core) return {};
  // The check as the design's own, without the switch-on, which the model does not read.
  CheckInput input = CheckInputFromSheet(design, *core);
  input.full = false;
  CheckResult result = RunCheck(input, options);
  std::vector<RectifierRow> rows;
  RunRectifiedCheck(input, options, settings, result, rows);
  return rows;
}

CoreFigures CheckCore(const DesignSheet& design, const CoreRow& row, const CheckOptions& options,
                      char decimal_separator, const std::vector<RectifierRow>* rectified) {
  CoreFigures figures;
  try {
    figures.name = FieldText(row[CoreColumn::Ref], decimal_separator);
  } catch (const FieldError&) {
    return figures;
  }
  figures.mass_kg = NumberOf(row[CoreColumn::MasseFer]);

  // A double-click on the core in the list, on a copy of the design.
  DesignSheet sheet = design;
  sheet.CoreForced = true;
  sheet.TxNoyau = figures.name;
  sheet.TxNoyauColour = TextColour::Red;
  sheet.LbNoyauColour = TextColour::Red;
  BatchPlatform platform("kelvanor");
  CatalogueSession unused;
  ChainEnvironment environment{platform, unused, decimal_separator, {}, {}, {}};
  Chain(sheet, environment).ComputeWWithCore(row);

  // The check reads the core the chain has left on the sheet, as the window's check does.
  DesignCheck check = CheckDesign(sheet, options, false, rectified);
  if (check.result) {
    const CheckResult& first = *check.result;
    const bool fewer = std::any_of(first.windings.begin(), first.windings.end(), [](const auto& w) {
      return w.input.row != 0 && w.turns_to_wind && *w.turns_to_wind < w.input.turns;
    });
    if (JudgeResult(first) == Verdict::Ok || fewer) {
      CheckInput input = CheckInputFromSheet(sheet, *sheet.Core);
      // Judged as the calculation's turns were: without the switch-on, which decides nothing here
      // and costs a simulation per core.
      input.full = false;
      if (rectified) ApplyRectifiedRows(*rectified, input);
      check.as_wound = RunCheckAsWound(input, check.options, first);
      figures.verdict = JudgeDesign(check);
    } else {
      figures.verdict = JudgeResult(first);
    }
    // A rectified output counts as the DC it gives, as the window's check counts it.
    if (rectified) {
      CountRectifiedOutput(*rectified, check.as_wound ? *check.as_wound : *check.result);
    }
    const CheckResult& r = WoundResult(check);
    // A fill or a temperature that ran away, and the efficiency of a core that delivers nothing,
    // are no figures to compare cores by.
    if (r.fill_pct && *r.fill_pct <= kRunawayFillPct) figures.fill_pct = r.fill_pct;
    if (r.converged && r.copper_temperature_c && *r.copper_temperature_c <= kRunawayTemperatureC) {
      figures.copper_temperature_c = r.copper_temperature_c;
    }
    if (r.converged && r.output_w > 0.0) figures.efficiency_pct = r.efficiency_pct;
    if (r.no_load) {
      figures.no_load_verdict = r.no_load->verdict;
      figures.no_load_current_pct = r.no_load->at[kHighMainsIndex].current_pct;
    }
  } else {
    figures.none = TermOf(check.none).text;
  }
  return figures;
}

void Advise(CoreSearchResult& result) {
  result.advised.reset();
  result.none.clear();
  const std::vector<CoreFigures>& cores = result.cores;
  for (std::size_t i = 0; i < cores.size(); ++i) {
    if (cores[i].verdict != Verdict::Ok || !cores[i].mass_kg) continue;
    // Strictly lighter: of two cores of the same mass the first in the catalogue stays.
    if (!result.advised || *cores[i].mass_kg < *cores[*result.advised].mass_kg) {
      result.advised = i;
    }
  }
  if (result.advised) return;
  if (cores.empty()) {
    result.none = "le catalogue ne contient aucun noyau";
    return;
  }
  // The same reason for every core (no power, an input error): the design's, said as the check
  // says it.
  const std::string& first = cores.front().none;
  if (!first.empty() && std::all_of(cores.begin(), cores.end(),
                                    [&first](const auto& core) { return core.none == first; })) {
    result.none = first;
    return;
  }
  result.none = "aucun noyau ne convient";
  const char* separator = " : ";
  for (const Verdict verdict :
       {Verdict::Incomplete, Verdict::TooSmall, Verdict::Unreachable, Verdict::Unsettled,
        Verdict::Overfull, Verdict::Tight, Verdict::TooHot}) {
    const auto count = std::count_if(cores.begin(), cores.end(), [verdict](const auto& core) {
      return core.verdict == verdict;
    });
    if (count == 0) continue;
    result.none += separator + std::string(TermOf(verdict).text) + " " + std::to_string(count);
    separator = ", ";
  }
}

CoreSearchResult SearchCores(const DesignSheet& design, const std::vector<CoreRow>& rows,
                             const CheckOptions& options, char decimal_separator) {
  CoreSearchResult result;
  result.cores.reserve(rows.size());
  const std::vector<RectifierRow> rectified = RectifiedForSearch(design, options);
  for (const CoreRow& row : rows) {
    result.cores.push_back(CheckCore(design, row, options, decimal_separator, &rectified));
  }
  Advise(result);
  return result;
}

CoreSearchResult SearchDesignCores(DesignService& design, const CheckOptions& options) {
  CoreSearchResult result;
  std::unique_ptr<CatalogueHandle> db =
      OpenForSearch(design.Catalogue(), design.PlatformInUse(), result.none);
  if (!db) {
    result.catalogue_failed = true;
    return result;
  }
  const CatalogueCores cores = ReadCatalogueCores(*db);
  if (!cores.failure.empty()) {
    result.none = cores.failure;
    result.catalogue_failed = true;
    return result;
  }
  return SearchCores(design.Sheet(), cores.rows, options, design.DecimalSeparator());
}

std::string AdvisedCoreText(const CoreSearchResult& result, char sep) {
  if (!result.advised) return "Noyau conseillé : aucun — " + result.none;
  const CoreFigures& core = result.cores[*result.advised];
  return "Noyau conseillé : " + core.name + " — " + Cell(core.mass_kg, 2, sep) +
         " kg, remplissage " + Cell(core.fill_pct, 0, sep) + " %, " +
         Cell(core.copper_temperature_c, 0, sep) + " °C";
}

std::vector<std::string> CoreCells(const CoreFigures& core, char sep) {
  return {core.name,
          Cell(core.mass_kg, 3, sep),
          Cell(core.fill_pct, 1, sep),
          Cell(core.copper_temperature_c, 1, sep),
          Cell(core.efficiency_pct, 1, sep),
          std::string(TermOf(core.verdict).text),
          NoLoadVerdictText(core),
          Cell(core.no_load_current_pct, 0, sep)};
}

std::string CoreMark(const CoreSearchResult& result, std::size_t core, const std::string& in_use) {
  const bool used = !in_use.empty() && UpperCase(result.cores[core].name) == UpperCase(in_use);
  const bool advised = result.advised == core;
  return used && advised ? "en service, conseillé"
         : used          ? "en service"
         : advised       ? "conseillé"
                         : "";
}

std::string AdvisedCoreJson(const CoreSearchResult& result) {
  if (!result.advised) {
    return "\"advised_core\": null, \"advised_core_reason\": " + JsonString(result.none);
  }
  return "\"advised_core\": " + CoreJson(result.cores[*result.advised]) + "}";
}

std::string CoreTableText(const CoreSearchResult& result, char sep) {
  constexpr std::size_t kWidths[] = {14, 11, 16, 12, 14, 12, 12, 14};
  // Widths count characters, not the bytes of their UTF-8.
  const auto pad = [](const std::string& text, std::size_t width) {
    std::size_t shown = 0;
    for (const char c : text) shown += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return text + std::string(shown < width ? width - shown : 1, ' ');
  };
  std::string out = "  ";
  for (std::size_t c = 0; c < std::size(kCoreColumns); ++c) out += pad(kCoreColumns[c], kWidths[c]);
  out += "\n";
  for (std::size_t i = 0; i < result.cores.size(); ++i) {
    const std::vector<std::string> cells = CoreCells(result.cores[i], sep);
    out += result.advised == i ? "> " : "  ";
    // A catalogue's reference is shown to the terminal, never obeyed by it.
    for (std::size_t c = 0; c < cells.size(); ++c) out += pad(TerminalText(cells[c]), kWidths[c]);
    while (!out.empty() && out.back() == ' ') out.pop_back();
    out += "\n";
  }
  return out + "\n" + TerminalText(AdvisedCoreText(result, sep)) + "\n";
}

std::string CoreTableJson(const CoreSearchResult& result) {
  std::string out = "{\"cores\": [";
  for (std::size_t i = 0; i < result.cores.size(); ++i) {
    out += (i ? ", " : "") + CoreJson(result.cores[i]) +
           ", \"verdict\": " + JsonString(TermOf(result.cores[i].verdict).text) +
           ", \"no_load_verdict\": " + JsonString(NoLoadVerdictText(result.cores[i])) +
           ", \"no_load_current_pct\": " + JsonOf(result.cores[i].no_load_current_pct) + "}";
  }
  return out + "]}\n";
}

void CoreSearchRunner::Follow(DesignService& design, const CheckOptions& options,
                              std::chrono::milliseconds wait) {
  const std::string key = DesignKey(design.Sheet(), design.DataBasePath());
  if (key != key_ || !(options == options_)) {
    Stop();
    key_ = key;
    options_ = options;
    std::string failure;
    std::unique_ptr<CatalogueHandle> db =
        OpenForSearch(design.Catalogue(), design.PlatformInUse(), failure);
    std::unique_lock lock(mutex_);
    result_.reset();
    if (!db) {
      auto none = std::make_shared<CoreSearchResult>();
      none->none = failure;
      none->catalogue_failed = true;
      result_ = std::move(none);
      return;
    }
    stop_ = false;
    done_ = 0;
    total_ = 0;
    running_ = true;
    worker_ = std::thread(&CoreSearchRunner::Run, this, std::move(db), design.Sheet(), options,
                          design.DecimalSeparator());
  }
  std::unique_lock lock(mutex_);
  finished_.wait_for(lock, wait, [this] { return !running_; });
}

std::string CoreSearchRunner::StatusText(const State& state, char sep) {
  if (state.result) return AdvisedCoreText(*state.result, sep);
  if (!state.running) return "";
  if (state.total == 0) return "Noyau conseillé : lecture du catalogue…";
  return "Noyau conseillé : recherche en cours, " + std::to_string(state.done) + " noyaux sur " +
         std::to_string(state.total);
}

void CoreSearchRunner::Stop() {
  stop_ = true;
  if (worker_.joinable()) worker_.join();
  const std::lock_guard lock(mutex_);
  running_ = false;
  key_.clear();
}

CoreSearchRunner::State CoreSearchRunner::Poll() const {
  const std::lock_guard lock(mutex_);
  return {running_, done_.load(), total_.load(), result_};
}

// The thread holds its own copies of the design and the options; these refer to them.
void CoreSearchRunner::Run(std::unique_ptr<CatalogueHandle> db, const DesignSheet& design,
                           const CheckOptions& options, char separator) {
  CoreSearchResult result;
  CatalogueCores cores = ReadCatalogueCores(*db, &stop_);
  db.reset();
  if (!cores.failure.empty()) {
    result.none = cores.failure;
    result.catalogue_failed = true;
  } else {
    total_ = cores.rows.size();
    result.cores.reserve(cores.rows.size());
    const std::vector<RectifierRow> rectified = RectifiedForSearch(design, options);
    for (const CoreRow& row : cores.rows) {
      if (stop_) break;
      result.cores.push_back(CheckCore(design, row, options, separator, &rectified));
      ++done_;
    }
    Advise(result);
  }
  const std::lock_guard lock(mutex_);
  running_ = false;
  if (!stop_) result_ = std::make_shared<const CoreSearchResult>(std::move(result));
  finished_.notify_all();
}

}  // namespace kel
