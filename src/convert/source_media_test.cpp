#include "convert/source_media.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "convert/wait_cursor.h"
#include "platform/signlib/seq_writer.h"
#include "platform/video/test_media.h"

namespace q9::convert {
namespace {

using platform::Bitmap;
namespace pf = platform;
namespace ptest = platform::test;

const std::string kImages = std::string(Q9_TEST_DATA_DIR) + "/images/";

bool SameBitmap(const Bitmap& a, const Bitmap& b) {
  return a.Width() == b.Width() && a.Height() == b.Height() &&
         a.BitsPerPixel() == b.BitsPerPixel() && a.ImageSize() == b.ImageSize() &&
         (a.ImageSize() == 0 || std::memcmp(a.Bits(), b.Bits(), a.ImageSize()) == 0);
}

// Preview pixel (x, y), y from the top: red, green, blue.
std::array<int, 3> PreviewAt(const SourceMedia& m, int x, int y) {
  const pf::SignGeometry& g = m.Geometry();
  const size_t stride = pf::DibStride(g.columns, 24);
  const uint8_t* p = m.PreviewBits().data() + (g.rows - 1 - unsigned(y)) * stride + 3 * size_t(x);
  return {p[2], p[1], p[0]};
}

// The capture is the whole frame.
void CaptureWholeFrame(SourceMedia& m) {
  m.CaptureInitialized = 1;
  m.SizeMode = adjust::kSizePercent;
  m.XPos = m.YPos = 0;
  m.Width = m.Height = 100;
}

const SourceKind kVideo = SourceKind::Video, kOld = SourceKind::OldSequence,
                 kStill = SourceKind::StillImage, kUnknown = SourceKind::Unknown;

// ---- Kinds and failed opens ------------------------------------------------------------

TEST(SourceMediaKind, DecidedByTheTextAfterTheLastDot) {
  const std::pair<SourceKind, std::vector<const char*>> cases[] = {
      {kVideo, {"/videos/Clip.Avi", ".AVI"}},
      {kOld, {"show.v2.seq", "SHOW.SEQ"}},
      {kStill, {"a.cmp"}},
      {kUnknown,
       {"README", "", "trailing.", "clip.avi.txt", "clip.avi ", "dir.avi/file", "a.bmpx"}}};
  for (const auto& [kind, paths] : cases)
    for (const char* path : paths) EXPECT_EQ(SourceMedia::KindOfPath(path), kind) << path;
}

// Whatever was open before, a file that cannot be read leaves nothing of it.
// (The image and video adapters' own tests go through the damaged files.)
TEST(SourceMediaOpen, FilesThatCannotBeReadLeaveTheKindUnknown) {
  ptest::TempDir dir;
  pf::CQ8SeqWriter w;
  ASSERT_TRUE(w.Create(8, 16, pf::Q9_MONO16));
  ASSERT_TRUE(w.AddFrame(pf::kQ8FrameGraphics, {}, {}));
  std::vector<uint8_t> seq, noise(5000);
  ASSERT_TRUE(w.Serialize(&seq));
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = uint8_t(i * i * 7919 >> 5);
  const std::vector<uint8_t> avi = ptest::ReadBytes(ptest::Clip("mjpeg25.avi"));
  const std::pair<std::string, std::vector<uint8_t>> files[] = {
      {"good.seq", seq},
      {"cut.seq", {seq.begin(), seq.end() - 5}},
      {"text.seq", {'n', 'o'}},
      {"noise.avi", noise},
      {"movi.avi", {avi.begin(), avi.begin() + long(ptest::FindChunk(avi, "movi"))}},
      // FFmpeg reads a picture as a stream of unknown length: nothing to convert.
      {"picture.avi", ptest::ReadBytes(kImages + "quad.png")}};
  for (const auto& [name, bytes] : files) ptest::WriteBytes(dir.File(name), bytes);
  ASSERT_TRUE(ptest::Ffmpeg("-f lavfi -i sine=d=0.2 -c:a pcm_s16le " + dir.File("audio.avi")));
  SourceMedia m;
  for (const char* name : {"cut.seq", "text.seq", "missing.seq", "noise.avi", "movi.avi",
                           "picture.avi", "audio.avi", "missing.avi", "missing.bmp", "."}) {
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

// ---- Still images ---------------------------------------------------------------

TEST(SourceMediaStill, ReadableFilesOpenAsStillImages) {
  // The twelve extensions, a JPEG named .bmp, and two the imaging library
  // reads though their extensions are not among the twelve.
  const std::pair<SourceKind, std::vector<const char*>> cases[] = {
      {kStill,
       {"quad.bmp", "quad8.bmp", "quad.jpg", "quad.tga", "quad.wpg", "quad.eps", "quad.pcd",
        "quad.pcx", "quad.dib", "quad.psd", "quad.mac", "quad.pct", "jpeg_named.bmp"}},
      {kUnknown, {"quad.jpeg", "quad.png"}}};
  for (const auto& [byPath, names] : cases)
    for (const char* name : names) {
      SCOPED_TRACE(name);
      SourceMedia m;
      EXPECT_EQ(SourceMedia::KindOfPath(kImages + name), byPath);
      ASSERT_EQ(m.Open(kImages + name, 12, 16, pf::Q9_RGB16MB), 1);
      EXPECT_EQ(std::tuple(m.Kind(), m.LastFrameNumber(), m.DecodedBitmap().BitsPerPixel()),
                std::tuple(kStill, 1, 24));
      EXPECT_TRUE(m.WorkingBitmap().SharesPixelsWith(m.DecodedBitmap()));
      ASSERT_EQ(m.RenderFrame(), 1);
      EXPECT_EQ(m.BulbBufferSize(), pf::BulbDataSize(12, 16, pf::Q9_RGB16MB));
    }
}

TEST(SourceMediaStill, RenderShowsThePictureOnTheSignAndOpeningResetsTheZoom) {
  SourceMedia m;
  m.ZoomIn();
  EXPECT_EQ(m.Zoom(), 3.0f);
  for (int i = 0; i < 3; ++i) m.ZoomIn();
  EXPECT_EQ(m.Zoom(), 4.0f);
  for (int i = 0; i < 4; ++i) m.ZoomOut();
  EXPECT_EQ(m.Zoom(), 1.0f);
  // A 16 x 12 picture on a 12 x 16 sign: the default capture is the frame.
  ASSERT_EQ(m.Open(kImages + "quad.bmp", 12, 16, pf::Q9_RGB16MB), 1);
  EXPECT_EQ(m.Zoom(), 2.0f);
  EXPECT_EQ(m.CaptureRect, (adjust::Rect{0, 0, 16, 12}));
  ASSERT_EQ(m.RenderFrame(), 1);
  ASSERT_EQ(m.PreviewHeader().size(), 1068u);
  EXPECT_EQ(PreviewAt(m, 0, 0), (std::array<int, 3>{255, 0, 0}));
  EXPECT_EQ(PreviewAt(m, 15, 0), (std::array<int, 3>{0, 255, 0}));
  EXPECT_EQ(PreviewAt(m, 0, 11), (std::array<int, 3>{0, 0, 255}));
  EXPECT_EQ(PreviewAt(m, 15, 11), (std::array<int, 3>{255, 255, 255}));

  // Once initialised (the Adjust dialog attached), opening keeps the capture.
  CaptureWholeFrame(m);
  m.CaptureRect = {1, 2, 3, 4};
  const adjust::ImportSettings before = m;
  ASSERT_EQ(m.Open(kImages + "quad.bmp", 8, 8, pf::Q9_MONO16), 1);
  EXPECT_TRUE(static_cast<const adjust::ImportSettings&>(m) == before);
}

// ---- Videos -------------------------------------------------------------------------

TEST(SourceMediaVideo, HoldTimeIsScaleTimes120OverRate) {
  // The 32-bit product wraps, as it always has; without a rate the hold time is 4.
  const uint32_t cases[][3] = {
      {1, 25, 4}, {1001, 30000, 4}, {1, 10, 12}, {1, 120, 1}, {1, 121, 0},
      {0, 25, 0}, {100, 1, 12000},  {1, 0, 4},   {0, 0, 4},   {40000000, 1, 505032704}};
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
      {ptest::Clip("mjpeg2997.avi"), 9, 4, 1, {}},
      {ptest::Clip("drop.avi"), 10, 4, 1, {9, 8, 7, 6, 5, 4, 3, 3, 2, 1, 0}},
      // Starts at 5: there is no frame 1, so the first frame is shown.
      {ptest::Clip("start5.avi"), 14, 4, 0, {9, 8, 7, 6, 5, 4, 3, 2, 1, 0}},
      {ptest::ScratchFile("rate0.avi"), 9, SourceMedia::kHoldTimeWithoutRate, 1, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.clip);
    SourceMedia m;
    ASSERT_EQ(m.Open(c.clip, 48, 64, pf::Q9_RGB16MB), 1);
    EXPECT_EQ(std::tuple(m.Kind(), m.LastFrameNumber(), m.FrameHoldTime(),
                         ptest::ColourIndex(m.DecodedBitmap())),
              std::tuple(kVideo, c.lastFrame, c.hold, c.shownIndex));
    for (int i = 0; i < int(c.walk.size()); ++i) {
      m.GoToFrame(c.lastFrame - i);
      EXPECT_EQ(ptest::ColourIndex(m.DecodedBitmap()), c.walk[size_t(i)]) << c.lastFrame - i;
    }
  }
}

TEST(SourceMediaVideo, JumpsGiveTheFramesReadInOrder) {
  const struct {
    const char* clip;
    bool numbered;  // packed B-frames in an AVI have no exact numbering to check
    std::vector<int> jumps;
  } cases[] = {
      {"mjpeg25.avi", true, {7, 2, 9, 1, 5, 6, 3, 8, 4}},
      {"bframes.avi", false, {7, 2, 29, 1, 17, 4, 28, 12, 5, 29, 3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.clip);
    SourceMedia m;
    ASSERT_EQ(m.Open(ptest::Clip(c.clip), 8, 8, pf::Q9_MONO16), 1);
    std::vector<Bitmap> inOrder(size_t(m.LastFrameNumber()) + 1);
    for (int n = 1; n <= m.LastFrameNumber(); ++n) {
      m.GoToFrame(n);
      inOrder[size_t(n)] = m.DecodedBitmap();
      inOrder[size_t(n)].MutableBits();  // a copy of its own
      if (c.numbered) {
        EXPECT_EQ(ptest::ColourIndex(inOrder[size_t(n)]), n);
      }
    }
    for (int n : c.jumps) {
      ASSERT_LE(n, m.LastFrameNumber());
      m.GoToFrame(n);
      EXPECT_TRUE(SameBitmap(m.DecodedBitmap(), inOrder[size_t(n)]))
          << "frame " << n << " shows colour " << ptest::ColourIndex(m.DecodedBitmap())
          << ", read in order " << ptest::ColourIndex(inOrder[size_t(n)]);
    }
  }
}

TEST(SourceMediaVideo, NextFrameIsDecodedIntoTheSameStorageAndRendered) {
  SourceMedia m;
  CaptureWholeFrame(m);
  ASSERT_EQ(m.Open(ptest::Clip("mjpeg25.avi"), 4, 4, pf::Q9_RGB16MB), 1);
  // Two buffers take turns: the frame shown and the one read ahead.
  std::set<const uint8_t*> storage = {m.DecodedBitmap().Bits()};
  for (int n = 2; n <= 9; ++n) {
    m.GoToFrame(n);
    m.AdjustChanged = 1;
    ASSERT_EQ(m.RenderFrame(), 1);
    storage.insert(m.DecodedBitmap().Bits());
    EXPECT_LE(storage.size(), 2u) << n;
    EXPECT_TRUE(m.WorkingBitmap().SharesPixelsWith(m.DecodedBitmap()));
    const auto rgb = PreviewAt(m, 2, 2);  // frame n is (8n, 255 - 8n, 128)
    EXPECT_NEAR(rgb[0], 8 * n, 3) << n;
    EXPECT_NEAR(rgb[1], 255 - 8 * n, 3) << n;
    EXPECT_NEAR(rgb[2], 128, 3) << n;
  }
}

TEST(SourceMediaVideo, FrameTheVideoCannotDeliverLeavesThePreviousOne) {
  SourceMedia m;
  CaptureWholeFrame(m);
  ASSERT_EQ(m.Open(ptest::Clip("mjpeg25.avi"), 12, 16, pf::Q9_RGB16MB), 1);
  m.GoToFrame(3);
  const Bitmap decoded = m.DecodedBitmap();
  for (int n : {10, 1000000, -1}) {
    m.GoToFrame(n);
    EXPECT_TRUE(m.DecodedBitmap().SharesPixelsWith(decoded) &&
                m.WorkingBitmap().SharesPixelsWith(decoded))
        << n;
  }
  // An adjusted working picture stays as well.
  m.Brightness = 100;
  m.AdjustChanged = 1;
  ASSERT_EQ(m.RenderFrame(), 1);
  const Bitmap adjusted = m.WorkingBitmap();
  ASSERT_FALSE(adjusted.SharesPixelsWith(decoded));
  m.GoToFrame(12);
  EXPECT_TRUE(m.WorkingBitmap().SharesPixelsWith(adjusted) &&
              m.DecodedBitmap().SharesPixelsWith(decoded));
}

// ---- Old sequences ------------------------------------------------------------------

TEST(SourceMediaOld, OpensWalksAndRendersAnOldSequence) {
  ptest::TempDir dir;
  pf::CQ8SeqWriter w;
  ASSERT_TRUE(w.Create(8, 16, pf::Q9_MONO16));
  std::vector<uint8_t> bulbs(w.BulbSize());
  for (size_t i = 0; i < bulbs.size(); ++i) bulbs[i] = uint8_t(i * 37);
  ASSERT_TRUE(w.AddFrame(pf::kQ8FrameGraphics, std::vector<uint8_t>(16, 0), bulbs));
  for (unsigned kind : {pf::kQ8FrameInclude, pf::kQ8FrameTransmitData, pf::kQ8FrameEnd})
    ASSERT_TRUE(w.AddFrame(kind, std::vector<uint8_t>(32, 0)));
  ASSERT_TRUE(w.Write(dir.File("Show.v2.SEQ"))) << w.Error();
  SourceMedia m;
  ASSERT_EQ(m.Open(dir.File("Show.v2.SEQ"), 16, 32, pf::Q9_RGB16MB), 1);
  EXPECT_EQ(m.Kind(), kOld);
  EXPECT_EQ(m.LastFrameNumber(), 4);
  EXPECT_EQ(m.OldFrameCount(), 4u);
  // Frame 1 is current after opening; old frames never fill the bulb buffer.
  const char* labels[] = {"", "Include Frame", "Transmit Data Frame", "NonGraphical Frame Type"};
  for (int n : {0, 2, 3, 4, 1}) {  // 0: as opened
    const std::string label = labels[std::max(n, 1) - 1];
    if (n > 0) m.GoToFrame(n);
    ASSERT_EQ(m.RenderFrame(), 1);
    EXPECT_EQ(m.LabelText(), label);
    EXPECT_EQ(m.LabelShown(), !label.empty());
    EXPECT_EQ(m.PreviewBits().empty(), !label.empty());
    EXPECT_TRUE(m.BulbBuffer().empty());
  }
}

}  // namespace
}  // namespace q9::convert
