#include "convert/old_seq_translator.h"

#include <algorithm>
#include <cstring>

#include "imaging/convert_bulb_data.h"
#include "platform/signlib/byte_io.h"
#include "platform/signlib/cq9_data_frame.h"
#include "platform/signlib/cq9_gph_frame.h"
#include "platform/signlib/cq9_inc_frame.h"
#include "platform/signlib/cq9_txd_frame.h"
#include "platform/signlib/q8_record.h"
#include "platform/signlib/sq9_records.h"

namespace q9::convert {

using platform::BulbLayout;
using platform::CQ9DataFrame;
using platform::CQ9GphFrame;
using platform::CQ9IncFrame;
using platform::CQ9SequenceFile;
using platform::CQ9TxdFrame;
using platform::LoadU16;
using platform::StoreU16;
using platform::StoreU32;
using platform::tag_Q9_DATA_HDR;
using platform::tag_Q9_GRP_HDR;
using platform::tag_Q9_TXD_FRM;

namespace {

// Data-field entries of a new data frame filled from the old table, and the
// size of the new text.
constexpr size_t kNewDataEntries = 128;
constexpr size_t kTextStop = 256;  // gathering ends after the entry that reaches this
constexpr size_t kMaxText = 255;

// Old include names and transmit-data labels fill their fields completely when
// they are as long as the field, with no NUL after them.
constexpr size_t kIncludeNameBytes = platform::kQ8IncludeLibrary - platform::kQ8IncludeName;
constexpr size_t kLabelBytes = platform::kQ8TextData - platform::kQ8TextLabel;

// "..\" + the cut path must fit the include frame, so the frame never refuses a
// path made here.
static_assert(3 + OldSeqTranslator::kMaxIncludePath <= CQ9IncFrame::kMaxPathBytes);
// The last text entry's count byte may claim up to 255 data bytes; they still
// lie inside the old record.
static_assert(platform::kQ8TextEntries +
                  platform::kQ8TextEntrySize * (platform::kQ8TextEntryCount - 1) +
                  platform::kQ8TextData + 255 <=
              platform::kQ8RecordSize);
static_assert(platform::kQ8DataEntries + platform::kQ8DataEntrySize * platform::kQ8DataEntryCount <=
              platform::kQ8RecordSize);

// The text at p, up to its first NUL and at most maxBytes long.
std::string BoundedText(const uint8_t* p, size_t maxBytes) {
  const char* text = reinterpret_cast<const char*>(p);
  return std::string(text, strnlen(text, maxBytes));
}

// What sprintf's "%s" would take of a view: up to its first NUL.
std::string_view UpToNul(std::string_view text) {
  return text.substr(0, text.find('\0'));
}

bool IsEmpty(const imaging::BulbRect& rect) {
  return rect.Width() <= 0 || rect.Height() <= 0;
}

// True when the layout names a real geometry whose bulb data fit in size bytes,
// so a conversion that trusts the layout stays inside the buffer.
bool LayoutFits(const BulbLayout& layout, size_t size) {
  if (!platform::IsValidBulbGeometry(layout.rows, layout.columns, layout.colorType)) return false;
  return platform::MakeBulbLayout(layout.rows, layout.columns, layout.colorType).totalSize <= size;
}

}  // namespace

OldSeqTranslator::OldSeqTranslator(CQ9SequenceFile& destination, platform::CQ8Seq& reader,
                                   const platform::SignGeometry& sign, ConversionHost* host)
    : m_destination(destination), m_reader(reader), m_sign(sign), m_host(host) {}

int OldSeqTranslator::Open(const std::string& path) {
  m_lastResult = m_reader.Open(path.c_str());
  if (m_lastResult != 0) {
    ShowMessage(kErrorEncountered);
    StopOnError();
    return 0;
  }
  m_frameCount = m_reader.GetNFrames();
  m_reader.GetSeqStats(&m_oldRows, &m_oldColumns, &m_oldColorType);
  m_nextFrameNumber = 0;
  return 1;
}

int OldSeqTranslator::ReadFrame(unsigned n) {
  if (m_stopped) return 0;
  if (n > m_frameCount) {
    ShowMessage(std::string(kErrorPrefix) + kReadBeyondEnd);
    StopOnError();
    return 0;
  }
  m_lastResult = m_reader.LoadFrame(n);
  m_nextFrameNumber = n + 1;
  if (m_lastResult != 0) {
    ShowMessage(kErrorEncountered);
    StopOnError();
    return 0;
  }
  m_frameKind = m_reader.GetFrameType();
  m_graphical = m_reader.IsGraphical();
  return 1;
}

int OldSeqTranslator::TranslateFrame(const BulbLayout& oldLayout, const BulbLayout& newLayout,
                                     const imaging::BulbRect& oldRect,
                                     const imaging::BulbRect& newRect) {
  if (m_stopped || m_frameKind > platform::kQ8FrameTransmitData) return 0;
  // Without a current old frame (a failed read that did not stop us, or a
  // reader used elsewhere since) there is nothing to translate.
  const uint8_t* record = m_reader.GetFrBufPtr();
  if (record == nullptr) return 0;

  switch (m_frameKind) {
    case platform::kQ8FrameNone:
      m_currentFrame = 0;
      return 1;
    case platform::kQ8FrameEnd:
      return AppendFrame(platform::kFrameEnd) >= 0 ? 1 : 0;
    case platform::kQ8FrameRepeat:
      ShowMessage(std::string(kWarningPrefix) + kRepeatFrame);
      return 1;
    case platform::kQ8FrameBlankData:
      // Left exactly as the sequence made it.
      return AppendFrame(platform::kFrameData) >= 0 ? 1 : 0;
    default:
      break;
  }

  // The frame objects come from the destination by index; each is checked
  // for the class its type promises before its records are written.
  switch (m_frameKind) {
    case platform::kQ8FrameInclude: {
      const int index = AppendFrame(platform::kFrameInclude);
      auto* frame = index < 0 ? nullptr : dynamic_cast<CQ9IncFrame*>(m_destination.Frame(index));
      if (frame == nullptr) return 0;
      FillInclude(*frame, record);
      return 1;
    }
    case platform::kQ8FrameGraphics: {
      const int index = AppendFrame(platform::kFrameGraphics);
      auto* frame = index < 0 ? nullptr : dynamic_cast<CQ9GphFrame*>(m_destination.Frame(index));
      if (frame == nullptr) return 0;
      FillGraphics(*frame, record, oldLayout, newLayout, oldRect, newRect);
      return 1;
    }
    case platform::kQ8FrameData: {
      const int index = AppendFrame(platform::kFrameData);
      auto* frame = index < 0 ? nullptr : dynamic_cast<CQ9DataFrame*>(m_destination.Frame(index));
      if (frame == nullptr) return 0;
      frame->SetFrameDefaults();
      FillGraphics(*frame, record, oldLayout, newLayout, oldRect, newRect);
      FillData(*frame, record);
      return 1;
    }
    case platform::kQ8FrameTransmitData: {
      const int index = AppendFrame(platform::kFrameTransmitData);
      auto* frame = index < 0 ? nullptr : dynamic_cast<CQ9TxdFrame*>(m_destination.Frame(index));
      if (frame == nullptr) return 0;
      FillTransmitData(*frame, record);
      return 1;
    }
    default:
      return 0;
  }
}

BulbLayout OldSeqTranslator::OldLayout() const {
  return platform::MakeBulbLayout(m_oldRows, m_oldColumns, m_oldColorType);
}

BulbLayout OldSeqTranslator::NewLayout() const {
  return platform::MakeBulbLayout(m_sign.rows, m_sign.columns, m_sign.colorType);
}

imaging::BulbRect OldSeqTranslator::OldRect() const {
  return {0, 0, int(m_oldColumns), int(m_oldRows)};
}

imaging::BulbRect OldSeqTranslator::NewRect() const {
  return {0, 0, int(m_sign.columns), int(m_sign.rows)};
}

std::string OldSeqTranslator::IncludePath(std::string_view library, std::string_view name) {
  std::string path = "..\\";
  path.append(UpToNul(library)).append(".Lib\\").append(UpToNul(name)).append(".SQ9");
  if (path.size() > kMaxIncludePath) path = "..\\" + path.substr(0, kMaxIncludePath);
  return path;
}

// Every message of the translation is a plain OK box under the application's
// title: the insertion failures are plain boxes by design, and the reader
// errors and the repeat warning name no icon of their own.
void OldSeqTranslator::ShowMessage(const std::string& text) const {
  if (!m_showMessages || m_host == nullptr) return;
  m_host->ShowMessage(text, kAppTitle, MessageButtons::Ok, MessageIcon::None);
}

void OldSeqTranslator::StopOnError() {
  if (m_stopOnError) m_stopped = true;
}

int OldSeqTranslator::AppendFrame(uint32_t typeCode) {
  const int index = m_destination.AddFrame(typeCode, -1);
  if (index < 0) {
    // Reported per frame; the translation goes on with the next one.
    if (index == CQ9SequenceFile::kErrorInsertingFrame) ShowMessage(kErrorInsertingFrame);
    if (index == CQ9SequenceFile::kFrameLimitReached) ShowMessage(kFrameLimitReached);
    return -1;
  }
  m_currentFrame = index;
  return index;
}

void OldSeqTranslator::FillGraphics(CQ9GphFrame& frame, const uint8_t* record,
                                    const BulbLayout& oldLayout, const BulbLayout& newLayout,
                                    const imaging::BulbRect& oldRect,
                                    const imaging::BulbRect& newRect) {
  using H = tag_Q9_GRP_HDR;
  H& h = *frame.GphHdr();
  h.SetU16(H::kFrameNumber, uint16_t(m_nextFrameNumber));
  h.SetU32(H::kValue16, record[8]);
  h.SetU32(H::kValue20, record[9]);
  h.SetU16(H::kValue24, record[7]);
  h.SetU32(H::kValue26, record[10]);
  h.SetU32(H::kValue30, record[11]);
  h.SetU32(H::kValue38, record[14]);
  h.SetU32(H::kValue44, record[15]);
  h.SetU16(H::kValue42, record[16]);
  // Old hold times count tenths of a second unless the unit byte says
  // 1/120 s; the new header always counts 1/120 s.
  const uint32_t hold = LoadU16(record + platform::kQ8HoldTime);
  h.SetU32(H::kHoldTime, hold * (record[platform::kQ8TimeUnit] != 0 ? 1 : 12));
  FillBulbs(frame, oldLayout, newLayout, oldRect, newRect);
}

void OldSeqTranslator::FillBulbs(CQ9GphFrame& frame, const BulbLayout& oldLayout,
                                 const BulbLayout& newLayout, const imaging::BulbRect& oldRect,
                                 const imaging::BulbRect& newRect) {
  const uint8_t* src = m_reader.GetBulbPtr();
  uint8_t* dst = frame.BulbData();
  if (src == nullptr || dst == nullptr) return;  // no old bulbs: the frame stays blank
  const size_t srcSize = m_reader.GetBulbSize();
  const size_t dstSize = frame.BulbDataSize();

  if (IsEmpty(oldRect) || IsEmpty(newRect)) {
    std::memcpy(dst, src, std::min(srcSize, dstSize));
    return;
  }
  // The conversion trusts the layouts for the buffer sizes; layouts that do
  // not describe the buffers at hand leave the frame blank rather than read
  // or write past them. A failed conversion leaves it blank too.
  if (!LayoutFits(oldLayout, srcSize) || !LayoutFits(newLayout, dstSize)) return;
  imaging::ConvertBulbData(oldLayout.columns, oldLayout.rows, oldRect, src, oldLayout.colorType,
                           newLayout.columns, newLayout.rows, newRect, dst, newLayout.colorType,
                           /*quadFlag=*/false);
}

void OldSeqTranslator::FillData(CQ9DataFrame& frame, const uint8_t* record) {
  using D = tag_Q9_DATA_HDR;
  D& d = *frame.DataHdr();
  for (size_t i = 0; i < kNewDataEntries; ++i) {
    const uint8_t* old = record + platform::kQ8DataEntries + platform::kQ8DataEntrySize * i;
    const unsigned code = LoadU16(old + platform::kQ8DataCode);
    const unsigned a = LoadU16(old + platform::kQ8DataWordA);
    const unsigned b = LoadU16(old + platform::kQ8DataWordB);
    uint8_t* e = d.Entry(i);

    StoreU32(e + D::kEntryEnabled, code != 0 ? 1 : 0);
    StoreU16(e + D::kEntryValue4, uint16_t((a & 0x7FF) + 1));
    StoreU16(e + D::kEntryValue6, uint16_t((b & 0xFFF) + 1));
    StoreU16(e + D::kEntryValue8, old[platform::kQ8DataByte7]);

    // The top nibbles of A and B choose the field's colour; no colour at all
    // means every colour.
    unsigned v = ((b >> 12) << 4) | (a >> 12);
    if (v == 0) v = 255;
    for (unsigned k = 0; k < 4; ++k) {
      e[D::kEntryColor + k] =
          uint8_t(((v >> (4 + k)) & 1 ? 0xAA : 0x00) | ((v >> k) & 1 ? 0x55 : 0x00));
    }
    std::memset(e + D::kEntryZeros, 0, 8);

    // Codes carry a field number below 5000 and a field group above it.
    StoreU16(e + D::kEntryValue32, uint16_t(code % 5000));
    StoreU16(e + D::kEntryValue34, old[platform::kQ8DataByte2]);
    StoreU16(e + D::kEntryValue36, 0);
    StoreU16(e + D::kEntryValue38, uint16_t((a >> 11) & 1));
    StoreU16(e + D::kEntryValue40, uint16_t(code / 5000 - 1));
    StoreU32(e + D::kEntryValue42, 0);
  }
  d.SetU16(D::kEntryCount, uint16_t(kNewDataEntries));
  for (size_t i = kNewDataEntries; i < D::kEntryCapacity; ++i) {
    uint8_t* e = d.Entry(i);
    StoreU32(e + D::kEntryEnabled, 0);
    StoreU16(e + D::kEntryValue4, 0);
    StoreU16(e + D::kEntryValue6, 0);
    StoreU16(e + D::kEntryValue8, 0);
  }
}

void OldSeqTranslator::FillInclude(CQ9IncFrame& frame, const uint8_t* record) {
  const std::string name = BoundedText(record + platform::kQ8IncludeName, kIncludeNameBytes);
  const std::string library = BoundedText(record + platform::kQ8IncludeLibrary, kIncludeNameBytes);
  const std::string path = IncludePath(library, name);
  frame.SetFieldCount(1);
  frame.EnableField(0, 1);
  // IncludePath keeps every path within the frame's limit (see the
  // static_assert above); a path the frame refused would leave field 0
  // enabled with an empty path.
  frame.SetFieldPath(0, path.c_str());
}

void OldSeqTranslator::FillTransmitData(CQ9TxdFrame& frame, const uint8_t* record) {
  using T = tag_Q9_TXD_FRM;
  T& t = *frame.TxdFrame();
  t.SetU16(T::kOptions, 0);
  t.SetU32(T::kValue, LoadU16(record + platform::kQ8TransmitValue));
  t.SetU32(T::kKind, 0);
  // The first entry's label names the frame.
  t.SetName(BoundedText(record + platform::kQ8TextEntries + platform::kQ8TextLabel, kLabelBytes));

  // Each entry gives as many bytes from its data as its count byte says; the
  // count is taken as stored, and the bytes stay inside the record.
  std::string text;
  for (size_t i = 0; i < platform::kQ8TextEntryCount; ++i) {
    const uint8_t* entry = record + platform::kQ8TextEntries + platform::kQ8TextEntrySize * i;
    const uint8_t* data = entry + platform::kQ8TextData;
    text.append(reinterpret_cast<const char*>(data), entry[platform::kQ8TextCount]);
    if (text.size() >= kTextStop) break;
  }
  std::erase(text, '\0');
  if (text.size() > kMaxText) text.resize(kMaxText);
  t.SetText(text);  // clears the text field, writes the text and its length
}

}  // namespace q9::convert
