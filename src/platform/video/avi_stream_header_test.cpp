#include "platform/video/avi_stream_header.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/signlib/byte_io.h"

namespace q9::platform {
namespace {

// Builders of RIFF chunks for the cases below.
std::vector<uint8_t> Chunk(const char* id, const std::vector<uint8_t>& data) {
  ByteWriter w;
  w.Bytes({reinterpret_cast<const uint8_t*>(id), 4});
  w.U32(uint32_t(data.size()));
  w.Bytes(data);
  if (data.size() % 2 != 0) w.U8(0);
  return w.Take();
}

std::vector<uint8_t> List(const char* type, const std::vector<std::vector<uint8_t>>& chunks) {
  std::vector<uint8_t> body(type, type + 4);
  for (const auto& c : chunks) body.insert(body.end(), c.begin(), c.end());
  return Chunk("LIST", body);
}

std::vector<uint8_t> Strh(const char* type, uint32_t scale, uint32_t rate, uint32_t start,
                          uint32_t length, uint32_t sampleSize = 0, size_t size = 56) {
  ByteWriter w;
  w.Bytes({reinterpret_cast<const uint8_t*>(type), 4});
  w.Zeros(16);
  w.U32(scale);
  w.U32(rate);
  w.U32(start);
  w.U32(length);
  w.Zeros(8);
  w.U32(sampleSize);
  w.Zeros(8);
  std::vector<uint8_t> data = w.Take();
  data.resize(size);
  return Chunk("strh", data);
}

std::vector<uint8_t> Strf(size_t size) {
  return Chunk("strf", std::vector<uint8_t>(size, 7));
}

std::vector<uint8_t> Body(const std::vector<std::vector<uint8_t>>& chunks) {
  std::vector<uint8_t> body;
  for (const auto& c : chunks) body.insert(body.end(), c.begin(), c.end());
  return body;
}

constexpr uint32_t kVids = FourCcOf("vids");
constexpr uint32_t kAuds = FourCcOf("auds");

struct ParseCase {
  const char* name;
  std::vector<uint8_t> body;
  std::vector<AviStreamHeader> want;
};

std::vector<ParseCase> ParseCases() {
  const auto avih = Chunk("avih", std::vector<uint8_t>(56, 0));
  return {
      {"video_and_audio",
       Body({avih, List("strl", {Strh("vids", 1001, 30000, 5, 10), Strf(40)}),
             List("strl", {Strh("auds", 1, 8000, 0, 16000, 2), Strf(18)})}),
       {{kVids, 1001, 30000, 5, 10, 0, 40}, {kAuds, 1, 8000, 0, 16000, 2, 18}}},
      // A padding stream makes no stream, and its format is not taken for
      // the stream before it.
      {"pads_skipped",
       Body({List("strl", {Strh("vids", 1, 25, 0, 3), Strf(40)}),
             List("strl", {Strh("pads", 1, 1, 0, 0), Strf(11)})}),
       {{kVids, 1, 25, 0, 3, 0, 40}}},
      {"empty_format",
       Body({List("strl", {Strh("auds", 1, 8000, 0, 9), Strf(0)})}),
       {{kAuds, 1, 8000, 0, 9, 0, 0}}},
      {"no_format",
       Body({List("strl", {Strh("vids", 1, 25, 0, 3)})}),
       {{kVids, 1, 25, 0, 3, 0, 0}}},
      // A short header keeps the fields it has.
      {"short_strh",
       Body({List("strl", {Strh("vids", 2, 50, 7, 9, 0, 32)})}),
       {{kVids, 2, 50, 7, 0, 0, 0}}},
      // Odd-sized chunks are padded to even sizes.
      {"odd_chunk_padding",
       Body({Chunk("JUNK", {1, 2, 3}), List("strl", {Strh("vids", 1, 25, 0, 3), Strf(41)}),
             List("strl", {Strh("auds", 1, 100, 0, 1), Strf(20)})}),
       {{kVids, 1, 25, 0, 3, 0, 41}, {kAuds, 1, 100, 0, 1, 0, 20}}},
      // A chunk longer than the list ends the walk after what it holds.
      {"cut_short",
       [] {
         auto b = Body({List("strl", {Strh("vids", 1, 25, 0, 3)}), Chunk("JUNK", {1, 2})});
         StoreU32(&b[b.size() - 6], 1000);
         return b;
       }(),
       {{kVids, 1, 25, 0, 3, 0, 0}}},
      {"empty", {}, {}},
      {"garbage", std::vector<uint8_t>(7, 0xFF), {}},
  };
}

TEST(AviStreamHeaderTest, ParsesTheHeaderList) {
  for (const ParseCase& c : ParseCases()) {
    SCOPED_TRACE(c.name);
    const std::vector<AviStreamHeader> got = ParseAviHeaderList(c.body);
    ASSERT_EQ(got.size(), c.want.size());
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].type, c.want[i].type);
      EXPECT_EQ(got[i].scale, c.want[i].scale);
      EXPECT_EQ(got[i].rate, c.want[i].rate);
      EXPECT_EQ(got[i].start, c.want[i].start);
      EXPECT_EQ(got[i].length, c.want[i].length);
      EXPECT_EQ(got[i].sampleSize, c.want[i].sampleSize);
      EXPECT_EQ(got[i].formatSize, c.want[i].formatSize);
    }
  }
}

// Deeply nested lists are not followed without end.
TEST(AviStreamHeaderTest, NestingIsBounded) {
  std::vector<uint8_t> body = List("strl", {Strh("vids", 1, 25, 0, 3)});
  for (int i = 0; i < 100; ++i) body = List("strl", {body});
  EXPECT_TRUE(ParseAviHeaderList(body).empty());
}

AviReadAt Reader(const std::vector<uint8_t>& file) {
  return [&file](uint64_t offset, size_t size) {
    if (offset >= file.size()) return std::vector<uint8_t>{};
    const size_t n = std::min<uint64_t>(size, file.size() - offset);
    return std::vector<uint8_t>(file.begin() + std::ptrdiff_t(offset),
                                file.begin() + std::ptrdiff_t(offset + n));
  };
}

std::vector<uint8_t> Riff(const char* form, const std::vector<std::vector<uint8_t>>& chunks) {
  std::vector<uint8_t> body(form, form + 4);
  for (const auto& c : chunks) body.insert(body.end(), c.begin(), c.end());
  return Chunk("RIFF", body);
}

TEST(AviStreamHeaderTest, FindsTheHeaderListInAFile) {
  const auto hdrl = List("hdrl", {List("strl", {Strh("vids", 1, 25, 3, 10), Strf(40)})});
  const auto movi = List("movi", {Chunk("00dc", {1, 2, 3, 4})});
  struct {
    const char* name;
    std::vector<uint8_t> file;
    size_t streams;
  } cases[] = {
      {"plain", Riff("AVI ", {hdrl, movi}), 1},
      {"junk_first", Riff("AVI ", {Chunk("JUNK", std::vector<uint8_t>(33, 0)), hdrl, movi}), 1},
      {"movi_first", Riff("AVI ", {movi, hdrl}), 0},
      {"not_avi", Riff("WAVE", {hdrl}), 0},
      {"truncated_list",
       [&] {
         auto f = Riff("AVI ", {hdrl});
         f.resize(f.size() - 20);
         return f;
       }(),
       1},
      {"huge_list",
       [&] {
         auto f = Riff("AVI ", {hdrl});
         StoreU32(&f[16], 0x7FFFFFF0);
         return f;
       }(),
       0},
      {"too_short", {'R', 'I', 'F', 'F'}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<AviStreamHeader> got = ReadAviStreamHeaders(Reader(c.file));
    ASSERT_EQ(got.size(), c.streams);
    if (c.streams == 1) {
      EXPECT_EQ(got[0].start, 3u);
      EXPECT_EQ(got[0].length, 10u);
    }
  }
}

}  // namespace
}  // namespace q9::platform
