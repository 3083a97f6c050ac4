#include "q9seq/info_command.h"

#include "platform/signlib/cq8_seq.h"
#include "platform/signlib/sq9_reader.h"
#include "q9seq/old_seq_printer.h"
#include "q9seq/sq9_printer.h"
#include "q9seq/tool_output.h"
#include "sequence/sequence_format.h"

namespace q9::q9seq {
namespace {

int InfoSq9(const std::string& path, const InfoOptions& options, std::ostream& out,
            std::ostream& err) {
  platform::Sq9Contents contents;
  std::string error;
  if (!platform::ReadSq9File(path, contents, error))
    return PrintError(err, kExitFileError, path, error);
  PrintSq9(contents, options, out);
  return kExitOk;
}

int InfoOldSeq(const std::string& path, const InfoOptions& options, std::ostream& out,
               std::ostream& err) {
  platform::CQ8Seq sequence;
  const int rc = sequence.Open(path.c_str());
  if (rc != platform::kQ8Ok)
    return PrintError(err, kExitFileError, path, platform::CQ8Seq::ErrorText(rc));
  if (!PrintOldSeq(sequence, options, out))
    return PrintError(err, kExitFileError, path, "a frame of the old sequence cannot be loaded");
  return kExitOk;
}

}  // namespace

int RunInfo(const std::string& path, const InfoOptions& options, std::ostream& out,
            std::ostream& err) {
  const platform::Result<sequence::SequenceFormat> format = sequence::DetectSequenceFormat(path);
  if (!format) return PrintError(err, kExitFileError, path, format.Reason());
  if (*format == sequence::SequenceFormat::kSq9) return InfoSq9(path, options, out, err);
  return InfoOldSeq(path, options, out, err);
}

}  // namespace q9::q9seq
