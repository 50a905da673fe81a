#include "ui/Startup.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleOption>
#include <QTimer>
#include <QWidget>
#include <utility>

#include "ui/MainWindow.h"

namespace kel::ui {

namespace {

// Watches the application's events for the first paint inside the window: the window's children
// are painted in the same pass as the window, and a child may be painted before it.
class FirstPaintWatch : public QObject {
 public:
  FirstPaintWatch(QWidget& window, std::function<void()> work)
      : QObject(&window), window_(window), work_(std::move(work)) {
    // The work is queued behind the rest of the paint pass that starts it, which finishes the
    // frame.
    after_paint_.setSingleShot(true);
    connect(&after_paint_, &QTimer::timeout, this, [this] {
      QCoreApplication::instance()->removeEventFilter(this);
      std::function<void()> work = std::move(work_);
      deleteLater();
      work();
    });
    QCoreApplication::instance()->installEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Paint || done_) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != &window_) return false;
    done_ = true;
    after_paint_.start(0);
    return false;
  }

 private:
  QWidget& window_;
  std::function<void()> work_;
  QTimer after_paint_;
  bool done_ = false;
};

class ProgramStyle : public QProxyStyle {
 public:
  ProgramStyle() : QProxyStyle("Fusion") {}

  QIcon standardIcon(StandardPixmap icon, const QStyleOption* option,
                     const QWidget* widget) const override {
    if (icon != SP_ToolBarHorizontalExtensionButton) {
      return QProxyStyle::standardIcon(icon, option, widget);
    }
    constexpr int kSide = 16;
    QPixmap arrow(kSide, kSide);
    arrow.fill(Qt::transparent);
    QPainter painter(&arrow);
    QStyleOption where;
    where.rect = QRect(0, 0, kSide, kSide);
    where.palette = widget ? widget->palette() : QApplication::palette();
    drawPrimitive(PE_IndicatorArrowRight, &where, &painter, widget);
    painter.end();
    return QIcon(arrow);
  }
};

}  // namespace

void SetProgramStyle() {
  // The application owns its style and deletes it; the guard only knows whether it still lives.
  static QPointer<QStyle> style;
  style = new ProgramStyle;
  QApplication::setStyle(style);
}

void SetProgramIcon() {
  static bool set = false;
  if (set) return;
  set = true;
  QApplication::setWindowIcon(QIcon::fromTheme("kelvanor"));
}

void AfterFirstPaint(QWidget& window, std::function<void()> work) {
  new FirstPaintWatch(window, std::move(work));
}

void StartAndShow(MainWindow& window, const std::string& command_line,
                  std::function<void()> later) {
  window.Start(command_line);
  // The program may have been ended during start-up; the event loop then only finishes.
  if (window.Ended()) return;
  AfterFirstPaint(window, std::move(later));
  window.show();
}

}  // namespace kel::ui
