// Pictures from the imaging layer reach the bulb converter with whatever
// header the decoder produced. Input: rows, columns, colour type and four
// offsets (7 bytes), a 1,068-byte header block (header and colour table), then
// the bits. A picture the converter accepts must also survive the round trip
// through its own 24-bit picture.
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/signlib/bulb_converter.h"
#include "platform/signlib/packed_dib.h"
#include "platform/signlib/sign_types.h"

using namespace q9::platform;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr size_t kPrefix = 7;
  if (size < kPrefix + kDibHeaderBlockSize) return 0;
  const unsigned rows = data[0] % 48;
  const unsigned columns = data[1] % 48;
  const uint32_t type = data[2] % 17;
  const int offsets[4] = {int8_t(data[3]), int8_t(data[4]), int8_t(data[5]), int8_t(data[6])};
  const std::vector<uint8_t> header(data + kPrefix, data + kPrefix + kDibHeaderBlockSize);
  // The bits in a block of exactly their size, so that any over-read shows.
  const std::vector<uint8_t> bits(data + kPrefix + kDibHeaderBlockSize, data + size);
  std::vector<uint8_t> bulbs(BulbDataSize(rows, columns, type));
  const int result = ConvDIB2BulbEnh(header.data(), bits.data(), uint32_t(bits.size()), 0, 0,
                                     bulbs.data(), uint32_t(bulbs.size()), rows, columns, type,
                                     offsets[0], offsets[1], offsets[2], offsets[3]);
  if (result != kBulbCvOk) return 0;

  uint32_t pictureSize = 0;
  if (CalcBulbDIBSize(rows, columns, type, &pictureSize) != kBulbCvOk) __builtin_trap();
  std::vector<uint8_t> pictureHeader(kDibHeaderBlockSize);
  std::vector<uint8_t> picture(pictureSize);
  if (Bulb2DIB(bulbs.data(), uint32_t(bulbs.size()), rows, columns, type, pictureHeader.data(),
               picture.data(), pictureSize, 0) != kBulbCvOk) {
    __builtin_trap();
  }
  std::vector<uint8_t> again(bulbs.size());
  if (ConvDIB2BulbEnh(pictureHeader.data(), picture.data(), pictureSize, 0, 0, again.data(),
                      uint32_t(again.size()), rows, columns, type, 0, 0, 0, 0) != kBulbCvOk ||
      again != bulbs) {
    __builtin_trap();
  }
  return 0;
}
