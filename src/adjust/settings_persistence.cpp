#include "adjust/settings_persistence.h"

#include "platform/registry/cq9_registry.h"

namespace q9::adjust {
namespace {

using platform::CQ9Registry;

std::string SetKeyPath(std::string_view name) {
  return SettingsKeyPath() + "\\" + std::string(name);
}

// Every key of the Adjust dialog is opened or created with full access.
bool OpenKey(CQ9Registry& registry, const std::string& path) {
  return registry.OpenRegistryKey(platform::kHkeyCurrentUser, path, platform::kKeyAllAccess) != 0;
}
bool CreateKey(CQ9Registry& registry, const std::string& path) {
  return registry.CreateRegistryKey(platform::kHkeyCurrentUser, path, platform::kKeyAllAccess) != 0;
}

// The start of a loaded position: the sign-sized capture centred on the
// frame, or 0 where the frame is smaller (unsigned, as the centring rule).
int32_t CentredStart(int frameSize, int signSize) {
  const uint32_t f = uint32_t(frameSize);
  const uint32_t s = uint32_t(signSize);
  return f >= s ? int32_t((f - s) / 2) : 0;
}

// A loaded position stays when it lies within the frame (its far edge
// included); anything beyond it becomes 0. The comparison is signed.
int32_t LoadedPosition(const std::optional<uint32_t>& stored, int frameSize, int signSize) {
  const int32_t x = stored ? int32_t(*stored) : CentredStart(frameSize, signSize);
  return x <= frameSize ? x : 0;
}

void Take(const std::optional<uint32_t>& stored, int32_t& field) {
  if (stored) field = int32_t(*stored);
}

}  // namespace

const std::string& SettingsKeyPath() {
  static const std::string path = std::string("Software\\Halvren\\Quillan9100") + "\\" + "V5.0" +
                                  "\\" + "Q9Edit\\ImportDialog\\Settings";
  return path;
}

const std::array<std::string_view, kSettingsSetValueCount>& SettingsSetValueNames() {
  static constexpr std::array<std::string_view, kSettingsSetValueCount> names = {
      "Brightness", "Saturation", "Hue",   "Contrast", "Red",       "Green", "Blue", "White",
      "XPos",       "YPos",       "Width", "Height",   "KeepRatio", "Drop",  "Mode", "AutoCenter"};
  return names;
}

bool IsSettingsSetName(std::string_view name) {
  return !name.empty() && name.find_first_of(std::string_view("\\/\0", 3)) == std::string::npos;
}

std::vector<std::string> SettingsSetNames() {
  CQ9Registry registry;
  if (!OpenKey(registry, SettingsKeyPath())) return {};
  return registry.SubkeyNames();
}

bool DeleteSettingsSet(std::string_view name) {
  if (!IsSettingsSetName(name)) return false;
  CQ9Registry registry;
  if (!OpenKey(registry, SettingsKeyPath())) return false;
  const bool deleted = registry.DeleteSubkey(name) != 0;
  return registry.CloseRegistryKey() && deleted;
}

bool WriteSettingsSet(std::string_view name, const ImportSettings& s) {
  if (!IsSettingsSetName(name)) return false;
  CQ9Registry registry;
  if (!CreateKey(registry, SetKeyPath(name))) return false;
  const int32_t fields[kSettingsSetValueCount] = {
      s.Brightness, s.Saturation, s.Hue,      s.Contrast,  s.Red,   s.Green,
      s.Blue,       s.White,      s.XPos,     s.YPos,      s.Width, s.Height,
      s.KeepAspect, s.DropImage,  s.SizeMode, s.AutoCenter};
  bool ok = true;
  for (int i = 0; i < kSettingsSetValueCount; ++i) {
    const uint32_t value = uint32_t(fields[i]);
    ok = registry.SetRegistryDword(SettingsSetValueNames()[i], &value) && ok;
  }
  return registry.CloseRegistryKey() && ok;
}

bool ReadSettingsSet(std::string_view name, SettingsSet& set) {
  if (!IsSettingsSetName(name)) return false;
  CQ9Registry registry;
  if (!OpenKey(registry, SetKeyPath(name))) return false;
  SettingsSet read;
  for (int i = 0; i < kSettingsSetValueCount; ++i) {
    uint32_t value = 0;
    if (registry.GetRegistryDword(SettingsSetValueNames()[i], &value)) read.values[i] = value;
  }
  registry.CloseRegistryKey();
  set = read;
  return true;
}

void ApplySettingsSet(ImportSettings& s, const SettingsSet& set, const SettingsTarget& target) {
  const auto& v = set.values;
  Take(v[kSetBrightness], s.Brightness);
  Take(v[kSetSaturation], s.Saturation);
  Take(v[kSetHue], s.Hue);
  Take(v[kSetContrast], s.Contrast);
  Take(v[kSetRed], s.Red);
  Take(v[kSetGreen], s.Green);
  Take(v[kSetBlue], s.Blue);
  Take(v[kSetWhite], s.White);
  s.AdjustChanged = 1;

  if (target.hasFrame) {
    s.XPos = LoadedPosition(v[kSetXPos], target.frameWidth, target.signWidth);
    s.YPos = LoadedPosition(v[kSetYPos], target.frameHeight, target.signHeight);
  }
  Take(v[kSetWidth], s.Width);
  Take(v[kSetHeight], s.Height);
  Take(v[kSetMode], s.SizeMode);
  Take(v[kSetKeepRatio], s.KeepAspect);
  Take(v[kSetDrop], s.DropImage);
  Take(v[kSetAutoCenter], s.AutoCenter);

  if (s.KeepAspect) {
    // The capture becomes the sign's size at its current top-left corner;
    // the rectangle follows from the frame below (and before every render).
    s.Width = target.signWidth;
    s.Height = target.signHeight;
    s.SizeMode = kSizePixels;
  }
  if (target.hasFrame) {
    s.ComputeCaptureRect(target.frameWidth, target.frameHeight);
    if (s.AutoCenter) {
      s.CenterCapture(target.frameWidth, target.frameHeight);
      s.ComputeCaptureRect(target.frameWidth, target.frameHeight);
    }
  }
}

bool WriteBaseSettings(bool autoSave, const std::string* wavPath) {
  CQ9Registry registry;
  if (!CreateKey(registry, SettingsKeyPath())) return false;
  const uint32_t flag = autoSave ? 1 : 0;
  bool ok = registry.SetRegistryDword("AutoSave", &flag) != 0;
  if (wavPath) ok = registry.SetRegistryString("WAV_Path", *wavPath) && ok;
  return registry.CloseRegistryKey() && ok;
}

bool ReadBaseSettings(BaseSettings& base) {
  CQ9Registry registry;
  if (!OpenKey(registry, SettingsKeyPath())) return false;
  BaseSettings read;
  uint32_t flag = 0;
  if (registry.GetRegistryDword("AutoSave", &flag)) read.autoSave = flag;
  std::string path;
  if (registry.GetRegistryString("WAV_Path", path)) read.wavPath = path;
  registry.CloseRegistryKey();
  base = read;
  return true;
}

}  // namespace q9::adjust
