#include "q9seq/seq_tool.h"

#include <exception>
#include <iostream>
#include <new>

#include "program/program_messages.h"
#include "q9seq/info_command.h"
#include "q9seq/make_old_command.h"
#include "q9seq/render_command.h"
#include "q9seq/seq_tool_args.h"
#include "q9seq/tool_output.h"

namespace q9::q9seq {
namespace {

int Dispatch(const SeqToolArgs& args, std::istream& in, std::ostream& out, std::ostream& err) {
  switch (args.command) {
    case SeqCommand::kHelp:
      out << SeqToolUsage();
      return kExitOk;
    case SeqCommand::kVersion:
      program::PrintVersion(out, kToolName);
      return kExitOk;
    case SeqCommand::kInfo:
      return RunInfo(args.input, {args.json, args.bulbs}, out, err);
    case SeqCommand::kMakeOld:
      return RunMakeOld(args.input, args.output, in, err);
    case SeqCommand::kRender:
      return RunRender(args, err);
  }
  return kExitUsage;
}

}  // namespace

int RunSeqTool(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
               std::ostream& err) {
  const platform::Result<SeqToolArgs> parsed = ParseSeqToolArgs(args);
  if (!parsed) return PrintError(err, kExitUsage, "", parsed.Reason() + " (see q9seq --help)");

  int code = kExitUsage;
  try {
    code = Dispatch(*parsed, in, out, err);
  } catch (const std::bad_alloc&) {
    return PrintError(err, kExitFileError, parsed->input, "not enough memory");
  } catch (const std::exception& e) {
    // Nothing below is meant to throw; if it does, still one line and no abort.
    return PrintError(err, kExitFileError, parsed->input, e.what());
  }
  // A full disk or a closed pipe on standard output is a failure too.
  out.flush();
  if (code == kExitOk && !out)
    return PrintError(err, kExitFileError, "", "cannot write to standard output");
  return code;
}

int RunSeqTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  return RunSeqTool(args, std::cin, out, err);
}

}  // namespace q9::q9seq
