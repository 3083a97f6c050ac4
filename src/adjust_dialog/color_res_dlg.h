#pragma once
// The colour-resolution dialog: the bits per pixel the picture is reduced
// to, and the two option words of the reduction shown as the choices they
// stand for: the dithering (the first word, used while the Dither command is
// on) and the palette (the second word). A word that is none of the choices
// is kept as it is unless the user picks another.

#include <cstdint>

#include "adjust_dialog/template_dialog.h"

class QComboBox;

namespace q9::adjust_dialog {

struct ColorResValues {
  int32_t bitsPerPixel = 0;  // 0 leaves the depth as it is
  int32_t dithering = 0;     // first option word
  int32_t palette = 0;       // second option word
  friend bool operator==(const ColorResValues&, const ColorResValues&) = default;
};

class CColorResDlg : public TemplateDialog {
  Q_OBJECT

 public:
  static constexpr int kBitsId = 1100;
  static constexpr int kPaletteId = 1101;
  static constexpr int kDitheringId = 1102;

  explicit CColorResDlg(const ColorResValues& values, QWidget* parent = nullptr);

  ColorResValues Values() const;

 private:
  QComboBox* m_bits;
  QComboBox* m_palette;
  QComboBox* m_dithering;
};

}  // namespace q9::adjust_dialog
