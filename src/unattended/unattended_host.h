#pragma once
// The "main window" of a conversion run without a window. Progress goes to
// a stream: on a terminal as one live line that is redrawn in place, else
// as one line per file. Every message box is printed with its own text,
// prefixed by its icon's kind ("warning: ", "error: ", ...), and answered
// from the run's options: the question after a failed file with Yes unless
// the run stops on errors, an existing destination with the --overwrite
// choice. The progress calls also pass a pending Ctrl-C (or SIGTERM,
// SIGHUP) on to the conversion as a Cancel.
//
// Across the files of the run it warns when a file converts to a sequence
// that an earlier file of the same run wrote (logo.bmp and logo.jpg both
// give logo.SQ9), notes the files that were finished after the signal came
// (a save is completed, not dropped) and keeps the TXD option off for the
// rest of the run once saving a video's audio failed.

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

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
  // The destinations (file names) saved after the interrupt arrived: the
  // save under way was finished, so they exist.
  const std::vector<std::string>& KeptAfterInterrupt() const { return m_kept; }
  // Notes a file that the run saved after its last file's report (the
  // shared still sequence) as kept, when the interrupt came before.
  void SavedAtTheEnd(const std::string& path);

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
  // A warning of our own, printed also when quiet.
  void Warn(const std::string& text);
  // Remembers who wrote a destination; warns when another file of the run did.
  void NoteWritten(const convert::BatchFileReport& report);

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

  std::vector<std::string> m_kept;
  // The destinations written in this run and the file each came from.
  std::map<std::string, convert::BatchFileReport> m_written;
  int m_txdAfterRecipe = 0;   // AddTxdFlag as the recipe left it at the last source
  bool m_txdCleared = false;  // an audio failure turned the TXD option off
};

}  // namespace q9::unattended
