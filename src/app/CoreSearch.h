#pragma once
// The core that fits ("Noyau conseillé"): every core of the catalogue imposed in turn on a copy of
// the design, as a double-click in the core list imposes it, and checked with the design's
// options as the workshop winds it (each secondary with its turns to wind). The advised core is
// the lightest (catalogue order on a tie) whose design as wound is judged ok (check/Verdict.h:
// complete, its turns stand, its fill "ok", not too hot): imposed, it gives a winding sheet
// without an alarm. The design is never touched.
//
// A core that fails on the calculation's turns is not wound again when no secondary's turns to
// wind are fewer: more turns of the same wire fill the window more and heat the copper more, so
// it fails as wound too. Its figures are then those of the calculation's turns.
//
// The catalogue is read once per search, in one query; each core then costs one run of the chain
// and one check, with no catalogue work, so that the search grows with the catalogue and no
// faster.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/DesignService.h"
#include "catalogue/Catalogue.h"
#include "check/DesignCheck.h"
#include "check/Verdict.h"
#include "design/Chain.h"

namespace kel {

// Past these a figure has run away and is no figure to compare cores by, whatever the verdict.
inline constexpr double kRunawayFillPct = 1000;
inline constexpr double kRunawayTemperatureC = 1000;  // copper melts at 1085 °C

// One core of the catalogue, checked with the design.
struct CoreFigures {
  std::string name;
  std::optional<double> mass_kg;  // none when the catalogue gives no number
  std::optional<double> fill_pct, copper_temperature_c, efficiency_pct;  // none without a check
  // The design as wound on this core (JudgeDesign), or on the calculation's turns when winding
  // them could not help (see above).
  Verdict verdict = Verdict::Incomplete;
  std::string none;  // why there is no check, as the check says it; empty when there is one
  // The idle verdict at +10 % mains and I0 there in % of the core's own I1n: shown, never a
  // reason to leave a core out (at a design's induction every core saturates alike).
  std::optional<NoLoadVerdict> no_load_verdict;
  std::optional<double> no_load_current_pct;
};

struct CoreSearchResult {
  std::vector<CoreFigures> cores;      // in catalogue order
  std::optional<std::size_t> advised;  // into cores
  std::string none;                    // no core advised: why, in French
  bool catalogue_failed = false;       // the catalogue could not be read: none says so
};

// The cores a double-click can impose, in catalogue order: each row with a reference, the first
// of those sharing one (a double-click on it finds that one). failure: a French message when the
// catalogue could not be read to its end; the rows are then of no use.
struct CatalogueCores {
  std::vector<CoreRow> rows;
  std::string failure;
};
// One query, under the catalogue's own limits. A stop request ends the reading early, with the
// failure empty and no rows.
CatalogueCores ReadCatalogueCores(CatalogueHandle& db, const std::atomic<bool>* stop = nullptr);

// The session's catalogue opened for one search, never asked for (the recalculation has asked);
// null with failure set when there is none to read.
std::unique_ptr<CatalogueHandle> OpenForSearch(CatalogueSession& session, Platform& platform,
                                               std::string& failure);

// The rectified secondaries solved once on the design's own core: the search judges every core
// on their rms winding currents and EMFs (the model's), not on the AC amps typed. Empty without
// a rectified secondary.
std::vector<RectifierRow> RectifiedForSearch(const DesignSheet& design,
                                             const CheckOptions& options);

// One core imposed on a copy of design and checked; rectified: RectifiedForSearch's.
CoreFigures CheckCore(const DesignSheet& design, const CoreRow& row, const CheckOptions& options,
                      char decimal_separator, const std::vector<RectifierRow>* rectified = nullptr);

// The advised core among cores already checked, and why none when there is none.
void Advise(CoreSearchResult& result);

// The whole search over rows at once.
CoreSearchResult SearchCores(const DesignSheet& design, const std::vector<CoreRow>& rows,
                             const CheckOptions& options, char decimal_separator);

// The search of the design as its last recalculation left it, reading the catalogue through the
// design's session, on the caller's thread. A catalogue that cannot be read gives no core and its
// message.
CoreSearchResult SearchDesignCores(DesignService& design, const CheckOptions& options);

// "Noyau conseillé : EI75/25 — 0,69 kg, remplissage 89 %, 69 °C", or why there is none.
std::string AdvisedCoreText(const CoreSearchResult& result, char decimal_separator);

// The table of every core ("Noyau", "Masse (kg)", ...), one line of texts per core.
inline constexpr const char* kCoreColumns[] = {"Noyau",       "Masse (kg)",    "Remplissage (%)",
                                               "Cuivre (°C)", "Rendement (%)", "Verdict",
                                               "À vide",      "I0 à 110 % (%)"};
std::vector<std::string> CoreCells(const CoreFigures& core, char decimal_separator);

// What marks a core in the window's table: "en service" (the core the design uses now, as the
// core list names it), "conseillé", both, or nothing.
std::string CoreMark(const CoreSearchResult& result, std::size_t core, const std::string& in_use);

// The command line's forms: the "advised_core" value (an object, or null followed by its
// "advised_core_reason"), the text table and {"cores": [...]}.
std::string AdvisedCoreJson(const CoreSearchResult& result);
std::string CoreTableText(const CoreSearchResult& result, char decimal_separator);
std::string CoreTableJson(const CoreSearchResult& result);

// The search as the "Vérification" window runs it: on a worker thread over a copy of the design
// and a catalogue handle of its own, so that no catalogue, however large, holds the window up.
// A new design drops the search under way and starts another.
class CoreSearchRunner {
 public:
  CoreSearchRunner() = default;
  CoreSearchRunner(const CoreSearchRunner&) = delete;
  CoreSearchRunner& operator=(const CoreSearchRunner&) = delete;
  ~CoreSearchRunner() { Stop(); }

  // Searches for the design unless the search under way or done is for the same design, options
  // and catalogue; then waits up to wait for the result.
  void Follow(DesignService& design, const CheckOptions& options, std::chrono::milliseconds wait);
  void Stop();

  struct State {
    bool running = false;
    std::size_t done = 0, total = 0;  // cores checked so far; total is 0 while reading
    std::shared_ptr<const CoreSearchResult> result;  // once done
  };
  State Poll() const;
  // The advised core's line, or how far the search has got.
  static std::string StatusText(const State& state, char decimal_separator);

 private:
  void Run(std::unique_ptr<CatalogueHandle> db, const DesignSheet& design,
           const CheckOptions& options, char separator);

  std::string key_;
  CheckOptions options_;
  std::thread worker_;
  std::atomic<bool> stop_{false};
  std::atomic<std::size_t> done_{0}, total_{0};
  mutable std::mutex mutex_;
  std::condition_variable finished_;
  bool running_ = false;
  std::shared_ptr<const CoreSearchResult> result_;
};

}  // namespace kel
