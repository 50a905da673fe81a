#include "app/CheckPanel.h"

namespace kel {

DesignCheck CheckFormWith(const MainForm& form,
                          const std::vector<std::pair<CheckOption, std::string>>& overrides) {
  return CheckDesignWith(form.Sheet(), overrides);
}

void CheckPanel::Refresh() {
  check_ = CheckDesign(form_.Sheet());
}

std::string CheckPanel::OptionText(CheckOption option) const {
  return kel::OptionText(form_.Sheet().VerifOptions, option, separator_);
}

bool CheckPanel::SetOption(CheckOption option, const std::string& text) {
  DesignSheet& sheet = form_.Sheet();
  const bool changed = SetOptionText(sheet.VerifOptions, option, text);
  if (changed) {
    sheet.Modified = true;
    form_.UpdateTitle(true);
  }
  Refresh();
  return changed;
}

}  // namespace kel
