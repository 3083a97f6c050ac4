// Reading every frame of a 640 x 480 video of 300 frames in order through
// VideoFile::GetFrame, against FFmpeg's own decode of the same file: a plain
// decode loop to the decoder's native format, and the same loop with
// sws_scale to bgr24 at full size. The ratio of the adapter to the second
// is the adapter's overhead. The inputs are made with the ffmpeg command.
//
// Also: H.264 versions at 640 x 480 and 1280 x 720 through the adapter and
// through the decode loop with one and with two decoder threads, which is
// how the adapter's choice of decoder threads was measured.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/video/video_file.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace {

constexpr int kFrames = 300;

class Inputs {
 public:
  static const Inputs& Get() {
    static Inputs inputs;
    return inputs;
  }
  std::string mjpeg;
  std::string h264;
  std::string h264hd;  // 1280 x 720, kFrames / 2 frames

 private:
  Inputs() {
    char dir[] = "/tmp/q9-video-bench-XXXXXX";
    if (::mkdtemp(dir) == nullptr) std::abort();
    m_dir = dir;
    mjpeg = m_dir + "/clip.avi";
    h264 = m_dir + "/clip.mp4";
    h264hd = m_dir + "/hd.mp4";
    const std::string src =
        "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "
        "testsrc=s=640x480:r=25 -frames:v " +
        std::to_string(kFrames);
    if (std::system((src + " -c:v mjpeg -pix_fmt yuvj422p -q:v 3 " + mjpeg).c_str()) != 0 ||
        std::system((src + " -c:v libx264 -pix_fmt yuv420p " + h264).c_str()) != 0 ||
        std::system(("ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "
                     "testsrc2=s=1280x720:r=25 -frames:v " +
                     std::to_string(kFrames / 2) + " -c:v libx264 -pix_fmt yuv420p " + h264hd)
                        .c_str()) != 0)
      std::abort();
  }
  ~Inputs() {
    std::error_code ec;
    std::filesystem::remove_all(m_dir, ec);
  }
  std::string m_dir;
};

void Adapter(benchmark::State& state, const std::string& path, int frames = kFrames) {
  q9::platform::Bitmap frame;
  for (auto _ : state) {
    q9::platform::VideoFile video;
    if (video.Open(path) != q9::platform::AVIERR_OK) state.SkipWithError("open failed");
    const auto info = video.StreamInfo();
    for (int64_t n = info.start; n < info.start + info.length; ++n) {
      if (!video.GetFrame(n, frame)) state.SkipWithError("frame missing");
    }
    benchmark::DoNotOptimize(frame.Bits());
  }
  state.SetItemsProcessed(state.iterations() * frames);
}

// The adapter's scaler flags (see frame_reader.cpp), and the fast flags
// ffmpeg uses by default.
constexpr int kAdapterFlags = SWS_POINT | SWS_BITEXACT;
constexpr int kFastFlags = SWS_BILINEAR;

// FFmpeg alone: demux, decode and (when toBgr) convert each frame into one
// bgr24 buffer (top-down, with FFmpeg's own padded frame) with the given
// scaler flags.
void Reference(benchmark::State& state, const std::string& path, bool toBgr, int threads,
               int expected = kFrames, int flags = kAdapterFlags) {
  AVFrame* bgr = av_frame_alloc();
  for (auto _ : state) {
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0 ||
        avformat_find_stream_info(fmt, nullptr) < 0) {
      state.SkipWithError("open failed");
      break;
    }
    const int index = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const AVCodec* codec = avcodec_find_decoder(fmt->streams[index]->codecpar->codec_id);
    AVCodecContext* dec = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(dec, fmt->streams[index]->codecpar);
    dec->thread_count = threads;
    dec->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    avcodec_open2(dec, codec, nullptr);
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    SwsContext* sws = nullptr;
    int frames = 0;
    const auto drain = [&] {
      while (avcodec_receive_frame(dec, frame) == 0) {
        ++frames;
        if (toBgr) {
          sws = sws_getCachedContext(sws, frame->width, frame->height, AVPixelFormat(frame->format),
                                     frame->width, frame->height, AV_PIX_FMT_BGR24, flags, nullptr,
                                     nullptr, nullptr);
          if (bgr->width != frame->width || bgr->height != frame->height) {
            av_frame_unref(bgr);
            bgr->width = frame->width;
            bgr->height = frame->height;
            bgr->format = AV_PIX_FMT_BGR24;
            av_frame_get_buffer(bgr, 0);
          }
          sws_scale(sws, frame->data, frame->linesize, 0, frame->height, bgr->data, bgr->linesize);
        }
        av_frame_unref(frame);
      }
    };
    while (av_read_frame(fmt, pkt) >= 0) {
      if (pkt->stream_index == index) {
        avcodec_send_packet(dec, pkt);
        drain();
      }
      av_packet_unref(pkt);
    }
    avcodec_send_packet(dec, nullptr);
    drain();
    if (frames != expected) state.SkipWithError("frame count");
    sws_freeContext(sws);
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&dec);
    avformat_close_input(&fmt);
    benchmark::DoNotOptimize(bgr->data[0]);
  }
  av_frame_free(&bgr);
  state.SetItemsProcessed(state.iterations() * expected);
}

void BM_MjpegAdapterGetFrame(benchmark::State& s) {
  Adapter(s, Inputs::Get().mjpeg);
}
void BM_MjpegFfmpegDecode(benchmark::State& s) {
  Reference(s, Inputs::Get().mjpeg, false, 1);
}
void BM_MjpegFfmpegDecodeToBgr24(benchmark::State& s) {
  Reference(s, Inputs::Get().mjpeg, true, 1);
}
void BM_MjpegFfmpegDecodeToBgr24FastFlags(benchmark::State& s) {
  Reference(s, Inputs::Get().mjpeg, true, 1, kFrames, kFastFlags);
}
void BM_H264AdapterGetFrame(benchmark::State& s) {
  Adapter(s, Inputs::Get().h264);
}
void BM_H264FfmpegDecodeToBgr24OneThread(benchmark::State& s) {
  Reference(s, Inputs::Get().h264, true, 1);
}
void BM_H264FfmpegDecodeToBgr24TwoThreads(benchmark::State& s) {
  Reference(s, Inputs::Get().h264, true, 2);
}
void BM_H264HdAdapterGetFrame(benchmark::State& s) {
  Adapter(s, Inputs::Get().h264hd, kFrames / 2);
}
void BM_H264HdFfmpegDecodeToBgr24OneThread(benchmark::State& s) {
  Reference(s, Inputs::Get().h264hd, true, 1, kFrames / 2);
}
void BM_H264HdFfmpegDecodeToBgr24TwoThreads(benchmark::State& s) {
  Reference(s, Inputs::Get().h264hd, true, 2, kFrames / 2);
}

BENCHMARK(BM_MjpegAdapterGetFrame)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MjpegFfmpegDecode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MjpegFfmpegDecodeToBgr24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MjpegFfmpegDecodeToBgr24FastFlags)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_H264AdapterGetFrame)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_H264FfmpegDecodeToBgr24OneThread)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_H264FfmpegDecodeToBgr24TwoThreads)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_H264HdAdapterGetFrame)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_H264HdFfmpegDecodeToBgr24OneThread)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_H264HdFfmpegDecodeToBgr24TwoThreads)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
