#include "ui/PlotPainter.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPolygonF>
#include <cmath>

#include "ui/QtText.h"
#include "util/NumberText.h"

namespace kel::ui {

namespace {

// The dashed orange of I1n's crest, apart from the curves' colours.
const QColor kMarkColour("#e67e22");

}  // namespace

void PaintPlot(QPainter& painter, const QRectF& target, const Plot& plot, char sep) {
  const QFontMetricsF metrics(painter.font(), painter.device());
  const double line = metrics.height();
  const double width = target.width();
  const PlotFrame f = FramePlot(width, target.height(), line, metrics.horizontalAdvance('0'));
  painter.save();
  painter.translate(target.topLeft());
  painter.setPen(Qt::black);
  painter.drawText(QRectF(0, f.title_y, width, line), Qt::AlignHCenter, ToQt(plot.title));
  if (!f.room) {
    painter.restore();
    return;
  }
  const QRectF area(QPointF(f.left, f.top), QPointF(f.right, f.bottom));
  const auto at = [&](double x, double y) {
    return QPointF(area.left() + (x - plot.x_min) / (plot.x_max - plot.x_min) * area.width(),
                   area.bottom() - (y - plot.y_min) / (plot.y_max - plot.y_min) * area.height());
  };
  painter.setPen(QColor("#d0d0d0"));
  for (const double y : plot.y_ticks) painter.drawLine(at(plot.x_min, y), at(plot.x_max, y));
  painter.setPen(Qt::black);
  painter.drawRect(area);
  for (const double x : plot.x_ticks) {
    const QPointF p = at(x, plot.y_min);
    painter.drawLine(p, p + QPointF(0, 4));
    painter.drawText(QRectF(p.x() - 40, f.x_ticks_y, 80, line), Qt::AlignHCenter,
                     ToQt(PlainNumber(x, sep)));
  }
  for (const double y : plot.y_ticks) {
    const QPointF p = at(plot.x_min, y);
    painter.drawText(QRectF(0, p.y() - line / 2, area.left() - 4, line),
                     Qt::AlignRight | Qt::AlignVCenter, ToQt(PlainNumber(y, sep)));
  }
  painter.drawText(QRectF(area.left(), f.x_label_y, area.width(), line), Qt::AlignHCenter,
                   ToQt(plot.x_label));
  painter.drawText(QRectF(0, f.y_label_y, width, line), Qt::AlignLeft, ToQt(plot.y_label));
  painter.save();
  painter.setClipRect(area);
  painter.setRenderHint(QPainter::Antialiasing);
  if (plot.mark_y) {
    painter.setPen(QPen(kMarkColour, 1, Qt::DashLine));
    for (const double y : {*plot.mark_y, -*plot.mark_y}) {
      painter.drawLine(at(plot.x_min, y), at(plot.x_max, y));
    }
  }
  for (const PlotSeries& series : plot.series) {
    QPolygonF curve;
    curve.reserve(static_cast<int>(series.x.size()));
    for (std::size_t k = 0; k < series.x.size(); ++k) curve << at(series.x[k], series.y[k]);
    painter.setPen(QPen(QColor(ToQt(series.colour)), 1.5));
    painter.drawPolyline(curve);
  }
  painter.restore();
  // The legend under the time's caption.
  double x = area.left();
  const auto legend = [&](const QColor& colour, Qt::PenStyle style, const std::string& text) {
    painter.setPen(QPen(colour, 2, style));
    painter.drawLine(QPointF(x, f.legend_y + line / 2), QPointF(x + 20, f.legend_y + line / 2));
    painter.setPen(Qt::black);
    const QString caption = ToQt(text);
    painter.drawText(QRectF(x + 24, f.legend_y, metrics.horizontalAdvance(caption) + 4, line),
                     Qt::AlignLeft, caption);
    x += 36 + metrics.horizontalAdvance(caption);
  };
  for (const PlotSeries& series : plot.series) {
    legend(QColor(ToQt(series.colour)), Qt::SolidLine, series.label);
  }
  if (plot.mark_y) legend(kMarkColour, Qt::DashLine, plot.mark_label);
  painter.restore();
}

QImage PlotImage(const Plot& plot, char sep, double width, double height, double pixels_per_unit) {
  QImage image(static_cast<int>(std::ceil(width * pixels_per_unit)),
               static_cast<int>(std::ceil(height * pixels_per_unit)), QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  QFont font("DejaVu Sans");
  // Measured in the picture's units whatever the image's resolution.
  font.setPixelSize(12);
  painter.setFont(font);
  painter.scale(pixels_per_unit, pixels_per_unit);
  PaintPlot(painter, QRectF(0, 0, width, height), plot, sep);
  return image;
}

}  // namespace kel::ui
