#include "cli/render_command.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "cli/cli_test_support.h"
#include "cli/sequence_render.h"
#include "platform/imaging/image_export.h"
#include "platform/imaging/imaging_library.h"
#include "platform/signlib/bulb_layout.h"
#include "platform/signlib/q8_record.h"
#include "platform/signlib/q9_data_frame.h"
#include "platform/signlib/q9_gph_frame.h"
#include "platform/signlib/q9_sequence_file.h"
#include "platform/signlib/seq_writer.h"

namespace q9::cli {
namespace {

using namespace testing;
using namespace platform;

constexpr uint32_t kBlack = 0, kGrey = 0x404040;

// One lit bulb of a graphics frame, and the colour the sign shows for it
// (blue | green << 8 | red << 16, as Bitmap::PixelValue gives it).
struct LitBulb {
  unsigned row, column;
  BulbPixel value;
  uint32_t shown;
};

struct FrameSpec {
  uint32_t type;
  uint32_t holdTime;  // 1/120 s
  std::vector<LitBulb> lit;
};

class RenderTest : public TempDirTest {
 protected:
  // hdr, grp, inc, dat, txd, grp, end: three frames with bulbs, 1, 3 and 5.
  static std::vector<FrameSpec> MixedFrames(uint32_t colorType) {
    if (colorType == Q9_TRI3)  // red, green, and both (yellow)
      return {{kFrameGraphics, 240, {{0, 0, {0, 0, 1, 0}, 0xFF0000}}},
              {kFrameInclude, 0, {}},
              {kFrameData, 0, {{1, 2, {0, 1, 0, 0}, 0x00FF00}}},
              {kFrameTransmitData, 0, {}},
              {kFrameGraphics, 3, {{2, 4, {0, 1, 1, 0}, 0xFFFF00}, {0, 4, {0, 1, 0, 0}, 0x00FF00}}},
              {kFrameEnd, 0, {}}};
    return {
        {kFrameGraphics, 240, {{0, 0, {30, 10, 200, 0}, 0xC80A1E}}},
        {kFrameInclude, 0, {}},
        {kFrameData, 0, {{1, 2, {0, 255, 0, 0}, 0x00FF00}}},
        {kFrameTransmitData, 0, {}},
        {kFrameGraphics, 3, {{2, 4, {51, 34, 17, 0}, 0x112233}, {0, 4, {1, 1, 1, 0}, 0x010101}}},
        {kFrameEnd, 0, {}}};
  }

  void WriteSq9(const std::string& name, unsigned rows, unsigned columns, uint32_t colorType,
                const std::vector<FrameSpec>& frames) {
    CQ9SequenceFile seq;
    ASSERT_EQ(seq.OpenCreate(PathOf(name).c_str(), uint16_t(rows), uint16_t(columns), colorType,
                             Q9_PT_LED),
              1);
    const BulbLayout layout = MakeBulbLayout(rows, columns, colorType);
    for (const FrameSpec& f : frames) {
      const int at = seq.AddFrame(f.type, -1);
      ASSERT_GE(at, 0);
      auto* grp = dynamic_cast<CQ9GphFrame*>(seq.Frame(at));  // "dat " frames are ones too
      if (!grp) continue;
      grp->GphHdr()->SetU32(tag_Q9_GRP_HDR::kHoldTime, f.holdTime);
      for (const LitBulb& b : f.lit)
        ASSERT_EQ(SetBulbPixel(layout, b.row, b.column, grp->BulbData(), b.value), 0);
    }
    ASSERT_EQ(seq.Save(), 1);
  }

  static Bitmap LoadPng(const std::string& path) {
    Bitmap b;
    std::string error;
    EXPECT_EQ(LoadFile(path, b, &error), kImagingSuccess) << error;
    return b;
  }
};

// Checks the frame drawn with its top-left corner at (left, top): each lit
// bulb in its colour at its cell's centre, and at the cell's corner too for
// plain blocks, black for lamps; an unlit bulb black.
void ExpectFrame(const Bitmap& b, int left, int top, int zoom, const FrameSpec& frame,
                 LitBulb unlit) {
  const auto at = [&](unsigned row, unsigned column, int dx, int dy) {
    return b.PixelValue(left + int(column) * zoom + dx, top + int(row) * zoom + dy);
  };
  for (const LitBulb& lit : frame.lit) {
    EXPECT_EQ(at(lit.row, lit.column, zoom / 2, zoom / 2), lit.shown);
    EXPECT_EQ(at(lit.row, lit.column, 0, 0), zoom < kLampZoom ? lit.shown : kBlack);
    EXPECT_EQ(at(lit.row, lit.column, zoom - 1, zoom - 1), zoom < kLampZoom ? lit.shown : kBlack);
  }
  EXPECT_EQ(at(unlit.row, unlit.column, zoom / 2, zoom / 2), kBlack);
}

TEST_F(RenderTest, SheetOfEveryFrameWithBulbs) {
  struct Case {
    uint32_t colorType;
    int zoom;
  };
  const Case cases[] = {{Q9_RGB16MB, 1}, {Q9_RGB16MB, 2}, {Q9_RGB16MB, 4},
                        {Q9_RGB16MB, 9}, {Q9_TRI3, 1},    {Q9_TRI3, 5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(ColorTypeName(c.colorType)) + " zoom " + std::to_string(c.zoom));
    const std::string name = "s" + std::to_string(c.colorType) + "_" + std::to_string(c.zoom);
    const std::vector<FrameSpec> frames = MixedFrames(c.colorType);
    WriteSq9(name + ".sq9", 3, 5, c.colorType, frames);
    const ToolRun run = RunTool({"render", PathOf(name + ".sq9"), "-o", PathOf(name + ".png"),
                                 "--zoom=" + std::to_string(c.zoom)});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out + run.err, "");
    const Bitmap sheet = LoadPng(PathOf(name + ".png"));
    // Three frames of 5 x 3 bulbs: two columns, two rows, 4 pixels apart.
    const int w = 5 * c.zoom, h = 3 * c.zoom;
    ASSERT_EQ(sheet.Width(), 2 * w + kSheetGap);
    ASSERT_EQ(sheet.Height(), 2 * h + kSheetGap);
    const int lefts[] = {0, w + kSheetGap, 0}, tops[] = {0, 0, h + kSheetGap};
    const size_t shown[] = {0, 2, 4};  // frames 1, 3 and 5
    for (int i = 0; i < 3; ++i)
      ExpectFrame(sheet, lefts[i], tops[i], c.zoom, frames[shown[i]], {1, 1, {}, 0});
    EXPECT_EQ(sheet.PixelValue(w + 1, 0), kGrey);                               // the gap
    EXPECT_EQ(sheet.PixelValue(sheet.Width() - 1, sheet.Height() - 1), kGrey);  // no 4th frame
  }
}

TEST_F(RenderTest, OneFrameAsPngOrGif) {
  const std::vector<FrameSpec> frames = MixedFrames(Q9_RGB16MB);
  WriteSq9("a.sq9", 3, 5, Q9_RGB16MB, frames);
  ToolRun run = RunTool({"render", "--frame", "3", PathOf("a.sq9"), "-o", PathOf("f.png")});
  ASSERT_EQ(run.code, 0) << run.err;
  const Bitmap png = LoadPng(PathOf("f.png"));
  ASSERT_EQ(png.Width(), 5);
  ASSERT_EQ(png.Height(), 3);
  ExpectFrame(png, 0, 0, 1, frames[2], {0, 0, {}, 0});

  run = RunTool({"render", PathOf("a.sq9"), "--frame=5", "--zoom", "6", "-o", PathOf("f.GIF")});
  ASSERT_EQ(run.code, 0) << run.err;
  GifAnimation gif;
  std::string error;
  ASSERT_EQ(LoadGifAnimation(PathOf("f.GIF"), gif, &error), kImagingSuccess) << error;
  ASSERT_EQ(gif.frames.size(), 1u);
  EXPECT_EQ(gif.delaysCentiseconds, std::vector<int>{3});  // 3/120 s = 2.5/100 s, a half up
  ASSERT_EQ(gif.frames[0].Width(), 30);
  ExpectFrame(gif.frames[0], 0, 0, 6, frames[4], {0, 0, {}, 0});
}

TEST_F(RenderTest, AnimationKeepsHoldTimesAndExactColours) {
  const std::vector<FrameSpec> frames = MixedFrames(Q9_RGB16MB);
  WriteSq9("a.sq9", 3, 5, Q9_RGB16MB, frames);
  for (const int zoom : {1, 3, 4, 8}) {
    SCOPED_TRACE(zoom);
    const std::string out = PathOf("a" + std::to_string(zoom) + ".gif");
    const ToolRun run =
        RunTool({"render", PathOf("a.sq9"), "-o", out, "--zoom", std::to_string(zoom)});
    ASSERT_EQ(run.code, 0) << run.err;
    GifAnimation gif;
    std::string error;
    ASSERT_EQ(LoadGifAnimation(out, gif, &error), kImagingSuccess) << error;
    // 240/120 s, 0 (the least delay) and 3/120 s.
    EXPECT_EQ(gif.delaysCentiseconds, (std::vector<int>{200, 1, 3}));
    EXPECT_EQ(gif.iterations, 0);
    ASSERT_EQ(gif.frames.size(), 3u);
    const size_t shown[] = {0, 2, 4};
    for (size_t i = 0; i < 3; ++i) {
      ASSERT_EQ(gif.frames[i].Width(), 5 * zoom);
      ASSERT_EQ(gif.frames[i].Height(), 3 * zoom);
      ExpectFrame(gif.frames[i], 0, 0, zoom, frames[shown[i]], {1, 1, {}, 0});
    }
  }
}

TEST_F(RenderTest, OldSequenceInBothTimeUnits) {
  // An old Tri3 sign of 2 x 3 bulbs: tenths, include, 1/120 s, 1/120 s.
  CQ8SeqWriter writer;
  ASSERT_TRUE(writer.Create(2, 3, Q9_TRI3));
  const BulbLayout layout = MakeBulbLayout(2, 3, Q9_TRI3);
  const auto record = [](uint8_t unit, uint16_t hold) {
    std::vector<uint8_t> r(kQ8HoldTime + 2);
    r[kQ8TimeUnit] = unit;
    StoreU16(&r[kQ8HoldTime], hold);
    return r;
  };
  std::vector<uint8_t> bulbs(writer.BulbSize());
  ASSERT_EQ(SetBulbPixel(layout, 1, 2, bulbs.data(), {0, 1, 1, 0}), 0);
  ASSERT_TRUE(writer.AddFrame(kQ8FrameGraphics, record(0, 25), bulbs));
  ASSERT_TRUE(writer.AddFrame(kQ8FrameInclude, {}));
  ASSERT_TRUE(writer.AddFrame(kQ8FrameData, record(1, 30)));
  ASSERT_TRUE(writer.AddFrame(kQ8FrameGraphics, record(5, 1), bulbs));
  ASSERT_TRUE(writer.Write(PathOf("old.seq")));

  ToolRun run = RunTool({"render", PathOf("old.seq"), "-o", PathOf("old.gif")});
  ASSERT_EQ(run.code, 0) << run.err;
  GifAnimation gif;
  std::string error;
  ASSERT_EQ(LoadGifAnimation(PathOf("old.gif"), gif, &error), kImagingSuccess) << error;
  EXPECT_EQ(gif.delaysCentiseconds, (std::vector<int>{250, 25, 1}));
  ASSERT_EQ(gif.frames.size(), 3u);
  EXPECT_EQ(gif.frames[0].PixelValue(2, 1), 0xFFFF00u);
  EXPECT_EQ(gif.frames[1].PixelValue(2, 1), kBlack);

  run = RunTool({"render", PathOf("old.seq"), "-o", PathOf("old.png"), "--frame", "4"});
  ASSERT_EQ(run.code, 0) << run.err;
  const Bitmap png = LoadPng(PathOf("old.png"));
  ASSERT_EQ(png.Width(), 3);
  EXPECT_EQ(png.PixelValue(2, 1), 0xFFFF00u);
  EXPECT_EQ(png.PixelValue(1, 1), kBlack);

  run = RunTool({"render", PathOf("old.seq"), "-o", PathOf("x.png"), "--frame", "2"});
  EXPECT_TRUE(FailedWithOneLine(run, kExitFileError));
  EXPECT_EQ(run.err,
            "q9seq: " + PathOf("old.seq") + ": frame 2 (kind 2) carries no bulbs to draw\n");
}

TEST_F(RenderTest, ErrorsGiveOneLineAndNoOutput) {
  WriteSq9("a.sq9", 3, 5, Q9_RGB16MB, MixedFrames(Q9_RGB16MB));
  WriteSq9("none.sq9", 3, 5, Q9_MONO1, {{kFrameInclude, 0, {}}, {kFrameEnd, 0, {}}});
  WriteSq9("wide.sq9", 3, 600, Q9_MONO1, {{kFrameGraphics, 1, {}}});
  WriteSq9("big.sq9", 100, 100, Q9_MONO1, {{kFrameGraphics, 1, {}}, {kFrameGraphics, 1, {}}});
  WriteAll(PathOf("text.sq9"), {'h', 'e', 'l', 'l', 'o'});
  std::vector<uint8_t> cut = ReadAll(PathOf("a.sq9"));
  cut.resize(cut.size() / 2);
  WriteAll(PathOf("cut.sq9"), cut);
  std::filesystem::create_directory(PathOf("dir.png"));
  const std::vector<std::string> before = Listing();

  struct Case {
    std::vector<std::string> args;
    int code;
    std::string err;  // the whole line after "q9seq: "
  };
  const std::string a = PathOf("a.sq9");
  const Case cases[] = {
      {{"render", PathOf("missing.sq9"), "-o", PathOf("o.png")},
       1,
       PathOf("missing.sq9") + ": No such file or directory"},
      {{"render", PathOf("text.sq9"), "-o", PathOf("o.png")},
       1,
       PathOf("text.sq9") + ": neither a sequence file (.sq9) nor an old sequence (.seq)"},
      {{"render", PathOf("none.sq9"), "-o", PathOf("o.gif")},
       1,
       PathOf("none.sq9") +
           ": nothing to draw: no frame carries bulbs (no graphics or data frames)"},
      {{"render", a, "-o", PathOf("o.png"), "--frame", "7"},
       1,
       a + ": there is no frame 7: the frames are 0 to 6"},
      {{"render", a, "-o", PathOf("o.gif"), "--frame", "0"},
       1,
       a + ": frame 0 (hdr) carries no bulbs to draw"},
      {{"render", a, "-o", PathOf("o.png"), "--frame", "2"},
       1,
       a + ": frame 2 (inc) carries no bulbs to draw"},
      {{"render", a, "-o", PathOf("no/o.png")},
       1,
       "cannot write " + PathOf("no/o.png") + ": No such file or directory"},
      {{"render", a, "-o", PathOf("dir.png")},
       1,
       "cannot write " + PathOf("dir.png") + ": is a directory"},
      {{"render", PathOf("wide.sq9"), "-o", PathOf("o.gif"), "--zoom", "27"},
       1,
       PathOf("wide.sq9") +
           ": a frame of 600 x 3 bulbs at zoom 27 would be 16200 x 81 pixels, more than the 16000 "
           "pixels a side or 12582912 pixels a picture may have; use a smaller --zoom"},
      {{"render", PathOf("big.sq9"), "-o", PathOf("o.png"), "--zoom", "32"},
       1,
       PathOf("big.sq9") +
           ": a sheet of 2 frames would be 3200 x 6404 pixels, more than the 16000 pixels a side "
           "or 12582912 pixels a picture may have; draw one frame (--frame N), a smaller --zoom "
           "or a .gif"},
      {{"render", a},
       2,
       "render needs an output file: -o OUT.png or -o OUT.gif (see q9seq --help)"},
      {{"render", "-o", "x.png"}, 2, "render needs a sequence file (see q9seq --help)"},
      {{"render", "-", "-o", "x.png"},
       2,
       "render reads a file, not standard input (see q9seq --help)"},
      {{"render", a, "-o", PathOf("o.jpg")},
       2,
       "render writes a .png or a .gif file, not '" + PathOf("o.jpg") + "' (see q9seq --help)"},
      {{"render", a, "-o", "o.png", "--zoom", "0"},
       2,
       "--zoom takes a whole number from 1 to 32, not '0' (see q9seq --help)"},
      {{"render", a, "-o", "o.png", "--zoom=33"},
       2,
       "--zoom takes a whole number from 1 to 32, not '33' (see q9seq --help)"},
      {{"render", a, "-o", "o.png", "--zoom", "+2"},
       2,
       "--zoom takes a whole number from 1 to 32, not '+2' (see q9seq --help)"},
      {{"render", a, "-o", "o.png", "--zoom", "2", "--zoom", "2"},
       2,
       "--zoom is given twice (see q9seq --help)"},
      {{"render", a, "-o", "o.png", "--frame", "-1"},
       2,
       "--frame takes a frame number as info prints it, not '-1' (see q9seq --help)"},
      {{"render", a, "-o", "o.png", "--frame"},
       2,
       "option '--frame' needs a frame number (see q9seq --help)"},
      {{"render", a, "-o", "o.png", "--bulbs"},
       2,
       "unknown option '--bulbs' for render (see q9seq --help)"},
      {{"info", a, "--zoom", "2"}, 2, "unknown option '--zoom' for info (see q9seq --help)"},
      {{"make-old", "d.json", "-o", "o.seq", "--frame", "1"},
       2,
       "unknown option '--frame' for make-old (see q9seq --help)"},
  };
  for (const Case& c : cases) {
    const ToolRun run = RunTool(c.args);
    EXPECT_TRUE(FailedWithOneLine(run, c.code)) << c.err;
    EXPECT_EQ(run.err, "q9seq: " + c.err + "\n");
    EXPECT_EQ(Listing(), before) << c.err;
  }
  // A damaged file gets its reader's reason.
  const ToolRun run = RunTool({"render", PathOf("cut.sq9"), "-o", PathOf("o.png")});
  EXPECT_TRUE(FailedWithOneLine(run, kExitFileError));
  EXPECT_TRUE(run.err.starts_with("q9seq: " + PathOf("cut.sq9") + ": ")) << run.err;
  EXPECT_EQ(Listing(), before);
}

}  // namespace
}  // namespace q9::cli
