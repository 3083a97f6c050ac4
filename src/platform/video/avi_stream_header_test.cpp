#include "platform/video/avi_stream_header.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "platform/signlib/byte_io.h"

namespace q9::platform {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Chunk(const char* id, const Bytes& data) {
  ByteWriter w;
  w.Bytes({reinterpret_cast<const uint8_t*>(id), 4});
  w.U32(uint32_t(data.size()));
  w.Bytes(data);
  if (data.size() % 2 != 0) w.U8(0);
  return w.Take();
}

// A list or RIFF form: its type, then the chunks.
Bytes List(const char* type, const std::vector<Bytes>& chunks, const char* id = "LIST") {
  Bytes body(type, type + 4);
  for (const auto& c : chunks) body.insert(body.end(), c.begin(), c.end());
  return Chunk(id, body);
}

// An AVI file whose header list holds these chunks.
Bytes Avi(const std::vector<Bytes>& hdrl) {
  return List("AVI ", {List("hdrl", hdrl), List("movi", {Chunk("00dc", {1, 2, 3, 4})})}, "RIFF");
}

// A 'strh' chunk cut to size bytes.
Bytes Strh(const char* type, uint32_t scale, uint32_t rate, uint32_t start, uint32_t length,
           uint32_t sampleSize = 0, size_t size = 56) {
  ByteWriter w;
  w.Bytes({reinterpret_cast<const uint8_t*>(type), 4});
  w.Zeros(16);
  for (uint32_t v : {scale, rate, start, length, 0u, 0u, sampleSize, 0u, 0u}) w.U32(v);
  Bytes data = w.Take();
  data.resize(size);
  return Chunk("strh", data);
}

Bytes Strl(const Bytes& strh, int formatSize = -1) {
  return formatSize < 0 ? List("strl", {strh})
                        : List("strl", {strh, Chunk("strf", Bytes(size_t(formatSize), 7))});
}

// The bytes with a 32-bit value stored at an offset, from the end when negative.
Bytes With(Bytes b, std::ptrdiff_t at, uint32_t value) {
  StoreU32(&b[at < 0 ? size_t(std::ptrdiff_t(b.size()) + at) : size_t(at)], value);
  return b;
}

using Fields = std::tuple<uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t>;

TEST(AviStreamHeaderTest, ReadsTheStreamHeadersOfAFile) {
  constexpr uint32_t kVids = FourCcOf("vids");
  constexpr uint32_t kAuds = FourCcOf("auds");
  const Bytes video = Strl(Strh("vids", 1, 25, 3, 10), 40);
  const Fields videoFields = {kVids, 1, 25, 3, 10, 0, 40};
  const Bytes plain = Avi({video});
  Bytes nested = video;
  for (int i = 0; i < 100; ++i) nested = List("strl", {nested});
  const struct {
    const char* name;
    Bytes file;
    std::vector<Fields> want;
  } cases[] = {
      {"video_and_audio",
       Avi({Chunk("avih", Bytes(56, 0)), Strl(Strh("vids", 1001, 30000, 5, 10), 40),
            Strl(Strh("auds", 1, 8000, 0, 16000, 2), 18)}),
       {{kVids, 1001, 30000, 5, 10, 0, 40}, {kAuds, 1, 8000, 0, 16000, 2, 18}}},
      // A padding stream makes no stream, and its format is not taken for
      // the stream before it.
      {"pads_skipped", Avi({video, Strl(Strh("pads", 1, 1, 0, 0), 11)}), {videoFields}},
      {"empty_format", Avi({Strl(Strh("auds", 1, 8000, 0, 9), 0)}), {{kAuds, 1, 8000, 0, 9, 0, 0}}},
      {"no_format", Avi({Strl(Strh("vids", 1, 25, 0, 3))}), {{kVids, 1, 25, 0, 3, 0, 0}}},
      // A short header keeps the fields it has.
      {"short_strh", Avi({Strl(Strh("vids", 2, 50, 7, 9, 0, 32))}), {{kVids, 2, 50, 7, 0, 0, 0}}},
      // Odd-sized chunks are padded to even sizes.
      {"odd_chunk_padding",
       Avi({Chunk("JUNK", {1, 2, 3}), Strl(Strh("vids", 1, 25, 0, 3), 41),
            Strl(Strh("auds", 1, 100, 0, 1), 20)}),
       {{kVids, 1, 25, 0, 3, 0, 41}, {kAuds, 1, 100, 0, 1, 0, 20}}},
      // A chunk longer than its list ends the walk after what it holds.
      {"cut_short", With(Avi({video, Chunk("JUNK", {1, 2})}), -30, 1000), {videoFields}},
      // Deeply nested lists are not followed without end.
      {"nested", Avi({nested}), {}},
      {"junk_first",
       List("AVI ", {Chunk("JUNK", Bytes(33, 0)), List("hdrl", {video})}, "RIFF"),
       {videoFields}},
      {"movi_first", List("AVI ", {List("movi", {}), List("hdrl", {video})}, "RIFF"), {}},
      {"not_avi", List("WAVE", {List("hdrl", {video})}, "RIFF"), {}},
      {"truncated_file", Bytes(plain.begin(), plain.end() - 40), {videoFields}},
      {"huge_list", With(plain, 16, 0x7FFFFFF0), {}},
      {"too_short", {'R', 'I', 'F', 'F'}, {}},
      {"garbage", Bytes(70, 0xFF), {}},
  };
  for (const auto& c : cases) {
    const std::vector<AviStreamHeader> got =
        ReadAviStreamHeaders([&c](uint64_t offset, size_t size) {
          const size_t from = std::min<uint64_t>(offset, c.file.size());
          const size_t n = std::min(size, c.file.size() - from);
          return Bytes(c.file.begin() + std::ptrdiff_t(from),
                       c.file.begin() + std::ptrdiff_t(from + n));
        });
    std::vector<Fields> fields;
    for (const auto& h : got)
      fields.emplace_back(h.type, h.scale, h.rate, h.start, h.length, h.sampleSize, h.formatSize);
    EXPECT_EQ(fields, c.want) << c.name;
  }
}

}  // namespace
}  // namespace q9::platform
