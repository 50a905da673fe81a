#pragma once
// The "Vérification" window's glue to the form, without a toolkit: it checks the design as the
// form's recalculations leave it and edits the check's options, which belong to the design. What
// the window shows of the check is made in report/CheckView.h.

#include <string>
#include <utility>
#include <vector>

#include "app/CoreSearch.h"
#include "app/MainForm.h"
#include "check/DesignCheck.h"
#include "report/HtmlReport.h"

namespace kel {

// The check of the design as the form's last recalculation left it, with options given over the
// design's own (the command-line tools' flags); problems with any option text are kept in it.
DesignCheck CheckFormWith(const MainForm& form,
                          const std::vector<std::pair<CheckOption, std::string>>& overrides);

// What the sheet says when it has to advise another core and no search has answered for it.
inline constexpr const char* kAdviceNotComputed =
    "Noyau conseillé : non calculé, la recherche dans le catalogue a été interrompue.";

// The report's input for sheet, saved at doc_path (empty before it has a file), with check (which
// must outlive it). search is the core search of this design with the check's options, done
// already; the sheet gives its advice only when it has to advise another core (WantsAnotherCore),
// and says it was not computed when search is null. Nothing here searches the catalogue.
ReportInput DesignReportInput(const DesignSheet& sheet, const std::string& doc_path,
                              const DesignCheck& check, char decimal_separator,
                              const CoreSearchResult* search);
// The same for the form's design as its last recalculation left it.
ReportInput FormReportInput(const MainForm& form, const DesignCheck& check,
                            const CoreSearchResult* search);

// Said over the last good figures while the input is refused.
inline constexpr const char* kInputErrorKept =
    "Erreur de saisie : les chiffres sont ceux de la dernière saisie valable.";

class CheckPanel {
 public:
  CheckPanel(MainForm& form, char decimal_separator) : form_(form), separator_(decimal_separator) {}

  // Checks the design as the form's last recalculation left it, with its options.
  void Refresh();
  const DesignCheck& Check() const { return check_; }
  const MainForm& Form() const { return form_; }
  MainForm& Form() { return form_; }
  char DecimalSeparator() const { return separator_; }

  // The option's text for its field: the design's own, or the default's.
  std::string OptionText(CheckOption option) const;
  // An option changed in the window. When the design's stored text changes, the design is
  // marked modified (title included) and true is returned; the check is made again either way.
  bool SetOption(CheckOption option, const std::string& text);
  // The same for one winding's option (row 0 the primary); its text is empty where the check
  // chooses.
  std::string WindingText(WindingOption option, int row) const;
  bool SetWindingOption(WindingOption option, int row, const std::string& text);
  // Whether secondary row (1 to 4) is wound "à point milieu", and marking it so or not.
  bool CentreTapped(int row) const;
  // Marked by its rectifier ("point-milieu"), which the box cannot undo.
  bool CentreTapOfRectifier(int row) const;
  bool SetCentreTapped(int row, bool tapped);

  // The core search of the design, the form's (MainForm::CoreSearch): started or kept by Refresh,
  // which waits for it about as long as a user does not notice; past that it goes on in the
  // background.
  CoreSearchRunner::State Search() const { return form_.CoreSearch().Poll(); }
  // The core the design now uses, as the core list names it; empty when there is none.
  std::string CoreInUse() const;

 private:
  // After an option's text was set: marks the design modified when it changed, checks again.
  bool Changed(bool changed);

  MainForm& form_;
  char separator_;
  DesignCheck check_;
  std::string checked_path_;  // the document check_ is of
};

}  // namespace kel
