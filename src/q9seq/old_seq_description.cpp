#include "q9seq/old_seq_description.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <initializer_list>
#include <stdexcept>

#include "platform/signlib/byte_io.h"
#include "platform/signlib/q8_record.h"
#include "platform/signlib/q8_seq_format.h"
#include "platform/signlib/sign_types.h"
#include "q9seq/hex.h"

namespace q9::q9seq {
namespace {

using nlohmann::json;
using platform::kQ8RecordSize;

// Thrown with the complete one-line reason; caught once at the top.
class DescriptionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
  throw DescriptionError(where + ": " + what);
}

std::string Member(const std::string& where, std::string_view key) {
  return where.empty() ? std::string(key) : where + "." + std::string(key);
}

// Keys not listed are refused: a misspelt "bulb" must not quietly become
// all-zero bulbs.
void CheckKeys(const json& object, const std::string& where,
               std::initializer_list<std::string_view> allowed) {
  for (const auto& [key, value] : object.items())
    if (std::find(allowed.begin(), allowed.end(), key) == allowed.end())
      Fail(Member(where, key), "unknown key");
}

const json* Find(const json& object, std::string_view key) {
  const auto it = object.find(key);
  return it == object.end() ? nullptr : &*it;
}

const json& Require(const json& object, const std::string& where, std::string_view key) {
  const json* value = Find(object, key);
  if (value == nullptr) Fail(Member(where, key), "missing");
  return *value;
}

uint64_t GetUnsigned(const json& value, const std::string& where, uint64_t min, uint64_t max) {
  if (!value.is_number()) Fail(where, std::string("must be a number, not ") + value.type_name());
  if (value.is_number_float()) Fail(where, "must be a whole number");
  const std::string range = "out of range " + std::to_string(min) + " to " + std::to_string(max);
  if (!value.is_number_unsigned())
    Fail(where, std::to_string(value.get<int64_t>()) + " is " + range);
  const uint64_t v = value.get<uint64_t>();
  if (v < min || v > max) Fail(where, std::to_string(v) + " is " + range);
  return v;
}

const std::string& GetString(const json& value, const std::string& where) {
  if (!value.is_string()) Fail(where, std::string("must be a string, not ") + value.type_name());
  return value.get_ref<const std::string&>();
}

bool GetBool(const json& value, const std::string& where) {
  if (!value.is_boolean())
    Fail(where, std::string("must be true or false, not ") + value.type_name());
  return value.get<bool>();
}

std::vector<uint8_t> GetHex(const json& value, const std::string& where) {
  std::string error;
  std::optional<std::vector<uint8_t>> bytes = HexDecode(GetString(value, where), error);
  if (!bytes) Fail(where, error);
  return std::move(*bytes);
}

uint32_t GetColorType(const json& value, const std::string& where) {
  if (value.is_string()) {
    const std::string& name = value.get_ref<const std::string&>();
    const std::optional<uint32_t> type = platform::ColorTypeFromName(name);
    if (!type) Fail(where, "unknown colour type name \"" + name + "\"");
    return *type;
  }
  if (!value.is_number())
    Fail(where, std::string("must be a number or a colour type name, not ") + value.type_name());
  return uint32_t(GetUnsigned(value, where, 0, platform::kColorTypeCount - 1));
}

// "fields": values and texts written into the record at given offsets, after
// the "record" bytes; the record grows to the end of the last field.
void ApplyFields(const json& fields, const std::string& where, std::vector<uint8_t>& record) {
  if (!fields.is_array()) Fail(where, std::string("must be an array, not ") + fields.type_name());
  for (size_t i = 0; i < fields.size(); ++i) {
    const std::string at = where + "[" + std::to_string(i) + "]";
    const json& field = fields[i];
    if (!field.is_object()) Fail(at, std::string("must be an object, not ") + field.type_name());
    CheckKeys(field, at, {"offset", "size", "value", "text"});
    const size_t offset = size_t(
        GetUnsigned(Require(field, at, "offset"), Member(at, "offset"), 0, kQ8RecordSize - 1));

    if (const json* text = Find(field, "text")) {
      if (Find(field, "size") || Find(field, "value"))
        Fail(at, "a field has either \"text\" or \"size\" and \"value\", not both");
      const std::string& bytes = GetString(*text, Member(at, "text"));
      if (bytes.size() > kQ8RecordSize - offset)
        Fail(Member(at, "text"), std::to_string(bytes.size()) + " bytes at offset " +
                                     std::to_string(offset) + " run past the record's " +
                                     std::to_string(kQ8RecordSize) + " bytes");
      record.resize(std::max(record.size(), offset + bytes.size()), 0);
      std::copy(bytes.begin(), bytes.end(), record.begin() + std::ptrdiff_t(offset));
      continue;
    }

    const uint64_t width =
        GetUnsigned(Require(field, at, "size"), Member(at, "size"), 0, UINT64_MAX);
    if (width != 1 && width != 2 && width != 4)
      Fail(Member(at, "size"), std::to_string(width) + " is not 1, 2 or 4");
    const size_t size = size_t(width);
    if (size > kQ8RecordSize - offset)
      Fail(at, std::to_string(size) + " bytes at offset " + std::to_string(offset) +
                   " run past the record's " + std::to_string(kQ8RecordSize) + " bytes");
    const uint64_t max = (uint64_t(1) << (8 * size)) - 1;
    const uint64_t value = GetUnsigned(Require(field, at, "value"), Member(at, "value"), 0, max);
    record.resize(std::max(record.size(), offset + size), 0);
    for (size_t b = 0; b < size; ++b) record[offset + b] = uint8_t(value >> (8 * b));
  }
}

OldSeqFrameDescription ParseFrame(const json& frame, const std::string& at, size_t position,
                                  uint64_t bulbSize) {
  if (!frame.is_object()) Fail(at, std::string("must be an object, not ") + frame.type_name());
  CheckKeys(frame, at, {"kind", "record", "fields", "bulbs", "index", "graphical"});
  OldSeqFrameDescription out;
  out.kind = unsigned(GetUnsigned(Require(frame, at, "kind"), Member(at, "kind"), 0, 255));
  const bool graphical = platform::IsQ8GraphicalKind(out.kind);

  if (const json* record = Find(frame, "record")) {
    out.record = GetHex(*record, Member(at, "record"));
    if (out.record.size() > kQ8RecordSize)
      Fail(Member(at, "record"),
           std::to_string(out.record.size()) + " bytes, at most " + std::to_string(kQ8RecordSize));
  }
  if (const json* fields = Find(frame, "fields"))
    ApplyFields(*fields, Member(at, "fields"), out.record);

  if (const json* bulbs = Find(frame, "bulbs")) {
    if (!graphical)
      Fail(Member(at, "bulbs"), "frame kind " + std::to_string(out.kind) +
                                    " carries no bulb data (only kinds 4 and 6 do)");
    out.bulbs = GetHex(*bulbs, Member(at, "bulbs"));
    if (out.bulbs.size() != bulbSize)
      Fail(Member(at, "bulbs"), std::to_string(out.bulbs.size()) + " bytes, expected " +
                                    std::to_string(bulbSize) + " for this geometry");
  }

  // Keys that info --json prints; accepted so that its output can be fed
  // back, and checked so that they cannot contradict the rest.
  if (const json* index = Find(frame, "index"))
    GetUnsigned(*index, Member(at, "index"), position + 1, position + 1);
  if (const json* flag = Find(frame, "graphical"))
    if (GetBool(*flag, Member(at, "graphical")) != graphical)
      Fail(Member(at, "graphical"), std::string("kind ") + std::to_string(out.kind) + " is " +
                                        (graphical ? "graphical" : "not graphical"));
  return out;
}

// info --json keys of an old sequence that make-old does not need.
void CheckInformationalKeys(const json& root, const OldSeqDescription& out, uint64_t bulbSize) {
  if (const json* format = Find(root, "format"))
    if (GetString(*format, "format") != "seq")
      Fail("format",
           "\"" + format->get<std::string>() + "\" cannot be written; make-old writes \"seq\"");
  if (const json* name = Find(root, "colorName")) {
    const std::optional<uint32_t> type = platform::ColorTypeFromName(GetString(*name, "colorName"));
    if (type != out.colorType)
      Fail("colorName", "does not name colour type " + std::to_string(out.colorType));
  }
  if (const json* tech = Find(root, "pixelTech")) GetUnsigned(*tech, "pixelTech", 0, 0);
  if (const json* techName = Find(root, "pixelTechName"))
    if (!GetString(*techName, "pixelTechName").empty())
      Fail("pixelTechName", "old sequences have no pixel technology");
  if (const json* preview = Find(root, "previewOnly"))
    if (GetBool(*preview, "previewOnly"))
      Fail("previewOnly", "old sequences cannot be preview-only");
  if (const json* size = Find(root, "bulbDataSize"))
    GetUnsigned(*size, "bulbDataSize", bulbSize, bulbSize);
}

struct TooManyValues {};

json ParseJson(std::string_view text, size_t maxValues) {
  size_t values = 0;
  const json::parser_callback_t count = [&values, maxValues](int, json::parse_event_t event,
                                                             json&) {
    if (event == json::parse_event_t::value || event == json::parse_event_t::object_start ||
        event == json::parse_event_t::array_start) {
      if (++values > maxValues) throw TooManyValues{};
    }
    return true;
  };
  try {
    return json::parse(text, count);
  } catch (const json::parse_error& e) {
    // "[json.exception.parse_error.101] parse error at line 1, column 5: ..."
    std::string message = e.what();
    const size_t bracket = message.find("] ");
    if (message.starts_with("[json.exception.") && bracket != std::string::npos)
      message.erase(0, bracket + 2);
    throw DescriptionError("invalid JSON: " + message);
  } catch (const TooManyValues&) {
    throw DescriptionError("more than " + std::to_string(maxValues) + " JSON values");
  }
}

OldSeqDescription Parse(std::string_view text, size_t maxValues) {
  const json root = ParseJson(text, maxValues);
  if (!root.is_object())
    throw DescriptionError(std::string("the description must be a JSON object, not ") +
                           root.type_name());
  CheckKeys(root, "",
            {"rows", "columns", "colorType", "frames", "format", "colorName", "pixelTech",
             "pixelTechName", "previewOnly", "bulbDataSize"});
  OldSeqDescription out;
  out.rows =
      unsigned(GetUnsigned(Require(root, "", "rows"), "rows", 1, platform::kQ8SeqMaxDimension));
  out.columns = unsigned(
      GetUnsigned(Require(root, "", "columns"), "columns", 1, platform::kQ8SeqMaxDimension));
  out.colorType = GetColorType(Require(root, "", "colorType"), "colorType");
  const uint64_t bulbSize = platform::BulbDataSize(out.rows, out.columns, out.colorType);
  CheckInformationalKeys(root, out, bulbSize);

  const json& frames = Require(root, "", "frames");
  if (!frames.is_array())
    Fail("frames", std::string("must be an array, not ") + frames.type_name());
  out.frames.reserve(frames.size());
  for (size_t i = 0; i < frames.size(); ++i)
    out.frames.push_back(ParseFrame(frames[i], "frames[" + std::to_string(i) + "]", i, bulbSize));
  return out;
}

}  // namespace

std::optional<OldSeqDescription> ParseOldSeqDescription(std::string_view text, std::string& error,
                                                        size_t maxValues) {
  try {
    return Parse(text, maxValues);
  } catch (const DescriptionError& e) {
    error = e.what();
  } catch (const json::exception& e) {
    error = e.what();  // a check above missed a type; still one line, never a crash
  }
  return std::nullopt;
}

}  // namespace q9::q9seq
