#pragma once
// Include frame ("inc "): plays other sequences in place of this frame. It
// holds up to 16 fields, each a path to a sequence and an enabled flag.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/signlib/cq9_frame.h"

namespace q9::platform {

class CQ9IncFrame : public CQ9Frame {
 public:
  static constexpr CQ9RuntimeClass classCQ9IncFrame{"CQ9IncFrame", &CQ9Frame::classCQ9Frame};
  static constexpr int kMaxFields = 16;
  static constexpr size_t kMaxPathBytes = 511;

  CQ9IncFrame();
  const CQ9RuntimeClass* GetRuntimeClass() const override { return &classCQ9IncFrame; }

  // All operations return non-zero on success and 0 for an index, count or
  // path out of bounds, leaving the frame unchanged.
  // Fields kept by a new count stay as they were; added fields start
  // disabled with an empty path.
  int SetFieldCount(uint16_t count);
  int EnableField(int index, int on);
  // A path of at most 511 bytes. Include paths name the sign's files, with
  // the sign's "\" separators; they are stored as given.
  int SetFieldPath(int index, const char* path);

  int FieldCount() const { return static_cast<int>(m_fields.size()); }
  // False and "" for an index out of range.
  bool IsFieldEnabled(int index) const;
  const std::string& FieldPath(int index) const;

  uint32_t PayloadSize() const override;
  bool WritePayload(CQ9RiffFile& file) const override;
  bool ReadPayload(CQ9RiffFile& file, uint64_t offset, uint32_t size) override;

 private:
  struct Field {
    bool enabled = false;
    std::string path;
  };
  bool InRange(int index) const { return index >= 0 && index < FieldCount(); }

  std::vector<Field> m_fields;
};

}  // namespace q9::platform
