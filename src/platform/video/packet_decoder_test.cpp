#include "platform/video/packet_decoder.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/video/avi_error.h"
#include "platform/video/media_input.h"
#include "platform/video/test_media.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
}

namespace q9::platform {
namespace {

using Bytes = std::vector<uint8_t>;

struct PacketDeleter {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
using Packet = std::unique_ptr<AVPacket, PacketDeleter>;

// What the decoder gave, in order: a picture (its time stamp and pixels) or
// an error.
struct Outcome {
  bool picture = false;
  int64_t pts = 0;
  Bytes pixels;
  bool operator==(const Outcome&) const = default;
};

void PrintTo(const Outcome& o, std::ostream* os) {
  if (!o.picture) {
    *os << "error";
    return;
  }
  uint32_t sum = 0;
  for (const uint8_t b : o.pixels) sum = sum * 31 + b;
  *os << "picture at " << o.pts << " (" << o.pixels.size() << " bytes, sum " << sum << ")";
}

Bytes Pixels(const AVFrame* f) {
  const auto format = AVPixelFormat(f->format);
  Bytes out(size_t(av_image_get_buffer_size(format, f->width, f->height, 1)));
  av_image_copy_to_buffer(out.data(), int(out.size()), f->data, f->linesize, format, f->width,
                          f->height, 1);
  return out;
}

// The packets as one decoder after another takes them; after packet jumpAfter
// the decoder is flushed and the next packet skipped, as a seek does.
std::vector<Outcome> Decode(const AVStream* stream, const std::vector<Packet>& packets,
                            int processors, size_t jumpAfter) {
  PacketDecoder decoder;
  EXPECT_EQ(decoder.Open(stream, int64_t(1) << 24, processors), AVIERR_OK);
  decoder.Flush();  // a jump before anything was read drops nothing
  std::vector<Outcome> out;
  AVFrame* frame = av_frame_alloc();
  const auto receive = [&] {
    for (;;) {
      const int r = decoder.Receive(frame);
      if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return;
      out.push_back(r == 0 ? Outcome{true, frame->pts, Pixels(frame)} : Outcome{});
      av_frame_unref(frame);
    }
  };
  for (size_t i = 0; i < packets.size(); ++i) {
    receive();
    if (decoder.Send(packets[i].get()) < 0) out.push_back(Outcome{});
    if (i == jumpAfter) {
      decoder.Flush();
      ++i;
    }
  }
  decoder.Send(nullptr);
  receive();
  av_frame_free(&frame);
  return out;
}

// A copy of a JPEG picture without its quantisation and Huffman tables.
Bytes WithoutTables(const uint8_t* data, size_t size) {
  Bytes out(data, data + 2);
  size_t i = 2;
  while (i + 4 <= size && data[i] == 0xFF && data[i + 1] != 0xDA) {
    const size_t length = size_t(data[i + 2]) << 8 | data[i + 3];
    if (data[i + 1] != 0xDB && data[i + 1] != 0xC4) out.insert(out.end(), data + i, data + i + 2 + length);
    i += 2 + length;
  }
  out.insert(out.end(), data + i, data + size);
  return out;
}

struct Case {
  const char* what;
  const char* clip;
  size_t jumpAfter = size_t(-1);
  bool tablesFirstOnly = false;  // later pictures rely on the first one's tables
  size_t damaged = size_t(-1);   // this packet cut to 300 bytes
};

// Several decoders taking turns give what one decoder gives: the same
// pictures with the same time stamps, in the same order, also after a jump,
// around a damaged picture, and when later pictures use tables only the
// first one carries.
TEST(PacketDecoderTest, DecodersTakingTurnsGiveWhatOneGives) {
  const std::string sameTables = test::ScratchFile("same-tables.avi");
  ASSERT_TRUE(test::Ffmpeg(test::ColourCountInput("64x48", "25", 10) +
                           " -c:v mjpeg -q:v 2 -huffman default " + sameTables));
  const Case cases[] = {
      {"in order", "mjpeg320.avi"},
      {"a jump after picture 5", "mjpeg320.avi", 5},
      {"a damaged picture", "mjpeg320.avi", size_t(-1), false, 4},
      {"tables in the first picture only", "", size_t(-1), true},
      {"tables in the first picture only, a jump", "", 2, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MediaInput input;
    ASSERT_EQ(input.OpenFile(*c.clip != 0 ? test::Clip(c.clip) : sameTables,
                             MediaInput::Probe::Always),
              AVIERR_OK);
    const int index = input.FirstVideoStream();
    ASSERT_GE(index, 0);
    const AVStream* stream = input.Context()->streams[index];
    std::vector<Packet> packets, complete;
    for (Packet p(av_packet_alloc()); av_read_frame(input.Context(), p.get()) >= 0;
         p.reset(av_packet_alloc())) {
      if (p->stream_index != index) continue;
      complete.emplace_back(av_packet_clone(p.get()));
      const size_t n = packets.size();
      if ((c.tablesFirstOnly && n > 0) || n == c.damaged) {
        Bytes data = n == c.damaged ? Bytes(p->data, p->data + 300)
                                    : WithoutTables(p->data, size_t(p->size));
        const int64_t pts = p->pts, dts = p->dts;
        ASSERT_EQ(av_new_packet(p.get(), int(data.size())), 0);
        std::copy(data.begin(), data.end(), p->data);
        p->pts = pts;
        p->dts = dts;
      }
      packets.push_back(std::move(p));
    }
    const std::vector<Outcome> one = Decode(stream, packets, 1, c.jumpAfter);
    // A jump drops the picture under way and skips the next packet.
    const size_t expected = packets.size() - (c.jumpAfter < packets.size() ? 2 : 0);
    ASSERT_EQ(one.size(), expected);
    for (const int lanes : {2, 3}) {
      SCOPED_TRACE(lanes);
      std::vector<Outcome> taking = Decode(stream, packets, lanes, c.jumpAfter);
      std::vector<Outcome> want = one;
      for (auto* list : {&taking, &want}) {
        // With the decoders taking turns, a jump drops the pictures of all
        // of them; what a damaged picture lacks is whatever its buffer held.
        std::erase_if(*list, [&](const Outcome& o) {
          return o.pts + int64_t(lanes) > int64_t(c.jumpAfter) && o.pts <= int64_t(c.jumpAfter);
        });
        for (Outcome& o : *list)
          if (o.pts == int64_t(c.damaged)) o.pixels.clear();
      }
      EXPECT_EQ(taking, want);
    }
    // Without the tables the pictures come out as with them.
    if (c.tablesFirstOnly) {
      EXPECT_EQ(one, Decode(stream, complete, 1, c.jumpAfter));
    }
  }
}

// Motion JPEG alone gets decoders taking turns, one per processor; other
// codecs decode with their own threads in one decoder.
TEST(PacketDecoderTest, MotionJpegAloneTakesTurns) {
  const struct {
    const char* clip;
    int processors, lanes;
  } cases[] = {
      {"mjpeg320.avi", 3, 3}, {"mjpeg320.avi", 1, 1}, {"h264b.mp4", 3, 1}, {"bframes.avi", 2, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.clip << ", " << c.processors << " processors");
    MediaInput input;
    ASSERT_EQ(input.OpenFile(test::Clip(c.clip), MediaInput::Probe::Always), AVIERR_OK);
    PacketDecoder decoder;
    ASSERT_EQ(decoder.Open(input.Context()->streams[input.FirstVideoStream()], 1 << 24,
                           c.processors),
              AVIERR_OK);
    EXPECT_EQ(decoder.Lanes(), c.lanes);
  }
}

}  // namespace
}  // namespace q9::platform
