// Feeds arbitrary bytes to the old-sequence reader, then reads every frame and
// touches every byte of what it hands out, so that a pointer or size that
// overstates its buffer shows up under AddressSanitizer.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/signlib/cq8_seq.h"
#include "platform/signlib/sign_types.h"

using namespace q9::platform;

namespace {

uint8_t Sum(const uint8_t* p, size_t n) {
  uint8_t s = 0;
  for (size_t i = 0; i < n; ++i) s = uint8_t(s + p[i]);
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static CQ8Seq seq;  // reused like the converter reuses its reader
  if (seq.OpenBuffer(std::vector<uint8_t>(data, data + size)) != kQ8Ok) {
    if (seq.IsOpen() || seq.GetNFrames() != 0) __builtin_trap();
    return 0;
  }
  unsigned rows = 0, columns = 0, colorType = 0;
  seq.GetSeqStats(&rows, &columns, &colorType);
  const uint64_t bulbSize = BulbDataSize(rows, columns, colorType);
  volatile uint8_t sink = 0;
  const unsigned frames = seq.GetNFrames();
  for (unsigned n = 0; n <= frames + 1; ++n) {
    const int rc = seq.LoadFrame(n);
    if ((rc == kQ8Ok) != (n >= 1 && n <= frames)) __builtin_trap();
    if (rc != kQ8Ok) {
      if (seq.GetFrBufPtr() != nullptr || seq.GetBulbPtr() != nullptr) __builtin_trap();
      continue;
    }
    if (seq.GetFrBufPtr()[kQ8RecordSize] != 0) __builtin_trap();  // C-string guard
    sink = sink + Sum(seq.GetFrBufPtr(), kQ8RecordSize) + uint8_t(seq.GetFrameType());
    if (seq.IsGraphical()) {
      if (seq.GetBulbSize() != bulbSize || seq.GetBulbPtr() == nullptr) __builtin_trap();
      sink = sink + Sum(seq.GetBulbPtr(), seq.GetBulbSize());
    } else if (seq.GetBulbPtr() != nullptr || seq.GetBulbSize() != 0) {
      __builtin_trap();
    }
  }
  seq.Close();
  return 0;
}
