#pragma once
// Helpers shared by the sequence tool tests: an in-process run of the tool
// with its streams captured, and checks that every failure leaves exactly
// one line on standard error.

#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/seq_tool.h"
#include "platform/signlib/sq9_test_support.h"

namespace q9::cli::testing {

struct ToolRun {
  int code = -1;
  std::string out;
  std::string err;
};

inline ToolRun RunTool(const std::vector<std::string>& args, const std::string& input = "") {
  std::istringstream in(input);
  std::ostringstream out, err;
  ToolRun run;
  run.code = RunSeqTool(args, in, out, err);
  run.out = out.str();
  run.err = err.str();
  return run;
}

// The failure contract: a non-zero code, nothing on standard output and one
// line "q9seq: ..." on standard error.
inline ::testing::AssertionResult FailedWithOneLine(const ToolRun& run, int code) {
  if (run.code != code)
    return ::testing::AssertionFailure()
           << "exit code " << run.code << ", expected " << code << "; stderr: " << run.err;
  if (!run.out.empty()) return ::testing::AssertionFailure() << "stdout not empty: " << run.out;
  if (std::count(run.err.begin(), run.err.end(), '\n') != 1 || run.err.back() != '\n' ||
      !run.err.starts_with("q9seq: "))
    return ::testing::AssertionFailure() << "stderr is not one q9seq line: [" << run.err << "]";
  return ::testing::AssertionSuccess();
}

inline nlohmann::json ParseOutput(const ToolRun& run) {
  return nlohmann::json::parse(run.out);  // throws, failing the test, on bad JSON
}

using platform::testing::ReadAll;
using platform::testing::TempDirTest;
using platform::testing::WriteAll;

}  // namespace q9::cli::testing
