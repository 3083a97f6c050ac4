#include "platform/imaging/postscript_rasterizer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <string>

namespace q9::platform {
namespace {

std::vector<uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

std::string Eps(const std::string& box, const std::string& body) {
  return "%!PS-Adobe-3.0 EPSF-3.0\n" + box + "\n" + body + "\nshowpage\n%%EOF\n";
}

TEST(PostScriptRasterizer, ScreenResolutionUnlessThePageWouldBeTooLarge) {
  const struct {
    const char* header;
    double resolution;
  } cases[] = {
      {"%%BoundingBox: 0 0 16 12", 72},
      {"%%BoundingBox: 0 0 4000 10", 72},
      {"%%BoundingBox: 0 0 8000 100", 36},
      {"%%BoundingBox: -100 0 100 16000", 18},
      {"%%BoundingBox: (atend)", 72},
      {"%%Title: x %%BoundingBox: 0 0 8000 100", 72},  // not at the start of a line
      {"%%Creator: me", 72},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(PostScriptRasterizer::ResolutionFor(Bytes(Eps(c.header, ""))), c.resolution)
        << c.header;
  }
}

// The page comes back as a PPM of the bounding box at the resolution;
// every limit stops a document that runs into it, each with its own reason.
TEST(PostScriptRasterizer, PagesAndLimits) {
  const std::string box = "%%BoundingBox: 0 0 16 12";
  const struct {
    const char* name;
    std::string document;
    PostScriptLimits limits;
    const char* result;  // the size line of the page, or the start of the reason
    int errorNumber;
  } cases[] = {
      {"a page", Eps(box, "0 0 1 setrgbcolor 0 0 16 12 rectfill"), {}, "\n16 12\n255\n", 0},
      {"wider than the limit", Eps("%%BoundingBox: 0 0 8000 2", ""), {}, "\n4000 1\n255\n", 0},
      {"wall time",
       Eps(box, "{ } loop"),
       {std::chrono::milliseconds(300), 20, 1u << 30},
       "PostScript time-out: still running after 0.3 s",
       ETIMEDOUT},
      {"CPU time",
       Eps(box, "{ } loop"),
       {std::chrono::milliseconds(20'000), 1, 1u << 30},
       "PostScript stopped: it used up its CPU time",
       EINTR},
      {"memory",
       Eps(box, "[ { 1000000 array } loop ]"),
       {std::chrono::milliseconds(20'000), 20, 256u << 20},
       "PostScript error: ",
       0},
      {"its own error",
       Eps(box, "nosuchoperator"),
       {},
       "PostScript error: Error: /undefined in nosuchoperator",
       0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Result<std::vector<uint8_t>> page =
        PostScriptRasterizer(c.limits).Rasterize(Bytes(c.document), {});
    if (page) {
      // "P6", Ghostscript's comment line, then the size.
      const std::string text(page->begin(), page->end());
      EXPECT_TRUE(text.starts_with("P6\n")) << text.substr(0, 100);
      EXPECT_NE(text.substr(0, 100).find(c.result), std::string::npos) << text.substr(0, 100);
    } else {
      EXPECT_TRUE(page.Reason().starts_with(c.result)) << page.Reason();
      EXPECT_EQ(page.Error().errorNumber, c.errorNumber);
    }
  }
}

TEST(PostScriptRasterizer, CancelStopsADocumentThatNeverEnds) {
  std::atomic<int> polls{0};
  const Result<std::vector<uint8_t>> page =
      PostScriptRasterizer({}).Rasterize(Bytes(Eps("%%BoundingBox: 0 0 16 12", "{ } loop")), [&] {
        // Cancelled at the fifth look, a tenth of a second in.
        return ++polls >= 5;
      });
  ASSERT_FALSE(page.Ok());
  EXPECT_EQ(page.Error().errorNumber, ECANCELED);
  EXPECT_EQ(polls.load(), 5);
}

}  // namespace
}  // namespace q9::platform
