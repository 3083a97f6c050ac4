#pragma once
// What the conversion needs from "the main window": progress bars, the status
// line, the preview, and every message box and question. The desktop dialog,
// the unattended run and the tests each plug in their own host; a conversion
// without a host ("no main window") does nothing and reports a stop.

#include <string>

#include "convert/batch_file_report.h"

namespace q9::convert {

// The application's title, the caption of message boxes that name none.
inline constexpr const char* kAppTitle = "Q9100 Converter";

enum class MessageIcon { None, Exclamation, Stop, Question, Information };
enum class MessageButtons { Ok, OkCancel, YesNo };
enum class MessageAnswer { Ok, Cancel, Yes, No };

// The answer of the "Overwrite File?" dialog.
struct OverwriteAnswer {
  bool overwrite = false;   // Yes
  bool applyToAll = false;  // state of "&Apply to all files" when it closed
};

class ConversionHost {
 public:
  virtual ~ConversionHost() = default;

  // Range of the overall progress bar; also sets the overall counter to 0
  // (a run starts).
  virtual void SetOverallProgressRange(unsigned total) = 0;
  // The "Converting:" line: the source file being converted, or "" to clear.
  virtual void ShowConvertingPath(const std::string& path) = 0;
  // Range of the per-file progress bar.
  virtual void SetFileProgressRange(int low, int high) = 0;
  // Sets the per-file bar to position, shows the overall counter's value on
  // the overall bar, then adds one to the counter, and lets pending events
  // through (that is where a Cancel reaches the run). The file index is not
  // used by the bars.
  virtual void StepProgress(int fileIndex, unsigned position) = 0;
  // Puts a text on the status line and lets pending events through.
  virtual void ShowStatusText(const std::string& text) = 0;
  // Redraws the preview of the frame that was just rendered, if a preview is
  // shown. The conversion renders every frame itself.
  virtual void RefreshPreview() = 0;
  // A source file has been opened and its first frame rendered; nothing of
  // it is written yet. Once for each file that opens. A host that
  // changes the import settings here renders the frame again itself.
  virtual void SourceOpened() {}
  // A batch run is done with one file: converted, skipped, failed...
  virtual void FileDone(const BatchFileReport& /*report*/) {}
  // A message box with the system's own text, caption, buttons and icon.
  virtual MessageAnswer ShowMessage(const std::string& text, const std::string& caption,
                                    MessageButtons buttons, MessageIcon icon) = 0;
  // The "Overwrite File?" dialog with its message.
  virtual OverwriteAnswer AskOverwrite(const std::string& message) = 0;
  // A line beside the messages for a reader of a log: why a file could not
  // be opened, what was damaged in one that converted, what a folder held
  // that is no file. The window shows only its own message boxes and
  // ignores these.
  virtual void ShowDetail(const std::string& /*text*/) {}
  // Lets pending events through while a long step of one file (a drawn
  // PostScript page) waits; a Cancel reaches the run here.
  virtual void PumpEvents() {}
};

}  // namespace q9::convert
