// Feeds arbitrary text to the make-old description parser with a small value
// budget, so that deep or wide JSON documents stay cheap, and checks that an
// accepted description always has bulbs of a size the writer accepts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/signlib/q8_record.h"
#include "platform/signlib/sign_types.h"
#include "q9seq/old_seq_description.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string error;
  const auto description = q9::q9seq::ParseOldSeqDescription(
      std::string_view(reinterpret_cast<const char*>(data), size), error, 4096);
  if (!description) return 0;
  const uint64_t bulbSize =
      q9::platform::BulbDataSize(description->rows, description->columns, description->colorType);
  for (const auto& frame : description->frames) {
    if (frame.record.size() > q9::platform::kQ8RecordSize) std::abort();
    if (!frame.bulbs.empty() && frame.bulbs.size() != bulbSize) std::abort();
  }
  return 0;
}
