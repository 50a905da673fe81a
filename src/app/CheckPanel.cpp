#include "app/CheckPanel.h"

#include <map>
#include <utility>

#include "documents/DesignDocument.h"

namespace kel {

namespace {
// Longer than this, a search goes on in the background with its progress shown.
constexpr std::chrono::milliseconds kSearchWait{100};
}  // namespace

DesignCheck CheckFormWith(const MainForm& form,
                          const std::vector<std::pair<CheckOption, std::string>>& overrides) {
  return form.Design().Check(overrides);
}

ReportInput DesignReportInput(const DesignSheet& sheet, const std::string& doc_path,
                              const DesignCheck& check, char decimal_separator,
                              const CoreSearchResult* search) {
  ReportInput input{&sheet,
                    &check,
                    doc_path,
                    TodayText(),
                    ManufacturingSheetLines(sheet, doc_path),
                    decimal_separator,
                    {}};
  if (WantsAnotherCore(check)) {
    input.advised_core = search ? AdvisedCoreText(*search, decimal_separator) : kAdviceNotComputed;
  }
  return input;
}

ReportInput FormReportInput(const MainForm& form, const DesignCheck& check,
                            const CoreSearchResult* search) {
  return DesignReportInput(form.Sheet(), form.DocPath(), check, form.DecimalSeparator(), search);
}

void CheckPanel::Refresh() {
  const DesignSheet& sheet = form_.Sheet();
  // Input that the chain refused leaves the last good figures of this design up, said so, until
  // the input is settled: figures of half a recalculation would pass for the design's.
  if (sheet.Outcome == ChainOutcome::InputError && check_.result &&
      checked_path_ == form_.DocPath()) {
    check_.problems = {kInputErrorKept};
    for (std::string& note : PartlyReadFields(sheet)) check_.problems.push_back(std::move(note));
    return;
  }
  check_ = CheckDesign(sheet);
  checked_path_ = form_.DocPath();
  for (std::string& note : PartlyReadFields(sheet)) check_.problems.push_back(std::move(note));
  form_.CoreSearch().Follow(form_.Design(), check_.options, kSearchWait);
}

std::string CheckPanel::CoreInUse() const {
  const std::string& core = form_.Sheet().LbNoyau;
  return core == "?" ? "" : core;
}

std::string CheckPanel::OptionText(CheckOption option) const {
  return kel::OptionText(form_.Sheet().VerifOptions, option, separator_);
}

bool CheckPanel::SetOption(CheckOption option, const std::string& text) {
  return Changed(SetOptionText(form_.Sheet().VerifOptions, option, text));
}

std::string CheckPanel::WindingText(WindingOption option, int row) const {
  return WindingOptionValueText(form_.Sheet().VerifOptions, option, row);
}

bool CheckPanel::SetWindingOption(WindingOption option, int row, const std::string& text) {
  return Changed(SetWindingOptionText(form_.Sheet().VerifOptions, option, row, text));
}

bool CheckPanel::CentreTapped(int row) const {
  return IsCentreTapped(form_.Sheet().VerifOptions, row);
}

bool CheckPanel::CentreTapOfRectifier(int row) const {
  std::map<std::string, std::string> texts = form_.Sheet().VerifOptions;
  texts.erase(CentreTapKey(row));
  return IsCentreTapped(texts, row);
}

bool CheckPanel::SetCentreTapped(int row, bool tapped) {
  return Changed(SetCentreTap(form_.Sheet().VerifOptions, row, tapped));
}

bool CheckPanel::Changed(bool changed) {
  DesignSheet& sheet = form_.Sheet();
  if (changed) {
    sheet.Modified = true;
    form_.UpdateTitle(true);
  }
  Refresh();
  return changed;
}

}  // namespace kel
