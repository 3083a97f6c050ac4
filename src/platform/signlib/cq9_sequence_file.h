#pragma once
// A sequence file being written: the geometry of its sign and its frames.
// Frame 0 is the header frame ("hdr ", CQ9HdrFrame) that every sequence
// starts with.
//
// Frames go to a temporary file in the destination's folder while the
// sequence is built, so memory holds a few frames whatever the length: a
// frame is final once another frame is appended after it, and is written
// then. Save adds what is still in memory, fills in the counts, and puts the
// complete file in place of the destination through an AtomicFile. Frames
// inserted before written ones, and written frames asked for again, stay in
// memory until Save, which then moves the written frames to their places in
// the file.
//
// Results follow the library's convention: non-zero for success, 0 for
// failure; AddFrame gives a frame index or a negative code.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/signlib/cq9_frame.h"
#include "platform/signlib/cq9_riff_file.h"
#include "platform/signlib/sign_types.h"

namespace q9::platform {

class CQ9SequenceFile : public CQ9RiffFile {
 public:
  // AddFrame failures.
  static constexpr int kErrorInsertingFrame = -1;
  static constexpr int kFrameLimitReached = -2;

  CQ9SequenceFile();
  ~CQ9SequenceFile() override;

  // Starts a new sequence for path holding only frame 0. Refuses (0) a
  // missing path, rows or columns 0, a colour type above 14, a pixel
  // technology above 3 and a geometry whose bulb data exceed 64 MiB per
  // frame. An existing file is left alone until Save; when it is a sequence
  // marked preview-only, the open succeeds with IsPreviewOnly() non-zero and
  // Save refuses. Otherwise the temporary file is created at once, so a
  // directory we cannot write fails here. An open sequence is closed first.
  int OpenCreate(const char* path, uint16_t rows, uint16_t columns, uint32_t colorType,
                 uint32_t pixelTech);

  // Non-zero when the file at the path is a preview-only sequence, or when
  // SetPreviewOnly marked this sequence so.
  uint8_t IsPreviewOnly() const;
  // Marks the sequence written by Save as preview-only (or not). It does not
  // lift the protection of a preview-only file found by OpenCreate.
  void SetPreviewOnly(bool on);

  // Adds a frame of type "grp ", "dat ", "inc ", "txd " or "end ", zeroed.
  // position −1 appends; 1 to FrameCount() inserts there, moving later
  // frames up; beyond FrameCount() appends. Gives the new frame's index,
  // kErrorInsertingFrame for another type, position 0 or below −1, a closed
  // sequence or no memory, and kFrameLimitReached when the sequence holds
  // 65,535 frames or the file would outgrow a 32-bit RIFF size.
  // Appending writes the frame that was last so far to the file, and gives
  // kErrorInsertingFrame when that write fails (a full disk).
  int AddFrame(uint32_t typeCode, int position);

  // The frame at index; nullptr out of range. A frame already written is
  // read back and stays in memory from then on. A pointer stays valid until
  // a frame is appended after its frame while that one is the last, or the
  // sequence is saved or closed.
  CQ9Frame* Frame(int index);
  int FrameCount() const { return static_cast<int>(m_slots.size()); }

  // Geometry of the open sequence; zeros when closed.
  uint16_t Rows() const { return m_rows; }
  uint16_t Columns() const { return m_columns; }
  uint32_t ColorType() const { return m_colorType; }
  uint32_t PixelTech() const { return m_pixelTech; }
  SignGeometry Geometry() const { return {m_rows, m_columns, m_colorType}; }
  // Bytes of bulb data in each graphics and data frame.
  uint32_t BulbDataSize() const { return m_bulbDataSize; }

  // Writes the frames still in memory and the counts to the temporary file
  // and puts it in place of the destination. Refuses a closed sequence and
  // a preview-only destination; on failure the destination is unchanged.
  // A sequence is saved once: afterwards its frames are in the destination,
  // and Save gives 0.
  virtual int Save();

  // Closes the sequence and drops its frames; without a Save, the destination
  // stays exactly as it was and no new file remains.
  void Close() override;

 private:
  // One frame of the sequence: in memory, or only in the temporary file.
  struct Slot {
    std::unique_ptr<CQ9Frame> frame;  // null while the frame is in the file only
    uint32_t typeCode = 0;
    uint32_t storedSize = 0;  // payload size of the chunk in the file
    uint64_t storedAt = 0;    // where that chunk starts
  };
  static uint32_t PayloadSizeOf(const Slot& slot);
  // Writes a frame held in memory at the end of the file and lets it go.
  bool Store(Slot& slot);
  CQ9Frame* Load(Slot& slot);
  bool WriteChunk(const CQ9Frame& frame);
  bool MoveStoredFrames(const std::vector<uint64_t>& finalAt);
  bool WritePrefix(uint32_t riffSize);

  std::vector<Slot> m_slots;
  // Where the next stored frame goes: the end of the temporary file.
  uint64_t m_storeEnd = 0;
  uint16_t m_rows = 0;
  uint16_t m_columns = 0;
  uint32_t m_colorType = 0;
  uint32_t m_pixelTech = 0;
  uint32_t m_bulbDataSize = 0;
  bool m_previewOnly = false;             // flag written by Save
  bool m_destinationPreviewOnly = false;  // the file found at the path
  // RIFF size with every include frame at its largest: frames are added
  // before their contents are known.
  uint64_t m_riffSizeBound = 0;
};

}  // namespace q9::platform
