#include "gui/dialog_units.h"

#include <QFontMetrics>
#include <QString>
#include <cstdint>
#include <cstdlib>

namespace q9::gui {

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  const int letters = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  m_baseX = (letters / 26 + 1) / 2;
  m_baseY = metrics.height();
  if (m_baseX < 1) m_baseX = 1;
  if (m_baseY < 1) m_baseY = 1;
}

DialogUnits::DialogUnits(int averageCharWidth, int charHeight)
    : m_baseX(averageCharWidth), m_baseY(charHeight) {}

int DialogUnits::MulDiv(int a, int b, int c) {
  const int64_t product = int64_t(a) * b;
  const int64_t half = std::llabs(int64_t(c)) / 2;
  const bool negative = (product < 0) != (c < 0);
  const int64_t magnitude = (std::llabs(product) + half) / std::llabs(int64_t(c));
  return int(negative ? -magnitude : magnitude);
}

int DialogUnits::ToPixelsX(int units) const {
  return MulDiv(units, m_baseX, 4);
}
int DialogUnits::ToPixelsY(int units) const {
  return MulDiv(units, m_baseY, 8);
}

QRect DialogUnits::ToPixels(int x, int y, int width, int height) const {
  return QRect(ToPixelsX(x), ToPixelsY(y), ToPixelsX(width), ToPixelsY(height));
}

}  // namespace q9::gui
