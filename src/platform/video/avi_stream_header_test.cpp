#include "platform/video/avi_stream_header.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// A stream list: a 'strh' with these fields from the scale on (scale, rate,
// start, length, ..., sample size), cut to strhSize bytes, and a 'strf'.
Bytes Strl(const char* type, const std::vector<uint32_t>& fields, size_t formatSize,
           size_t strhSize = 56) {
  Bytes strh(56, 0);
  std::copy_n(type, 4, strh.begin());
  for (size_t i = 0; i < fields.size(); ++i) StoreU32(&strh[20 + 4 * i], fields[i]);
  strh.resize(strhSize);
  return List("strl", {Chunk("strh", strh), Chunk("strf", Bytes(formatSize, 7))});
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
  const Bytes video = Strl("vids", {1, 25, 3, 10}, 40);
  const Fields videoFields = {kVids, 1, 25, 3, 10, 0, 40};
  const Bytes plain = Avi({video});
  Bytes nested = video;
  for (int i = 0; i < 100; ++i) nested = List("strl", {nested});
  const struct {
    const char* name;
    Bytes file;
    std::vector<Fields> want;
  } cases[] = {
      // A padding stream makes no stream, and its format is not taken for
      // the stream before it.
      {"pads_skipped", Avi({video, Strl("pads", {1, 1, 0, 0}, 11)}), {videoFields}},
      // A short header keeps the fields it has; an empty format has size 0.
      {"short_strh", Avi({Strl("vids", {2, 50, 7, 9}, 0, 32)}), {{kVids, 2, 50, 7, 0, 0, 0}}},
      // Video and audio; odd-sized chunks are padded to even sizes.
      {"odd_chunk_padding",
       Avi({Chunk("JUNK", {1, 2, 3}), Strl("vids", {1001, 30000, 5, 3}, 41),
            Strl("auds", {1, 8000, 0, 16000, 0, 0, 2}, 20)}),
       {{kVids, 1001, 30000, 5, 3, 0, 41}, {kAuds, 1, 8000, 0, 16000, 2, 20}}},
      // A chunk longer than its list ends the walk after what it holds.
      {"cut_short", With(Avi({video, Chunk("JUNK", {1, 2})}), -30, 1000), {videoFields}},
      // Deeply nested lists are not followed without end.
      {"nested", Avi({nested}), {}},
      {"junk_first",
       List("AVI ", {Chunk("JUNK", Bytes(33, 0)), List("hdrl", {video})}, "RIFF"),
       {videoFields}},
      {"truncated_file", Bytes(plain.begin(), plain.end() - 40), {videoFields}},
      {"huge_list", With(plain, 16, 0x7FFFFFF0), {}},
      {"too_short", {'R', 'I', 'F', 'F'}, {}},
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
