#pragma once
// The image commands of CommandMask applied to the sign-sized picture, as one
// table of small steps that run in a fixed order. Each step reads its own
// entry of CommandParams; a parameter the imaging library refuses leaves the
// picture as it was, and the render goes on whatever a step returns.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "adjust/import_settings.h"
#include "platform/imaging/bitmap.h"
#include "platform/signlib/sign_types.h"

namespace q9::imaging {

using CommandStepFunction = void (*)(platform::Bitmap& bitmap, const adjust::ImportSettings& s,
                                     const platform::SignGeometry& sign);

struct ImageCommandStep {
  // The CommandMask bits that run the step (any of them); 0: the step runs on
  // every render and looks at the mask itself.
  uint32_t bits;
  std::string_view name;
  CommandStepFunction apply;
};

// The steps in the order they run.
std::span<const ImageCommandStep> ImageCommandSteps();

// Runs every step whose bits are set in s.CommandMask on the bitmap in place.
void ApplyImageCommands(platform::Bitmap& bitmap, const adjust::ImportSettings& s,
                        const platform::SignGeometry& sign);

// The library's predefined spatial filter for a filter command's type index
// (Value of its CommandParams entry): the family's first filter plus the
// index. -1 for a bit that is no filter command or an index outside the
// family; such a command leaves the picture alone rather than running another
// family's filter.
int PredefinedFilterNumber(uint32_t commandBit, int32_t typeIndex);

// The gamma the library is given: Gamma x 100 multiplied in single
// precision, as the value is held (so 0.29 gives 29, where double precision
// would give 28), truncated toward zero. None when it does not fit an int
// (NaN, infinite, huge): then no call is made.
std::optional<int> GammaTimes100(float gamma);

}  // namespace q9::imaging
