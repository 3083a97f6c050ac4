#include "adjust/settings_field.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace q9::adjust {
namespace {

constexpr int64_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();
constexpr float kGammaMax = 100.0f;

enum class Access { Settable, ReadOnly };

// The 32-bit integer fields, in record order. CommandMask, CommandParams,
// Gamma, CaptureRect, SignAspect and WavPath have their own handling.
struct IntField {
  std::string_view name;
  int32_t ImportSettings::*member;
  int64_t min;
  int64_t max;
  Access access = Access::Settable;
  bool marksAdjust = false;  // one of the costly adjustments
};

constexpr int64_t kAny = -1;  // sentinel: full 32-bit range

const IntField kIntFields[] = {
    {"Red", &ImportSettings::Red, kSliderMin, kSliderMax},
    {"Green", &ImportSettings::Green, kSliderMin, kSliderMax},
    {"Blue", &ImportSettings::Blue, kSliderMin, kSliderMax},
    {"White", &ImportSettings::White, kSliderMin, kSliderMax},
    {"Brightness", &ImportSettings::Brightness, kSliderMin, kSliderMax, Access::Settable, true},
    {"Contrast", &ImportSettings::Contrast, kSliderMin, kSliderMax, Access::Settable, true},
    {"Hue", &ImportSettings::Hue, kSliderMin, kSliderMax, Access::Settable, true},
    {"Saturation", &ImportSettings::Saturation, kSliderMin, kSliderMax, Access::Settable, true},
    // 0 keeps the frame's depth; the colour-resolution dialog offers up to 32.
    {"ColorResBits", &ImportSettings::ColorResBits, 0, 32},
    {"AdjustChanged", &ImportSettings::AdjustChanged, 0, 1, Access::ReadOnly},
    {"CaptureInitialized", &ImportSettings::CaptureInitialized, 0, 1},
    {"DropImage", &ImportSettings::DropImage, 0, 1},
    {"ConstrainRect", &ImportSettings::ConstrainRect, 0, 1},
    {"KeepAspect", &ImportSettings::KeepAspect, 0, 1},
    {"AutoCenter", &ImportSettings::AutoCenter, 0, 1},
    {"XPos", &ImportSettings::XPos, kAny, kAny},
    {"YPos", &ImportSettings::YPos, kAny, kAny},
    {"Width", &ImportSettings::Width, kAny, kAny},
    {"Height", &ImportSettings::Height, kAny, kAny},
    {"SizeMode", &ImportSettings::SizeMode, kSizePercent, kSizePixels},
    {"AddTxdFlag", &ImportSettings::AddTxdFlag, 0, 1},
    {"SaveAudioFlag", &ImportSettings::SaveAudioFlag, 0, 1},
};

const IntField* FindIntField(std::string_view name) {
  for (const IntField& f : kIntFields)
    if (f.name == name) return &f;
  return nullptr;
}

std::string Quoted(std::string_view text) {
  return "'" + std::string(text) + "'";
}

// Optional sign, then decimal digits or 0x and hex digits; nothing else.
std::optional<int64_t> ParseInteger(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty() || text.front() == '-' || text.front() == '+') return std::nullopt;
  uint64_t magnitude = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (magnitude > uint64_t(std::numeric_limits<int64_t>::max())) return std::nullopt;
  return negative ? -int64_t(magnitude) : int64_t(magnitude);
}

std::string RangeText(int64_t min, int64_t max) {
  if (min == max) return std::to_string(min);
  if (max - min == 1 && min == 0) return "0 or 1";
  return std::to_string(min) + " to " + std::to_string(max);
}

// One integer into [min, max], with the messages the command line shows.
bool ParseRanged(std::string_view label, std::string_view text, int64_t min, int64_t max,
                 int32_t& out, std::string& error) {
  const std::optional<int64_t> v = ParseInteger(text);
  if (!v) {
    error = std::string(label) + " must be a whole number, not " + Quoted(text);
    return false;
  }
  if (*v < min || *v > max) {
    error = std::string(label) + " must be " + RangeText(min, max);
    return false;
  }
  out = int32_t(*v);
  return true;
}

// "CommandParams[N].Value" or "CommandParams[N].Choice". Returns false when
// the name has another form; `index` is -1 for an index outside 0..27.
bool ParseParamName(std::string_view name, int& index, bool& isChoice) {
  constexpr std::string_view kPrefix = "CommandParams[";
  if (!name.starts_with(kPrefix)) return false;
  name.remove_prefix(kPrefix.size());
  const size_t close = name.find(']');
  if (close == std::string_view::npos || close == 0) return false;
  const std::string_view digits = name.substr(0, close);
  const std::string_view member = name.substr(close + 1);
  if (member == ".Value")
    isChoice = false;
  else if (member == ".Choice")
    isChoice = true;
  else
    return false;
  unsigned n = 0;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
  if (ec == std::errc::result_out_of_range) {
    index = -1;
    return true;
  }
  if (ec != std::errc() || end != digits.data() + digits.size()) return false;
  index = n < unsigned(kImageCommandCount) ? int(n) : -1;
  return true;
}

std::string ParamName(int n, bool isChoice) {
  return "CommandParams[" + std::to_string(n) + "]." + (isChoice ? "Choice" : "Value");
}

std::string FloatText(float v) {
  char buf[32];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  return ec == std::errc() ? std::string(buf, end) : std::string("0");
}

std::string HexText(uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%X", unsigned(v));
  return buf;
}

bool SetCommandMask(ImportSettings& s, std::string_view value, std::string& error) {
  const std::optional<int64_t> v = ParseInteger(value);
  if (!v || *v < 0 || *v > int64_t(std::numeric_limits<uint32_t>::max())) {
    error = "CommandMask must be a 32-bit number, decimal or 0x hex, not " + Quoted(value);
    return false;
  }
  const uint32_t mask = uint32_t(*v);
  if (mask & ~kAllCommandBits) {
    error = "CommandMask bits " + HexText(mask & ~kAllCommandBits) + " name no image command";
    return false;
  }
  const uint32_t rotations = mask & kRotationBits;
  if (rotations & (rotations - 1)) {
    error = "CommandMask may hold only one of the rotation bits 0x4, 0x8, 0x10 and 0x20";
    return false;
  }
  s.CommandMask = mask;
  return true;
}

bool SetGamma(ImportSettings& s, std::string_view value, std::string& error) {
  float g = 0.0f;
  auto [end, ec] =
      std::from_chars(value.data(), value.data() + value.size(), g, std::chars_format::fixed);
  const bool parsed = !value.empty() && ec == std::errc() && end == value.data() + value.size();
  if (!parsed || !std::isfinite(g) || g < 0.0f || g > kGammaMax) {
    error = "Gamma must be a number from 0 to 100, not " + Quoted(value);
    return false;
  }
  s.Gamma = g == 0.0f ? 0.0f : g;  // no "-0"
  return true;
}

bool SetParam(ImportSettings& s, std::string_view name, int index, bool isChoice,
              std::string_view value, std::string& error) {
  if (index < 0) {
    error = "unknown setting " + Quoted(name) + ": CommandParams index must be 0 to 27";
    return false;
  }
  const ImageCommandInfo& cmd = kImageCommands[size_t(index)];
  const ParamRange& range = isChoice ? cmd.choice : cmd.value;
  const std::string label = ParamName(index, isChoice);
  const int64_t min = range.ranged ? range.min : kInt32Min;
  const int64_t max = range.ranged ? range.max : kInt32Max;
  CommandParam& p = s.CommandParams[size_t(index)];
  int32_t v = 0;
  if (!ParseRanged(label, value, min, max, v, error)) {
    if (range.ranged) error += " (" + std::string(cmd.name) + ")";
    return false;
  }
  (isChoice ? p.Choice : p.Value) = v;
  return true;
}

}  // namespace

bool SetField(ImportSettings& s, std::string_view name, std::string_view value,
              std::string& error) {
  if (const IntField* f = FindIntField(name)) {
    if (f->access == Access::ReadOnly) {
      error = std::string(name) + " is kept by the renderer and cannot be set";
      return false;
    }
    const int64_t min = f->min == kAny ? kInt32Min : f->min;
    const int64_t max = f->max == kAny ? kInt32Max : f->max;
    int32_t v = 0;
    if (!ParseRanged(name, value, min, max, v, error)) return false;
    s.*(f->member) = v;
    if (f->marksAdjust) s.AdjustChanged = 1;
    return true;
  }
  if (name == "CommandMask") return SetCommandMask(s, value, error);
  if (name == "Gamma") return SetGamma(s, value, error);
  if (name == "WavPath") {
    if (value.find('\0') != std::string_view::npos) {
      error = "WavPath must not contain a NUL character";
      return false;
    }
    s.WavPath = std::string(value);
    return true;
  }
  if (name == "CaptureRect") {
    error = "CaptureRect is derived from XPos, YPos, Width, Height and SizeMode and cannot be set";
    return false;
  }
  if (name == "SignAspect") {
    error = "SignAspect is derived from the sign's size and cannot be set";
    return false;
  }
  int index = 0;
  bool isChoice = false;
  if (ParseParamName(name, index, isChoice))
    return SetParam(s, name, index, isChoice, value, error);
  error = "unknown setting " + Quoted(name);
  return false;
}

std::optional<std::string> GetField(const ImportSettings& s, std::string_view name) {
  if (const IntField* f = FindIntField(name)) return std::to_string(s.*(f->member));
  if (name == "CommandMask") return HexText(s.CommandMask);
  if (name == "Gamma") return FloatText(s.Gamma);
  if (name == "SignAspect") return FloatText(s.SignAspect);
  if (name == "WavPath") return s.WavPath;
  if (name == "CaptureRect") {
    const Rect& r = s.CaptureRect;
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
  }
  int index = 0;
  bool isChoice = false;
  if (ParseParamName(name, index, isChoice) && index >= 0) {
    const CommandParam& p = s.CommandParams[size_t(index)];
    return std::to_string(isChoice ? p.Choice : p.Value);
  }
  return std::nullopt;
}

std::vector<std::string> FieldNames() {
  std::vector<std::string> names;
  auto ints = [&](std::string_view from, std::string_view to) {
    bool on = false;
    for (const IntField& f : kIntFields) {
      if (f.name == from) on = true;
      if (on) names.emplace_back(f.name);
      if (f.name == to) break;
    }
  };
  ints("Red", "ColorResBits");
  names.emplace_back("Gamma");
  names.emplace_back("CommandMask");
  for (int n = 0; n < kImageCommandCount; ++n) {
    names.push_back(ParamName(n, false));
    names.push_back(ParamName(n, true));
  }
  ints("AdjustChanged", "CaptureInitialized");
  names.emplace_back("CaptureRect");
  names.emplace_back("SignAspect");
  ints("DropImage", "SizeMode");
  names.emplace_back("WavPath");
  ints("AddTxdFlag", "SaveAudioFlag");
  return names;
}

}  // namespace q9::adjust
