#include "app/app_icons.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

// The resources live in a static library: the program pulls them in by name.
static void InitResources() {
  Q_INIT_RESOURCE(q9convert);
}

namespace q9::app {

QIcon AppIcon() {
  InitResources();
  QSvgRenderer svg(QStringLiteral(":/q9convert/q9convert.svg"));
  QIcon icon;
  if (!svg.isValid()) return icon;
  for (int side : {16, 24, 32, 48, 64, 128, 256}) {
    QPixmap picture(side, side);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    svg.render(&painter);
    painter.end();
    icon.addPixmap(picture);
  }
  return icon;
}

QIcon ZoomIcon(bool zoomIn) {
  const QString name = zoomIn ? QStringLiteral("zoom-in") : QStringLiteral("zoom-out");
  if (QIcon::hasThemeIcon(name)) return QIcon::fromTheme(name);
  // Drawn on 16 x 16: a lens with its sign, and a handle to the lower right.
  QPixmap picture(16, 16);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(Qt::black, 1.5));
  painter.setBrush(QColor(220, 235, 250));
  painter.drawEllipse(QRectF(1.5, 1.5, 10, 10));
  painter.setPen(QPen(Qt::black, 2.5, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(QPointF(10.5, 10.5), QPointF(14.5, 14.5));
  painter.setPen(QPen(Qt::black, 1.5));
  painter.drawLine(QPointF(4, 6.5), QPointF(9, 6.5));
  if (zoomIn) painter.drawLine(QPointF(6.5, 4), QPointF(6.5, 9));
  painter.end();
  return QIcon(picture);
}

}  // namespace q9::app
