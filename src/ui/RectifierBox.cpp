#include "ui/RectifierBox.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "report/RectifierText.h"
#include "ui/QtText.h"

namespace kel::ui {

namespace {

// One mains period: the winding's current (blue, its own scale, zero in the middle) and the
// capacitor's voltage (red, from its minimum to its maximum).
class PeriodPicture : public QWidget {
 public:
  explicit PeriodPicture(QWidget* parent) : QWidget(parent) {
    setObjectName("DessinPeriode");
    setMinimumHeight(140);
  }
  void Show(std::vector<RectifierSample> samples) {
    samples_ = std::move(samples);
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    if (samples_.size() < 2) return;
    const QRectF area = QRectF(rect()).adjusted(6, 6, -6, -6);
    double i_max = 0, v_min = samples_[0].capacitor_v, v_max = v_min;
    for (const RectifierSample& s : samples_) {
      i_max = std::max(i_max, std::abs(s.winding_a));
      v_min = std::min(v_min, s.capacitor_v);
      v_max = std::max(v_max, s.capacitor_v);
    }
    const double t_end = samples_.back().t_s;
    const auto x = [&](double t) { return area.left() + area.width() * t / t_end; };
    p.setPen(QPen(palette().mid().color(), 1));
    p.drawLine(QPointF(area.left(), area.center().y()), QPointF(area.right(), area.center().y()));
    QPainterPath current, voltage;
    for (std::size_t j = 0; j < samples_.size(); ++j) {
      const RectifierSample& s = samples_[j];
      const QPointF ci(
          x(s.t_s), area.center().y() - (i_max > 0 ? s.winding_a / i_max : 0) * area.height() / 2);
      const double share = v_max > v_min ? (s.capacitor_v - v_min) / (v_max - v_min) : 0.5;
      const QPointF cv(x(s.t_s), area.bottom() - share * area.height());
      if (j == 0) {
        current.moveTo(ci);
        voltage.moveTo(cv);
      } else {
        current.lineTo(ci);
        voltage.lineTo(cv);
      }
    }
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 70, 200), 1.5));
    p.drawPath(current);
    p.setPen(QPen(QColor(200, 30, 30), 1.5));
    p.drawPath(voltage);
  }

 private:
  std::vector<RectifierSample> samples_;
};

constexpr int kSamples = 400;

}  // namespace

RectifierBox::RectifierBox(char decimal_separator, QWidget* parent)
    : QGroupBox("Secondaires redressés", parent), separator_(decimal_separator) {
  setObjectName("GrRedresseurs");
  auto* layout = new QVBoxLayout(this);
  figures_ = new QLabel(this);
  figures_->setObjectName("LbRedresseurs");
  figures_->setTextFormat(Qt::PlainText);
  figures_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  figures_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(figures_);
  auto* row = new QHBoxLayout;
  which_ = new QComboBox(this);
  which_->setObjectName("CbRedresseur");
  row->addWidget(new QLabel("Une période :", this));
  row->addWidget(which_, 1);
  auto* legend = new QLabel(
      "<span style='color:#0046c8'>courant de l'enroulement</span>, "
      "<span style='color:#c81e1e'>tension du condensateur</span>",
      this);
  row->addWidget(legend, 2);
  layout->addLayout(row);
  picture_ = new PeriodPicture(this);
  layout->addWidget(picture_);
  auto* bottom = new QHBoxLayout;
  outcome_ = new QLabel(this);
  outcome_->setObjectName("LbAppliquer");
  outcome_->setWordWrap(true);
  outcome_->setTextFormat(Qt::PlainText);
  bottom->addWidget(outcome_, 1);
  apply_ = new QPushButton("Appliquer au projet", this);
  apply_->setObjectName("BtAppliquer");
  bottom->addWidget(apply_);
  layout->addLayout(bottom);
  connect(apply_, &QPushButton::clicked, this, [this] {
    if (on_apply) on_apply();
  });
  connect(which_, &QComboBox::currentIndexChanged, this, [this](int) { ShowPicture(); });
  hide();
}

void RectifierBox::Show(const DesignCheck& check, double frequency_hz) {
  rows_ = check.rectifiers;
  frequency_hz_ = frequency_hz;
  setVisible(!rows_.empty());
  if (rows_.empty()) return;
  std::string text = RectifierTextSection(check, separator_);
  // The section's heading is the box's title.
  text.erase(0, text.find('\n') + 1);
  while (!text.empty() && text.back() == '\n') text.pop_back();
  figures_->setText(ToQt(text));
  const int kept = which_->currentIndex();
  which_->blockSignals(true);
  which_->clear();
  for (const RectifierRow& row : rows_) {
    which_->addItem(ToQt(RowName(row.setting.row) + " — " +
                         std::string(RectifierText(row.setting.request.type))));
  }
  which_->setCurrentIndex(std::clamp(kept, 0, which_->count() - 1));
  which_->blockSignals(false);
  apply_->setEnabled(std::any_of(rows_.begin(), rows_.end(),
                                 [](const RectifierRow& row) { return row.solution.Solved(); }));
  ShowPicture();
}

void RectifierBox::ShowPicture() {
  const int at = which_->currentIndex();
  std::vector<RectifierSample> samples;
  if (at >= 0 && at < static_cast<int>(rows_.size())) {
    const RectifierRow& row = rows_[static_cast<std::size_t>(at)];
    if (row.solution.Solved() && row.source_ohm) {
      RectifierCircuit c;
      c.type = row.setting.request.type;
      c.frequency_hz = frequency_hz_;
      c.source_ohm = *row.source_ohm;
      c.capacitor_f = row.solution.capacitor_uf * 1e-6;
      c.dc_a = row.setting.request.dc_a;
      c.diode_drop_v = row.setting.request.diode_drop_v;
      samples = PeriodSamples(c, row.solution.e_rms, kSamples);
    }
  }
  static_cast<PeriodPicture*>(picture_)->Show(std::move(samples));
}

void RectifierBox::ShowOutcome(const std::string& text, bool failed) {
  outcome_->setText(ToQt(text));
  outcome_->setStyleSheet(failed ? "color: #c81e1e" : "");
}

}  // namespace kel::ui
