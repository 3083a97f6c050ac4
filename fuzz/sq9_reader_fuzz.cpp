// Feeds arbitrary bytes to the .sq9 reader. A valid file must also give
// contents that agree with its header.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "platform/signlib/sq9_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace q9::platform;
  Sq9Contents contents;
  std::string error;
  const std::span<const uint8_t> bytes(data, size);
  if (!ReadSq9(bytes, contents, error)) {
    if (error.empty()) std::abort();  // every refusal says why
    return 0;
  }
  if (contents.frames.size() != contents.header.frameCount) std::abort();
  for (const Sq9Frame& frame : contents.frames) {
    if (frame.typeCode == kFrameGraphics || frame.typeCode == kFrameData) {
      if (frame.bulbs.size() != contents.header.bulbDataSize) std::abort();
    }
  }
  Sq9Header header;
  if (!ReadSq9Header(bytes, header, error)) std::abort();
  return 0;
}
