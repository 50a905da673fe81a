#include "ui/WindingPainter.h"

#include <QPainter>
#include <algorithm>

#include "report/WindingStyle.h"
#include "report/WindingSvg.h"
#include "report/WindingWindow.h"

namespace kel::ui {

void PaintWindingWindow(QPainter& painter, const QRectF& target, const CheckResult& check,
                        char sep) {
  const WindingWindow window = LayOutWindow(check);
  const QFontMetricsF metrics(painter.font());
  const double line = metrics.height() * 1.3;
  const double captions = line * (window.rows.size() + 1) + line;  // caption lines and the edges'
  const double depth = std::max(window.build_depth_mm, window.build_mm);
  const double leg = std::max(6.0, target.width() * 0.02);
  const double room_x = target.width() - 2 * leg - 4;
  const double room_y = target.height() - captions - line;
  if (room_x <= 0 || room_y <= 0 || depth <= 0 || window.length_mm <= 0) return;
  const double scale = std::min(room_x / depth, room_y / window.length_mm);
  const double left = target.left() + leg + 2;
  const double top = target.top() + line;
  const double tall = window.length_mm * scale;
  const auto rect = [&](const WindowPart& p) {
    return QRectF(left + p.x * scale, top + (window.length_mm - p.y - p.height) * scale,
                  p.width * scale, p.height * scale);
  };
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  for (const WindowPart& p : window.parts) {
    painter.fillRect(rect(p), QColor(PartColour(p)));
  }
  const QColor outline(window.overfull ? kOverfullColour : kOutlineColour);
  painter.setPen(QPen(outline, 2));
  painter.drawRect(QRectF(left, top, window.build_depth_mm * scale, tall));
  painter.fillRect(QRectF(left - leg, top, leg, tall), QColor(kIronColour));
  painter.fillRect(QRectF(left + window.build_depth_mm * scale, top, leg, tall),
                   QColor(kIronColour));
  painter.setPen(Qt::black);
  painter.drawText(QPointF(left - leg, top - line * 0.3), kTongueCaption);
  const QString outer = kOuterLegCaption;
  painter.drawText(
      QPointF(left + window.build_depth_mm * scale + leg - metrics.horizontalAdvance(outer),
              top + tall + line * 0.9),
      outer);
  double y = top + tall + line * 2;
  painter.setPen(outline);
  painter.drawText(QPointF(left, y), QString::fromStdString(FillCaption(window, sep)));
  painter.setPen(Qt::black);
  for (const WindingCheck& w : check.windings) {
    if (w.flag != WindingFlag::None) continue;
    y += line;
    const double box = metrics.height() * 0.8;
    painter.fillRect(QRectF(left, y - box, box, box), QColor(WindingColour(w.input.row)));
    painter.drawText(QPointF(left + box * 1.5, y), QString::fromStdString(WindingCaption(w, sep)));
  }
  painter.restore();
}

QImage WindingWindowImage(const CheckResult& check, char sep, QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  QFont font("DejaVu Sans");
  font.setPixelSize(std::max(10, size.height() / 40));
  painter.setFont(font);
  PaintWindingWindow(painter, QRectF(QPointF(0, 0), QSizeF(size)), check, sep);
  return image;
}

}  // namespace kel::ui
