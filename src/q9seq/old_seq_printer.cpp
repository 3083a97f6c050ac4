#include "q9seq/old_seq_printer.h"

#include <cstdio>
#include <span>
#include <string>

#include "platform/signlib/byte_io.h"
#include "platform/signlib/q8_record.h"
#include "platform/signlib/sign_types.h"
#include "platform/signlib/sq9_records.h"
#include "q9seq/framed_json_writer.h"
#include "q9seq/hex.h"
#include "q9seq/tool_output.h"

namespace q9::q9seq {
namespace {

using nlohmann::ordered_json;
using platform::CQ8Seq;
using Record = std::span<const uint8_t, platform::kQ8RecordSize>;

const char* KindName(unsigned kind) {
  switch (kind) {
    case platform::kQ8FrameNone:
      return "none";
    case platform::kQ8FrameEnd:
      return "end";
    case platform::kQ8FrameInclude:
      return "include";
    case platform::kQ8FrameRepeat:
      return "repeat";
    case platform::kQ8FrameGraphics:
      return "graphics";
    case platform::kQ8FrameBlankData:
      return "blank data";
    case platform::kQ8FrameData:
      return "data";
    case platform::kQ8FrameTransmitData:
      return "transmit data";
    default:
      return "unknown";
  }
}

// A name of at most `size` bytes at offset, ending at its first NUL.
std::string FieldText(Record record, size_t offset, size_t size) {
  return platform::RecordText(record.subspan(offset, size), 0, size);
}

std::string HoldSummary(Record record) {
  const unsigned hold = platform::LoadU16(&record[platform::kQ8HoldTime]);
  const bool fine = record[platform::kQ8TimeUnit] != 0;
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.3f s", hold / (fine ? 120.0 : 10.0));
  return "hold " + std::to_string(hold) + (fine ? " x 1/120 s (" : " x 1/10 s (") + seconds + ")";
}

unsigned DataFieldsInUse(Record record) {
  unsigned count = 0;
  for (size_t i = 0; i < platform::kQ8DataEntryCount; ++i) {
    const size_t entry = platform::kQ8DataEntries + i * platform::kQ8DataEntrySize;
    if (platform::LoadU16(&record[entry + platform::kQ8DataCode]) != 0) ++count;
  }
  return count;
}

// The first entry's label names the frame; the text is every entry's data
// bytes in turn.
std::string TransmitSummary(Record record) {
  std::string text;
  for (size_t i = 0; i < platform::kQ8TextEntryCount; ++i) {
    const size_t entry = platform::kQ8TextEntries + i * platform::kQ8TextEntrySize;
    const size_t dataBytes = platform::kQ8TextEntrySize - platform::kQ8TextData;
    const size_t used = std::min<size_t>(record[entry + platform::kQ8TextCount], dataBytes);
    const auto data = record.subspan(entry + platform::kQ8TextData, used);
    text.append(data.begin(), data.end());
  }
  const std::string name = FieldText(record, platform::kQ8TextEntries + platform::kQ8TextLabel,
                                     platform::kQ8TextData - platform::kQ8TextLabel);
  return "name " + QuotedText(name) + ", text " + QuotedText(text);
}

std::string FrameSummary(unsigned kind, Record record) {
  switch (kind) {
    case platform::kQ8FrameGraphics:
      return HoldSummary(record);
    case platform::kQ8FrameData:
      return HoldSummary(record) + ", " + CountOf(DataFieldsInUse(record), "data field");
    case platform::kQ8FrameInclude: {
      const size_t nameBytes = platform::kQ8IncludeLibrary - platform::kQ8IncludeName;
      return "name " + QuotedText(FieldText(record, platform::kQ8IncludeName, nameBytes)) +
             ", library " + QuotedText(FieldText(record, platform::kQ8IncludeLibrary, 8));
    }
    case platform::kQ8FrameTransmitData:
      return TransmitSummary(record);
    default:
      return "";
  }
}

std::span<const uint8_t> Bulbs(const CQ8Seq& sequence) {
  if (!sequence.IsGraphical() || sequence.GetBulbPtr() == nullptr) return {};
  return {sequence.GetBulbPtr(), sequence.GetBulbSize()};
}

}  // namespace

bool PrintOldSeq(CQ8Seq& sequence, const InfoOptions& options, std::ostream& out) {
  unsigned rows = 0, columns = 0, colorType = 0;
  sequence.GetSeqStats(&rows, &columns, &colorType);
  const uint64_t bulbSize = platform::BulbDataSize(rows, columns, colorType);
  const unsigned frameCount = sequence.GetNFrames();

  if (options.json) {
    ordered_json header;
    header["format"] = "seq";
    header["rows"] = rows;
    header["columns"] = columns;
    header["colorType"] = colorType;
    header["colorName"] = platform::ColorTypeName(colorType);
    header["pixelTech"] = 0;
    header["pixelTechName"] = "";
    header["previewOnly"] = false;
    header["bulbDataSize"] = bulbSize;
    FramedJsonWriter writer(out, header);
    for (unsigned n = 1; n <= frameCount; ++n) {
      if (sequence.LoadFrame(n) != platform::kQ8Ok) return false;
      ordered_json frame;
      frame["index"] = n;
      frame["kind"] = sequence.GetFrameType();
      frame["record"] = HexEncode({sequence.GetFrBufPtr(), platform::kQ8RecordSize});
      frame["graphical"] = sequence.IsGraphical() != 0;
      if (options.bulbs && sequence.IsGraphical()) frame["bulbs"] = HexEncode(Bulbs(sequence));
      writer.AddFrame(frame);
    }
    writer.Finish();
    return true;
  }

  out << "format        seq\n"
      << "rows          " << rows << '\n'
      << "columns       " << columns << '\n'
      << "colour type   " << colorType << " (" << platform::ColorTypeName(colorType) << ")\n"
      << "bulb data     " << bulbSize << " bytes per frame\n"
      << "frames        " << frameCount << '\n';
  for (unsigned n = 1; n <= frameCount; ++n) {
    if (sequence.LoadFrame(n) != platform::kQ8Ok) return false;
    const unsigned kind = sequence.GetFrameType();
    const Record record(sequence.GetFrBufPtr(), platform::kQ8RecordSize);
    const std::string type = "kind " + std::to_string(kind) + " (" + KindName(kind) + ")";
    out << FrameLine(n, type, FrameSummary(kind, record)) << '\n';
    if (options.bulbs && sequence.IsGraphical())
      out << "       bulbs " << HexEncode(Bulbs(sequence)) << '\n';
  }
  return true;
}

}  // namespace q9::q9seq
