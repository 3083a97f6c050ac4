#include "platform/video/jpeg_tables.h"

#include <gtest/gtest.h>

namespace q9::platform {
namespace {

using Bytes = std::vector<uint8_t>;

// A marker segment: FF marker, its length (counting itself), the payload.
Bytes Segment(uint8_t marker, const Bytes& payload) {
  const size_t length = payload.size() + 2;
  Bytes s = {0xFF, marker, uint8_t(length >> 8), uint8_t(length)};
  s.insert(s.end(), payload.begin(), payload.end());
  return s;
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

const Bytes kSoi = {0xFF, 0xD8};
const Bytes kEoi = {0xFF, 0xD9};
// Payloads with 0xFF bytes inside, which are no markers.
const Bytes kApp0 = Segment(0xE0, {'A', 'V', 'I', '1', 0xFF, 0xD9, 0});
const Bytes kDqtA = Segment(0xDB, {0x00, 1, 2, 3, 0xFF, 0xC4});
const Bytes kDqtB = Segment(0xDB, {0x01, 4, 5, 6});
const Bytes kDht = Segment(0xC4, {0x00, 0xFF, 0xDA, 7});
const Bytes kDri = Segment(0xDD, {0x00, 0x10});
const Bytes kCom = Segment(0xFE, {'h', 'i'});
const Bytes kApp14 = Segment(0xEE, {'A', 'd', 'o', 'b', 'e'});
const Bytes kApp15 = Segment(0xEF, {1});
const Bytes kSof0 = Segment(0xC0, {8, 0, 16, 0, 16, 1, 1, 0x11, 0});
const Bytes kSof2 = Segment(0xC2, {8, 0, 16, 0, 16, 1, 1, 0x11, 0});
const Bytes kSos = Segment(0xDA, {1, 1, 0, 0, 63, 0});
// Entropy-coded data: a stuffed 0xFF 0x00, a restart marker, fill bytes.
const Bytes kScan = {0x12, 0xFF, 0x00, 0x34, 0xFF, 0xD0, 0x56, 0xFF, 0xFF};

struct Case {
  const char* what;
  Bytes data;
  Bytes kept;
};

TEST(JpegKeptSegmentsTest, TablesOfEveryPictureInOrderAndNothingElse) {
  const Case cases[] = {
      {"one picture", Join({kSoi, kApp0, kDqtA, kSof0, kDht, kSos, kScan, kEoi}),
       Join({kSoi, kApp0, kDqtA, kDht, kEoi})},
      {"two fields, tables in each",
       Join({kSoi, kDqtA, kSof0, kSos, kScan, kEoi, kSoi, kDqtB, kDht, kSof0, kSos, kScan, kEoi}),
       Join({kSoi, kDqtA, kDqtB, kDht, kEoi})},
      {"restart interval, comment, application data; progressive frame header left out",
       Join({kSoi, kDri, kCom, kApp14, kApp15, kSof2, kSos, kScan, kEoi}),
       Join({kSoi, kDri, kCom, kApp14, kApp15, kEoi})},
      {"a table that ends the data", Join({kSoi, kDqtA}), Join({kSoi, kDqtA, kEoi})},
      {"tables after the scan", Join({kSoi, kSof0, kSos, kScan, kDht, kSos, kScan, kEoi}),
       Join({kSoi, kDht, kEoi})},
      {"no tables", Join({kSoi, kSof0, kSos, kScan, kEoi}), {}},
      {"nothing", {}, {}},
      {"a length past the end ends the scan", Join({kSoi, kDqtA, {0xFF, 0xC4, 0x00, 0x40, 1}}),
       Join({kSoi, kDqtA, kEoi})},
      {"a length below 2 ends the scan", Join({kSoi, {0xFF, 0xDB, 0x00, 0x01}, kDqtA}), {}},
      {"a marker cut after its first byte", Join({kSoi, kDht, {0xFF}}), Join({kSoi, kDht, kEoi})},
      {"a length cut short", Join({kSoi, kDht, {0xFF, 0xDB, 0x00}}), Join({kSoi, kDht, kEoi})},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(JpegKeptSegments(c.data.data(), c.data.size()), c.kept) << c.what;
  }
}

}  // namespace
}  // namespace q9::platform
