#include "unattended/unattended_run.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "adjust/settings_persistence.h"
#include "platform/signlib/cq8_seq_writer.h"
#include "platform/signlib/cq9_sequence_file.h"
#include "platform/signlib/q8_record.h"
#include "platform/signlib/sq9_reader.h"
#include "platform/signlib/sq9_test_support.h"
#include "platform/video/test_media.h"
#include "program/process_test_support.h"

namespace q9::unattended {
namespace {

namespace fs = std::filesystem;
using namespace program::testing;
using namespace platform::testing;

// The settings store of these tests, before anything opens it.
struct ConfigHome : platform::test::TempDir {
  ConfigHome() { setenv("XDG_CONFIG_HOME", Path().c_str(), 1); }
} g_configHome;

size_t Frames(const std::string& path) {
  platform::Sq9Contents contents;
  std::string error;
  return platform::ReadSq9File(path, contents, error) ? contents.frames.size() : 0;
}

class UnattendedRunTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    fs::create_directories(m_dir / "my-in");             // a value is never cut at "-"
    fs::create_directories(m_dir / "4x8.RGB16MB.SIGN");  // the library folder is created
  }
  std::string In(const std::string& name = "") const { return PathOf("my-in/" + name); }
  std::string Out(const std::string& name = "") const {
    return PathOf("4x8.RGB16MB.SIGN/Default.LIB") + (name.empty() ? "" : "/" + name);
  }
  std::vector<std::string> Dirs(const std::vector<std::string>& more = {}) const {
    std::vector<std::string> args = {"-s", In(), "-d", Out()};
    args.insert(args.end(), more.begin(), more.end());
    return args;
  }
  // An uneven picture, so that every capture shows something else of it;
  // more than 100 pixels on each side, so that 100 percent and 100 pixels
  // are different captures.
  void Still(const std::string& name) {
    static const std::string picture = platform::test::ScratchFile("testsrc.bmp");
    if (!fs::exists(picture)) {
      ASSERT_TRUE(platform::test::Ffmpeg("-f lavfi -i testsrc=s=160x120 -frames:v 1 " + picture));
    }
    fs::copy_file(picture, In(name));
  }
  std::vector<std::string> OutListing() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(Out())) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  static ToolRun RunInProcess(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int code = RunUnattended(args, out, err);
    return {code, out.str(), err.str()};
  }
  ToolRun RunProcess(const std::vector<std::string>& args) {
    return WaitProcess(StartProcess(Q9CONVERT_BINARY, args, m_dir), m_dir);
  }
};

TEST_F(UnattendedRunTest, ConvertsEveryKindReportsUnknownOnesAndKeepsExistingFiles) {
  fs::copy_file(platform::test::Clip("mjpeg25.avi"), In("a.avi"));  // frames 1 to 9
  Still("b.bmp");
  platform::CQ8SeqWriter old;
  ASSERT_TRUE(old.Create(4, 8, platform::Q9_RGB16MB));
  for (int i = 0; i < 2; ++i) ASSERT_TRUE(old.AddFrame(platform::kQ8FrameGraphics, {}, {}));
  ASSERT_TRUE(old.Write(In("c.seq")));
  WriteAll(In("d.msg"), {'h', 'i'});
  fs::copy_file(Q9_TEST_DATA_DIR "/images/junk.cmp", In("e.CMP"));

  ToolRun r = RunProcess(Dirs());
  EXPECT_EQ(r.code, 1) << r.err;
  for (const char* name : {"d.msg", "e.CMP"})
    EXPECT_NE(r.err.find("warning: Unknown file type encountered with " + In(name) +
                         "!\nNo conversion performed.\n"),
              std::string::npos)
        << r.err;
  EXPECT_NE(r.err.find("converting a.avi ... ok, 9 frames\n"), std::string::npos) << r.err;
  EXPECT_EQ(OutListing(), (std::vector<std::string>{"a.SQ9", "b.SQ9", "c.SQ9"}));
  EXPECT_EQ(Frames(Out("a.SQ9")) * 100 + Frames(Out("b.SQ9")) * 10 + Frames(Out("c.SQ9")), 1023u);
  EXPECT_TRUE(
      r.out.starts_with("3 converted, 0 skipped (destination exists), 0 failed, 2 of "
                        "unknown type; 12 frames written in "))
      << r.out;

  // Without the unknown files: existing sequences are kept, and that is
  // success (--overwrite replaces them: below).
  fs::remove(In("d.msg")), fs::remove(In("e.CMP"));
  const std::vector<uint8_t> before = ReadAll(Out("b.SQ9"));
  r = RunProcess(Dirs());
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.err.find("skipping b.bmp: b.SQ9 already exists\n"), std::string::npos) << r.err;
  EXPECT_EQ(ReadAll(Out("b.SQ9")), before);
}

TEST_F(UnattendedRunTest, AFailureStopsTheRunOnlyWithStopOnError) {
  for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) Still(name);
  fs::create_directories(Out());
  platform::CQ9SequenceFile locked;  // a preview-only sequence cannot be replaced
  ASSERT_TRUE(locked.OpenCreate(Out("b.SQ9").c_str(), 4, 8, platform::Q9_RGB16MB, 1));
  locked.SetPreviewOnly(true);
  ASSERT_TRUE(locked.Save());
  locked.Close();
  for (const char* stopOption : {"--stop-on-error", "-q"}) {
    const bool stop = stopOption[1] == '-';
    fs::remove(Out("c.SQ9"));
    const ToolRun r = RunInProcess({"-S" + In(), "--dest", Out(), "--overwrite", stopOption});
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_NE(r.err.find("warning: Cannot convert a preview only sequence.\n"), std::string::npos);
    EXPECT_NE(r.err.find(stop ? "answer: No" : "answer: Yes"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::exists(Out("a.SQ9")));
    EXPECT_EQ(fs::exists(Out("c.SQ9")), !stop);
  }
}

TEST_F(UnattendedRunTest, StillsIntoOneSequenceAndSettingsAppliedToEachPicture) {
  for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) Still(name);
  ToolRun r = RunInProcess({"--source=" + In(), "-D", Out(), "--stills-into", "Stills"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(OutListing(), std::vector<std::string>{"StillsSQ9"});
  EXPECT_EQ(Frames(Out("StillsSQ9")), 4u);

  adjust::ImportSettings dark;  // at 0, 0: the top-left corner of every picture
  dark.Brightness = 32;
  ASSERT_TRUE(adjust::WriteSettingsSet("Dark", dark));
  const std::vector<std::string> sets[] = {
      {"--overwrite", "-q", "--settings=Dark"},
      {"--overwrite", "-q", "--set=Brightness=32", "--set=XPos=0", "--set=YPos=0"},
      {"--overwrite", "-q", "--set=Brightness=32"},
      {"--overwrite", "-q", "--set=Brightness=32", "--capture=full"},
      {"--overwrite", "-q", "--set=Brightness=32", "--set=SizeMode=0", "--set=Width=100",
       "--set=Height=100", "--set=XPos=0", "--set=YPos=0"},
      {"--overwrite", "-q", "--set=Brightness=32", "--set=SizeMode=1", "--set=Width=100",
       "--set=Height=100", "--set=XPos=0", "--set=YPos=0"}};
  std::vector<std::string> results;
  for (const auto& options : sets) {  // each replaces the sequences before it
    r = RunInProcess(Dirs(options));
    EXPECT_EQ(std::pair(r.code, r.err), std::pair(0, std::string()));
    results.push_back(Text(Out("a.SQ9")));
  }
  EXPECT_EQ(results[0], results[1]);
  EXPECT_NE(results[0], results[2]);  // the default capture is centred
  EXPECT_NE(results[2], results[3]);
  EXPECT_EQ(results[3], results[4]);  // the whole picture is 100 percent of it
  EXPECT_NE(results[3], results[5]);  // not its top-left 100 x 100 pixels
}

TEST_F(UnattendedRunTest, BadLinesAndDestinationsExitWithTwo) {
  const std::string bad =
      "q9convert: Could not determine exact Q9100 dimensions and type!.\nCheck the destination "
      "directory.\n";
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"-s", In()}, "q9convert: " + std::string(kNeedsBothDirectories) + "\n"},
      {{"-s", In(), "-d", PathOf("plain")}, bad},
      {{"-s", In(), "-d", PathOf("missing/4x8.Mono1.SIGN")},
       "q9convert: cannot create the destination directory"},
      {{"-s", PathOf("none"), "-d", Out()}, "q9convert: the source directory"},
      {Dirs({"--set", "Brightness=129"}),
       "q9convert: --set Brightness=129: Brightness must be 0 to 128\n"},
      {Dirs({"--settings", "Missing"}),
       "q9convert: --settings: no settings set named 'Missing' is stored\n"},
      {{"--bogus"}, "q9convert: unknown option '--bogus'\nTry 'q9convert --help'"},
      {{"--stills-into", "a/b"}, "q9convert: --stills-into takes a file name"},
  };
  for (const auto& [args, message] : cases) {
    const ToolRun r = RunInProcess(args);
    EXPECT_EQ(r.code, 2) << message;
    EXPECT_TRUE(r.err.starts_with(message)) << r.err;
  }
  EXPECT_FALSE(fs::exists(PathOf("missing")));
  const ToolRun r = RunProcess(cases[1].first);
  EXPECT_EQ(std::tuple(r.code, r.out, r.err), std::tuple(2, "", bad));
}

TEST_F(UnattendedRunTest, CtrlCDropsTheVideoBeingWrittenAndKeepsEarlierFiles) {
  Still("a.bmp");
  ASSERT_TRUE(
      platform::test::Ffmpeg("-f lavfi -i testsrc2=s=960x540:r=25 -frames:v 300 "
                             "-c:v mjpeg -q:v 3 " +
                             In("b.avi")));
  Still("c.bmp");
  const pid_t pid = StartProcess(Q9CONVERT_BINARY, {"-s" + In(), "-d" + Out()}, m_dir);
  ASSERT_GT(pid, 0);
  // Wait until the video has started, then interrupt it.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < deadline) {
    if (Text(PathOf("err")).find("converting b.avi") != std::string::npos) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  kill(pid, SIGINT);
  const ToolRun r = WaitProcess(pid, m_dir);
  EXPECT_EQ(r.code, 130) << r.err;
  EXPECT_NE(r.err.find("converting b.avi ... cancelled, nothing written"), std::string::npos)
      << r.err;
  EXPECT_NE(r.out.find("; interrupted"), std::string::npos) << r.out;
  EXPECT_EQ(OutListing(), std::vector<std::string>{"a.SQ9"});  // no temporary file either
}

}  // namespace
}  // namespace q9::unattended
