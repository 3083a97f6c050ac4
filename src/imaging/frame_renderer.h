#pragma once
// Frame rendering: the current source frame turned into bulb data of the
// destination sign and a preview picture of exactly those bulbs.
//
// The road for a video frame or a still image: decoded frame -> working
// bitmap (brightness, contrast, hue, saturation, only when AdjustChanged is
// set) -> capture rectangle -> fitted (or dropped) onto the sign -> image
// commands -> bulbs with the red, green, blue and white offsets -> preview.
// Bitmaps share their pixels until one is written, so with neutral
// adjustments the working bitmap is the decoded frame itself, and a capture
// of the whole frame is not copied either: a frame costs one pass of the fit
// over its pixels, and everything after that works on the sign-sized picture.
//
// An old sequence's graphics frame is only converted for the preview (its
// bulbs reach the destination through the old-sequence translation); a frame
// without bulbs gets a short description text instead.
//
// The state lives in the source object that calls these functions, which
// passes it in; the render writes CaptureRect and AdjustChanged of the
// settings and the fields of RenderTarget.

#include <cstdint>
#include <string>
#include <vector>

#include "adjust/import_settings.h"
#include "platform/imaging/bitmap.h"
#include "platform/signlib/cq8_seq.h"
#include "platform/signlib/packed_dib.h"
#include "platform/signlib/sign_types.h"

namespace q9::imaging {

// What a render produces and keeps from frame to frame. The buffers keep
// their storage between renders.
struct RenderTarget {
  // The decoded frame with the four adjustments applied; the source window
  // shows it.
  platform::Bitmap working;
  // Storage of an adjusted frame that is not shown, kept for the next one
  // (the source hands it back while the working bitmap shows a new frame).
  platform::Bitmap spare;
  // Scratch of a render; left empty afterwards.
  platform::Bitmap processing;
  // Storage of the picture fitted to the sign, kept for the next render.
  platform::Bitmap fitted;
  // Bulb data of the current frame: BulbDataSize bytes of the sign after a
  // successful picture render. An old sequence's render leaves it alone.
  std::vector<uint8_t> bulbs;
  // The preview picture: a kPreviewHeaderSize header block and its bits;
  // both empty when there is no picture.
  std::vector<uint8_t> previewHeader;
  std::vector<uint8_t> previewBits;
  // Set for an old frame without bulb data: the preview shows label.
  bool labelShown = false;
  std::string label;

  bool HasPreview() const { return !previewHeader.empty() && !previewBits.empty(); }
};

// The preview header block (header and colour table).
inline constexpr size_t kPreviewHeaderSize = platform::kDibHeaderBlockSize;

// Description texts of old frames without bulb data.
inline constexpr const char* kLabelTransmitData = "Transmit Data Frame";
inline constexpr const char* kLabelInclude = "Include Frame";
inline constexpr const char* kLabelNonGraphical = "NonGraphical Frame Type";

// ---- Small pure rules, exposed for the tests and the dialogs ---------------

// Brightness, contrast and saturation slider (0..128, neutral 64) to the
// library's change: (v - 64) x 125 / 8, truncated toward zero (1 gives -984).
int SliderChange(int32_t slider);
// Hue slider to an angle: (v - 64) x 45 / 16, truncated toward zero.
int HueAngle(int32_t slider);
// Red, green, blue or white slider to the bulb converter's offset:
// 64 - v limited to -64..64 (0 gives +64, 128 gives -64).
int ColourOffset(int32_t slider);

struct AdjustmentValues {
  int brightness = 0;
  int contrast = 0;
  int hue = 0;
  int saturation = 0;
  friend bool operator==(const AdjustmentValues&, const AdjustmentValues&) = default;
};
AdjustmentValues AdjustmentValuesOf(const adjust::ImportSettings& s);

// Colours-used of a packed bitmap header as a reader must take it: 0 below
// 16 bits per pixel means a full table of 2^bits entries.
uint32_t PackedColoursUsed(const platform::BitmapInfoHeader& header);
// Where the bits of a packed bitmap start, counted from the header:
// 40 + 4 x colours-used.
size_t PackedBitsOffset(const platform::BitmapInfoHeader& header);

// ---- The render --------------------------------------------------------------

// Rebuilds the working bitmap from the decoded one: shared as it is, then
// brightness, contrast, hue and saturation in that order, each only when its
// change is not 0 and within the library's range, in one pass that reuses
// the working bitmap's own storage. Clears AdjustChanged.
void ReapplyAdjustments(adjust::ImportSettings& s, const platform::Bitmap& decoded,
                        platform::Bitmap& working);

// Renders a video frame or a still image. 1 rendered, 0 failed:
// - no picture to render (the working bitmap has no pixels): 0, the bulbs of
//   the previous render kept, no preview;
// - a geometry the bulb converter refuses: 0, no preview (the bulb buffer
//   holds the new, zeroed bulbs);
// - a sign with more bulbs than any sign can have: 0 before anything is
//   allocated, bulbs kept.
int RenderPictureFrame(adjust::ImportSettings& s, const platform::SignGeometry& sign,
                       const platform::Bitmap& decoded, RenderTarget& target);

// Renders the old reader's current frame (null: no frame). 1, or 0 when the
// bulb converter refuses the geometry (no preview) or the sign is too large.
int RenderOldSequenceFrame(adjust::ImportSettings& s, const platform::SignGeometry& sign,
                           const platform::Bitmap& decoded, const platform::CQ8Seq* oldReader,
                           RenderTarget& target);

}  // namespace q9::imaging
