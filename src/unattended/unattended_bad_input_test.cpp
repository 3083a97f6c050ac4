// Files that users really receive: cut-off downloads, files named like
// pictures that are none, folders and pipes among them, PostScript that
// loops or reaches for other files, videos whose headers promise more than
// they hold. Each goes through the unattended run, which must say why it
// refused a file or what it found damaged, exit with the right status and
// leave only whole sequences behind.

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <sstream>
#include <thread>

#include "platform/base/other_user_test.h"
#include "platform/imaging/imaging_library.h"
#include "platform/signlib/sq9_reader.h"
#include "platform/signlib/sq9_test_support.h"
#include "platform/video/test_media.h"
#include "program/process_test_support.h"
#include "unattended/unattended_run.h"

namespace q9::unattended {
namespace {

namespace fs = std::filesystem;
using namespace program::testing;
using namespace platform::testing;
using Bytes = std::vector<uint8_t>;

struct ConfigHome : platform::test::TempDir {
  ConfigHome() { setenv("XDG_CONFIG_HOME", Path().c_str(), 1); }
} g_configHome;

Bytes Cut(Bytes bytes, size_t keep) {
  bytes.resize(keep);
  return bytes;
}

Bytes FromText(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

void PutU32(Bytes& bytes, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes[at + size_t(i)] = uint8_t(v >> (8 * i));
}

size_t Find(const Bytes& bytes, const std::string& what, size_t from = 0) {
  const auto it =
      std::search(bytes.begin() + std::ptrdiff_t(from), bytes.end(), what.begin(), what.end());
  return it == bytes.end() ? std::string::npos : size_t(it - bytes.begin());
}

// A BMP file header and info header for width x height at 24 bits, without
// the pixels.
Bytes BmpHeader(uint32_t width, uint32_t height) {
  Bytes b(54, 0);
  b[0] = 'B', b[1] = 'M';
  PutU32(b, 2, 54);
  PutU32(b, 10, 54);
  PutU32(b, 14, 40);
  PutU32(b, 18, width);
  PutU32(b, 22, height);
  b[26] = 1, b[28] = 24;
  return b;
}

// Encapsulated PostScript: a 16 x 12 point red page after body. A body that
// ends with "loop" never ends.
std::string Eps(const std::string& body) {
  return "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 16 12\n" + body +
         "\n1 0 0 setrgbcolor 0 0 16 12 rectfill showpage\n%%EOF\n";
}

// Ghostscript processes whose command line names folder: ours, still
// running.
int GhostscriptsUsing(const std::string& folder) {
  int count = 0;
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return -1;
  while (const dirent* e = readdir(proc)) {
    if (e->d_name[0] < '0' || e->d_name[0] > '9') continue;
    // Read with read(2): a process that ends meanwhile fails the read
    // (ESRCH), which a stream would throw for.
    std::string cmdline;
    const int fd = open((std::string("/proc/") + e->d_name + "/cmdline").c_str(), O_RDONLY);
    if (fd < 0) continue;
    char buffer[4096];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) cmdline.append(buffer, size_t(n));
    close(fd);
    if (cmdline.find("-dSAFER") != std::string::npos && cmdline.find(folder) != std::string::npos)
      ++count;
  }
  closedir(proc);
  return count;
}

struct Case {
  const char* name;
  std::function<void(const std::string& path)> make;
  int code;
  std::vector<std::string> lines;  // in the error stream, each somewhere
  std::vector<std::string> written;
};

class BadInputTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    // Made once, in the clips' folder, before TMPDIR moves.
    Jpeg();
    Avi();
    // The private folders of Ghostscript go here, where the tests can see
    // that nothing is left.
    m_tmp = PathOf("tmp");
    fs::create_directories(m_tmp);
    const char* old = getenv("TMPDIR");
    m_oldTmp = old ? old : "";
    setenv("TMPDIR", m_tmp.c_str(), 1);
    fs::create_directories(m_dir / "in");
    fs::create_directories(m_dir / "4x8.RGB16MB.SIGN");
    // Long enough for Ghostscript to draw a page on a machine busy with
    // other work; an endless document costs this much.
    platform::SetPostScriptLimits({std::chrono::milliseconds(6000), 20, uint64_t(1) << 30});
  }
  void TearDown() override {
    platform::SetPostScriptLimits({});
    if (m_oldTmp.empty())
      unsetenv("TMPDIR");
    else
      setenv("TMPDIR", m_oldTmp.c_str(), 1);
    TempDirTest::TearDown();
  }
  std::string In(const std::string& name = "") const { return PathOf("in/" + name); }
  std::string Out(const std::string& name = "") const {
    return PathOf("4x8.RGB16MB.SIGN/Default.LIB") + (name.empty() ? "" : "/" + name);
  }
  std::vector<std::string> Dirs() const { return {"-s", In(), "-d", Out()}; }
  void Fresh() {
    fs::remove_all(In());
    fs::remove_all(Out());
    fs::create_directories(In());
  }
  std::vector<std::string> OutListing() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(Out(), ec)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::vector<std::string> TmpListing() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(m_tmp)) names.push_back(e.path().filename());
    return names;
  }
  static ToolRun RunInProcess(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int code = RunUnattended(args, out, err);
    return {code, out.str(), err.str()};
  }
  static Bytes Jpeg() {
    static const std::string path = platform::test::ScratchFile("bad_input_testsrc.jpg");
    if (!fs::exists(path)) {
      EXPECT_TRUE(platform::test::Ffmpeg("-f lavfi -i testsrc=s=64x48 -frames:v 1 " + path));
    }
    return ReadAll(path);
  }
  // An MJPEG AVI of 20 frames, 0 to 19.
  static Bytes Avi() {
    static const std::string path = platform::test::ScratchFile("bad_input_20.avi");
    if (!fs::exists(path)) {
      EXPECT_TRUE(
          platform::test::Ffmpeg("-f lavfi -i testsrc=s=64x48:r=25 -frames:v 20 "
                                 "-c:v mjpeg " +
                                 path));
    }
    return ReadAll(path);
  }

  // Each case alone in the source folder, through the run in-process.
  void RunCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      Fresh();
      c.make(In(c.name));
      const ToolRun r = RunInProcess(Dirs());
      EXPECT_EQ(r.code, c.code) << r.err;
      for (std::string line : c.lines) {
        if (const size_t at = line.find("IN/"); at != std::string::npos) line.replace(at, 3, In());
        EXPECT_NE(r.err.find(line), std::string::npos) << "missing: " << line << "\nin:\n" << r.err;
      }
      EXPECT_EQ(OutListing(), c.written);
    }
  }

  std::string m_tmp;
  std::string m_oldTmp;
};

void Write(const std::string& path, const Bytes& bytes) {
  WriteAll(path, bytes);
}

TEST_F(BadInputTest, EveryRefusedPictureSaysWhy) {
  const Bytes jpeg = Jpeg();
  Bytes extraneous = jpeg;  // bytes between two markers: every row is there
  extraneous.insert(extraneous.begin() + 2, {1, 2, 3, 4, 5});
  const std::string unknown = "!\nNo conversion performed.\n";
  const std::string images = Q9_TEST_DATA_DIR "/images/";
  const Bytes psd = ReadAll(images + "quad.psd"), mac = ReadAll(images + "quad.mac");
  // The header of a WPG file, then records of no known kind.
  Bytes wpgGarbage = Cut(ReadAll(images + "quad.wpg"), 16);
  wpgGarbage.insert(wpgGarbage.end(), 64, 0xEE);
  std::vector<Case> cases = {
      {"notes.jpg",
       [](auto p) { Write(p, FromText("shopping list\n")); },
       1,
       {"warning: Unknown file type encountered with IN/notes.jpg" + unknown,
        "warning: notes.jpg: not a picture: nothing in the data says JPG"},
       {}},
      {"empty.pcx",
       [](auto p) { Write(p, {}); },
       1,
       {"warning: empty.pcx: not a picture: the file is empty"},
       {}},
      {"cut.jpg",
       [&](auto p) { Write(p, Cut(jpeg, jpeg.size() / 2)); },
       1,
       {"warning: Unknown file type encountered with IN/cut.jpg" + unknown,
        "warning: cut.jpg: truncated: the JPEG data ends before its picture does"},
       {}},
      {"huge.bmp",
       [](auto p) { Write(p, BmpHeader(20000, 20000)); },
       1,
       {"warning: huge.bmp: too large: the BMP picture is 20000 x 20000 pixels (400 "
        "megapixels); the limit is 100 megapixels"},
       {}},
      {"half.psd",
       [&](auto p) { Write(p, Cut(psd, psd.size() / 2)); },
       1,
       {"warning: half.psd: truncated: the "},
       {}},
      {"half.mac",
       [&](auto p) { Write(p, Cut(mac, mac.size() / 2)); },
       1,
       {"warning: half.mac: truncated: the MacPaint data makes "},
       {}},
      {"garbage.wpg",
       [&](auto p) { Write(p, wpgGarbage); },
       1,
       {"warning: garbage.wpg: damaged: unknown WPG record type 238 at byte 16"},
       {}},
      {"damaged.jpg",
       [&](auto p) { Write(p, extraneous); },
       0,
       {"warning: damaged.jpg: JPEG: Corrupt JPEG data: 5 extraneous bytes",
        "converting damaged.jpg ... ok, 1 frame"},
       {"damaged.SQ9"}},
      {"folder.bmp",
       [](auto p) { fs::create_directory(p); },
       0,
       {"warning: skipping folder.bmp: a directory"},
       {}},
      {"pipe.tga",
       [](auto p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); },
       0,
       {"warning: skipping pipe.tga: a FIFO"},
       {}},
      {"socket.bmp",
       [](auto p) {
         const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
         sockaddr_un address{};
         address.sun_family = AF_UNIX;
         ASSERT_LT(p.size(), sizeof address.sun_path);
         std::memcpy(address.sun_path, p.c_str(), p.size());
         ASSERT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
         close(fd);
       },
       0,
       {"warning: skipping socket.bmp: a socket"},
       {}},
      {"dangling.pcx",
       [](auto p) { fs::create_symlink("nowhere.pcx", p); },
       0,
       {"warning: skipping dangling.pcx: a broken symbolic link"},
       {}},
      {"loop.psd",
       [](auto p) { fs::create_symlink("loop.psd", p); },
       0,
       {"warning: skipping loop.psd: a symbolic link loop"},
       {}},
      {"device.dib",
       [](auto p) { fs::create_symlink("/dev/zero", p); },
       0,
       {"warning: skipping device.dib: a device"},
       {}},
      {"endless.eps",
       [](auto p) { Write(p, FromText(Eps("{ } loop"))); },
       1,
       {"warning: Unknown file type encountered with IN/endless.eps" + unknown,
        "warning: endless.eps: PostScript time-out: still running after 6 s, stopped"},
       {}},
  };
  RunCases(cases);
  EXPECT_EQ(TmpListing(), std::vector<std::string>{});
  EXPECT_EQ(GhostscriptsUsing(m_tmp), 0);
}

// A document may try what it likes: if any of these worked it would loop
// for ever (and the run would time out); refused, it draws its page.
TEST_F(BadInputTest, PostScriptReachesNoFileOutsideItsFolder) {
  const std::string secret = PathOf("secret.txt"), victim = PathOf("victim.txt");
  const std::string planted = PathOf("planted.txt");
  WriteAll(secret, FromText("secret"));
  WriteAll(victim, FromText("keep me"));
  const auto eps = [](const std::string& attempt) {
    return [=](const std::string& p) {
      Write(p, FromText(Eps("{ " + attempt + " } stopped not { { } loop } if")));
    };
  };
  std::vector<Case> cases = {
      {"control.eps", eps("stop"), 0, {"converting control.eps ... ok, 1 frame"}, {"control.SQ9"}},
      {"read.eps",
       eps("(" + secret + ") (r) file 99 string readstring pop pop"),
       0,
       {"converting read.eps ... ok, 1 frame"},
       {"read.SQ9"}},
      {"write.eps",
       eps("(" + planted + ") (w) file dup (x) writestring closefile"),
       0,
       {"converting write.eps ... ok, 1 frame"},
       {"write.SQ9"}},
      {"delete.eps",
       eps("(" + victim + ") deletefile"),
       0,
       {"converting delete.eps ... ok, 1 frame"},
       {"delete.SQ9"}},
      {"rename.eps",
       eps("(" + victim + ") (" + planted + ") renamefile"),
       0,
       {"converting rename.eps ... ok, 1 frame"},
       {"rename.SQ9"}},
  };
  RunCases(cases);
  EXPECT_EQ(Text(victim), "keep me");
  EXPECT_FALSE(fs::exists(planted));
  EXPECT_EQ(TmpListing(), std::vector<std::string>{});
}

// Ctrl-C and a polite kill stop a document that never ends: the run ends
// as interrupted, Ghostscript with it, and its folder is gone. Killed
// outright, the run cannot clean up, but its Ghostscript still dies with it.
TEST_F(BadInputTest, SignalsStopEndlessPostScriptAndItsGhostscript) {
  for (const int signal : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(strsignal(signal));
    Fresh();
    WriteAll(In("a.eps"), FromText(Eps("{ } loop")));
    const pid_t pid = StartProcess(Q9CONVERT_BINARY, Dirs(), m_dir.string());
    ASSERT_GT(pid, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (GhostscriptsUsing(m_tmp) == 0 && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(GhostscriptsUsing(m_tmp), 1);
    kill(pid, signal);
    const ToolRun r = WaitProcess(pid, m_dir.string());
    EXPECT_EQ(r.code, 128 + signal) << r.err;
    EXPECT_NE(r.err.find("converting a.eps ... cancelled, nothing written"), std::string::npos)
        << r.err;
    EXPECT_NE(r.out.find("; interrupted"), std::string::npos) << r.out;
    EXPECT_EQ(GhostscriptsUsing(m_tmp), 0);
    EXPECT_EQ(TmpListing(), std::vector<std::string>{});
    EXPECT_EQ(OutListing(), std::vector<std::string>{});
  }
  WriteAll(In("a.eps"), FromText(Eps("{ } loop")));
  const pid_t pid = StartProcess(Q9CONVERT_BINARY, Dirs(), m_dir.string());
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  while (GhostscriptsUsing(m_tmp) == 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_EQ(GhostscriptsUsing(m_tmp), 1);
  kill(pid, SIGKILL);
  EXPECT_EQ(WaitProcess(pid, m_dir.string()).code, -1);
  while (GhostscriptsUsing(m_tmp) > 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(GhostscriptsUsing(m_tmp), 0);
}

TEST_F(BadInputTest, DamagedVideosAreReported) {
  const Bytes avi = Avi();
  const size_t strh = Find(avi, "strh");
  ASSERT_NE(strh, std::string::npos);
  const auto patched = [&](size_t field, uint32_t value) {
    Bytes b = avi;
    PutU32(b, strh + 8 + field, value);
    return b;
  };
  // Frames 5, 6 and 7 keep their chunks, but not one byte of a picture.
  Bytes blanked = avi;
  size_t chunk = Find(blanked, "movi") + 4;
  for (int frame = 0; frame < 8; ++frame) {
    chunk = Find(blanked, "00dc", chunk);
    ASSERT_NE(chunk, std::string::npos);
    const uint32_t size = uint32_t(blanked[chunk + 4]) | uint32_t(blanked[chunk + 5]) << 8 |
                          uint32_t(blanked[chunk + 6]) << 16;
    if (frame >= 5) std::fill_n(blanked.begin() + std::ptrdiff_t(chunk + 8), size, 0);
    chunk += 8 + size;
  }
  std::vector<Case> cases = {
      {"whole.avi",
       [&](auto p) { Write(p, avi); },
       0,
       {"converting whole.avi ... ok, 19 frames"},
       {"whole.SQ9"}},
      {"promises.avi",
       [&](auto p) { Write(p, patched(32, 0xFFFFFFFF)); },
       0,
       {"warning: promises.avi: the header promises more frames than the file holds; the "
        "sequence ends with its last frame",
        "converting promises.avi ... ok, 19 frames"},
       {"promises.SQ9"}},
      {"norate.avi",
       [&](auto p) { Write(p, patched(24, 0)); },
       0,
       {"warning: norate.avi: the video header gives no frame duration (scale 1, rate 0); each "
        "frame is held 4/120 s"},
       {"norate.SQ9"}},
      {"blanked.avi",
       [&](auto p) { Write(p, blanked); },
       0,
       {"warning: blanked.avi: 3 of 19 frames could not be decoded; the previous frame was "
        "repeated",
        "converting blanked.avi ... ok, 19 frames"},
       {"blanked.SQ9"}},
      {"truncated.avi",
       [&](auto p) { Write(p, Cut(avi, avi.size() * 6 / 10)); },
       0,
       {"warning: truncated.avi: the header promises more frames than the file holds"},
       {"truncated.SQ9"}},
      {"cut.avi",
       [&](auto p) { Write(p, Cut(avi, 300)); },
       1,
       {"warning: Unknown file type encountered with IN/cut.avi", "warning: cut.avi: "},
       {}},
  };
  RunCases(cases);
}

// Root reads everything, so these run as an unprivileged user.
TEST_F(BadInputTest, UnreadableFilesAndSourceFolders) {
  fs::permissions(m_dir, fs::perms::all);
  fs::permissions(In(), fs::perms::all);
  fs::permissions(PathOf("4x8.RGB16MB.SIGN"), fs::perms::all);
  WriteAll(In("locked.bmp"), BmpHeader(2, 2));
  fs::permissions(In("locked.bmp"), fs::perms::none);
  fs::create_directories(PathOf("closed"));
  fs::permissions(PathOf("closed"), fs::perms::none);
  const std::string text = AsUnprivilegedUser([&] {
    const ToolRun a = RunInProcess(Dirs());
    const ToolRun b = RunInProcess({"-s", PathOf("closed"), "-d", Out()});
    return std::to_string(a.code) + "\n" + a.err + "---\n" + std::to_string(b.code) + "\n" + b.err;
  });
  EXPECT_NE(text.find("1\n"), std::string::npos) << text;
  EXPECT_NE(text.find("warning: locked.bmp: unreadable: Permission denied"), std::string::npos)
      << text;
  EXPECT_NE(text.find("---\n2\nq9convert: cannot read the source directory '" + PathOf("closed") +
                      "': Permission denied"),
            std::string::npos)
      << text;
}

}  // namespace
}  // namespace q9::unattended
