#include "adjust_dialog/color_res_dlg.h"

#include <QComboBox>
#include <utility>

#include "platform/imaging/imaging_library.h"

namespace q9::adjust_dialog {
namespace {

constexpr ControlRow kControls[] = {
    {kNoId, ControlKind::Label, "&Bits per pixel:", 7, 9, 54, 8},
    {CColorResDlg::kBitsId, ControlKind::DropDownList, nullptr, 64, 7, 128, 80},
    {kNoId, ControlKind::Label, "&Palette:", 7, 27, 54, 8},
    {CColorResDlg::kPaletteId, ControlKind::DropDownList, nullptr, 64, 25, 128, 60},
    {kNoId, ControlKind::Label, "&Dithering:", 7, 45, 54, 8},
    {CColorResDlg::kDitheringId, ControlKind::DropDownList, nullptr, 64, 43, 128, 60},
    {kNoId, ControlKind::Label, "Dithering is used while Color > Dither is checked.", 7, 62, 185,
     8},
    {kIdOk, ControlKind::DefaultButton, "OK", 88, 78, 50, 14},
    {kIdCancel, ControlKind::Button, "Cancel", 142, 78, 50, 14},
};

using Choice = std::pair<int32_t, const char*>;

constexpr Choice kBits[] = {
    {0, "Unchanged"},        {1, "1 (2 colours)"},        {4, "4 (16 colours)"},
    {8, "8 (256 colours)"},  {16, "16 (32,768 colours)"}, {24, "24 (true colour)"},
    {32, "32 (true colour)"}};
constexpr Choice kPalettes[] = {
    {int32_t(platform::kColourResFixedPalette), "Fixed standard colours"},
    {int32_t(platform::kColourResOptimisedPalette), "Optimised for the picture"},
    {int32_t(platform::kColourResGreyPalette), "Shades of grey"}};
constexpr Choice kDithering[] = {
    {0, "None (nearest colour)"},
    {int32_t(platform::kColourResDither), "Floyd-Steinberg error diffusion"}};

// Fills the list and selects value; a value that is none of the choices
// gets an entry of its own, so that OK keeps it.
template <size_t N>
void Fill(QComboBox& list, const Choice (&choices)[N], int32_t value) {
  for (const auto& [data, text] : choices) list.addItem(QString::fromUtf8(text), data);
  int index = list.findData(value);
  if (index < 0) {
    list.addItem(QStringLiteral("Other (%1)").arg(value), value);
    index = list.count() - 1;
  }
  list.setCurrentIndex(index);
}

}  // namespace

CColorResDlg::CColorResDlg(const ColorResValues& values, QWidget* parent)
    : TemplateDialog(QStringLiteral("Color Resolution"), parent) {
  BuildTemplate(kControls, 199, 99);
  m_bits = Control<QComboBox>(kBitsId);
  m_palette = Control<QComboBox>(kPaletteId);
  m_dithering = Control<QComboBox>(kDitheringId);
  Fill(*m_bits, kBits, values.bitsPerPixel);
  // No palette word is the fixed palette.
  Fill(*m_palette, kPalettes,
       values.palette == 0 ? int32_t(platform::kColourResFixedPalette) : values.palette);
  Fill(*m_dithering, kDithering, values.dithering);
}

ColorResValues CColorResDlg::Values() const {
  return {m_bits->currentData().toInt(), m_dithering->currentData().toInt(),
          m_palette->currentData().toInt()};
}

}  // namespace q9::adjust_dialog
