#pragma once
// Reading and writing the fields of ImportSettings by name, for the command
// line and for settings files: "Brightness", "CommandMask",
// "CommandParams[15].Choice", "WavPath" and so on, each with the range the
// dialogs allow.
//
// CaptureRect, SignAspect and AdjustChanged can be read but not set: the
// first two are derived from the frame and the sign, and the renderer keeps
// the third. CaptureInitialized can be set, so that an unattended run can
// keep its capture fields instead of the default capture.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "adjust/import_settings.h"

namespace q9::adjust {

// Sets one field from its text. On failure the record is unchanged and
// `error` says why ("Brightness must be 0 to 128", "unknown setting 'Foo'").
// Integers are decimal or 0x hexadecimal; Gamma is a decimal number.
// Writing Brightness, Contrast, Hue or Saturation sets AdjustChanged, even
// to the value they already had.
bool SetField(ImportSettings& settings, std::string_view name, std::string_view value,
              std::string& error);

// The field's value as text in the form SetField reads (CommandMask in hex,
// Gamma in the shortest form that reads back exactly); CaptureRect reads as
// "left,top,right,bottom". Nothing for an unknown name.
std::optional<std::string> GetField(const ImportSettings& settings, std::string_view name);

// Every name GetField knows, in the record's order, the 56 command
// parameter names included.
std::vector<std::string> FieldNames();

}  // namespace q9::adjust
