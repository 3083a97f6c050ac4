#include "q9seq/make_old_command.h"

#include <cerrno>

#include "platform/base/read_whole_file.h"
#include "platform/signlib/cq8_seq_writer.h"
#include "q9seq/old_seq_description.h"
#include "q9seq/tool_output.h"

namespace q9::q9seq {
namespace {

constexpr size_t kChunk = 64 * 1024;

std::string TooLong(size_t maxBytes) {
  return "description longer than " + std::to_string(maxBytes) + " bytes";
}

std::optional<std::string> ReadStream(std::istream& in, std::string& error, size_t maxBytes) {
  std::string text;
  char buffer[kChunk];
  while (in) {
    in.read(buffer, sizeof buffer);
    const size_t got = size_t(in.gcount());
    if (got > maxBytes - text.size()) {
      error = TooLong(maxBytes);
      return std::nullopt;
    }
    text.append(buffer, got);
  }
  if (in.bad()) {
    error = "read error";
    return std::nullopt;
  }
  return text;
}

}  // namespace

std::optional<std::string> ReadDescriptionText(const std::string& path, std::istream& in,
                                               std::string& error, size_t maxBytes) {
  if (path == "-") return ReadStream(in, error, maxBytes);
  // A FIFO (a shell's process substitution) is read like a file.
  platform::Result<std::string> text =
      platform::ReadWholeFile<std::string>(path, maxBytes, platform::FileKinds::kAnyButDirectory);
  if (text) return std::move(text).Value();
  error = text.Error().errorNumber == EFBIG ? TooLong(maxBytes) : text.Reason();
  return std::nullopt;
}

int RunMakeOld(const std::string& description, const std::string& output, std::istream& in,
               std::ostream& err) {
  const std::string source = description == "-" ? "standard input" : description;
  std::string error;
  std::optional<std::string> text = ReadDescriptionText(description, in, error);
  if (!text) return PrintError(err, kExitFileError, source, error);
  std::optional<OldSeqDescription> parsed = ParseOldSeqDescription(*text, error);
  text.reset();  // the text can be large; the frames below need their own copy
  if (!parsed) return PrintError(err, kExitFileError, source, error);

  platform::CQ8SeqWriter writer;
  if (!writer.Create(parsed->rows, parsed->columns, parsed->colorType))
    return PrintError(err, kExitFileError, source, writer.Error());
  for (size_t i = 0; i < parsed->frames.size(); ++i) {
    OldSeqFrameDescription& frame = parsed->frames[i];
    if (!writer.AddFrame(frame.kind, frame.record, frame.bulbs))
      return PrintError(err, kExitFileError, source,
                        "frames[" + std::to_string(i) + "]: " + writer.Error());
    // The writer keeps its own copy; drop ours as we go.
    std::vector<uint8_t>().swap(frame.bulbs);
  }
  if (!writer.Write(output)) {
    // The writer's messages name the file they could not write already.
    const std::string& reason = writer.Error();
    return PrintError(err, kExitFileError, reason.find(output) == std::string::npos ? output : "",
                      reason);
  }
  return kExitOk;
}

}  // namespace q9::q9seq
