#pragma once
// The rectified secondaries in the "Vérification" window: their figures, a picture of one mains
// period of the chosen one (the winding's current and the capacitor's voltage) and "Appliquer au
// projet". It shows what the check worked out; applying is RectifierApply's.

#include <QGroupBox>
#include <functional>
#include <string>

#include "check/DesignCheck.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace kel::ui {

class RectifierBox : public QGroupBox {
 public:
  RectifierBox(char decimal_separator, QWidget* parent);
  // Shows the check's rectified secondaries at the sheet's frequency; hidden when there is none.
  void Show(const DesignCheck& check, double frequency_hz);
  // Asked by the button; the window applies, then tells the outcome.
  std::function<void()> on_apply;
  void ShowOutcome(const std::string& text, bool failed);

 private:
  void ShowPicture();

  char separator_;
  QLabel* figures_ = nullptr;
  QComboBox* which_ = nullptr;
  QWidget* picture_ = nullptr;
  QPushButton* apply_ = nullptr;
  QLabel* outcome_ = nullptr;
  std::vector<RectifierRow> rows_;
  double frequency_hz_ = 50;
};

}  // namespace kel::ui
