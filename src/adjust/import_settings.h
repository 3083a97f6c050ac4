#pragma once
// How a source frame becomes a sign frame: the colour sliders, the image
// commands with their parameters, the capture rectangle and how it is sized,
// and the audio options of video conversion. One record exists per open
// source; the renderer, the Adjust dialog, the option dialogs, the source
// window and the audio export all read and write the same fields, so the
// fields are public and keep their names.
//
// Sizes passed in: the frame's width and height in source pixels, and the
// sign's width and height in bulbs.

#include <array>
#include <cstdint>
#include <string>

#include "adjust/image_command.h"
#include "adjust/rect.h"

namespace q9::adjust {

struct CommandParam {
  int32_t Value = 0;
  int32_t Choice = 0;
  friend bool operator==(const CommandParam&, const CommandParam&) = default;
};

enum SizeModeIndex : int32_t {
  kSizePercent = 0,  // Width and Height are percent of the frame's size
  kSizePixels = 1,   // Width and Height are source pixels
};

constexpr int32_t kSliderMin = 0;
constexpr int32_t kSliderMax = 128;
constexpr int32_t kSliderNeutral = 64;

struct ImportSettings {
  // Fields in the order the program holds and copies them.
  int32_t Red = kSliderNeutral;
  int32_t Green = kSliderNeutral;
  int32_t Blue = kSliderNeutral;
  int32_t White = kSliderNeutral;
  int32_t Brightness = kSliderNeutral;
  int32_t Contrast = kSliderNeutral;
  int32_t Hue = kSliderNeutral;
  int32_t Saturation = kSliderNeutral;
  int32_t ColorResBits = 0;  // used with the Dither command
  float Gamma = 0.0f;        // used with the Gamma Correct command
  uint32_t CommandMask = 0;  // ImageCommand bits
  std::array<CommandParam, kImageCommandCount> CommandParams{};
  // Brightness, contrast, hue and saturation are costly, so the renderer
  // re-applies them only when this is set, and clears it. Every writer of
  // those four sliders sets it.
  int32_t AdjustChanged = 0;
  // 0 until the Adjust dialog first attaches; while 0, opening a source runs
  // DefaultCapture.
  int32_t CaptureInitialized = 0;
  Rect CaptureRect;         // derived by ComputeCaptureRect, never edited
  float SignAspect = 0.0f;  // sign height / sign width, set by DefaultCapture
  int32_t DropImage = 0;    // place the capture unscaled at the top-left corner
  int32_t ConstrainRect = 1;
  int32_t KeepAspect = 1;
  int32_t AutoCenter = 0;
  int32_t XPos = 0;
  int32_t YPos = 0;
  int32_t Width = 0;   // percent of the frame width, or pixels (SizeMode)
  int32_t Height = 0;  // percent of the frame height, or pixels
  int32_t SizeMode = kSizePixels;
  std::string WavPath;  // folder for the WAV files of converted videos
  int32_t AddTxdFlag = 0;
  int32_t SaveAudioFlag = 0;

  // A new source: a sign-sized window, one source pixel per bulb, centred on
  // the frame (or at its left or top edge where the frame is smaller).
  void DefaultCapture(int signWidth, int signHeight, int frameWidth, int frameHeight);

  // CaptureRect from the position, size and mode; with ConstrainRect on the
  // right and bottom stop at the frame's edges (left and top never move).
  void ComputeCaptureRect(int frameWidth, int frameHeight);

  // XPos and YPos that centre the capture on the frame. Percent mode takes
  // the size of CaptureRect as last computed, so callers recompute the
  // rectangle before and after as they need.
  void CenterCapture(int frameWidth, int frameHeight);

  // Image Settings > Reset: neutral sliders and a centred sign-sized capture;
  // the image commands, ColorResBits, Gamma, ConstrainRect and the audio
  // fields are kept.
  void ResetSettings(int signWidth, int signHeight, int frameWidth, int frameHeight);

  // Every field back to its default, CaptureInitialized included, so that
  // the next source opened runs DefaultCapture for the new sign.
  void RestoreDefaults();

  friend bool operator==(const ImportSettings&, const ImportSettings&) = default;
};

}  // namespace q9::adjust
