#include "unattended/unattended_run.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "adjust/settings_persistence.h"
#include "platform/signlib/byte_io.h"
#include "platform/signlib/cq8_seq_writer.h"
#include "platform/signlib/cq9_sequence_file.h"
#include "platform/signlib/q8_record.h"
#include "platform/signlib/sq9_reader.h"
#include "platform/signlib/sq9_records.h"
#include "platform/signlib/sq9_test_support.h"
#include "platform/video/test_media.h"
#include "program/process_test_support.h"
#include "unattended/convert_args.h"

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
  // Names in a folder, hidden ones included, sorted.
  static std::vector<std::string> ListingOf(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::vector<std::string> OutListing() const { return ListingOf(Out()); }
  std::vector<std::string> InListing() const { return ListingOf(In()); }
  // Whether the folder's file system makes unnamed files.
  static bool MakesUnnamedFiles(const std::string& dir) {
    const int fd = open(dir.c_str(), O_TMPFILE | O_RDWR, 0600);
    if (fd >= 0) close(fd);
    return fd >= 0;
  }

  static ToolRun RunInProcess(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int code = RunUnattended(args, out, err);
    return {code, out.str(), err.str()};
  }
  ToolRun RunProcess(const std::vector<std::string>& args,
                     const std::string& program = Q9CONVERT_BINARY) {
    return WaitProcess(StartProcess(program, args, m_dir), m_dir);
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
  // A picture one pixel wide takes the settings as any other.
  ASSERT_TRUE(
      platform::test::Ffmpeg("-f lavfi -i testsrc=s=160x120 -vf crop=1:120:40:0 "
                             "-frames:v 1 " +
                             In("thin.bmp")));

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
  std::vector<std::string> results, thin;
  for (const auto& options : sets) {  // each replaces the sequences before it
    r = RunInProcess(Dirs(options));
    EXPECT_EQ(std::pair(r.code, r.err), std::pair(0, std::string()));
    results.push_back(Text(Out("a.SQ9")));
    thin.push_back(Text(Out("thin.SQ9")));
  }
  EXPECT_EQ(results[0], results[1]);
  EXPECT_NE(results[0], results[2]);  // the default capture is centred
  EXPECT_EQ(thin[0], thin[1]);
  EXPECT_NE(thin[0], thin[2]);
  EXPECT_NE(results[2], results[3]);
  EXPECT_EQ(results[3], results[4]);  // the whole picture is 100 percent of it
  EXPECT_NE(results[3], results[5]);  // not its top-left 100 x 100 pixels
}

// Folders are taken absolute and normalised, without trailing slashes but
// for the root itself.
TEST(CleanDirectory, AbsoluteNormalisedRootKept) {
  const std::string here = fs::current_path().string();
  const std::pair<std::string, std::string> cases[] = {
      {"/", "/"},          {"//", "/"}, {"/a/b/", "/a/b"}, {"/a//b/./c/../", "/a/b"},
      {"x/", here + "/x"}, {".", here}};
  for (const auto& [given, cleaned] : cases) EXPECT_EQ(CleanDirectory(given), cleaned) << given;
}

// The hold times of a sequence's graphics frames, in 1/120 s.
std::vector<uint32_t> HoldTimes(const std::string& path) {
  platform::Sq9Contents contents;
  std::string error;
  std::vector<uint32_t> holds;
  if (!platform::ReadSq9File(path, contents, error)) return holds;
  for (size_t i = 1; i < contents.frames.size(); ++i)  // after the header frame
    holds.push_back(
        platform::LoadU32(&contents.frames[i].record[platform::tag_Q9_GRP_HDR::kHoldTime]));
  return holds;
}

// With --video-ext, files of today's containers convert as videos: every
// frame in the order shown, each held for its own time. Without it they
// are not listed, and an AVI (H.264 too) converts by its frame numbers.
TEST_F(UnattendedRunTest, VideoExtensionsConvertEveryFrameForItsOwnTime) {
  for (const auto& [clip, name] : {std::pair{"h264b.mp4", "a.mp4"},
                                   {"vfr.mkv", "b.MKV"},
                                   {"anim.gif", "c.gif"},
                                   {"h264b.avi", "d.avi"},
                                   {"vfr.mkv", "e.webm"}})
    fs::copy_file(platform::test::Clip(clip), In(name));
  ToolRun r = RunInProcess(Dirs());
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(OutListing(), std::vector<std::string>{"d.SQ9"});
  fs::remove(Out("d.SQ9"));

  r = RunInProcess(Dirs({"--video-ext", "mp4,mkv", "--video-ext=.GIF,webm"}));
  EXPECT_EQ(r.code, 0) << r.err;
  const struct {
    const char* sequence;
    std::vector<uint32_t> holds;
  } expected[] = {
      {"a.SQ9", {5, 5, 4, 5, 5, 5, 5, 4, 5, 5, 5, 5}},
      {"b.SQ9", {2, 8, 12, 16, 22, 26, 32, 4}},
      {"c.SQ9", std::vector<uint32_t>(10, 12)},
      // Frames 1 to 11 of 0 to 11, at 25 frames a second.
      {"d.SQ9", std::vector<uint32_t>(11, 4)},
      // Named without the whole of a longer extension.
      {"e.SQ9", {2, 8, 12, 16, 22, 26, 32, 4}},
  };
  for (const auto& e : expected) EXPECT_EQ(HoldTimes(Out(e.sequence)), e.holds) << e.sequence;
}

// Several files at once write what one after the other writes, byte for
// byte, and print the same lines in the same order: videos, pictures of
// their own or in the shared sequence, an old sequence, a file of unknown
// kind, an existing sequence kept, and two files of one sequence name.
TEST_F(UnattendedRunTest, JobsWriteWhatOneAtATimeWrites) {
  for (const char* name : {"a.avi", "f.avi"})
    fs::copy_file(platform::test::Clip("mjpeg25.avi"), In(name));
  // Warnings from files converted ahead: a header that promises more
  // frames than the file holds, a picture that does not decode.
  std::vector<uint8_t> promising = ReadAll(platform::test::Clip("mjpeg25.avi"));
  ASSERT_TRUE(platform::test::PatchStrh(promising, "vids", platform::test::kStrhLength, 20));
  WriteAll(In("h.avi"), promising);
  fs::copy_file(Q9_TEST_DATA_DIR "/images/junk.cmp", In("j.cmp"));
  fs::copy_file(platform::test::Clip("h264b.mp4"), In("g.mp4"));
  for (const char* name : {"b.bmp", "f.bmp", "i.bmp"}) Still(name);
  platform::CQ8SeqWriter old;
  ASSERT_TRUE(old.Create(4, 8, platform::Q9_RGB16MB));
  ASSERT_TRUE(old.AddFrame(platform::kQ8FrameGraphics, {}, {}));
  ASSERT_TRUE(old.Write(In("c.seq")));
  WriteAll(In("d.msg"), {'h', 'i'});
  // Its sequence exists: kept, or with --overwrite opened as it is (and
  // refused, being no sequence).
  fs::copy_file(platform::test::Clip("mjpeg25.avi"), In("e.avi"));
  const std::vector<std::string> options[] = {
      {"--video-ext", "mp4", "--set", "Brightness=80"},
      {"--stills-into", "Stills", "--capture", "full"},
      {"--overwrite"},
  };
  for (const auto& more : options) {
    SCOPED_TRACE(more[0]);
    std::map<std::string, std::vector<uint8_t>> written;
    std::string lines;
    for (const char* jobs : {"1", "3"}) {
      fs::remove_all(Out());
      fs::create_directories(Out());
      WriteAll(Out("e.SQ9"), {'o', 'l', 'd'});
      std::vector<std::string> args = Dirs({"-j", jobs});
      args.insert(args.end(), more.begin(), more.end());
      const ToolRun r = RunInProcess(args);
      EXPECT_EQ(r.code, 1) << r.err;  // d.msg, j.cmp
      std::map<std::string, std::vector<uint8_t>> files;
      for (const std::string& name : OutListing()) files[name] = ReadAll(Out(name));
      const std::string summary = r.out.substr(0, r.out.find(" written in "));
      if (jobs[0] == '1') {
        written = files, lines = r.err + summary;
        EXPECT_GE(written.size(), 5u);
      } else {
        EXPECT_EQ(files, written);
        EXPECT_EQ(r.err + summary, lines);
      }
    }
  }
}

// Ctrl-C while two files convert at once: both stop, no later file starts,
// and nothing is left behind: no part of a sequence, no scratch folder.
TEST_F(UnattendedRunTest, CtrlCUnderJobsLeavesNothingPartial) {
  for (const char* name : {"a.avi", "b.avi", "c.avi", "d.avi"})
    fs::copy_file(platform::test::Clip("audio.avi"), In(name));  // frames 1 to 24
  const pid_t pid =
      StartProcess(Q9CONVERT_BINARY, Dirs({"-j", "2"}), m_dir, "", {"Q9_STOP_AT=frame 3"});
  ASSERT_TRUE(WaitStopped(pid));
  kill(pid, SIGINT), kill(pid, SIGCONT);
  const ToolRun r = WaitProcess(pid, m_dir);
  EXPECT_EQ(r.code, 130) << r.err;
  EXPECT_NE(r.out.find("; interrupted by Ctrl-C"), std::string::npos) << r.out;
  // a.avi was either finished before the signal or dropped; b.avi, taken
  // after it, is dropped.
  const std::vector<std::string> left = OutListing();
  EXPECT_TRUE(left.empty() || left == std::vector<std::string>{"a.SQ9"}) << left.size();
  if (!left.empty()) {
    EXPECT_EQ(Frames(Out("a.SQ9")), 25u);
  }
  EXPECT_EQ(r.err.find("converting c.avi"), std::string::npos) << r.err;
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
      {Dirs({"--video-ext", "mp4,JPG"}),
       "q9convert: --video-ext: \"JPG\" files are listed already"},
      {Dirs({"--video-ext", "m p4"}), "q9convert: --video-ext: \"m p4\" is no file extension"},
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

// A video whose audio cannot be saved turns the TXD option off for the rest
// of the run, though the options are applied to every file anew.
TEST_F(UnattendedRunTest, AnAudioFailureTurnsTxdOffForTheRestOfTheRun) {
  const auto txdFrames = [](const std::string& path) {
    platform::Sq9Contents contents;
    std::string error;
    EXPECT_TRUE(platform::ReadSq9File(path, contents, error)) << error;
    return std::count_if(contents.frames.begin(), contents.frames.end(),
                         [](const auto& f) { return f.typeCode == platform::kFrameTransmitData; });
  };
  const struct {
    const char* silent;  // a video without audio, converted before b.avi
    int code;
    long txd;  // TXD frames in b.SQ9
  } cases[] = {{nullptr, 0, 1}, {"a.avi", 1, 0}};
  fs::copy_file(platform::test::Clip("audio.avi"), In("b.avi"));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.silent ? c.silent : "b.avi alone");
    if (c.silent) fs::copy_file(platform::test::Clip("mjpeg25.avi"), In(c.silent));
    const ToolRun r = RunProcess(Dirs({"--overwrite", "--save-audio", "--txd"}));
    EXPECT_EQ(r.code, c.code) << r.err;
    const size_t told = r.err.find("a TXD frame will not be added.");
    EXPECT_EQ(told != std::string::npos, c.silent != nullptr) << r.err;
    EXPECT_EQ(r.err.find("a TXD frame will not be added.", told + 1), std::string::npos);
    EXPECT_TRUE(fs::exists(In("b.wav")));
    EXPECT_EQ(txdFrames(Out("b.SQ9")), c.txd);
  }
}

// Names as long as the file system allows keep their sequence and WAV file:
// no temporary name is longer than the file's own.
TEST_F(UnattendedRunTest, LongNamesKeepTheirSequenceAndAudio) {
  const long nameMax = pathconf(m_dir.c_str(), _PC_NAME_MAX);
  ASSERT_GE(nameMax, 255);
  const std::string video = std::string(241, 'V') + ".avi";  // 245 characters
  const std::string still = std::string(251, 's') + ".bmp";  // 255
  fs::copy_file(platform::test::Clip("audio.avi"), In(video));
  Still(still);
  const ToolRun r = RunProcess(Dirs({"--save-audio"}));
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(OutListing(), (std::vector<std::string>{std::string(241, 'V') + ".SQ9",
                                                    std::string(251, 's') + ".SQ9"}));
  EXPECT_TRUE(fs::exists(In(std::string(241, 'v') + ".wav")));
}

// A video whose header says it holds no frames is a sequence of frame 0
// alone, wherever its frames would start.
TEST_F(UnattendedRunTest, AVideoOfNoFramesConvertsToFrameZeroAlone) {
  const std::vector<uint8_t> clip = platform::test::ReadBytes(platform::test::Clip("mjpeg25.avi"));
  const struct {
    const char* name;
    uint32_t start;
  } cases[] = {{"empty.avi", 0}, {"late.avi", 5}};
  for (const auto& c : cases) {
    std::vector<uint8_t> bytes = clip;
    ASSERT_TRUE(platform::test::PatchStrh(bytes, "vids", platform::test::kStrhLength, 0));
    ASSERT_TRUE(platform::test::PatchStrh(bytes, "vids", platform::test::kStrhStart, c.start));
    platform::test::WriteBytes(In(c.name), bytes);
  }
  const ToolRun r = RunProcess(Dirs());
  EXPECT_EQ(r.code, 0) << r.err;
  for (const auto& c : cases) {
    const std::string stem = std::string(c.name).substr(0, std::strlen(c.name) - 3);
    EXPECT_NE(r.err.find("converting " + std::string(c.name) + " ... ok, 0 frames\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(Frames(Out(stem + "SQ9")), 1u) << c.name;
  }
}

// Sources of one stem convert to one sequence name: the run says so.
TEST_F(UnattendedRunTest, TwoSourcesOfOneSequenceNameAreTold) {
  Still("logo.bmp");
  ASSERT_TRUE(platform::test::Ffmpeg("-f lavfi -i testsrc=s=64x48 -frames:v 1 " + In("logo.jpg")));
  Still("other.bmp");
  const std::string warning =
      "warning: logo.jpg and logo.bmp both convert to logo.SQ9 in this run; logo.SQ9 now holds "
      "only logo.jpg\n";
  const struct {
    std::vector<std::string> options;
    std::string told;  // "" nothing about it
  } cases[] = {
      {{"--overwrite"}, warning},
      {{"--overwrite", "-q"}, warning},
      {{}, "skipping logo.jpg: logo.SQ9 already exists (written from logo.bmp in this run)\n"},
      // All stills go into one sequence on purpose.
      {{"--overwrite", "--stills-into", "Stills"}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.options));
    fs::remove_all(Out());
    const ToolRun r = RunProcess(Dirs(c.options));
    EXPECT_EQ(r.code, 0) << r.err;
    // Told once, and only for the two of one name.
    const size_t warned = r.err.find("both convert to");
    EXPECT_EQ(warned != std::string::npos, c.told.starts_with("warning")) << r.err;
    EXPECT_EQ(r.err.find("both convert to", warned + 1), std::string::npos) << r.err;
    if (!c.told.empty()) {
      EXPECT_NE(r.err.find(c.told), std::string::npos) << r.err;
    }
  }
}

// Signals at chosen moments: the program stops itself at the named point
// (Q9_STOP_AT), gets the signal, and goes on.
TEST_F(UnattendedRunTest, SignalsDropTheVideoBeingConvertedAndFinishOneBeingSaved) {
  Still("a.bmp");
  fs::copy_file(platform::test::Clip("audio.avi"), In("b.avi"));  // frames 1 to 24, audio
  Still("c.bmp");
  const struct {
    int signal;
    const char* point;
    int code;
    const char* line;  // b.avi's
    const char* summary;
  } cases[] = {
      {SIGINT, "frame 3", 130, "cancelled, nothing written", "; interrupted by Ctrl-C\n"},
      {SIGTERM, "frame 3", 143, "cancelled, nothing written", "; interrupted by SIGTERM\n"},
      {SIGHUP, "frame 3", 129, "cancelled, nothing written", "; interrupted by SIGHUP\n"},
      // While the audio is saved and the sequence written, the file is finished.
      {SIGINT, "commit b.wav", 130, "ok, 24 frames",
       "; interrupted by Ctrl-C; finished and kept: b.SQ9\n"},
      {SIGINT, "save b.SQ9", 130, "ok, 24 frames",
       "; interrupted by Ctrl-C; finished and kept: b.SQ9\n"},
      {SIGTERM, "commit b.SQ9", 143, "ok, 24 frames",
       "; interrupted by SIGTERM; finished and kept: b.SQ9\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.point + std::string(" ") + strsignal(c.signal));
    fs::remove_all(Out()), fs::remove(In("b.wav"));
    const pid_t pid = StartProcess(Q9CONVERT_BINARY, {"-s" + In(), "-d" + Out(), "--save-audio"},
                                   m_dir, "", {std::string("Q9_STOP_AT=") + c.point});
    ASSERT_TRUE(WaitStopped(pid));
    kill(pid, c.signal), kill(pid, SIGCONT);
    const ToolRun r = WaitProcess(pid, m_dir);
    EXPECT_EQ(r.code, c.code) << r.err;
    EXPECT_NE(r.err.find("converting b.avi ... " + std::string(c.line) + "\n"), std::string::npos)
        << r.err;
    EXPECT_TRUE(r.out.ends_with(c.summary)) << r.out;
    const bool kept = c.line[0] == 'o';
    // c.bmp is never started; no temporary file is left in either folder.
    using Names = std::vector<std::string>;
    const Names out = kept ? Names{"a.SQ9", "b.SQ9"} : Names{"a.SQ9"};
    const Names in = kept ? Names{"a.bmp", "b.avi", "b.wav", "c.bmp"}  //
                          : Names{"a.bmp", "b.avi", "c.bmp"};
    EXPECT_EQ(OutListing(), out);
    EXPECT_EQ(InListing(), in);
    if (kept) {
      EXPECT_EQ(Frames(Out("b.SQ9")), 25u);
    }
  }

  // The still images' shared sequence is saved at the end of the run, also
  // one that a signal stopped.
  fs::remove_all(Out());
  const pid_t pid = StartProcess(Q9CONVERT_BINARY, Dirs({"--stills-into", "Stills"}), m_dir, "",
                                 {"Q9_STOP_AT=frame 3"});
  ASSERT_TRUE(WaitStopped(pid));
  kill(pid, SIGTERM), kill(pid, SIGCONT);
  const ToolRun r = WaitProcess(pid, m_dir);
  EXPECT_EQ(r.code, 143) << r.err;
  EXPECT_TRUE(r.out.ends_with("; interrupted by SIGTERM; finished and kept: StillsSQ9\n")) << r.out;
  EXPECT_EQ(OutListing(), std::vector<std::string>{"StillsSQ9"});
  EXPECT_EQ(Frames(Out("StillsSQ9")), 2u);
}

// A kill in the middle of a save leaves every file as it was: the new data
// has no name until it is complete.
TEST_F(UnattendedRunTest, AKillDuringASaveLeavesNoFileThatWasNotThereBefore) {
  if (!MakesUnnamedFiles(m_dir))
    GTEST_SKIP() << "this file system cannot make unnamed files; saves use named ones";
  fs::copy_file(platform::test::Clip("audio.avi"), In("b.avi"));
  Still("c.bmp");
  const std::string oldStill = "an older sequence";
  // The audio is saved, whole, before the sequence.
  const struct {
    const char* point;
    bool olderFiles;  // b.SQ9, b.wav and c.SQ9 exist and are replaced (--overwrite)
    bool wavSaved;    // b.wav was saved before the point
  } cases[] = {
      {"frame 5", false, false},     {"commit b.wav", false, false}, {"save b.SQ9", false, true},
      {"commit b.SQ9", false, true}, {"commit b.wav", true, false},  {"commit b.SQ9", true, true},
      {"commit c.SQ9", true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.point + std::string(c.olderFiles ? " over older files" : ""));
    fs::remove_all(Out()), fs::remove(In("b.wav"));
    fs::create_directories(Out());
    std::vector<std::string> args = {"-s" + In(), "-d" + Out(), "--save-audio"};
    if (c.olderFiles) {
      std::ofstream(Out("c.SQ9")) << oldStill;
      std::ofstream(In("b.wav")) << oldStill;
      std::ofstream(Out("b.SQ9")) << oldStill;
      args.push_back("--overwrite");
    }
    const std::vector<std::string> outBefore = OutListing();
    std::vector<std::string> inBefore = InListing();
    if (c.wavSaved && !c.olderFiles) inBefore.insert(inBefore.begin() + 1, "b.wav");
    const pid_t pid =
        StartProcess(Q9CONVERT_BINARY, args, m_dir, "", {std::string("Q9_STOP_AT=") + c.point});
    ASSERT_TRUE(WaitStopped(pid));
    kill(pid, SIGKILL);
    EXPECT_EQ(WaitProcess(pid, m_dir).code, -1);
    EXPECT_EQ(OutListing(), outBefore);
    EXPECT_EQ(InListing(), inBefore);
    if (c.olderFiles) {  // the file being saved is the old one still
      const std::string name = std::string(c.point).substr(std::strlen("commit "));
      EXPECT_TRUE(Text(name.ends_with(".wav") ? In(name) : Out(name)) == oldStill);
    }
  }
}

// Without both directories q9convert hands its command line to the window
// program: beside it in the build tree, in ../libexec/q9convert/ once
// installed. A window program that is missing or cannot run is named.
TEST_F(UnattendedRunTest, StartsTheWindowProgramBesideItElseFromLibexec) {
  const struct {
    const char* windowAt;  // relative to the test folder; "" for none
    fs::perms mode;
    int code;
    std::string out, err;
  } cases[] = {
      {"bin/q9convert-window", fs::perms::owner_all, 0, "window: -s my-in\n", ""},
      {"libexec/q9convert/q9convert-window", fs::perms::owner_all, 0, "window: -s my-in\n", ""},
      {"", fs::perms::owner_all, 1, "",
       "q9convert: the window program is missing: no @/bin/q9convert-window or "
       "@/libexec/q9convert/q9convert-window\n"},
      {"bin/q9convert-window", fs::perms::owner_read, 1, "",
       "q9convert: cannot start the window program @/bin/q9convert-window: Permission denied\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.windowAt);
    fs::remove_all(m_dir / "bin"), fs::remove_all(m_dir / "libexec");
    fs::create_directories(m_dir / "bin");
    fs::copy_file(Q9CONVERT_BINARY, m_dir / "bin/q9convert");
    if (*c.windowAt != 0) {
      fs::create_directories((m_dir / c.windowAt).parent_path());
      std::ofstream(m_dir / c.windowAt) << "#!/bin/sh\necho \"window: $*\"\n";
      fs::permissions(m_dir / c.windowAt, c.mode);
    }
    const ToolRun r = RunProcess({"-s", "my-in"}, PathOf("bin/q9convert"));
    std::string err = c.err;
    for (size_t at; (at = err.find('@')) != std::string::npos;) err.replace(at, 1, m_dir.string());
    EXPECT_EQ(std::tuple(r.code, r.out, r.err), std::tuple(c.code, c.out, err));
  }
}

}  // namespace
}  // namespace q9::unattended
