#include "platform/video/audio_progress.h"

#include <gtest/gtest.h>

#include <vector>

namespace q9::platform {
namespace {

using Packet = AudioProgress::Packet;
constexpr std::optional<int64_t> kNone;

// Each meter reads its packets in turn; every packet gives one percentage.
TEST(AudioProgressTest, MeasuresByTimeElseByPositionInTheFile) {
  const struct {
    const char* what;
    int64_t duration;
    std::optional<int64_t> start;
    int64_t fileSize;
    std::vector<Packet> packets;
    std::vector<int> percents;
  } cases[] = {
      {"time from the stream's start", 1000, 0, 5000,
       {{0, 100, 4000, 10}, {500, 100, 10, 10}, {990, 100, 0, 10}},
       {10, 60, 99}},
      {"time from the first packet", 1000, kNone, 5000,
       {{200, 100, 0, 10}, {700, 0, 0, 10}},
       {10, 50}},
      {"before the start, and a packet of unknown length", 1000, 100, 5000,
       {{50, 10, 0, 10}, {400, -1, 0, 10}},
       {0, 30}},
      {"no duration: the file's bytes", 0, 0, 2000,
       {{100, 10, 0, 500}, {500, 10, 900, 100}, {500, 10, 1500, 500}},
       {25, 50, 99}},
      {"a negative duration is none", -5, 0, 1000,
       {{100, 10, 300, 100}},
       {40}},
      {"no time stamp: the file's bytes", 1000, 0, 1000,
       {{kNone, 10, 400, 100}},
       {50}},
      {"neither time nor size", 0, kNone, -1,
       {{100, 10, 400, 100}},
       {0}},
      {"no position", 0, kNone, 1000,
       {{100, 10, -1, 100}},
       {0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    AudioProgress meter(c.duration, c.start, c.fileSize);
    std::vector<int> percents;
    for (const Packet& p : c.packets) percents.push_back(meter.Percent(p));
    EXPECT_EQ(percents, c.percents);
  }
}

// The presentation stamp, else the decoding one, else none.
TEST(AudioProgressTest, StampIsPresentationElseDecoding) {
  constexpr int64_t kNoValue = -1000;
  const struct {
    int64_t pts, dts;
    std::optional<int64_t> stamp;
  } cases[] = {{5, 3, 5}, {kNoValue, 3, 3}, {0, kNoValue, 0}, {kNoValue, kNoValue, kNone}};
  for (const auto& c : cases)
    EXPECT_EQ(AudioProgress::StampOf(c.pts, c.dts, kNoValue), c.stamp) << c.pts << " " << c.dts;
}

}  // namespace
}  // namespace q9::platform
