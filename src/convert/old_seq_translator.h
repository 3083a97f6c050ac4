#pragma once
// Translates the frames of an old (Q8100) sequence, one by one, into frames of
// a new sequence: graphics frames keep their header values and have their bulbs
// converted to the destination sign; include frames point at the matching new
// sequence file; data frames carry their data-field table over; transmit-data
// frames carry their text over.
//
// One translator serves one conversion. The caller opens the destination with
// the sign's geometry, then: Open, and for n = 1 to FrameCount() ReadFrame(n)
// and TranslateFrame(OldLayout(), NewLayout(), OldRect(), NewRect()). An error
// of the old reader stops the translation (later calls do nothing); a frame the
// destination refuses is reported and the translation goes on.

#include <cstdint>
#include <string>
#include <string_view>

#include "convert/conversion_host.h"
#include "imaging/bulb_rect.h"
#include "platform/signlib/bulb_layout.h"
#include "platform/signlib/cq8_seq.h"
#include "platform/signlib/cq9_sequence_file.h"
#include "platform/signlib/sign_types.h"

namespace q9::platform {
class CQ9GphFrame;
class CQ9DataFrame;
class CQ9IncFrame;
class CQ9TxdFrame;
}  // namespace q9::platform

namespace q9::convert {

class OldSeqTranslator {
 public:
  // Message texts.
  static constexpr const char* kErrorEncountered = "Error encountered";
  static constexpr const char* kErrorPrefix = "Error: ";
  static constexpr const char* kReadBeyondEnd = "Attempt made to read beyond end of file";
  static constexpr const char* kWarningPrefix = "Warning: ";
  static constexpr const char* kRepeatFrame =
      "Repeat Frame Encountered in 8100 sequence, it cannot be converted to 9100";
  static constexpr const char* kErrorInsertingFrame = "Error inserting frame";
  static constexpr const char* kFrameLimitReached = "Frame limit reached";

  // Include paths longer than this are cut (see IncludePath).
  static constexpr size_t kMaxIncludePath = 260;

  // destination: open, made with the sign geometry, holding at least frame 0.
  // reader: reused for this conversion and left open afterwards. host: where
  // messages go; null shows none. All three must outlive the translator.
  OldSeqTranslator(platform::CQ9SequenceFile& destination, platform::CQ8Seq& reader,
                   const platform::SignGeometry& sign, ConversionHost* host);

  // Opens the old sequence; 1 when open. On failure shows "Error encountered"
  // and stops. On success takes the frame count and the old geometry and
  // starts before frame 1.
  int Open(const std::string& path);

  // Makes old frame n (1 to FrameCount()) the current one; 1 read, 0 not.
  // Past the end: the read-beyond-end error. A reader error: "Error
  // encountered". Both stop the translation.
  int ReadFrame(unsigned n);

  // Adds the new frame for the current old frame; 1 translated, 0 not (stopped,
  // unknown kind, no current old frame, or the destination refused the frame).
  // The layouts and rectangles describe the old and the new bulb data; the
  // rectangles normally cover the whole buffers. Graphics and data frames get
  // their bulbs converted when both rectangles are non-empty, else the old
  // bytes copied as they are, as many as the new frame holds; layouts larger
  // than the buffers they describe leave the bulbs blank.
  int TranslateFrame(const platform::BulbLayout& oldLayout, const platform::BulbLayout& newLayout,
                     const imaging::BulbRect& oldRect, const imaging::BulbRect& newRect);

  unsigned FrameCount() const { return m_frameCount; }
  bool Stopped() const { return m_stopped; }

  // The old sequence's geometry, zeros until it is open.
  unsigned OldRows() const { return m_oldRows; }
  unsigned OldColumns() const { return m_oldColumns; }
  unsigned OldColorType() const { return m_oldColorType; }

  // The bulb layouts and whole-buffer rectangles of the old frames and of the
  // sign, for TranslateFrame.
  platform::BulbLayout OldLayout() const;
  platform::BulbLayout NewLayout() const;
  imaging::BulbRect OldRect() const;
  imaging::BulbRect NewRect() const;

  // Both are on when the translator is made.
  void SetShowMessages(bool on) { m_showMessages = on; }
  void SetStopOnError(bool on) { m_stopOnError = on; }

  int LastResult() const { return m_lastResult; }
  int Graphical() const { return m_graphical; }
  unsigned FrameKind() const { return m_frameKind; }
  unsigned NextFrameNumber() const { return m_nextFrameNumber; }
  // Index in the destination of the frame last added or, for a kind 0 frame,
  // made current (frame 0); -1 before any.
  int CurrentFrameIndex() const { return m_currentFrame; }

  // The sign's path of an included sequence: "..\<library>.Lib\<name>.SQ9",
  // with the sign's own "\" separators. A path longer than kMaxIncludePath
  // characters becomes "..\" followed by its first kMaxIncludePath characters.
  static std::string IncludePath(std::string_view library, std::string_view name);

 private:
  void ShowMessage(const std::string& text) const;
  void StopOnError();
  // Appends a frame of the type and makes it current; its index, or -1 after
  // reporting the failure.
  int AppendFrame(uint32_t typeCode);

  void FillGraphics(platform::CQ9GphFrame& frame, const uint8_t* record,
                    const platform::BulbLayout& oldLayout, const platform::BulbLayout& newLayout,
                    const imaging::BulbRect& oldRect, const imaging::BulbRect& newRect);
  void FillBulbs(platform::CQ9GphFrame& frame, const platform::BulbLayout& oldLayout,
                 const platform::BulbLayout& newLayout, const imaging::BulbRect& oldRect,
                 const imaging::BulbRect& newRect);
  void FillData(platform::CQ9DataFrame& frame, const uint8_t* record);
  void FillInclude(platform::CQ9IncFrame& frame, const uint8_t* record);
  void FillTransmitData(platform::CQ9TxdFrame& frame, const uint8_t* record);

  platform::CQ9SequenceFile& m_destination;
  platform::CQ8Seq& m_reader;
  platform::SignGeometry m_sign;
  ConversionHost* m_host;

  bool m_showMessages = true;
  bool m_stopOnError = true;
  int m_lastResult = 0;
  bool m_stopped = false;
  int m_graphical = 0;
  unsigned m_frameKind = 0;
  unsigned m_oldRows = 0;
  unsigned m_oldColumns = 0;
  unsigned m_oldColorType = 0;
  unsigned m_frameCount = 0;
  unsigned m_nextFrameNumber = 0;
  // An index, not a pointer: frame objects belong to the destination and die
  // with it, so they are looked up afresh for each frame.
  int m_currentFrame = -1;
};

}  // namespace q9::convert
