#pragma once
// The "main window" of a conversion run without a window. Progress goes to
// a stream: on a terminal as one live line that is redrawn in place, else
// as one line per file. Every message box is printed with its own text,
// prefixed by its icon's kind ("warning: ", "error: ", ...), and answered
// from the run's options: the question after a failed file with Yes unless
// the run stops on errors, an existing destination with the --overwrite
// choice. The progress calls also pass a pending Ctrl-C on to the
// conversion as a Cancel.

#include <chrono>
#include <cstddef>
#include <functional>
#include <ostream>
#include <string>

#include "convert/conversion_host.h"
#include "unattended/settings_recipe.h"

namespace q9::convert {
class SourceMedia;
}

namespace q9::unattended {

struct UnattendedOutput {
  bool live = false;         // redraw one progress line in place (a terminal)
  bool quiet = false;        // only errors: no progress, no file lines, no notes
  int lineWidth = 80;        // the terminal's width for the live line
  bool overwrite = false;    // the answer to "Overwrite File?"
  bool stopOnError = false;  // the answer to the "continue?" question is No
};

class UnattendedHost : public convert::ConversionHost {
 public:
  // interrupted: polled at every progress and status call.
  UnattendedHost(std::ostream& err, const UnattendedOutput& output,
                 std::function<bool()> interrupted);

  // The source whose cancelRequested a Ctrl-C sets.
  void Attach(convert::SourceMedia& media) { m_media = &media; }
  // The settings applied to each source as it opens.
  void UseRecipe(const SettingsRecipe& recipe) { m_recipe = &recipe; }
  void SetFileCount(size_t count) { m_fileCount = count; }
  // Clears the live line before the summary.
  void Finish();

  void SetOverallProgressRange(unsigned total) override;
  void ShowConvertingPath(const std::string& path) override;
  void SetFileProgressRange(int low, int high) override;
  void StepProgress(int fileIndex, unsigned position) override;
  void ShowStatusText(const std::string& text) override;
  void RefreshPreview() override {}
  void SourceOpened() override;
  // Ends the file's line.
  void FileDone(const convert::BatchFileReport& report) override;
  convert::MessageAnswer ShowMessage(const std::string& text, const std::string& caption,
                                     convert::MessageButtons buttons,
                                     convert::MessageIcon icon) override;
  convert::OverwriteAnswer AskOverwrite(const std::string& message) override;
  // Printed as a warning line.
  void ShowDetail(const std::string& text) override;
  void PumpEvents() override { Pump(); }

 private:
  void Pump();
  void DrawLiveLine(bool force);
  // Makes room for a line of its own: clears the live line, or ends an open
  // "converting NAME ..." line.
  void BreakLine();
  void FileLine(const std::string& text);

  std::ostream& m_err;
  UnattendedOutput m_output;
  std::function<bool()> m_interrupted;
  const SettingsRecipe* m_recipe = nullptr;
  convert::SourceMedia* m_media = nullptr;

  unsigned m_total = 0;
  unsigned m_counter = 0;  // progress steps taken in this run
  size_t m_fileCount = 0;
  size_t m_filesDone = 0;  // files reported so far
  int m_fileHigh = 0;
  unsigned m_filePosition = 0;
  std::string m_status;
  std::string m_name;         // the file being converted, for display
  bool m_fileActive = false;  // between ShowConvertingPath and its report
  bool m_lineOpen = false;    // "converting NAME ..." waits for its result
  bool m_liveShown = false;
  bool m_replacing = false;  // the destination existed and is replaced
  std::chrono::steady_clock::time_point m_lastDraw;
};

}  // namespace q9::unattended
