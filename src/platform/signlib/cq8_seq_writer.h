#pragma once
// Builds an old sequence (.seq) in memory and writes it in one piece. Tests,
// samples and the sequence tool use it to make the files that CQ8Seq reads.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/signlib/sign_types.h"

namespace q9::platform {

class CQ8SeqWriter {
 public:
  // Starts a new, empty sequence of this geometry; false (and Error()) for
  // sizes a reader would refuse: rows and columns 1..4096, colour type 0..14.
  bool Create(unsigned rows, unsigned columns, uint32_t colorType);
  bool Create(const SignGeometry& geometry) {
    return Create(geometry.rows, geometry.columns, geometry.colorType);
  }

  // Appends a frame of kind 0..255 with a record of at most kQ8RecordSize
  // bytes. Graphics and data frames (kinds 4 and 6) take bulb data of exactly
  // BulbDataSize bytes, or none for all-zero bulbs; other kinds take none.
  bool AddFrame(unsigned kind, std::span<const uint8_t> record,
                std::span<const uint8_t> bulbs = {});

  unsigned GetNFrames() const { return unsigned(m_frames.size()); }
  uint64_t BulbSize() const { return m_bulbSize; }
  // The file as it would be written; false when nothing is created or the
  // file would exceed what a reader accepts.
  bool Serialize(std::vector<uint8_t>* out);
  // Saves the file through an AtomicFile, so a failure leaves no file and an
  // earlier file at path untouched.
  bool Write(const std::string& path);
  // Why the last failing call failed.
  const std::string& Error() const { return m_error; }

 private:
  struct Frame {
    uint8_t kind = 0;
    std::vector<uint8_t> record;
    std::vector<uint8_t> bulbs;  // empty for zero bulbs on graphical kinds
  };

  bool Fail(std::string message);
  uint64_t FileSize() const;

  bool m_created = false;
  unsigned m_rows = 0;
  unsigned m_columns = 0;
  uint32_t m_colorType = 0;
  uint64_t m_bulbSize = 0;
  std::vector<Frame> m_frames;
  std::string m_error;
};

}  // namespace q9::platform
