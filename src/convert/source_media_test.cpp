#include "convert/source_media.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <string>
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

// ---- Kinds ------------------------------------------------------------------------

TEST(SourceMediaKind, DecidedByTheTextAfterTheLastDot) {
  const struct {
    const char* path;
    SourceKind kind;
  } cases[] = {
      {"clip.avi", SourceKind::Video},
      {"/videos/Clip.Avi", SourceKind::Video},
      {".AVI", SourceKind::Video},
      {"show.v2.seq", SourceKind::OldSequence},
      {"SHOW.SEQ", SourceKind::OldSequence},
      {"a.bmp", SourceKind::StillImage},
      {"a.JPG", SourceKind::StillImage},
      {"a.Tga", SourceKind::StillImage},
      {"a.wpg", SourceKind::StillImage},
      {"a.eps", SourceKind::StillImage},
      {"a.pcd", SourceKind::StillImage},
      {"a.pcx", SourceKind::StillImage},
      {"a.cmp", SourceKind::StillImage},
      {"a.dib", SourceKind::StillImage},
      {"a.psd", SourceKind::StillImage},
      {"a.mac", SourceKind::StillImage},
      {"a.pct", SourceKind::StillImage},
      {"photo.jpeg", SourceKind::Unknown},  // only the twelve listed extensions
      {"picture.png", SourceKind::Unknown},
      {"README", SourceKind::Unknown},
      {"", SourceKind::Unknown},
      {"trailing.", SourceKind::Unknown},
      {"clip.avi.txt", SourceKind::Unknown},
      {"clip.avi ", SourceKind::Unknown},
      {"dir.avi/file", SourceKind::Unknown},
      {"a.bmpx", SourceKind::Unknown},
  };
  for (const auto& c : cases) EXPECT_EQ(SourceMedia::KindOfPath(c.path), c.kind) << c.path;
}

TEST(SourceMedia, StartsAsAnOldSequenceWithDefaults) {
  const SourceMedia m;
  EXPECT_EQ(m.Owner(), nullptr);
  EXPECT_EQ(m.Kind(), SourceKind::OldSequence);
  EXPECT_EQ(m.Zoom(), 2.0f);
  EXPECT_FALSE(m.IsVideoOpen());
  EXPECT_FALSE(m.DecodedBitmap().HasData());
  EXPECT_TRUE(static_cast<const adjust::ImportSettings&>(m) == adjust::ImportSettings{});
}

TEST(SourceMedia, ZoomStepsStayWithinOneToFour) {
  SourceMedia m;
  for (float expected : {3.0f, 4.0f, 4.0f}) {
    m.ZoomIn();
    EXPECT_EQ(m.Zoom(), expected);
  }
  for (float expected : {3.0f, 2.0f, 1.0f, 1.0f}) {
    m.ZoomOut();
    EXPECT_EQ(m.Zoom(), expected);
  }
  m.Open(kImages + "quad.bmp", 12, 16, pf::Q9_RGB16MB);
  EXPECT_EQ(m.Zoom(), 2.0f);  // back to 2 with every file
}

// ---- Still images ---------------------------------------------------------------

TEST(SourceMediaStill, ReadableFilesOpenAsStillImages) {
  const struct {
    const char* name;
    SourceKind byPath;
  } cases[] = {
      {"quad.bmp", SourceKind::StillImage},
      {"quad8.bmp", SourceKind::StillImage},
      {"quad.jpg", SourceKind::StillImage},
      {"quad.tga", SourceKind::StillImage},
      {"quad.wpg", SourceKind::StillImage},
      {"quad.eps", SourceKind::StillImage},
      {"quad.pcd", SourceKind::StillImage},
      {"quad.pcx", SourceKind::StillImage},
      {"quad.dib", SourceKind::StillImage},
      {"quad.psd", SourceKind::StillImage},
      {"quad.mac", SourceKind::StillImage},
      {"quad.pct", SourceKind::StillImage},
      {"jpeg_named.bmp", SourceKind::StillImage},
      // Not one of the twelve, yet the imaging library reads it.
      {"quad.jpeg", SourceKind::Unknown},
      {"quad.png", SourceKind::Unknown},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = kImages + c.name;
    EXPECT_EQ(SourceMedia::KindOfPath(path), c.byPath);
    SourceMedia m;
    ASSERT_EQ(m.Open(path, 12, 16, pf::Q9_RGB16MB), 1);
    EXPECT_EQ(m.Kind(), SourceKind::StillImage);
    EXPECT_EQ(m.DecodedBitmap().BitsPerPixel(), 24);
    EXPECT_TRUE(m.DecodedBitmap().HasData());
    EXPECT_TRUE(m.WorkingBitmap().SharesPixelsWith(m.DecodedBitmap()));
    EXPECT_EQ(m.LastFrameNumber(), 1);
    EXPECT_EQ(m.Geometry(), (pf::SignGeometry{12, 16, pf::Q9_RGB16MB}));
    std::string source;
    m.GetSourcePath(source);
    EXPECT_EQ(source, path);
    m.AdjustChanged = 1;
    EXPECT_EQ(m.RenderFrame(), 1);
    EXPECT_EQ(m.BulbBufferSize(), pf::BulbDataSize(12, 16, pf::Q9_RGB16MB));
  }
}

TEST(SourceMediaStill, UnreadableFilesLeaveTheKindUnknown) {
  ptest::TempDir dir;
  std::vector<uint8_t> noise(5000);
  std::mt19937 random(3);
  for (uint8_t& b : noise) b = uint8_t(random());
  ptest::WriteBytes(dir.File("noise.bmp"), noise);
  const std::string cases[] = {
      kImages + "junk.cmp",        kImages + "corrupt.png",   kImages + "truncated.png",
      kImages + "truncated.jpg",   kImages + "truncated.bmp", kImages + "empty.bmp",
      kImages + "huge_header.bmp", kImages + "bomb_area.png", kImages + "script.jpg",
      dir.File("noise.bmp"),       dir.File("missing.bmp"),   dir.Path(),
      dir.File("no extension"),
  };
  SourceMedia m;
  for (const std::string& path : cases) {
    SCOPED_TRACE(path);
    // Opened after a readable file: nothing of it is left.
    ASSERT_EQ(m.Open(kImages + "quad.bmp", 12, 16, pf::Q9_RGB16MB), 1);
    ASSERT_EQ(m.RenderFrame(), 1);
    EXPECT_EQ(m.Open(path, 12, 16, pf::Q9_RGB16MB), 0);
    EXPECT_EQ(m.Kind(), SourceKind::Unknown);
    EXPECT_FALSE(m.DecodedBitmap().HasData());
    EXPECT_FALSE(m.WorkingBitmap().HasData());
    EXPECT_EQ(m.LastFrameNumber(), 1);
    EXPECT_EQ(m.RenderFrame(), 0);
    EXPECT_TRUE(m.PreviewBits().empty());
  }
}

TEST(SourceMediaStill, RenderShowsThePictureOnTheSign) {
  SourceMedia m;
  // A 16 x 12 picture on a 12 x 16 sign: the default capture is the frame.
  ASSERT_EQ(m.Open(kImages + "quad.bmp", 12, 16, pf::Q9_RGB16MB), 1);
  EXPECT_EQ(m.CaptureRect, (adjust::Rect{0, 0, 16, 12}));
  ASSERT_EQ(m.RenderFrame(), 1);
  ASSERT_EQ(m.PreviewHeader().size(), 1068u);
  EXPECT_EQ(PreviewAt(m, 0, 0), (std::array<int, 3>{255, 0, 0}));
  EXPECT_EQ(PreviewAt(m, 15, 0), (std::array<int, 3>{0, 255, 0}));
  EXPECT_EQ(PreviewAt(m, 0, 11), (std::array<int, 3>{0, 0, 255}));
  EXPECT_EQ(PreviewAt(m, 15, 11), (std::array<int, 3>{255, 255, 255}));
}

// ---- The capture on opening -------------------------------------------------------

TEST(SourceMediaCapture, DefaultCaptureWhileNotInitialised) {
  ptest::TempDir dir;
  const std::string wide = dir.File("wide.bmp");
  ASSERT_TRUE(ptest::Ffmpeg("-f lavfi -i color=c=gray:s=100x50 -frames:v 1 " + wide));
  SourceMedia m;
  m.XPos = 5;
  m.SizeMode = adjust::kSizePercent;
  ASSERT_EQ(m.Open(wide, 16, 48, pf::Q9_MONO16), 1);
  EXPECT_EQ(m.CaptureRect, (adjust::Rect{26, 17, 74, 33}));
  EXPECT_EQ(m.XPos, 26);
  EXPECT_EQ(m.YPos, 17);
  EXPECT_EQ(m.Width, 48);
  EXPECT_EQ(m.Height, 16);
  EXPECT_EQ(m.SizeMode, adjust::kSizePixels);
  EXPECT_FLOAT_EQ(m.SignAspect, 16.0f / 48.0f);

  // Once initialised (the Adjust dialog attached), opening keeps the fields.
  m.CaptureInitialized = 1;
  m.XPos = 3;
  m.YPos = 4;
  m.Width = 50;
  m.Height = 60;
  m.SizeMode = adjust::kSizePercent;
  m.CaptureRect = {1, 2, 3, 4};
  const adjust::ImportSettings before = m;
  ASSERT_EQ(m.Open(kImages + "quad.bmp", 8, 8, pf::Q9_MONO16), 1);
  EXPECT_TRUE(static_cast<const adjust::ImportSettings&>(m) == before);
}

TEST(SourceMediaOpen, ShowsTheWaitCursorOnceEvenWhenItFails) {
  std::string log;
  SetWaitCursorHooks([&] { log += "+"; }, [&] { log += "-"; });
  SourceMedia m;
  m.Open(kImages + "quad.bmp", 8, 8, pf::Q9_MONO16);
  m.Open(kImages + "junk.cmp", 8, 8, pf::Q9_MONO16);
  SetWaitCursorHooks({}, {});
  EXPECT_EQ(log, "+-+-");
}

// ---- Videos -------------------------------------------------------------------------

TEST(SourceMediaVideo, HoldTimeIsScaleTimes120OverRate) {
  const struct {
    uint32_t scale, rate, hold;
  } cases[] = {
      {1, 25, 4},
      {1001, 30000, 4},
      {1, 30, 4},
      {1, 10, 12},
      {1, 120, 1},
      {1, 121, 0},
      {0, 25, 0},
      {100, 1, 12000},
      {40000000, 1, 505032704},  // 32-bit product wraps, as it always has
      {1, 0, SourceMedia::kHoldTimeWithoutRate},
      {0, 0, SourceMedia::kHoldTimeWithoutRate},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SourceMedia::HoldTimeOf(c.scale, c.rate), c.hold) << c.scale << "/" << c.rate;
  EXPECT_EQ(SourceMedia::kHoldTimeWithoutRate, 4u);
}

TEST(SourceMediaVideo, FrameNumbersHoldTimesAndTheFirstFrameShown) {
  const struct {
    const char* clip;
    int lastFrame;
    uint32_t hold;
    int shownIndex;  // colour index of the frame current after Open
  } cases[] = {
      {"mjpeg25.avi", 9, 4, 1},
      {"mjpeg2997.avi", 9, 4, 1},
      {"drop.avi", 10, 4, 1},
      // Starts at 5: there is no frame 1, so the first frame is shown.
      {"start5.avi", 14, 4, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.clip);
    SourceMedia m;
    ASSERT_EQ(m.Open(ptest::Clip(c.clip), 48, 64, pf::Q9_RGB16MB), 1);
    EXPECT_EQ(m.Kind(), SourceKind::Video);
    EXPECT_TRUE(m.IsVideoOpen());
    EXPECT_EQ(m.LastFrameNumber(), c.lastFrame);
    EXPECT_EQ(m.FrameHoldTime(), c.hold);
    EXPECT_EQ(ptest::ColourIndex(m.DecodedBitmap()), c.shownIndex);
    EXPECT_EQ(m.DecodedBitmap().BitsPerPixel(), 24);
    EXPECT_EQ(m.DecodedBitmap().Width(), 64);
    EXPECT_TRUE(m.WorkingBitmap().SharesPixelsWith(m.DecodedBitmap()));
  }
}

TEST(SourceMediaVideo, DropChunkShowsThePreviousFrameAndStartShiftsNumbers) {
  SourceMedia drop;
  ASSERT_EQ(drop.Open(ptest::Clip("drop.avi"), 8, 8, pf::Q9_MONO16), 1);
  const int expected[] = {0, 1, 2, 3, 3, 4, 5, 6, 7, 8, 9};  // frame n -> colour index
  for (int n = 10; n >= 0; --n) {
    drop.GoToFrame(n);
    EXPECT_EQ(ptest::ColourIndex(drop.DecodedBitmap()), expected[n]) << n;
  }
  SourceMedia late;
  ASSERT_EQ(late.Open(ptest::Clip("start5.avi"), 8, 8, pf::Q9_MONO16), 1);
  late.GoToFrame(12);
  EXPECT_EQ(ptest::ColourIndex(late.DecodedBitmap()), 7);
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
  for (int n : {10, 11, 1000000, -1, -5}) {
    m.GoToFrame(n);
    EXPECT_TRUE(m.DecodedBitmap().SharesPixelsWith(decoded)) << n;
    EXPECT_TRUE(m.WorkingBitmap().SharesPixelsWith(decoded)) << n;
  }
  // An adjusted working picture stays as well.
  m.Brightness = 100;
  m.AdjustChanged = 1;
  ASSERT_EQ(m.RenderFrame(), 1);
  const Bitmap adjusted = m.WorkingBitmap();
  ASSERT_FALSE(adjusted.SharesPixelsWith(decoded));
  m.GoToFrame(12);
  EXPECT_TRUE(m.WorkingBitmap().SharesPixelsWith(adjusted));
  EXPECT_TRUE(m.DecodedBitmap().SharesPixelsWith(decoded));
}

TEST(SourceMediaVideo, RateZeroInTheHeaderGetsTheFallbackHoldTime) {
  std::vector<uint8_t> avi = ptest::ReadBytes(ptest::Clip("mjpeg25.avi"));
  ASSERT_TRUE(ptest::PatchStrh(avi, "vids", ptest::kStrhRate, 0));
  const std::string path = ptest::ScratchFile("rate0.avi");
  ptest::WriteBytes(path, avi);
  SourceMedia m;
  ASSERT_EQ(m.Open(path, 8, 8, pf::Q9_MONO16), 1);
  EXPECT_EQ(m.FrameHoldTime(), SourceMedia::kHoldTimeWithoutRate);
  EXPECT_EQ(m.LastFrameNumber(), 9);
}

TEST(SourceMediaVideo, BrokenVideosDoNotOpen) {
  ptest::TempDir dir;
  const std::vector<uint8_t> avi = ptest::ReadBytes(ptest::Clip("mjpeg25.avi"));
  ASSERT_GT(avi.size(), 2000u);
  std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
  for (size_t cut :
       {size_t(0), size_t(11), size_t(100), size_t(300), ptest::FindChunk(avi, "movi")})
    files.emplace_back("cut" + std::to_string(cut) + ".avi",
                       std::vector<uint8_t>(avi.begin(), avi.begin() + std::ptrdiff_t(cut)));
  std::vector<uint8_t> noise(4000);
  std::mt19937 random(5);
  for (uint8_t& b : noise) b = uint8_t(random());
  files.emplace_back("noise.avi", noise);
  // FFmpeg reads a picture as a stream of unknown length: nothing to convert.
  files.emplace_back("picture.avi", ptest::ReadBytes(kImages + "quad.png"));
  for (const auto& [name, bytes] : files) ptest::WriteBytes(dir.File(name), bytes);
  std::vector<std::string> paths;
  for (const auto& file : files) paths.push_back(dir.File(file.first));
  ASSERT_TRUE(ptest::Ffmpeg("-f lavfi -i sine=d=0.2 -c:a pcm_s16le " + dir.File("audio.avi")));
  paths.push_back(dir.File("audio.avi"));
  paths.push_back(dir.File("missing.avi"));

  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    SourceMedia m;
    ASSERT_EQ(m.Open(ptest::Clip("mjpeg25.avi"), 8, 8, pf::Q9_MONO16), 1);
    EXPECT_EQ(m.Open(path, 8, 8, pf::Q9_MONO16), 0);
    EXPECT_EQ(m.Kind(), SourceKind::Unknown);
    EXPECT_FALSE(m.IsVideoOpen());
    EXPECT_FALSE(m.DecodedBitmap().HasData());
    EXPECT_EQ(m.LastFrameNumber(), 1);
    EXPECT_EQ(m.RenderFrame(), 0);
  }
}

// ---- Old sequences ------------------------------------------------------------------

TEST(SourceMediaOld, OpensWalksAndRendersAnOldSequence) {
  ptest::TempDir dir;
  pf::CQ8SeqWriter w;
  ASSERT_TRUE(w.Create(8, 16, pf::Q9_MONO16));
  std::vector<uint8_t> bulbs(w.BulbSize());
  for (size_t i = 0; i < bulbs.size(); ++i) bulbs[i] = uint8_t(i * 37);
  ASSERT_TRUE(w.AddFrame(pf::kQ8FrameGraphics, std::vector<uint8_t>(16, 0), bulbs));
  ASSERT_TRUE(w.AddFrame(pf::kQ8FrameInclude, std::vector<uint8_t>(32, 0)));
  ASSERT_TRUE(w.AddFrame(pf::kQ8FrameTransmitData, std::vector<uint8_t>(32, 0)));
  for (const char* name : {"show.v2.seq", "SHOW.SEQ"}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(w.Write(dir.File(name))) << w.Error();
    SourceMedia m;
    ASSERT_EQ(m.Open(dir.File(name), 16, 32, pf::Q9_RGB16MB), 1);
    EXPECT_EQ(m.Kind(), SourceKind::OldSequence);
    EXPECT_EQ(m.LastFrameNumber(), 3);
    EXPECT_EQ(m.OldFrameCount(), 3u);
    EXPECT_TRUE(m.OldReader().IsOpen());
    // Frame 1 is current after opening.
    ASSERT_EQ(m.RenderFrame(), 1);
    EXPECT_FALSE(m.LabelShown());
    EXPECT_EQ(m.PreviewHeader().size(), 1068u);
    EXPECT_TRUE(m.BulbBuffer().empty());  // old frames never fill it
    m.GoToFrame(2);
    ASSERT_EQ(m.RenderFrame(), 1);
    EXPECT_TRUE(m.LabelShown());
    EXPECT_EQ(m.LabelText(), "Include Frame");
    EXPECT_TRUE(m.PreviewBits().empty());
    m.GoToFrame(3);
    ASSERT_EQ(m.RenderFrame(), 1);
    EXPECT_EQ(m.LabelText(), "Transmit Data Frame");
    m.GoToFrame(1);
    ASSERT_EQ(m.RenderFrame(), 1);
    EXPECT_FALSE(m.LabelShown());
    EXPECT_EQ(m.LabelText(), "");
  }
}

TEST(SourceMediaOld, BrokenOldSequencesDoNotOpen) {
  ptest::TempDir dir;
  pf::CQ8SeqWriter w;
  ASSERT_TRUE(w.Create(8, 16, pf::Q9_MONO16));
  ASSERT_TRUE(w.AddFrame(pf::kQ8FrameGraphics, {}, {}));
  std::vector<uint8_t> good;
  ASSERT_TRUE(w.Serialize(&good));
  ptest::WriteBytes(dir.File("cut.seq"), std::vector<uint8_t>(good.begin(), good.end() - 5));
  ptest::WriteBytes(dir.File("text.seq"), {'n', 'o', 't', ' ', 'a', ' ', 's', 'e', 'q'});
  ptest::WriteBytes(dir.File("empty.seq"), {});
  ptest::WriteBytes(dir.File("good.seq"), good);
  for (const char* name : {"cut.seq", "text.seq", "empty.seq", "missing.seq"}) {
    SCOPED_TRACE(name);
    SourceMedia m;
    ASSERT_EQ(m.Open(dir.File("good.seq"), 8, 8, pf::Q9_MONO16), 1);
    EXPECT_EQ(m.Open(dir.File(name), 8, 8, pf::Q9_MONO16), 0);
    EXPECT_EQ(m.Kind(), SourceKind::Unknown);
    EXPECT_FALSE(m.OldReader().IsOpen());
    EXPECT_EQ(m.LastFrameNumber(), 1);
  }
}

}  // namespace
}  // namespace q9::convert
