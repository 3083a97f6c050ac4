#include "platform/signlib/cq8_seq.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/base/read_whole_file.h"
#include "platform/signlib/byte_io.h"
#include "platform/signlib/q8_seq_format.h"
#include "platform/signlib/sign_types.h"

namespace q9::platform {

int CQ8Seq::Open(const char* path) {
  Close();
  if (path == nullptr || *path == '\0') return kQ8ErrFileAccess;
  Result<std::vector<uint8_t>> bytes = ReadWholeFile<std::vector<uint8_t>>(path, kQ8SeqMaxFileSize);
  if (!bytes) return bytes.Error().errorNumber == EFBIG ? kQ8ErrTooLarge : kQ8ErrFileAccess;
  return OpenBuffer(std::move(bytes).Value());
}

int CQ8Seq::OpenBuffer(std::vector<uint8_t> bytes) {
  Close();
  m_data = std::move(bytes);
  const int rc = Parse();
  if (rc != kQ8Ok) {
    Close();
    return rc;
  }
  m_open = true;
  return kQ8Ok;
}

void CQ8Seq::Close() {
  m_open = false;
  // Give the memory back: a closed reader may live on for a long time.
  std::vector<uint8_t>().swap(m_data);
  std::vector<FrameEntry>().swap(m_frames);
  m_rows = m_columns = m_colorType = 0;
  m_current = 0;
  m_record.fill(0);
}

const char* CQ8Seq::ErrorText(int code) {
  switch (code) {
    case kQ8Ok:
      return "no error";
    case kQ8ErrFileAccess:
      return "the file cannot be opened or read";
    case kQ8ErrNotSequence:
      return "the file is not an old sequence";
    case kQ8ErrVersion:
      return "the old sequence has an unsupported format version";
    case kQ8ErrCorrupt:
      return "the old sequence is corrupt";
    case kQ8ErrTruncated:
      return "the old sequence is truncated";
    case kQ8ErrGeometry:
      return "the old sequence has an impossible sign size or colour type";
    case kQ8ErrTooLarge:
      return "the old sequence is too large";
    case kQ8ErrNotOpen:
      return "no old sequence is open";
    case kQ8ErrFrameNumber:
      return "the frame number is outside the sequence";
    default:
      return "unknown old sequence error";
  }
}

// Checks the header and every frame against the file size and records where
// each frame's record and bulb data lie. Nothing is allocated before the
// file size has shown that it can hold what the header declares.
int CQ8Seq::Parse() {
  const std::span<const uint8_t> data(m_data);
  if (data.size() > kQ8SeqMaxFileSize) return kQ8ErrTooLarge;

  const size_t magicBytes = std::min(data.size(), kQ8SeqMagic.size());
  const bool magicMatches =
      std::equal(data.begin(), data.begin() + magicBytes, kQ8SeqMagic.begin());
  if (data.empty() || !magicMatches) return kQ8ErrNotSequence;
  if (data.size() < kQ8SeqHeaderSize) return kQ8ErrTruncated;

  ByteReader in(data);
  in.Skip(kQ8SeqMagic.size());
  const uint16_t version = in.U16();
  const uint16_t reserved1 = in.U16();
  const uint32_t rows = in.U32();
  const uint32_t columns = in.U32();
  const uint32_t colorType = in.U32();
  const uint32_t frameCount = in.U32();
  const uint32_t reserved2 = in.U32();
  if (!in.Ok()) return kQ8ErrTruncated;

  if (version != kQ8SeqVersion) return kQ8ErrVersion;
  if (reserved1 != 0 || reserved2 != 0) return kQ8ErrCorrupt;
  if (rows < 1 || rows > kQ8SeqMaxDimension || columns < 1 || columns > kQ8SeqMaxDimension ||
      colorType >= kColorTypeCount)
    return kQ8ErrGeometry;
  const uint64_t bulbSize = BulbDataSize(rows, columns, colorType);
  if (bulbSize > kQ8SeqMaxBulbSize) return kQ8ErrTooLarge;

  // Every frame takes at least its header, so the count is bounded by the
  // bytes left before the index is allocated.
  if (frameCount > in.Remaining() / kQ8SeqFrameHeaderSize) return kQ8ErrTruncated;
  std::vector<FrameEntry> frames;
  frames.reserve(frameCount);

  for (uint32_t i = 0; i < frameCount; ++i) {
    FrameEntry f;
    f.kind = in.U8();
    const uint8_t reserved = in.U8();
    f.recordLength = in.U16();
    f.bulbLength = in.U32();
    if (!in.Ok()) return kQ8ErrTruncated;
    if (reserved != 0 || f.recordLength > kQ8RecordSize) return kQ8ErrCorrupt;
    const uint64_t expectedBulbs = IsQ8GraphicalKind(f.kind) ? bulbSize : 0;
    if (f.bulbLength != expectedBulbs) return kQ8ErrCorrupt;
    if (f.recordLength + f.bulbLength > in.Remaining()) return kQ8ErrTruncated;
    f.recordOffset = in.Position();
    in.Skip(f.recordLength);
    f.bulbOffset = in.Position();
    in.Skip(f.bulbLength);
    frames.push_back(f);
  }
  if (!in.Ok()) return kQ8ErrTruncated;
  if (in.Remaining() != 0) return kQ8ErrCorrupt;  // bytes after the last frame

  m_rows = rows;
  m_columns = columns;
  m_colorType = colorType;
  m_frames = std::move(frames);
  return kQ8Ok;
}

void CQ8Seq::GetSeqStats(unsigned* rows, unsigned* columns, unsigned* colorType) const {
  if (rows) *rows = m_rows;
  if (columns) *columns = m_columns;
  if (colorType) *colorType = m_colorType;
}

int CQ8Seq::LoadFrame(unsigned n) {
  m_current = 0;
  m_record.fill(0);
  if (!m_open) return kQ8ErrNotOpen;
  if (n == 0 || n > m_frames.size()) return kQ8ErrFrameNumber;
  const FrameEntry& f = m_frames[n - 1];
  std::copy_n(m_data.begin() + f.recordOffset, f.recordLength, m_record.begin());
  m_current = n;
  return kQ8Ok;
}

const CQ8Seq::FrameEntry* CQ8Seq::Current() const {
  return m_current == 0 ? nullptr : &m_frames[m_current - 1];
}

unsigned CQ8Seq::GetFrameType() const {
  const FrameEntry* f = Current();
  return f ? f->kind : 0;
}

int CQ8Seq::IsGraphical() const {
  const FrameEntry* f = Current();
  return f && IsQ8GraphicalKind(f->kind) ? 1 : 0;
}

const uint8_t* CQ8Seq::GetFrBufPtr() const {
  return Current() ? m_record.data() : nullptr;
}

const uint8_t* CQ8Seq::GetBulbPtr() const {
  return IsGraphical() ? m_data.data() + Current()->bulbOffset : nullptr;
}

unsigned CQ8Seq::GetBulbSize() const {
  return IsGraphical() ? unsigned(Current()->bulbLength) : 0;
}

}  // namespace q9::platform
