#include "adjust_dialog/adjust_values.h"

namespace q9::adjust_dialog {

void AdjustValues::LoadFrom(const adjust::ImportSettings& s) {
  for (int i = 0; i < kSliderCount; ++i) sliders[size_t(i)] = s.*kSliderFields[size_t(i)];
  autoCenter = s.AutoCenter;
  dropImage = s.DropImage;
  keepAspect = s.KeepAspect;
  sizeMode = s.SizeMode;
  constrainRect = s.ConstrainRect;
  height = s.Height;
  width = s.Width;
  xPos = s.XPos;
  yPos = s.YPos;
}

void AdjustValues::StoreInto(adjust::ImportSettings& s) const {
  s.AutoCenter = autoCenter;
  s.DropImage = dropImage;
  s.KeepAspect = keepAspect;
  s.SizeMode = sizeMode;
  s.ConstrainRect = constrainRect;
  s.Height = height;
  s.Width = width;
  s.XPos = xPos;
  s.YPos = yPos;
  for (int i = 0; i < kSliderCount; ++i) s.*kSliderFields[size_t(i)] = sliders[size_t(i)];
}

}  // namespace q9::adjust_dialog
