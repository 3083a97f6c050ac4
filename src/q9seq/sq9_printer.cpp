#include "q9seq/sq9_printer.h"

#include <cstdio>
#include <string>

#include "platform/signlib/byte_io.h"
#include "platform/signlib/sq9_format.h"
#include "platform/signlib/sq9_records.h"
#include "q9seq/framed_json_writer.h"
#include "q9seq/hex.h"
#include "q9seq/tool_output.h"

namespace q9::q9seq {
namespace {

using nlohmann::ordered_json;
using platform::Sq9Contents;
using platform::Sq9Frame;
using platform::tag_Q9_DATA_HDR;
using platform::tag_Q9_GRP_HDR;
using platform::tag_Q9_TXD_FRM;

bool HasGraphicsHeader(const Sq9Frame& frame) {
  return (frame.typeCode == platform::kFrameGraphics || frame.typeCode == platform::kFrameData) &&
         frame.record.size() == tag_Q9_GRP_HDR::kSize;
}

// The reader has checked every record's size against its type, so the
// records below are read at fixed offsets.
uint32_t HoldTime(const Sq9Frame& frame) {
  return platform::LoadU32(frame.record.data() + tag_Q9_GRP_HDR::kHoldTime);
}

uint16_t DataFieldCount(const Sq9Frame& frame) {
  return platform::LoadU16(frame.dataHeader.data() + tag_Q9_DATA_HDR::kEntryCount);
}

tag_Q9_TXD_FRM TxdRecord(const Sq9Frame& frame) {
  tag_Q9_TXD_FRM txd;
  std::copy_n(frame.record.begin(), std::min(frame.record.size(), txd.kSize), txd.bytes);
  return txd;
}

ordered_json FrameJson(size_t index, const Sq9Frame& frame, bool withBulbs) {
  ordered_json j;
  j["index"] = index;
  j["type"] = platform::FourCCText(frame.typeCode);
  switch (frame.typeCode) {
    case platform::kFrameSequenceHeader:
      j["hdrFrm"] = HexEncode(frame.record);
      break;
    case platform::kFrameGraphics:
    case platform::kFrameData:
      if (HasGraphicsHeader(frame)) j["holdTime"] = HoldTime(frame);
      j["gphHdr"] = HexEncode(frame.record);
      if (frame.typeCode == platform::kFrameData) j["dataHdr"] = HexEncode(frame.dataHeader);
      break;
    case platform::kFrameInclude: {
      ordered_json fields = ordered_json::array();
      for (const auto& field : frame.fields)
        fields.push_back({{"enabled", field.enabled}, {"path", field.path}});
      j["fields"] = std::move(fields);
      break;
    }
    case platform::kFrameTransmitData: {
      const tag_Q9_TXD_FRM txd = TxdRecord(frame);
      j["name"] = txd.Name();
      j["text"] = txd.Text();
      j["txd"] = HexEncode(frame.record);
      break;
    }
    default:
      break;
  }
  if (withBulbs && !frame.bulbs.empty()) j["bulbs"] = HexEncode(frame.bulbs);
  return j;
}

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f s", seconds);
  return text;
}

std::string FrameSummary(const Sq9Frame& frame) {
  switch (frame.typeCode) {
    case platform::kFrameGraphics:
    case platform::kFrameData: {
      if (!HasGraphicsHeader(frame)) return "";
      const uint32_t hold = HoldTime(frame);
      std::string text =
          "hold " + std::to_string(hold) + " x 1/120 s (" + Seconds(hold / 120.0) + ")";
      if (frame.typeCode == platform::kFrameData &&
          frame.dataHeader.size() == tag_Q9_DATA_HDR::kSize)
        text += ", " + CountOf(DataFieldCount(frame), "data field");
      return text;
    }
    case platform::kFrameInclude: {
      if (frame.fields.empty()) return "no fields";
      std::string text = CountOf(frame.fields.size(), "field") + ":";
      for (size_t i = 0; i < frame.fields.size(); ++i) {
        text += i == 0 ? " " : ", ";
        text += (frame.fields[i].enabled ? "on " : "off ") + QuotedText(frame.fields[i].path);
      }
      return text;
    }
    case platform::kFrameTransmitData: {
      const tag_Q9_TXD_FRM txd = TxdRecord(frame);
      return "name " + QuotedText(txd.Name()) + ", text " + QuotedText(txd.Text());
    }
    default:
      return "";
  }
}

void PrintJson(const Sq9Contents& sequence, bool withBulbs, std::ostream& out) {
  const platform::Sq9Header& h = sequence.header;
  ordered_json header;
  header["format"] = "sq9";
  header["rows"] = h.rows;
  header["columns"] = h.columns;
  header["colorType"] = h.colorType;
  header["colorName"] = platform::ColorTypeName(h.colorType);
  header["pixelTech"] = h.pixelTech;
  header["pixelTechName"] = platform::PixelTechName(h.pixelTech);
  header["previewOnly"] = h.PreviewOnly();
  header["bulbDataSize"] = h.bulbDataSize;
  FramedJsonWriter writer(out, header);
  for (size_t i = 0; i < sequence.frames.size(); ++i)
    writer.AddFrame(FrameJson(i, sequence.frames[i], withBulbs));
  writer.Finish();
}

void PrintText(const Sq9Contents& sequence, bool withBulbs, std::ostream& out) {
  const platform::Sq9Header& h = sequence.header;
  out << "format        sq9\n"
      << "rows          " << h.rows << '\n'
      << "columns       " << h.columns << '\n'
      << "colour type   " << h.colorType << " (" << platform::ColorTypeName(h.colorType) << ")\n"
      << "pixel tech    " << h.pixelTech;
  if (!platform::PixelTechName(h.pixelTech).empty())
    out << " (" << platform::PixelTechName(h.pixelTech) << ")";
  out << '\n'
      << "preview-only  " << (h.PreviewOnly() ? "yes" : "no") << '\n'
      << "bulb data     " << h.bulbDataSize << " bytes per frame\n"
      << "frames        " << sequence.frames.size() << '\n';
  for (size_t i = 0; i < sequence.frames.size(); ++i) {
    const Sq9Frame& frame = sequence.frames[i];
    out << FrameLine(i, platform::FourCCText(frame.typeCode), FrameSummary(frame)) << '\n';
    if (withBulbs && !frame.bulbs.empty()) out << "       bulbs " << HexEncode(frame.bulbs) << '\n';
  }
}

}  // namespace

void PrintSq9(const Sq9Contents& sequence, const InfoOptions& options, std::ostream& out) {
  if (options.json)
    PrintJson(sequence, options.bulbs, out);
  else
    PrintText(sequence, options.bulbs, out);
}

}  // namespace q9::q9seq
