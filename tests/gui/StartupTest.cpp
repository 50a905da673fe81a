// The order of the start that a user sees: the window's first frame already holds the first
// recalculation's results and the core list; the work put off until after that frame runs once,
// after it.

#include <QEvent>
#include <map>
#include <string>

#include "gui/WindowFixture.h"
#include "ui/Startup.h"

namespace kel::test {
namespace {

// What the window showed when the first widget in it was painted.
class FirstFrame : public QObject {
 public:
  FirstFrame(const QWidget& window, const MainForm& form) : window_(window), form_(form) {
    QApplication::instance()->installEventFilter(this);
  }
  ~FirstFrame() override { QApplication::instance()->removeEventFilter(this); }

  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (painted || event->type() != QEvent::Paint || !widget || widget->window() != &window_) {
      return false;
    }
    painted = true;
    recalculations = form_.Recalculations();
    for (const char* name : {"LbNoyau", "Lbn", "LbTotCu", "TxSpires_0", "LbAmpsPri"}) {
      if (auto* field = window_.findChild<QLineEdit*>(name)) {
        texts[name] = field->text().toStdString();
      } else if (auto* label = window_.findChild<QLabel*>(name)) {
        texts[name] = label->text().toStdString();
      }
    }
    cores = window_.findChild<QListWidget*>("LstCore")->count();
    return false;
  }

  bool painted = false;
  int recalculations = -1;
  int cores = -1;
  std::map<std::string, std::string> texts;

 private:
  const QWidget& window_;
  const MainForm& form_;
};

TEST_F(WindowTest, TheFirstFrameShowsTheFirstRecalculationAndLaterWorkFollowsIt) {
  form_ = std::make_unique<MainForm>(platform_, MainFormOptions{',', true});
  window_ = std::make_unique<ui::MainWindow>(*form_);
  FirstFrame first(*window_, *form_);
  int later_runs = 0;
  bool later_after_paint = false;
  ui::StartAndShow(*window_, document_, [&] {
    ++later_runs;
    later_after_paint = first.painted;
  });
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
  ASSERT_TRUE(QTest::qWaitFor([&] { return later_runs > 0; }));
  QTest::qWait(20);

  ASSERT_TRUE(first.painted);
  EXPECT_EQ(first.recalculations, form_->Recalculations());
  EXPECT_GE(first.recalculations, 1);
  const std::map<std::string, std::string> expected = {{"LbNoyau", "EI10"},
                                                       {"Lbn", "92%"},
                                                       {"LbTotCu", "8,5"},
                                                       {"TxSpires_0", "609"},
                                                       {"LbAmpsPri", "0,43"}};
  EXPECT_EQ(first.texts, expected);
  EXPECT_EQ(first.cores, 2);
  EXPECT_TRUE(later_after_paint);
  EXPECT_EQ(later_runs, 1);
}

}  // namespace
}  // namespace kel::test
