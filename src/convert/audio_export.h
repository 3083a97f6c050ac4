#pragma once
// Saving a converted video's audio to a WAV file beside the sign data, and
// tying it to the new sequence with a transmit-data ("TXD") frame that names
// the file for the sound player. The audio stream is copied as it is; every
// failure is explained with the video layer's error code turned into words,
// and the video's frames are still saved by the caller.

#include <cstdint>
#include <string>
#include <string_view>

#include "convert/conversion_host.h"

namespace q9::convert {

class SourceMedia;

class AudioExport {
 public:
  // Message texts.
  static constexpr const char* kUnableToSaveAudio =
      "Unable to save the audio from this AVI.\n\nReason: %s.";
  static constexpr const char* kNoTxdFrame =
      "\n\nSince the audio cannot be saved, a TXD frame will not be added.";
  static constexpr const char* kTxdFrameFailed =
      "An error has occured. The TXD frame cannot be added.";
  static constexpr const char* kSavingAudio = "Saving audio: %02d%% complete.";

  // media: the open video, its settings (SaveAudioFlag, AddTxdFlag,
  // WavPath), its source directory and its open destination. host: where
  // messages and status texts go; null shows none.
  AudioExport(SourceMedia& media, ConversionHost* host) : m_media(media), m_host(host) {}

  // Writes the WAV file named after the video and, with AddTxdFlag set,
  // adds the TXD frame naming it. 1 written; 0 not, after telling the user.
  // An empty WavPath becomes the source directory first.
  int SaveAudio();

  // Tells the user why the audio could not be saved; with AddTxdFlag set the
  // message says no TXD frame will be added, and the flag is cleared for the
  // files that follow.
  void ReportAviError(int32_t code);

  // Inserts a TXD frame right after frame 0 of the destination (where the
  // player finds it) holding text as its name and text, sound-file kind.
  // False, after telling the user, when it cannot be added or the text does
  // not fit the frame.
  bool AddTxdFrame(const std::string& text);

  // The reason words for a video layer code; "Unknown" for any other code.
  static const char* AviErrorReason(int32_t code);

  // folder + "/" + the source's file name without its extension, in lower
  // case, + ".wav". Only the file name is lowered: folders keep their case,
  // as they exist on disk.
  static std::string WavPathFor(std::string_view folder, std::string_view sourcePath);

  // True once a failure has been told (also a TXD frame that could not be
  // added, after which SaveAudio still gives 1: the WAV file is written).
  bool ErrorShown() const { return m_errorShown; }

 private:
  void Tell(const std::string& text);

  SourceMedia& m_media;
  ConversionHost* m_host;
  bool m_errorShown = false;
};

}  // namespace q9::convert
