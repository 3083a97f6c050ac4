#include "platform/imaging/postscript_rasterizer.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <string_view>

#include "platform/base/atomic_file.h"
#include "platform/base/child_process.h"
#include "platform/base/private_folder.h"
#include "platform/base/read_whole_file.h"

namespace q9::platform {
namespace {

constexpr double kScreenResolution = 72.0;
// The header comments of a document come first; the bounding box is looked
// for in this many bytes.
constexpr size_t kHeaderBytes = 64 * 1024;
// The largest page file: a full-size page and its PPM header.
constexpr uint64_t kMaxPageFileBytes =
    uint64_t(PostScriptRasterizer::kMaxPageSide) * PostScriptRasterizer::kMaxPageSide * 3 + 1024;

// The numbers after a "%%BoundingBox:" at the start of a line, in points:
// lower left x, y, upper right x, y. False when there is none or it is
// deferred ("(atend)").
bool ParseBoundingBox(std::string_view header, double box[4]) {
  static constexpr std::string_view kKey = "%%BoundingBox:";
  for (size_t at = header.find(kKey); at != std::string_view::npos;
       at = header.find(kKey, at + 1)) {
    if (at > 0 && header[at - 1] != '\n' && header[at - 1] != '\r') continue;
    const char* p = header.data() + at + kKey.size();
    const char* end = header.data() + header.size();
    int i = 0;
    for (; i < 4; ++i) {
      while (p < end && (*p == ' ' || *p == '\t')) ++p;
      const auto [next, error] = std::from_chars(p, end, box[i]);
      if (error != std::errc()) break;
      p = next;
    }
    if (i == 4) return true;
  }
  return false;
}

// The first "Error: ..." line Ghostscript wrote, or its first line. The
// document can write there too, so the line is cut short and loses its
// control characters before anyone prints it.
std::string ErrorLine(const std::string& text) {
  size_t at = text.find("Error: ");
  if (at == std::string::npos) at = 0;
  std::string line = text.substr(at, text.find_first_of("\r\n", at) - at);
  if (line.size() > 200) line.resize(200);
  for (char& c : line)
    if (uint8_t(c) < 0x20 || c == 0x7F) c = '?';
  return line;
}

std::string Seconds(std::chrono::milliseconds ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%g s", double(ms.count()) / 1000.0);
  return text;
}

}  // namespace

double PostScriptRasterizer::ResolutionFor(std::span<const uint8_t> document) {
  const std::string_view header(reinterpret_cast<const char*>(document.data()),
                                std::min(document.size(), kHeaderBytes));
  double box[4] = {};
  if (!ParseBoundingBox(header, box)) return kScreenResolution;
  const double longest = std::max(box[2] - box[0], box[3] - box[1]);
  if (!(longest > kMaxPageSide)) return kScreenResolution;
  return kScreenResolution * kMaxPageSide / longest;
}

Result<std::vector<uint8_t>> PostScriptRasterizer::Rasterize(
    std::span<const uint8_t> document, const std::function<bool()>& cancelled) const {
  const Result<std::string> gs = ChildProcess::FindProgram("gs");
  if (!gs) return Failure{"Ghostscript (gs), which draws PostScript, is not installed"};
  Result<PrivateFolder> folder = PrivateFolder::Create("q9ps-");
  if (!folder) return Failure{"cannot make a temporary folder: " + folder.Reason()};
  const std::string input = folder->File("document.eps");
  const std::string page = folder->File("page.ppm");
  {
    AtomicFile file;
    Result<> saved = file.Open(input);
    if (saved) saved = file.Write(document);
    if (saved) saved = file.Commit();
    if (!saved) return Failure{"cannot write the temporary copy: " + saved.Reason()};
  }

  char resolution[32];
  std::snprintf(resolution, sizeof resolution, "-r%.4f", ResolutionFor(document));
  ChildCommand command;
  command.program = *gs;
  // SAFER keeps file access to the folder below (its temporary folder) and
  // the files named here; -dEPSCrop makes the page the bounding box. The
  // document's output and Ghostscript's error report go where we read them
  // (-sstdout), not to the terminal.
  command.args = {"-q",
                  "-dSAFER",
                  "-dBATCH",
                  "-dNOPAUSE",
                  "-dNOPROMPT",
                  "-sstdout=%stderr",
                  "-sDEVICE=ppmraw",
                  resolution,
                  "-dEPSCrop",
                  "-dTextAlphaBits=4",
                  "-dGraphicsAlphaBits=4",
                  "-sOutputFile=" + page,
                  "-f",
                  input};
  const std::string& dir = folder->Path();
  command.environment = {"TMPDIR=" + dir, "TMP=" + dir, "TEMP=" + dir, "HOME=" + dir, "LC_ALL=C"};
  command.directory = dir;
  command.errorFile = folder->File("messages.txt");
  command.limits = {m_limits.cpuSeconds, m_limits.memoryBytes, kMaxPageFileBytes};

  Result<ChildProcess> child = ChildProcess::Start(command);
  if (!child) return Failure{"cannot start Ghostscript: " + child.Reason()};
  const Result<int> status = child->Wait(m_limits.wallTime, cancelled);
  if (!status) {
    switch (status.Error().errorNumber) {
      case ECANCELED:
        return Failure{"cancelled", ECANCELED};
      case ETIMEDOUT:
        return Failure{
            "PostScript time-out: still running after " + Seconds(m_limits.wallTime) + ", stopped",
            ETIMEDOUT};
      default:
        return Failure{"PostScript stopped: " + status.Reason(), status.Error().errorNumber};
    }
  }
  if (*status != 0) {
    const Result<std::string> messages =
        ReadWholeFile<std::string>(command.errorFile, kMaxPageFileBytes);
    const std::string line = messages ? ErrorLine(*messages) : std::string();
    return Failure{line.empty() ? "Ghostscript failed (exit status " + std::to_string(*status) + ")"
                                : "PostScript error: " + line};
  }
  Result<std::vector<uint8_t>> picture =
      ReadWholeFile<std::vector<uint8_t>>(page, kMaxPageFileBytes);
  if (!picture) return Failure{"the PostScript drew no page"};
  return picture;
}

}  // namespace q9::platform
