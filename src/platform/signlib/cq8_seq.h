#pragma once
// Reader of old sequences (.seq). The whole file is read and its structure
// checked when it is opened, so LoadFrame only picks a frame that is known to
// be sound. One object is opened, closed and opened again file after file.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/signlib/q8_record.h"

namespace q9::platform {

// Results of Open, OpenBuffer and LoadFrame; 0 is success.
enum Q8SeqError : int {
  kQ8Ok = 0,
  kQ8ErrFileAccess = 1,   // cannot open or read the file, or not a regular file
  kQ8ErrNotSequence = 2,  // no old-sequence magic
  kQ8ErrVersion = 3,      // a format version this reader does not know
  kQ8ErrCorrupt = 4,      // inconsistent sizes, reserved fields or trailing bytes
  kQ8ErrTruncated = 5,    // the file ends inside the header or a frame
  kQ8ErrGeometry = 6,     // rows, columns or colour type out of range
  kQ8ErrTooLarge = 7,     // file or frame bulb data above the accepted size
  kQ8ErrNotOpen = 8,      // no sequence is open
  kQ8ErrFrameNumber = 9,  // frame number 0 or above the frame count
};

class CQ8Seq {
 public:
  CQ8Seq() = default;
  virtual ~CQ8Seq() = default;
  CQ8Seq(const CQ8Seq&) = delete;
  CQ8Seq& operator=(const CQ8Seq&) = delete;

  // Reads and checks the file at path; 0 when it is open. A failure leaves
  // the object closed.
  int Open(const char* path);
  // The same for file contents already in memory.
  int OpenBuffer(std::vector<uint8_t> bytes);
  int IsOpen() const { return m_open ? 1 : 0; }
  void Close();
  // A result code in words, as the reason after a file's name: one line,
  // in lower case.
  static const char* ErrorText(int code);

  // Frames are numbered 1..GetNFrames(); 0 when closed.
  unsigned GetNFrames() const { return unsigned(m_frames.size()); }
  // Any pointer may be null; zeros when closed.
  void GetSeqStats(unsigned* rows, unsigned* columns, unsigned* colorType) const;

  // Makes frame n the current frame; 0 on success. On failure there is no
  // current frame.
  int LoadFrame(unsigned n);
  // Kind byte of the current frame, 0..255; 0 without a current frame.
  unsigned GetFrameType() const;
  // Non-zero when the current frame carries bulb data (kinds 4 and 6).
  int IsGraphical() const;
  // The current frame's record, kQ8RecordSize bytes, zero-padded past the
  // stored length and followed by one more zero byte, so that a name read as
  // a C string ends inside the buffer; null without a current frame.
  const uint8_t* GetFrBufPtr() const;
  // The current frame's bulb data; null and 0 unless it is graphical.
  const uint8_t* GetBulbPtr() const;
  unsigned GetBulbSize() const;

 private:
  struct FrameEntry {
    size_t recordOffset = 0;
    size_t recordLength = 0;
    size_t bulbOffset = 0;
    size_t bulbLength = 0;
    uint8_t kind = 0;
  };

  int Parse();
  const FrameEntry* Current() const;

  bool m_open = false;
  std::vector<uint8_t> m_data;
  std::vector<FrameEntry> m_frames;
  unsigned m_rows = 0;
  unsigned m_columns = 0;
  unsigned m_colorType = 0;
  unsigned m_current = 0;  // 0: no current frame
  std::array<uint8_t, kQ8RecordSize + 1> m_record{};
};

}  // namespace q9::platform
