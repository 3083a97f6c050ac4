#include "convert/testing/recording_host.h"

#include <algorithm>
#include <stdexcept>

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

void RecordingHost::SourceOpened() {
  ++sourcesOpened;
}

void RecordingHost::FileDone(const BatchFileReport& report) {
  filesDone.push_back(report);
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

RecordingHost::Message OkBox(const std::string& text, MessageIcon icon) {
  return {text, kAppTitle, MessageButtons::Ok, icon};
}

platform::Sq9Contents ReadSequence(const std::string& path) {
  platform::Sq9Contents contents;
  std::string error;
  if (!platform::ReadSq9File(path, contents, error)) throw std::runtime_error(path + ": " + error);
  return contents;
}

std::vector<uint32_t> TypeCodes(const platform::Sq9Contents& contents, size_t count) {
  std::vector<uint32_t> types;
  for (size_t i = 0; i < std::min(count, contents.frames.size()); ++i)
    types.push_back(contents.frames[i].typeCode);
  return types;
}

}  // namespace q9::convert
