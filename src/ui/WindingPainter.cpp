#include "ui/WindingPainter.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "report/WindingWindow.h"
#include "util/OutputText.h"

namespace kel::ui {

namespace {

// The picture's face at its own size; unhinted, so that its widths scale with the painter and
// what was measured is what gets painted.
QFont PictureFont() {
  QFont font("DejaVu Sans");
  font.setPixelSize(static_cast<int>(kPictureFontSize));
  font.setHintingPreference(QFont::PreferNoHinting);
  return font;
}

void Hatch(QPainter& painter, const QRectF& area) {
  if (area.width() <= 0 || area.height() <= 0) return;
  painter.save();
  painter.setClipRect(area, Qt::IntersectClip);
  painter.setPen(QPen(QColor(255, 0, 0), 2));
  // Lines at 45°, 6 units apart, from beyond the area's left to past its right.
  const int lines = static_cast<int>(std::ceil((area.width() + area.height()) / 6));
  for (int i = 0; i < lines; ++i) {
    const double x = area.left() - area.height() + 6 * i;
    painter.drawLine(QPointF(x, area.bottom()), QPointF(x + area.height(), area.top()));
  }
  painter.restore();
}

void PaintPicture(QPainter& painter, const Picture& picture) {
  const QColor outline = picture.overfull ? QColor(255, 0, 0) : QColor(0, 0, 0);
  painter.setFont(PictureFont());
  for (const Shape& s : picture.shapes) {
    const QRectF box(s.x, s.y, s.width, s.height);
    const QColor colour(QString::fromStdString(s.colour));
    switch (s.kind) {
      case ShapeKind::Caption:
      case ShapeKind::Legend:
        painter.setPen(colour);
        painter.drawText(QPointF(s.x, s.y + kPictureBaseline), QString::fromStdString(s.text));
        continue;
      case ShapeKind::Window:
        painter.fillRect(box, colour);
        painter.setPen(QPen(outline, 2));
        painter.drawRect(box);
        continue;
      default:
        painter.fillRect(box, colour);
        break;
    }
    if (s.beyond) {
      Hatch(painter,
            s.kind == ShapeKind::Swatch
                ? box
                : box.intersected(QRectF(QPointF(picture.leg_x, box.top()), box.bottomRight())));
    }
  }
}

}  // namespace

Picture WindingPicture(const CheckResult& check, char sep) {
  const QFontMetricsF metrics(PictureFont());
  return DrawWindow(check, sep, [&metrics](const std::string& text) {
    return metrics.horizontalAdvance(QString::fromStdString(text));
  });
}

void PaintWindingWindow(QPainter& painter, const QRectF& target, const CheckResult& check,
                        char sep) {
  const Picture picture = WindingPicture(check, sep);
  if (picture.width <= 0 || picture.height <= 0) return;
  const double scale = std::min(target.width() / picture.width, target.height() / picture.height);
  if (scale <= 0) return;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.translate(target.left() + (target.width() - picture.width * scale) / 2, target.top());
  painter.scale(scale, scale);
  PaintPicture(painter, picture);
  painter.restore();
}

QImage WindingWindowImage(const CheckResult& check, char sep, double pixels_per_unit) {
  const Picture picture = WindingPicture(check, sep);
  QImage image(static_cast<int>(std::ceil(picture.width * pixels_per_unit)),
               static_cast<int>(std::ceil(picture.height * pixels_per_unit)), QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(pixels_per_unit, pixels_per_unit);
  PaintPicture(painter, picture);
  return image;
}

}  // namespace kel::ui
