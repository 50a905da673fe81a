#pragma once
// The "Vérification" window's logic without a toolkit: it follows the form's recalculations,
// turns the check into captions and figures with the user's decimal separator, and edits the
// check's options, which belong to the design. The Qt window only shows what this gives.

#include <string>
#include <vector>

#include "analysis/CoreSearch.h"
#include "analysis/DesignCheck.h"
#include "app/MainForm.h"

namespace kel {

// How a figure stands: shown in green, orange or red.
enum class Level { Plain, Good, Warn, Bad };

struct CheckView {
  std::string none;                   // not empty: there is no check, and this says why
  std::vector<std::string> problems;  // option texts that could not be used
  std::vector<std::string> windings;  // column captions: "Pri", "Sec 1" ...
  struct Line {
    std::string caption;             // with its unit: "Fil (mm)"
    std::vector<std::string> cells;  // one per winding, "" where it has no such figure
  };
  std::vector<Line> lines;    // per-winding figures
  std::vector<Line> overall;  // one cell each
  std::string fill;           // "7,66 mm sur 12 mm : 63,8 % (ok)"
  Level fill_level = Level::Plain;
  std::string thermal;  // "75,4 °C : classe A"
  Level thermal_level = Level::Plain;
};

// The view of a check: wire, layout, copper, voltages per winding; then the totals.
CheckView MakeCheckView(const DesignCheck& check, char decimal_separator);

// The check of the design as the form's last recalculation left it, with options given over the
// design's own (the command-line tools' flags); problems with any option text are kept in it.
DesignCheck CheckFormWith(const MainForm& form,
                          const std::vector<std::pair<CheckOption, std::string>>& overrides);

class CheckPanel {
 public:
  CheckPanel(MainForm& form, char decimal_separator) : form_(form), separator_(decimal_separator) {}

  // Checks the design as the form's last recalculation left it, with its options.
  void Refresh();
  const DesignCheck& Check() const { return check_; }
  const MainForm& Form() const { return form_; }
  MainForm& Form() { return form_; }
  CheckView View() const { return MakeCheckView(check_, separator_); }

  // The option's text for its field: the design's own, or the default's.
  std::string OptionText(CheckOption option) const;
  // An option changed in the window. When the design's stored text changes, the design is
  // marked modified (title included) and true is returned; the check is made again either way.
  bool SetOption(CheckOption option, const std::string& text);

  // The core search of the design: started or kept by Refresh, which waits for it about as long
  // as a user does not notice; past that it goes on in the background.
  CoreSearchRunner::State Search() const { return search_.Poll(); }
  // The core the design now uses, as the core list names it; empty when there is none.
  std::string CoreInUse() const;

 private:
  MainForm& form_;
  char separator_;
  CoreLookup cores_;
  DesignCheck check_;
  CoreSearchRunner search_;
};

}  // namespace kel
