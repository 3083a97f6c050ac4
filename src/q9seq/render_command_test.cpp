#include "q9seq/render_command.h"

#include <gtest/gtest.h>

#include "platform/imaging/image_export.h"
#include "platform/imaging/imaging_library.h"
#include "platform/signlib/bulb_layout.h"
#include "platform/signlib/cq9_data_frame.h"
#include "platform/signlib/cq9_gph_frame.h"
#include "platform/signlib/cq9_sequence_file.h"
#include "q9seq/hex.h"
#include "q9seq/q9seq_test_support.h"
#include "q9seq/render_layout.h"
#include "sequence/bulb_drawing.h"

namespace q9::q9seq {
namespace {

using namespace testing;
using namespace platform;

constexpr uint32_t kBlack = 0, kGrey = 0x404040;

// A frame of the test sequences, its lit bulbs as row, column and colour
// (blue | green << 8 | red << 16, as Bitmap::PixelValue gives it too).
struct TestFrame {
  uint32_t type;
  uint32_t holdTime;  // 1/120 s
  std::vector<std::tuple<unsigned, unsigned, uint32_t>> lit;
};

// hdr, grp, inc, dat, txd, grp, end: frames 1, 3 and 5 carry bulbs; the one
// at row 1, column 1 is dark in each.
const std::vector<TestFrame> kMixedFrames = {{kFrameGraphics, 240, {{0, 0, 0xC80A1E}}},
                                             {kFrameInclude, 0, {}},
                                             {kFrameData, 0, {{1, 2, 0x00FF00}}},
                                             {kFrameTransmitData, 0, {}},
                                             {kFrameGraphics, 3, {{2, 4, 0x112233}, {0, 4, 1}}},
                                             {kFrameEnd, 0, {}}};

class RenderTest : public TempDirTest {
 protected:
  void WriteSq9(const std::string& name, uint16_t rows, uint16_t columns, uint32_t colorType,
                const std::vector<TestFrame>& frames) {
    CQ9SequenceFile seq;
    ASSERT_EQ(seq.OpenCreate(PathOf(name).c_str(), rows, columns, colorType, Q9_PT_LED), 1);
    const BulbLayout layout = MakeBulbLayout(rows, columns, colorType);
    for (const TestFrame& f : frames) {
      auto* grp = dynamic_cast<CQ9GphFrame*>(seq.Frame(seq.AddFrame(f.type, -1)));
      if (!grp) continue;  // "dat " frames are graphics frames too
      grp->GphHdr()->SetU32(tag_Q9_GRP_HDR::kHoldTime, f.holdTime);
      for (const auto& [row, column, c] : f.lit) {
        const BulbPixel value{uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16), 0};
        ASSERT_EQ(SetBulbPixel(layout, row, column, grp->BulbData(), value), 0);
      }
    }
    ASSERT_EQ(seq.Save(), 1);
  }
};

// Checks the frame drawn with its top-left corner at (left, top): each lit
// bulb in its colour at its cell's centre, and at the cell's corners too for
// plain blocks, black for lamps; the dark bulb black.
void ExpectFrame(const Bitmap& b, int left, int top, int zoom, const TestFrame& frame) {
  const auto at = [&](unsigned row, unsigned column, int dx, int dy) {
    return b.PixelValue(left + int(column) * zoom + dx, top + int(row) * zoom + dy);
  };
  for (const auto& [row, column, colour] : frame.lit) {
    EXPECT_EQ(at(row, column, zoom / 2, zoom / 2), colour);
    // From zoom 4 on, bulbs are round lamps on black.
    EXPECT_EQ(at(row, column, 0, 0), zoom < 4 ? colour : kBlack);
    EXPECT_EQ(at(row, column, zoom - 1, zoom - 1), zoom < 4 ? colour : kBlack);
  }
  EXPECT_EQ(at(1, 1, zoom / 2, zoom / 2), kBlack);
}

TEST_F(RenderTest, SheetsAnimationsAndSingleFrames) {
  struct Case {
    int zoom;
    std::string out;
    std::vector<std::string> options;
    std::vector<size_t> shown;  // frames 1, 3 and 5 carry bulbs
    std::vector<int> delays;    // of a .gif: 240/120 s, the least delay and 3/120 s rounded
  };
  const std::vector<size_t> all = {0, 2, 4};
  const Case cases[] = {
      {1, "s.png", {}, all, {}},
      {4, "s.png", {}, all, {}},
      {1, "f.png", {"--frame", "3"}, {2}, {}},
      {5, "a.gif", {}, all, {200, 1, 3}},
      {6, "f.GIF", {"--frame=5"}, {4}, {3}},
  };
  WriteSq9("a.sq9", 3, 5, Q9_RGB16MB, kMixedFrames);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.out + " zoom " + std::to_string(c.zoom));
    std::vector<std::string> args = {"render",      PathOf("a.sq9"), "-o",
                                     PathOf(c.out), "--zoom",        std::to_string(c.zoom)};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const ToolRun run = RunTool(args);
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out + run.err, "");
    const int w = 5 * c.zoom, h = 3 * c.zoom;
    if (c.delays.empty()) {
      // Frames of 5 x 3 bulbs, two to a row, 4 grey pixels apart.
      Bitmap sheet;
      ASSERT_EQ(LoadFile(PathOf(c.out), sheet, nullptr), kImagingSuccess);
      const int columns = c.shown.size() > 1 ? 2 : 1;
      ASSERT_EQ(sheet.Width(), columns * w + (columns - 1) * kSheetGap);
      ASSERT_EQ(sheet.Height(), columns * h + (columns - 1) * kSheetGap);
      for (size_t i = 0; i < c.shown.size(); ++i)
        ExpectFrame(sheet, int(i % 2) * (w + kSheetGap), int(i / 2) * (h + kSheetGap), c.zoom,
                    kMixedFrames[c.shown[i]]);
      if (columns == 2) {
        EXPECT_EQ(sheet.PixelValue(w + 1, 0), kGrey);                               // the gap
        EXPECT_EQ(sheet.PixelValue(sheet.Width() - 1, sheet.Height() - 1), kGrey);  // no 4th
      }
      continue;
    }
    GifAnimation gif;
    std::string error;
    ASSERT_EQ(LoadGifAnimation(PathOf(c.out), gif, &error), kImagingSuccess) << error;
    EXPECT_EQ(gif.delaysCentiseconds, c.delays);
    EXPECT_EQ(gif.iterations, 0);
    ASSERT_EQ(gif.frames.size(), c.shown.size());
    for (size_t i = 0; i < c.shown.size(); ++i) {
      ASSERT_EQ(gif.frames[i].Width(), w);
      ASSERT_EQ(gif.frames[i].Height(), h);
      ExpectFrame(gif.frames[i], 0, 0, c.zoom, kMixedFrames[c.shown[i]]);
    }
  }
}

TEST_F(RenderTest, OldSequenceInBothTimeUnits) {
  // An old Tri3 sign of 2 x 3 bulbs: a yellow bulb held 25 tenths, an
  // include, a dark data frame held 30/120 s and the yellow bulb for 1/120 s.
  std::vector<uint8_t> bulbs(BulbDataSize(2, 3, Q9_TRI3));
  ASSERT_EQ(SetBulbPixel(MakeBulbLayout(2, 3, Q9_TRI3), 1, 2, bulbs.data(), {0, 1, 1, 0}), 0);
  std::string description = R"({"rows": 2, "columns": 3, "colorType": "Tri3", "frames": [
      {"kind": 4, "fields": [{"offset": 12, "size": 2, "value": 25}], "bulbs": "B"}, {"kind": 2},
      {"kind": 6, "fields": [{"offset": 6, "size": 1, "value": 1},
                             {"offset": 12, "size": 2, "value": 30}]},
      {"kind": 4, "fields": [{"offset": 6, "size": 1, "value": 5},
                             {"offset": 12, "size": 2, "value": 1}], "bulbs": "B"}]})";
  for (size_t at; (at = description.find("\"B\"")) != std::string::npos;)
    description.replace(at + 1, 1, HexEncode(bulbs));
  ASSERT_EQ(RunTool({"make-old", "-", "-o", PathOf("old.seq")}, description).code, 0);

  const ToolRun run = RunTool({"render", PathOf("old.seq"), "-o", PathOf("old.gif")});
  ASSERT_EQ(run.code, 0) << run.err;
  GifAnimation gif;
  std::string error;
  ASSERT_EQ(LoadGifAnimation(PathOf("old.gif"), gif, &error), kImagingSuccess) << error;
  EXPECT_EQ(gif.delaysCentiseconds, (std::vector<int>{250, 25, 1}));
  ASSERT_EQ(gif.frames.size(), 3u);
  EXPECT_EQ(gif.frames[0].PixelValue(2, 1), 0xFFFF00u);
  EXPECT_EQ(gif.frames[1].PixelValue(2, 1), kBlack);

  // Old sequences count their frames from 1.
  const ToolRun last = RunTool({"render", PathOf("old.seq"), "-o", PathOf("4.png"), "--frame=4"});
  ASSERT_EQ(last.code, 0) << last.err;
  Bitmap picture;
  ASSERT_EQ(LoadFile(PathOf("4.png"), picture, nullptr), kImagingSuccess);
  EXPECT_EQ(picture.PixelValue(2, 1), 0xFFFF00u);
  EXPECT_EQ(RunTool({"render", PathOf("old.seq"), "-o", PathOf("5.png"), "--frame=5"}).err,
            "q9seq: " + PathOf("old.seq") + ": there is no frame 5: the frames are 1 to 4\n");
  EXPECT_EQ(RunTool({"render", PathOf("old.seq"), "-o", PathOf("2.png"), "--frame=2"}).err,
            "q9seq: " + PathOf("old.seq") + ": frame 2 (kind 2) carries no bulbs to draw\n");
}

TEST_F(RenderTest, ErrorsGiveOneLineAndNoOutput) {
  WriteSq9("a.sq9", 3, 5, Q9_RGB16MB, kMixedFrames);
  WriteSq9("none.sq9", 3, 5, Q9_MONO1, {{kFrameInclude, 0, {}}, {kFrameEnd, 0, {}}});
  WriteSq9("wide.sq9", 3, 600, Q9_MONO1, {{kFrameGraphics, 1, {}}});
  WriteSq9("big.sq9", 100, 100, Q9_MONO1, {{kFrameGraphics, 1, {}}, {kFrameGraphics, 1, {}}});
  const std::vector<std::string> before = Listing();

  const auto P = [this](const std::string& name) { return PathOf(name); };
  const std::string a = P("a.sq9"), limits =
                                        "more than the 16000 pixels a side or 12582912 "
                                        "pixels a picture may have; ";
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      // the line after "q9seq: "
      {{P("none.sq9"), "-o", P("o.gif")},
       P("none.sq9") + ": nothing to draw: no frame carries bulbs (no graphics or data frames)"},
      {{a, "-o", P("o.png"), "--frame", "7"}, a + ": there is no frame 7: the frames are 0 to 6"},
      {{a, "-o", P("o.gif"), "--frame", "0"}, a + ": frame 0 (hdr) carries no bulbs to draw"},
      {{a, "-o", P("no/o.png")}, "cannot write " + P("no/o.png") + ": No such file or directory"},
      {{P("wide.sq9"), "-o", P("o.gif"), "--zoom", "27"},
       P("wide.sq9") + ": a frame of 600 x 3 bulbs at zoom 27 would be 16200 x 81 pixels, " +
           limits + "use a smaller --zoom"},
      {{P("big.sq9"), "-o", P("o.png"), "--zoom", "32"},
       P("big.sq9") + ": a sheet of 2 frames would be 3200 x 6404 pixels, " + limits +
           "draw one frame (--frame N), a smaller --zoom or a .gif"},
  };
  for (const auto& [args, err] : cases) {
    std::vector<std::string> line = {"render"};
    line.insert(line.end(), args.begin(), args.end());
    const ToolRun run = RunTool(line);
    EXPECT_TRUE(FailedWithOneLine(run, kExitFileError)) << err;
    EXPECT_EQ(run.err, "q9seq: " + err + "\n");
    EXPECT_EQ(Listing(), before) << err;
  }
}

}  // namespace
}  // namespace q9::q9seq
