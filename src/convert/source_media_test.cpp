#include "convert/source_media.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "convert/wait_cursor.h"
#include "platform/signlib/cq8_seq_writer.h"
#include "platform/video/test_media.h"

namespace q9::convert {
namespace {

namespace pf = platform;
namespace ptest = platform::test;

const std::string kImages = std::string(Q9_TEST_DATA_DIR) + "/images/";
const SourceKind kVideo = SourceKind::Video, kOld = SourceKind::OldSequence,
                 kStill = SourceKind::StillImage, kUnknown = SourceKind::Unknown;

// An old 8 x 16 sequence with one blank frame of each kind.
std::vector<uint8_t> OldSequence(std::initializer_list<unsigned> kinds) {
  pf::CQ8SeqWriter w;
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(w.Create(8, 16, pf::Q9_MONO16));
  for (unsigned kind : kinds) EXPECT_TRUE(w.AddFrame(kind, {}, {}));
  EXPECT_TRUE(w.Serialize(&bytes));
  return bytes;
}

TEST(SourceMediaKind, DecidedByTheTextAfterTheLastDot) {
  const std::pair<SourceKind, std::vector<const char*>> cases[] = {
      {kVideo, {"/videos/Clip.Avi", ".AVI"}},
      {kOld, {"show.v2.seq", "SHOW.SEQ"}},
      {kStill,
       {"a.bmp", "a.JPG", "a.tga", "a.wpg", "a.eps", "a.pcd", "a.pcx", "a.cmp", "a.dib", "a.psd",
        "a.mac", "a.Pct"}},
      {kUnknown, {"README", "", "trailing.", "clip.avi.txt", "dir.avi/file", "a.bmpx", "a.png"}}};
  for (const auto& [kind, paths] : cases)
    for (const char* path : paths) EXPECT_EQ(SourceMedia::KindOfPath(path), kind) << path;
}

// Whatever was open before, a file that cannot be read leaves nothing of it.
// (The image and video adapters' own tests go through the damaged files.)
TEST(SourceMediaOpen, FilesThatCannotBeReadLeaveTheKindUnknown) {
  ptest::TempDir dir;
  const std::vector<uint8_t> seq = OldSequence({pf::kQ8FrameGraphics});
  const std::vector<uint8_t> avi = ptest::ReadBytes(ptest::Clip("mjpeg25.avi"));
  const std::pair<std::string, std::vector<uint8_t>> files[] = {
      {"good.seq", seq},
      {"cut.seq", {seq.begin(), seq.end() - 5}},
      {"noise.avi", std::vector<uint8_t>(5000, 0x5A)},
      {"movi.avi", {avi.begin(), avi.begin() + long(ptest::FindChunk(avi, "movi"))}},
      // FFmpeg reads a picture as a stream of unknown length: nothing to convert.
      {"picture.avi", ptest::ReadBytes(kImages + "quad.png")}};
  for (const auto& [name, bytes] : files) ptest::WriteBytes(dir.File(name), bytes);
  SourceMedia m;
  for (const char* name : {"cut.seq", "noise.avi", "movi.avi", "picture.avi", "missing.bmp"}) {
    for (const std::string& good :
         {kImages + "quad.bmp", ptest::Clip("mjpeg25.avi"), dir.File("good.seq")}) {
      SCOPED_TRACE(std::string(name) + " after " + good);
      ASSERT_EQ(m.Open(good, 12, 16, pf::Q9_RGB16MB), 1);
      ASSERT_EQ(m.RenderFrame(), 1);
      EXPECT_EQ(m.Open(dir.File(name), 12, 16, pf::Q9_RGB16MB), 0);
      EXPECT_EQ(std::tuple(m.Kind(), m.LastFrameNumber(), m.RenderFrame()),
                std::tuple(kUnknown, 1, 0));
      EXPECT_FALSE(m.IsVideoOpen() || m.OldReader().IsOpen() || m.DecodedBitmap().HasData() ||
                   m.WorkingBitmap().HasData() || !m.PreviewBits().empty());
    }
  }
  // The wait cursor shows once per opening, also when it fails.
  std::string log;
  SetWaitCursorHooks([&] { log += "+"; }, [&] { log += "-"; });
  m.Open(kImages + "quad.bmp", 8, 8, pf::Q9_MONO16);
  m.Open(kImages + "junk.cmp", 8, 8, pf::Q9_MONO16);
  SetWaitCursorHooks({}, {});
  EXPECT_EQ(log, "+-+-");
}

TEST(SourceMediaStill, OpeningResetsTheZoomAndSetsTheCapture) {
  SourceMedia m;
  m.ZoomIn();
  m.ZoomIn();
  EXPECT_EQ(m.Zoom(), 4.0f);
  // A 16 x 12 picture on a 12 x 16 sign: the default capture is the frame.
  ASSERT_EQ(m.Open(kImages + "quad.bmp", 12, 16, pf::Q9_RGB16MB), 1);
  EXPECT_EQ(m.Zoom(), 2.0f);
  EXPECT_EQ(m.CaptureRect, (adjust::Rect{0, 0, 16, 12}));
  ASSERT_EQ(m.RenderFrame(), 1);

  // Once initialised (the Adjust dialog attached), opening keeps the capture.
  m.CaptureInitialized = 1;
  m.CaptureRect = {1, 2, 3, 4};
  const adjust::ImportSettings before = m;
  ASSERT_EQ(m.Open(kImages + "quad.bmp", 8, 8, pf::Q9_MONO16), 1);
  EXPECT_TRUE(static_cast<const adjust::ImportSettings&>(m) == before);

  // The content decides, not the extension: a palette picture, a JPEG named
  // .bmp, and a PNG the imaging library reads though .png is no still kind.
  for (const char* name : {"quad8.bmp", "jpeg_named.bmp", "quad.png"}) {
    ASSERT_EQ(m.Open(kImages + name, 12, 16, pf::Q9_RGB16MB), 1) << name;
    EXPECT_EQ(std::tuple(m.Kind(), m.LastFrameNumber(), m.DecodedBitmap().BitsPerPixel()),
              std::tuple(kStill, 1, 24));
  }
}

TEST(SourceMediaVideo, HoldTimeIsScaleTimes120OverRate) {
  // The 32-bit product wraps, as it always has; without a rate the hold time is 4.
  const uint32_t cases[][3] = {{1001, 30000, 4}, {1, 120, 1}, {1, 121, 0},
                               {100, 1, 12000},  {1, 0, 4},   {40000000, 1, 505032704}};
  for (const auto& [scale, rate, hold] : cases)
    EXPECT_EQ(SourceMedia::HoldTimeOf(scale, rate), hold) << scale << "/" << rate;
}

// Frames are numbered from the stream's start to start + length - 1; an empty
// chunk shows the frame before it.
TEST(SourceMediaVideo, FrameNumbersHoldTimesAndTheFramesShown) {
  std::vector<uint8_t> rate0 = ptest::ReadBytes(ptest::Clip("mjpeg25.avi"));
  ASSERT_TRUE(ptest::PatchStrh(rate0, "vids", ptest::kStrhRate, 0));
  ptest::WriteBytes(ptest::ScratchFile("rate0.avi"), rate0);
  const struct {
    std::string clip;
    int lastFrame;
    uint32_t hold;
    int shownIndex;         // colour index of the frame current after Open
    std::vector<int> walk;  // colour indexes of frames lastFrame, lastFrame - 1, ...
  } cases[] = {
      {ptest::Clip("mjpeg25.avi"), 9, 4, 1, {}},
      {ptest::Clip("drop.avi"), 10, 4, 1, {9, 8, 7, 6, 5, 4, 3, 3, 2, 1, 0}},
      // Starts at 5: there is no frame 1, so the first frame is shown.
      {ptest::Clip("start5.avi"), 14, 4, 0, {9, 8, 7, 6, 5, 4, 3, 2, 1, 0}},
      {ptest::ScratchFile("rate0.avi"), 9, SourceMedia::kHoldTimeWithoutRate, 1, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.clip);
    SourceMedia m;
    ASSERT_EQ(m.Open(c.clip, 48, 64, pf::Q9_RGB16MB), 1);
    EXPECT_EQ(std::tuple(m.Kind(), m.LastFrameNumber(), m.FrameHoldTime(1),
                         ptest::ColourIndex(m.DecodedBitmap())),
              std::tuple(kVideo, c.lastFrame, c.hold, c.shownIndex));
    for (int i = 0; i < int(c.walk.size()); ++i) {
      m.GoToFrame(c.lastFrame - i);
      EXPECT_EQ(ptest::ColourIndex(m.DecodedBitmap()), c.walk[size_t(i)]) << c.lastFrame - i;
    }
  }
}

// Packed B-frames in an AVI have no exact numbering to check: each frame
// reached by a jump is compared with the same frame read in order.
TEST(SourceMediaVideo, JumpsGiveTheFramesReadInOrder) {
  const auto pixels = [](const pf::Bitmap& b) {
    return std::vector<uint8_t>(b.Bits(), b.Bits() + b.ImageSize());
  };
  SourceMedia m;
  ASSERT_EQ(m.Open(ptest::Clip("bframes.avi"), 8, 8, pf::Q9_MONO16), 1);
  std::vector<std::vector<uint8_t>> inOrder(size_t(m.LastFrameNumber()) + 1);
  for (int n = 1; n <= m.LastFrameNumber(); ++n) {
    m.GoToFrame(n);
    inOrder[size_t(n)] = pixels(m.DecodedBitmap());
  }
  for (int n : {7, 2, 29, 1, 17, 4, 28, 12, 5, 29, 3}) {
    ASSERT_LE(n, m.LastFrameNumber());
    m.GoToFrame(n);
    EXPECT_EQ(pixels(m.DecodedBitmap()), inOrder[size_t(n)]) << n;
  }
}

TEST(SourceMediaOld, OpensWalksAndRendersAnOldSequence) {
  ptest::TempDir dir;
  ptest::WriteBytes(dir.File("Show.v2.SEQ"),
                    OldSequence({pf::kQ8FrameGraphics, pf::kQ8FrameInclude,
                                 pf::kQ8FrameTransmitData, pf::kQ8FrameEnd}));
  SourceMedia m;
  ASSERT_EQ(m.Open(dir.File("Show.v2.SEQ"), 16, 32, pf::Q9_RGB16MB), 1);
  EXPECT_EQ(std::tuple(m.Kind(), m.LastFrameNumber(), m.OldFrameCount()), std::tuple(kOld, 4, 4u));
  // Frame 1 is current after opening; old frames never fill the bulb buffer.
  const char* labels[] = {"", "Include Frame", "Transmit Data Frame", "NonGraphical Frame Type"};
  for (int n : {0, 2, 3, 4, 1}) {  // 0: as opened
    const std::string label = labels[std::max(n, 1) - 1];
    if (n > 0) m.GoToFrame(n);
    ASSERT_EQ(m.RenderFrame(), 1);
    EXPECT_EQ(std::tuple(m.LabelText(), m.LabelShown(), m.PreviewBits().empty()),
              std::tuple(label, !label.empty(), !label.empty()));
    EXPECT_TRUE(m.BulbBuffer().empty());
  }
}

}  // namespace
}  // namespace q9::convert
