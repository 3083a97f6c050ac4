#pragma once
// The host of a file converted ahead of the run on a worker thread: it
// answers as the run's host would, applies the run's settings as each
// source opens, passes an interrupt on as a Cancel, and records what the
// conversion showed, so that the run shows it, in order, when it takes the
// file.

#include <functional>
#include <string>
#include <vector>

#include "convert/conversion_host.h"

namespace q9::convert {

class SourceMedia;

class RecordedHost : public ConversionHost {
 public:
  struct Hooks {
    // The answer the run's host gives to a message box with these buttons.
    std::function<MessageAnswer(MessageButtons)> answer;
    // Applies the run's settings to a source that just opened.
    std::function<void(SourceMedia&)> sourceOpened;
    // True once the run is to stop (an interrupt, a Cancel).
    std::function<bool()> stopRequested;
  };

  explicit RecordedHost(Hooks hooks);
  // The source whose conversion this host shows, made with this host as
  // its owner (so that a PostScript page being drawn reaches PumpEvents).
  void Attach(SourceMedia* media) { m_media = media; }

  // Shows what was recorded on host, in the order it happened, and forgets
  // it.
  void Replay(ConversionHost& host);

  void SetOverallProgressRange(unsigned) override {}
  void ShowConvertingPath(const std::string&) override {}
  void SetFileProgressRange(int low, int high) override;
  void StepProgress(int fileIndex, unsigned position) override;
  void ShowStatusText(const std::string& text) override;
  void RefreshPreview() override {}
  void SourceOpened() override;
  MessageAnswer ShowMessage(const std::string& text, const std::string& caption,
                            MessageButtons buttons, MessageIcon icon) override;
  OverwriteAnswer AskOverwrite(const std::string&) override { return {}; }
  void ShowDetail(const std::string& text) override;
  void PumpEvents() override;

 private:
  SourceMedia* m_media = nullptr;
  Hooks m_hooks;
  std::vector<std::function<void(ConversionHost&)>> m_calls;
};

}  // namespace q9::convert
