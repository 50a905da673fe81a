#pragma once
// The recalculation chain: from the inputs on the design sheet to every result, in a
// fixed order. Steps write their results as display texts, and later steps read some of those
// texts back, so they work with the rounded values the user sees.

#include <functional>
#include <string>

#include "catalogue/Catalogue.h"
#include "design/DesignSheet.h"
#include "util/Platform.h"

namespace kel {

// What the chain needs beyond the sheet.
struct ChainEnvironment {
  Platform& platform;
  CatalogueSession& catalogue;
  char decimal_separator = ',';
  std::string program_folder;  // where the catalogue dialog opens
  // Stores the catalogue path in the settings; called on every core selection that has a path.
  std::function<void(const std::string&)> remember_catalogue_path;
  // Rebuilds the window title, with the modified mark when true.
  std::function<void(bool)> update_title;
};

class Chain {
 public:
  Chain(DesignSheet& sheet, ChainEnvironment& environment) : s_(sheet), env_(environment) {}

  // The whole recalculation. Shows "Erreur de saisie" itself on any input error and never lets
  // an error reach its caller (other than the program being ended from the query prompt).
  void ComputeW();
  // ComputeW with the core of row imposed, as a double-click on its reference gives it when the
  // catalogue returns this row, without any catalogue work. The sheet must have been computed
  // from the same inputs and catalogue: the lightest sufficient core (LbNoyauMin) depends on
  // them alone and is kept as it is.
  void ComputeWWithCore(const CoreRow& row);

  void ComputeKgFe(float watts);
  void ComputeCmFe(float volume);
  // Section of the chosen core in cm², 0 when none was chosen.
  float SelectCore();
  void ComputeTurns(float section);
  void ComputeLen(float section);
  void ComputeDia();
  void ComputeTotCu();

 private:
  std::string Format(double value, const char* mask) const;
  // Why winding i has no turn per layer, in the user's words.
  std::string NoLayerCause(int i) const;
  void ResetCore();
  void SelectFrom(const CoreRow& row, float& section);

  DesignSheet& s_;
  ChainEnvironment& env_;
  const CoreRow* imposed_ = nullptr;
};

// The induction after one step of the "+" or "-" button: b + step through "#.##".
std::string SteppedInduction(const std::string& tesla_text, double step, char decimal_separator);

}  // namespace kel
