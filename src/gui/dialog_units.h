#pragma once
// Dialog units, as the dialog templates give positions and sizes: a
// horizontal unit is a quarter of the dialog font's average character width,
// a vertical unit an eighth of its character height. The average width is
// taken over the 52 Latin letters, rounded, as dialog managers have always
// measured it, so a template keeps its proportions with any font.

#include <QFont>
#include <QRect>

namespace q9::gui {

class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);
  // For tests and callers that know the base units already.
  DialogUnits(int averageCharWidth, int charHeight);

  int AverageCharWidth() const { return m_baseX; }
  int CharHeight() const { return m_baseY; }

  int ToPixelsX(int units) const;
  int ToPixelsY(int units) const;
  QRect ToPixels(int x, int y, int width, int height) const;

  // a * b / c rounded to the nearest integer, halves away from zero.
  static int MulDiv(int a, int b, int c);

 private:
  int m_baseX;
  int m_baseY;
};

}  // namespace q9::gui
