#include "convert/testing/recording_host.h"

#include "convert/source_media.h"

namespace q9::convert {

void RecordingHost::CancelAtStep(SourceMedia& media, size_t k) {
  onStep = [&media, k](size_t step) {
    if (step == k) media.cancelRequested = true;
  };
}

void RecordingHost::SetOverallProgressRange(unsigned total) {
  overallRanges.push_back(total);
}

void RecordingHost::ShowConvertingPath(const std::string& path) {
  convertingPaths.push_back(path);
}

void RecordingHost::SetFileProgressRange(int low, int high) {
  fileRanges.emplace_back(low, high);
}

void RecordingHost::StepProgress(int fileIndex, unsigned position) {
  steps.push_back({fileIndex, position});
  if (onStep) onStep(steps.size());
}

void RecordingHost::ShowStatusText(const std::string& text) {
  statusTexts.push_back(text);
}

void RecordingHost::RefreshPreview() {
  ++previewRefreshes;
}

MessageAnswer RecordingHost::ShowMessage(const std::string& text, const std::string& caption,
                                         MessageButtons buttons, MessageIcon icon) {
  messages.push_back({text, caption, buttons, icon});
  if (!answers.empty()) {
    const MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
}

OverwriteAnswer RecordingHost::AskOverwrite(const std::string& message) {
  overwriteQuestions.push_back(message);
  if (!overwriteAnswers.empty()) {
    const OverwriteAnswer answer = overwriteAnswers.front();
    overwriteAnswers.pop_front();
    return answer;
  }
  return {true, false};
}

}  // namespace q9::convert
