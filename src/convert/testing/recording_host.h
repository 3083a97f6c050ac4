#pragma once
// A host for tests: records every call in order, answers message boxes and
// the overwrite dialog from scripts, and can act at a given progress step
// (for instance press Cancel there).

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "convert/conversion_host.h"
#include "platform/signlib/sq9_reader.h"

namespace q9::convert {

class SourceMedia;

class RecordingHost : public ConversionHost {
 public:
  struct Message {
    std::string text;
    std::string caption;
    MessageButtons buttons;
    MessageIcon icon;
    friend bool operator==(const Message&, const Message&) = default;
  };
  struct Step {
    int fileIndex;
    unsigned position;
    friend bool operator==(const Step&, const Step&) = default;
  };

  // Answers for the next message boxes, in order; when they run out a box
  // gets Yes (Yes/No) or OK. The overwrite dialog likewise, default Yes.
  std::deque<MessageAnswer> answers;
  std::deque<OverwriteAnswer> overwriteAnswers;
  // Called after the k-th StepProgress is recorded, k counted from 1.
  std::function<void(size_t k)> onStep;

  // Sets media.cancelRequested at the k-th StepProgress (the Cancel button
  // pressed while that step lets events through).
  void CancelAtStep(SourceMedia& media, size_t k);

  // Everything recorded, each list in call order.
  std::vector<unsigned> overallRanges;
  std::vector<std::string> convertingPaths;
  std::vector<std::pair<int, int>> fileRanges;
  std::vector<Step> steps;
  std::vector<std::string> statusTexts;
  size_t previewRefreshes = 0;
  size_t sourcesOpened = 0;
  std::vector<BatchFileReport> filesDone;
  std::vector<Message> messages;
  std::vector<std::string> overwriteQuestions;

  void SetOverallProgressRange(unsigned total) override;
  void ShowConvertingPath(const std::string& path) override;
  void SetFileProgressRange(int low, int high) override;
  void StepProgress(int fileIndex, unsigned position) override;
  void ShowStatusText(const std::string& text) override;
  void RefreshPreview() override;
  void SourceOpened() override;
  void FileDone(const BatchFileReport& report) override;
  MessageAnswer ShowMessage(const std::string& text, const std::string& caption,
                            MessageButtons buttons, MessageIcon icon) override;
  OverwriteAnswer AskOverwrite(const std::string& message) override;
};

// A box with an OK button under the application's title.
RecordingHost::Message OkBox(const std::string& text, MessageIcon icon = MessageIcon::None);

// A sequence file read back; throws (failing the test) when it cannot be read.
platform::Sq9Contents ReadSequence(const std::string& path);
// The type codes of the first count frames.
std::vector<uint32_t> TypeCodes(const platform::Sq9Contents& contents, size_t count = 99);

}  // namespace q9::convert
