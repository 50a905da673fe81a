#include "app/CheckPanel.h"

namespace kel {

namespace {
// Longer than this, a search goes on in the background with its progress shown.
constexpr std::chrono::milliseconds kSearchWait{100};
}  // namespace

DesignCheck CheckFormWith(const MainForm& form,
                          const std::vector<std::pair<CheckOption, std::string>>& overrides) {
  return CheckDesignWith(form.Sheet(), overrides);
}

void CheckPanel::Refresh() {
  check_ = CheckDesign(form_.Sheet());
  search_.Follow(form_, check_.options, kSearchWait);
}

std::string CheckPanel::CoreInUse() const {
  const std::string& core = form_.Sheet().LbNoyau;
  return core == "?" ? "" : core;
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
