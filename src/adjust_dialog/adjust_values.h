#pragma once
// The values the Adjust dialog shows, one integer each, as it exchanges them
// with its controls and with the source's record. Pushing them to the
// controls first stores them in the record; reading the controls fills
// these values only.

#include <array>
#include <cstdint>

#include "adjust/import_settings.h"

namespace q9::adjust_dialog {

// The eight sliders, in the dialog's order from left to right.
enum SliderIndex : int {
  kSliderBrightness,
  kSliderContrast,
  kSliderHue,
  kSliderSaturation,
  kSliderRed,
  kSliderGreen,
  kSliderBlue,
  kSliderWhite,
  kSliderCount
};

// The record's field behind each slider.
inline constexpr std::array<int32_t adjust::ImportSettings::*, kSliderCount> kSliderFields = {
    &adjust::ImportSettings::Brightness, &adjust::ImportSettings::Contrast,
    &adjust::ImportSettings::Hue,        &adjust::ImportSettings::Saturation,
    &adjust::ImportSettings::Red,        &adjust::ImportSettings::Green,
    &adjust::ImportSettings::Blue,       &adjust::ImportSettings::White};

// Brightness, contrast, hue and saturation are the costly adjustments: a
// change of one of them makes the renderer adjust the frame anew.
constexpr bool IsCostlySlider(int index) {
  return index <= kSliderSaturation;
}

struct AdjustValues {
  std::array<int32_t, kSliderCount> sliders{};
  int32_t autoCenter = 0;
  int32_t dropImage = 0;
  int32_t keepAspect = 0;
  int32_t sizeMode = -1;  // the Size Mode list's index; -1 is no selection
  int32_t constrainRect = 0;
  int32_t height = 0;
  int32_t width = 0;
  int32_t xPos = 0;
  int32_t yPos = 0;

  // The capture fields and the eight sliders from the record.
  void LoadFrom(const adjust::ImportSettings& settings);
  // The same fields into the record (the first half of a push).
  void StoreInto(adjust::ImportSettings& settings) const;

  friend bool operator==(const AdjustValues&, const AdjustValues&) = default;
};

}  // namespace q9::adjust_dialog
