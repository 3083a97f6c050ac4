#include "platform/signlib/cq9_sequence_file.h"

#include <new>
#include <string>

#include "platform/base/read_whole_file.h"
#include "platform/signlib/cq9_data_frame.h"
#include "platform/signlib/cq9_end_frame.h"
#include "platform/signlib/cq9_gph_frame.h"
#include "platform/signlib/cq9_hdr_frame.h"
#include "platform/signlib/cq9_inc_frame.h"
#include "platform/signlib/cq9_txd_frame.h"
#include "platform/signlib/sq9_format.h"
#include "platform/signlib/sq9_reader.h"

namespace q9::platform {
namespace {

// True when path holds a sequence whose header is marked preview-only. Only
// the header is read; a file that is not a sequence is simply replaced.
bool IsPreviewOnlyFile(const char* path) {
  const Result<std::vector<uint8_t>> prefix = ReadFileStart(path, kSq9PrefixSize);
  Sq9Header header;
  std::string error;
  return prefix && ReadSq9Header(*prefix, header, error) && header.PreviewOnly();
}

bool IsAddableType(uint32_t typeCode) {
  return typeCode == kFrameGraphics || typeCode == kFrameData || typeCode == kFrameInclude ||
         typeCode == kFrameTransmitData || typeCode == kFrameEnd;
}

// The most bytes a frame of this type can take in the file.
uint64_t MaxChunkBytes(uint32_t typeCode, uint32_t bulbDataSize) {
  if (typeCode == kFrameInclude) return Sq9ChunkBytes(kSq9IncMaxPayload);
  return Sq9ChunkBytes(Sq9FixedPayloadSize(typeCode, bulbDataSize).value_or(0));
}

std::unique_ptr<CQ9Frame> MakeFrame(uint32_t typeCode, uint32_t bulbDataSize) {
  switch (typeCode) {
    case kFrameGraphics:
      return CQ9GphFrame::Create(bulbDataSize);
    case kFrameData:
      return CQ9DataFrame::Create(bulbDataSize);
    case kFrameInclude:
      return std::unique_ptr<CQ9Frame>(new (std::nothrow) CQ9IncFrame());
    case kFrameTransmitData:
      return std::unique_ptr<CQ9Frame>(new (std::nothrow) CQ9TxdFrame());
    case kFrameEnd:
      return std::unique_ptr<CQ9Frame>(new (std::nothrow) CQ9EndFrame());
    default:
      return nullptr;
  }
}

}  // namespace

CQ9SequenceFile::CQ9SequenceFile() = default;

CQ9SequenceFile::~CQ9SequenceFile() {
  CQ9SequenceFile::Close();
}

int CQ9SequenceFile::OpenCreate(const char* path, uint16_t rows, uint16_t columns,
                                uint32_t colorType, uint32_t pixelTech) {
  Close();
  if (path == nullptr || rows == 0 || columns == 0 || colorType >= kColorTypeCount ||
      pixelTech > kSq9MaxPixelTech)
    return 0;
  const uint64_t bulbDataSize = platform::BulbDataSize(rows, columns, colorType);
  if (bulbDataSize > kSq9MaxBulbDataSize) return 0;

  const bool previewOnly = IsPreviewOnlyFile(path);
  // A preview-only destination is never written, so it needs no temporary file.
  if (!OpenPath(path, !previewOnly)) return 0;

  std::unique_ptr<CQ9Frame> header(new (std::nothrow) CQ9HdrFrame());
  if (!header) {
    Close();
    return 0;
  }
  try {
    m_frames.push_back(std::move(header));
  } catch (const std::bad_alloc&) {
    Close();
    return 0;
  }
  m_rows = rows;
  m_columns = columns;
  m_colorType = colorType;
  m_pixelTech = pixelTech;
  m_bulbDataSize = static_cast<uint32_t>(bulbDataSize);
  m_destinationPreviewOnly = previewOnly;
  m_riffSizeBound = 4 + Sq9ChunkBytes(kSq9HeaderSize) + MaxChunkBytes(kFrameSequenceHeader, 0);
  return 1;
}

uint8_t CQ9SequenceFile::IsPreviewOnly() const {
  return (m_previewOnly || m_destinationPreviewOnly) ? 1 : 0;
}

void CQ9SequenceFile::SetPreviewOnly(bool on) {
  m_previewOnly = on;
}

int CQ9SequenceFile::AddFrame(uint32_t typeCode, int position) {
  if (!IsOpen() || !IsAddableType(typeCode)) return kErrorInsertingFrame;
  const int count = FrameCount();
  int at;
  if (position == -1 || position >= count) {
    at = count;
  } else if (position >= 1) {
    at = position;  // frame 0 always stays the header frame
  } else {
    return kErrorInsertingFrame;
  }
  const uint64_t chunkBytes = MaxChunkBytes(typeCode, m_bulbDataSize);
  if (count >= static_cast<int>(kSq9MaxFrames) || m_riffSizeBound + chunkBytes > kSq9MaxRiffSize)
    return kFrameLimitReached;

  std::unique_ptr<CQ9Frame> frame = MakeFrame(typeCode, m_bulbDataSize);
  if (!frame) return kErrorInsertingFrame;
  try {
    m_frames.insert(m_frames.begin() + at, std::move(frame));
  } catch (const std::bad_alloc&) {
    return kErrorInsertingFrame;
  }
  m_riffSizeBound += chunkBytes;
  return at;
}

CQ9Frame* CQ9SequenceFile::Frame(int index) {
  return index >= 0 && index < FrameCount() ? m_frames[static_cast<size_t>(index)].get() : nullptr;
}

const CQ9Frame* CQ9SequenceFile::Frame(int index) const {
  return index >= 0 && index < FrameCount() ? m_frames[static_cast<size_t>(index)].get() : nullptr;
}

bool CQ9SequenceFile::WriteHeaderChunk(uint32_t frameCount) {
  return WriteU32(kSq9HeaderChunk) && WriteU32(kSq9HeaderSize) && WriteU16(kSq9Version) &&
         WriteU16(m_rows) && WriteU16(m_columns) && WriteU16(0) && WriteU32(m_colorType) &&
         WriteU32(m_pixelTech) && WriteU32(m_previewOnly ? kSq9FlagPreviewOnly : 0) &&
         WriteU32(frameCount) && WriteU32(m_bulbDataSize);
}

int CQ9SequenceFile::Save() {
  if (!IsOpen() || m_destinationPreviewOnly) return 0;
  uint64_t riffSize = 4 + Sq9ChunkBytes(kSq9HeaderSize);
  for (const auto& frame : m_frames) riffSize += Sq9ChunkBytes(frame->PayloadSize());
  if (riffSize > kSq9MaxRiffSize) return 0;  // AddFrame keeps us below this

  if (!BeginWrite()) return 0;
  bool ok = WriteU32(kRiffId) && WriteU32(static_cast<uint32_t>(riffSize)) &&
            WriteU32(kSq9FormType) && WriteHeaderChunk(static_cast<uint32_t>(m_frames.size()));
  for (const auto& frame : m_frames) {
    if (!ok) break;
    const uint32_t size = frame->PayloadSize();
    ok = WriteU32(frame->TypeCode()) && WriteU32(size) && frame->WritePayload(*this) &&
         ((size & 1) == 0 || WriteZeros(1));
  }
  return ok && Commit() ? 1 : 0;
}

void CQ9SequenceFile::Close() {
  CQ9RiffFile::Close();
  m_frames.clear();
  m_frames.shrink_to_fit();
  m_rows = 0;
  m_columns = 0;
  m_colorType = 0;
  m_pixelTech = 0;
  m_bulbDataSize = 0;
  m_previewOnly = false;
  m_destinationPreviewOnly = false;
  m_riffSizeBound = 0;
}

}  // namespace q9::platform
