#include "platform/signlib/cq9_sequence_file.h"

#include <filesystem>
#include <new>
#include <string>

#include "platform/base/read_whole_file.h"
#include "platform/base/stop_point.h"
#include "platform/signlib/byte_io.h"
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
    case kFrameSequenceHeader:
      return std::unique_ptr<CQ9Frame>(new (std::nothrow) CQ9HdrFrame());
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

// Bytes of the file that keep their distance while they move together.
struct Move {
  uint64_t from = 0;
  uint64_t to = 0;
  uint64_t size = 0;
};

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

  std::unique_ptr<CQ9Frame> header = MakeFrame(kFrameSequenceHeader, 0);
  if (!header) {
    Close();
    return 0;
  }
  try {
    m_slots.push_back(Slot{std::move(header), kFrameSequenceHeader});
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
  m_storeEnd = kSq9PrefixSize;  // the RIFF header and the header chunk come at Save
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
  // A frame appended after the last one makes that one final.
  if (at == count && !Store(m_slots.back())) return kErrorInsertingFrame;
  try {
    m_slots.insert(m_slots.begin() + at, Slot{std::move(frame), typeCode});
  } catch (const std::bad_alloc&) {
    return kErrorInsertingFrame;
  }
  m_riffSizeBound += chunkBytes;
  return at;
}

CQ9Frame* CQ9SequenceFile::Frame(int index) {
  if (index < 0 || index >= FrameCount()) return nullptr;
  Slot& slot = m_slots[static_cast<size_t>(index)];
  return slot.frame ? slot.frame.get() : Load(slot);
}

uint32_t CQ9SequenceFile::PayloadSizeOf(const Slot& slot) {
  return slot.frame ? slot.frame->PayloadSize() : slot.storedSize;
}

bool CQ9SequenceFile::WriteChunk(const CQ9Frame& frame) {
  const uint32_t size = frame.PayloadSize();
  return WriteU32(frame.TypeCode()) && WriteU32(size) && frame.WritePayload(*this) &&
         ((size & 1) == 0 || WriteZeros(1));
}

bool CQ9SequenceFile::Store(Slot& slot) {
  // Without a temporary file (a preview-only destination, which is never
  // saved) frames stay in memory.
  if (!slot.frame || !HasTemporary()) return true;
  const uint64_t at = m_storeEnd;
  if (!SeekTo(at) || !WriteChunk(*slot.frame)) return false;
  slot.storedSize = slot.frame->PayloadSize();
  slot.storedAt = at;
  slot.frame.reset();
  m_storeEnd = Position();
  return true;
}

CQ9Frame* CQ9SequenceFile::Load(Slot& slot) {
  std::unique_ptr<CQ9Frame> frame = MakeFrame(slot.typeCode, m_bulbDataSize);
  if (!frame || !HasTemporary() || !frame->ReadPayload(*this, slot.storedAt + 8, slot.storedSize))
    return nullptr;
  // Its chunk in the file is left behind; Save writes the frame anew.
  slot.frame = std::move(frame);
  return slot.frame.get();
}

bool CQ9SequenceFile::MoveStoredFrames(const std::vector<uint64_t>& finalAt) {
  // Stored frames lie in the file in their order; frames inserted before
  // them or read back in the meantime change where they belong. Neighbours
  // that keep their distance move together.
  std::vector<Move> moves;
  for (size_t i = 0; i < m_slots.size(); ++i) {
    const Slot& slot = m_slots[i];
    if (slot.frame) continue;
    const uint64_t size = Sq9ChunkBytes(slot.storedSize);
    Move* last = moves.empty() ? nullptr : &moves.back();
    if (last != nullptr && last->from + last->size == slot.storedAt &&
        last->to + last->size == finalAt[i]) {
      last->size += size;
    } else if (slot.storedAt != finalAt[i]) {
      moves.push_back({slot.storedAt, finalAt[i], size});
    } else {
      moves.push_back({slot.storedAt, slot.storedAt, size});  // stays; may join the next
    }
  }
  // A block moving up can only land on blocks after it that move up too, and
  // one moving down on blocks before it that move down: those moving up go
  // from the last, then those moving down from the first.
  for (auto m = moves.rbegin(); m != moves.rend(); ++m)
    if (m->to > m->from && !MoveBytes(m->from, m->to, m->size)) return false;
  for (const Move& m : moves)
    if (m.to < m.from && !MoveBytes(m.from, m.to, m.size)) return false;
  return true;
}

bool CQ9SequenceFile::WritePrefix(uint32_t riffSize) {
  ByteWriter out;
  out.U32(kRiffId);
  out.U32(riffSize);
  out.U32(kSq9FormType);
  out.U32(kSq9HeaderChunk);
  out.U32(kSq9HeaderSize);
  out.U16(kSq9Version);
  out.U16(m_rows);
  out.U16(m_columns);
  out.U16(0);
  out.U32(m_colorType);
  out.U32(m_pixelTech);
  out.U32(m_previewOnly ? kSq9FlagPreviewOnly : 0);
  out.U32(static_cast<uint32_t>(m_slots.size()));
  out.U32(m_bulbDataSize);
  return WriteAt(0, out.Data());
}

int CQ9SequenceFile::Save() {
  if (!IsOpen() || m_destinationPreviewOnly || !HasTemporary()) return 0;
  std::vector<uint64_t> finalAt;
  uint64_t end = kSq9PrefixSize;
  try {
    finalAt.reserve(m_slots.size());
  } catch (const std::bad_alloc&) {
    return 0;
  }
  for (const Slot& slot : m_slots) {
    finalAt.push_back(end);
    end += Sq9ChunkBytes(PayloadSizeOf(slot));
  }
  if (end - 8 > kSq9MaxRiffSize) return 0;  // AddFrame keeps us below this

  bool ok = MoveStoredFrames(finalAt);
  if (StopPoint::Armed())
    StopPoint::Reach("save " + std::filesystem::path(Path()).filename().string());
  for (size_t i = 0; ok && i < m_slots.size(); ++i) {
    if (m_slots[i].frame) ok = SeekTo(finalAt[i]) && WriteChunk(*m_slots[i].frame);
  }
  ok = ok && WritePrefix(static_cast<uint32_t>(end - 8)) && SetSize(end);
  if (!ok) {
    // Frames may have moved half-way: this file can only be dropped.
    DropTemporary();
    return 0;
  }
  return Commit() ? 1 : 0;
}

void CQ9SequenceFile::Close() {
  CQ9RiffFile::Close();
  m_slots.clear();
  m_slots.shrink_to_fit();
  m_rows = 0;
  m_columns = 0;
  m_colorType = 0;
  m_pixelTech = 0;
  m_bulbDataSize = 0;
  m_previewOnly = false;
  m_destinationPreviewOnly = false;
  m_riffSizeBound = 0;
  m_storeEnd = 0;
}

}  // namespace q9::platform
