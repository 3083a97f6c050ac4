#pragma once
// Named settings sets in the user's settings store: the eight sliders and
// the capture fields under a name the user chooses, as the Adjust dialog's
// Image Settings menu saves and loads them. Each set is a key below
// SettingsKeyPath() holding sixteen DWORD values; the image commands,
// ConstrainRect, ColorResBits, Gamma and the audio fields are not part of a
// set.
//
// Reading a set and applying it are separate steps: the positions in a set
// are checked against the frame of the source they are applied to, so a
// caller that converts many files applies the same set to each one.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "adjust/import_settings.h"

namespace q9::adjust {

// "Software\Halvren\Quillan9100\V5.0\Q9Edit\ImportDialog\Settings".
const std::string& SettingsKeyPath();

// The values of a set, in the order they are written.
enum SettingsSetValue : int {
  kSetBrightness,
  kSetSaturation,
  kSetHue,
  kSetContrast,
  kSetRed,
  kSetGreen,
  kSetBlue,
  kSetWhite,
  kSetXPos,
  kSetYPos,
  kSetWidth,
  kSetHeight,
  kSetKeepRatio,
  kSetDrop,
  kSetMode,
  kSetAutoCenter,
  kSettingsSetValueCount
};

// "Brightness", "Saturation", ... "AutoCenter": the value names in the store.
const std::array<std::string_view, kSettingsSetValueCount>& SettingsSetValueNames();

// A set as read: a value the store does not hold stays empty, and applying
// the set then keeps the record's own field.
struct SettingsSet {
  std::array<std::optional<uint32_t>, kSettingsSetValueCount> values;
};

// A set name is one key: not empty, without "\" or "/".
bool IsSettingsSetName(std::string_view name);

// The names of the stored sets, sorted; none when the store holds none.
std::vector<std::string> SettingsSetNames();

// Removes the set of that name. False when there is no such set or the store
// cannot be written.
bool DeleteSettingsSet(std::string_view name);

// Writes the sixteen values of the record under the name. False when the
// name is not valid or the store cannot be written.
bool WriteSettingsSet(std::string_view name, const ImportSettings& settings);

// Reads the set of that name. False, with `set` untouched, when no such set
// exists.
bool ReadSettingsSet(std::string_view name, SettingsSet& set);

// The sizes a set is applied against: the current frame in pixels (none for
// a source without a picture frame) and the sign in bulbs.
struct SettingsTarget {
  bool hasFrame = false;
  int frameWidth = 0;
  int frameHeight = 0;
  int signWidth = 0;
  int signHeight = 0;
};

// Loads the set into the record as the Adjust dialog's Load does: the
// sliders (AdjustChanged set); with a frame, XPos and YPos starting from the
// sign-sized centred position, and a loaded position beyond the frame's
// width or height becoming 0; the sizes and flags; then the Keep Aspect rule
// (a sign-sized capture in Pixels mode) and, with a frame, AutoCenter.
void ApplySettingsSet(ImportSettings& settings, const SettingsSet& set,
                      const SettingsTarget& target);

// Beside the sets, the key SettingsKeyPath() itself holds the Adjust
// dialog's "AutoSave" state and the WAV folder "WAV_Path". A value the store
// does not hold stays empty.
struct BaseSettings {
  std::optional<uint32_t> autoSave;
  std::optional<std::string> wavPath;
};

// Writes "AutoSave" and, when wavPath is given, "WAV_Path". False when the
// key cannot be created or written.
bool WriteBaseSettings(bool autoSave, const std::string* wavPath);

// Reads both values. False, with `base` untouched, when the key does not
// exist.
bool ReadBaseSettings(BaseSettings& base);

}  // namespace q9::adjust
