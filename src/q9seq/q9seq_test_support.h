#pragma once
// Helpers shared by the tests of the sequence tool: q9seq run in-process
// with its streams captured, and a check that a failure leaves exactly one
// line on standard error.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "platform/signlib/sq9_test_support.h"
#include "program/process_test_support.h"
#include "q9seq/seq_tool.h"
#include "q9seq/tool_output.h"

namespace q9::q9seq::testing {

using platform::testing::ReadAll;
using platform::testing::TempDirTest;
using platform::testing::WriteAll;
using program::testing::StartProcess;
using program::testing::Text;
using program::testing::ToolRun;
using program::testing::WaitProcess;

inline ToolRun RunTool(const std::vector<std::string>& args, const std::string& input = "") {
  std::istringstream in(input);
  std::ostringstream out, err;
  return {RunSeqTool(args, in, out, err), out.str(), err.str()};  // in this order
}

// The failure contract: the code, nothing on standard output and one line
// "q9seq: ..." on standard error.
inline ::testing::AssertionResult FailedWithOneLine(const ToolRun& run, int code) {
  if (run.code == code && run.out.empty() && run.err.starts_with("q9seq: ") &&
      run.err.find('\n') == run.err.size() - 1)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "exit code " << run.code << " (expected " << code << "), stdout [" << run.out
         << "], stderr [" << run.err << "]";
}

// On a mismatch the patch from one document to the other names just the
// members that differ.
inline void ExpectSameJson(const nlohmann::json& actual, const nlohmann::json& expected) {
  EXPECT_TRUE(actual == expected) << nlohmann::json::diff(actual, expected).dump(1);
}

// Bytes that differ from their neighbours, so that a misplaced one shows.
inline std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = uint8_t(i * 31 + seed);
  return bytes;
}

inline std::vector<uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

}  // namespace q9::q9seq::testing
