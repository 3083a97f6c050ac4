#pragma once
// Base of the frames of a sequence file.

#include <cstdint>

namespace q9::platform {

class CQ9RiffFile;

// Run-time class record: a frame's class and its base, so that callers can
// ask whether a frame is of a class or derives from it.
struct CQ9RuntimeClass {
  const char* name;
  const CQ9RuntimeClass* base;

  bool IsDerivedFrom(const CQ9RuntimeClass* other) const;
};

class CQ9Frame {
 public:
  static constexpr CQ9RuntimeClass classCQ9Frame{"CQ9Frame", nullptr};

  virtual ~CQ9Frame();
  CQ9Frame(const CQ9Frame&) = delete;
  CQ9Frame& operator=(const CQ9Frame&) = delete;

  // Four-character frame type code ("grp ", "dat ", ...), little-endian.
  uint32_t TypeCode() const { return m_typeCode; }

  virtual const CQ9RuntimeClass* GetRuntimeClass() const { return &classCQ9Frame; }
  // True when the frame is of that class or of a class derived from it.
  bool IsKindOf(const CQ9RuntimeClass* runtimeClass) const;

  // Payload size of the frame's chunk in a sequence file, without pad byte.
  virtual uint32_t PayloadSize() const = 0;
  // Writes that payload; false when the file refused the bytes.
  virtual bool WritePayload(CQ9RiffFile& file) const = 0;
  // Reads back a payload of size bytes that WritePayload wrote at offset of
  // file; false when the bytes are not there or do not fit this frame.
  virtual bool ReadPayload(CQ9RiffFile& file, uint64_t offset, uint32_t size) = 0;

 protected:
  explicit CQ9Frame(uint32_t typeCode) : m_typeCode(typeCode) {}

 private:
  uint32_t m_typeCode;
};

}  // namespace q9::platform
