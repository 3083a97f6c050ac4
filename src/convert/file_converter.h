#pragma once
// Converts one source file into one destination sequence: an old sequence
// frame by frame, a still image into one graphics frame, a video into one
// graphics frame per video frame. The batch run calls ConvertFile once per
// file; every message and question goes through the host, and a conversion
// without a host does nothing and reports a stop.

#include <cstdint>
#include <string>

#include "convert/conversion_host.h"

namespace q9::convert {

class SourceMedia;

// What happened to the last file handed to ConvertFile, for summaries.
struct FileOutcome {
  enum Kind {
    kConverted,    // written (for a still image in the shared sequence: added)
    kFailed,       // an error was reported (the run may go on)
    kUnknownKind,  // the file could not be opened as any kind of source
    kCancelled,    // the user cancelled inside a video; nothing saved
    kNoHost,       // no main window: nothing done
  };
  Kind kind = kConverted;
  unsigned framesWritten = 0;  // frames added to the destination
};

// Results of ConvertFile.
inline constexpr int kConvertGoOn = 0;
inline constexpr int kConvertStop = 1;
inline constexpr int kConvertCancelled = 2;

class FileConverter {
 public:
  // host may be null: "no main window".
  FileConverter(SourceMedia& media, ConversionHost* host);

  // 0 converted, or an error occurred and the user chose to continue; 1 an
  // error and the user chose to stop, or the kind is unknown, or no host;
  // 2 cancelled during a video's frames.
  int ConvertFile(const std::string& source, const std::string& destination, unsigned rows,
                  unsigned columns, uint32_t colorType, int fileIndex);

  // The three converters: 0 done, 1 failed (then ConvertFile asks whether to
  // continue), 2 cancelled (videos only).
  int ConvertStill(const std::string& source, const std::string& destination, int fileIndex);
  int ConvertFrames(const std::string& source, const std::string& destination, int fileIndex);
  int ConvertOldSequence(const std::string& source, const std::string& destination, int fileIndex);

  // "An error was encountered converting file ..." with Yes and No; 1 for Yes.
  int AskContinue(const std::string& source);

  const FileOutcome& LastOutcome() const { return m_outcome; }

 private:
  // A message box for an error of this file (marks the outcome failed).
  void Tell(const std::string& text, MessageIcon icon);
  void Step(int fileIndex, unsigned position);
  // Saves and closes the destination; a failed save is told. True when saved.
  bool SaveAndClose();

  SourceMedia& m_media;
  ConversionHost* m_host;
  FileOutcome m_outcome;
  bool m_errorShown = false;  // an error message was shown for this file
};

}  // namespace q9::convert
