#pragma once
// The Convert command without its dialog: every marked file of the source
// directory, in list order, into sequences in the destination directory (a
// library folder of one sign). It counts the progress units, decides about
// existing destinations through the host's "Overwrite File?" question,
// collects all still images into one shared sequence when asked to, hands
// each file to FileConverter and ends with "Conversion Complete!". The
// desktop dialog drives it with its own checks and confirmation around it;
// the unattended run drives it with answers taken from its options.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "convert/conversion_host.h"
#include "convert/video_extensions.h"
#include "platform/signlib/sign_types.h"

namespace q9::convert {

class AheadConversion;
class SourceMedia;

// Message texts of the run.
inline constexpr const char* kOverwriteQuestion = "The file \"%s\" already exists. Overwrite?";
inline constexpr const char* kCouldNotOpenStillSequence = "Could not open Q9100 sequence %s!";
inline constexpr const char* kConversionComplete = "Conversion Complete!";
inline constexpr const char* kBatchUnknownFileType =
    "Unknown file type encountered with %s!\nNo conversion performed.";

// How a run treats what it cannot or may not convert.
struct BatchPolicy {
  enum UnknownFiles {
    kStopSilently,   // the dialog: the run stops at the file, nothing is shown
    kReportAndGoOn,  // the unknown-type message, then the next file
    kReportAndStop,  // the unknown-type message, then the run stops
  };
  UnknownFiles unknownFiles = kStopSilently;
  // The dialog asks about an existing shared still sequence after opening
  // it, and No skips only the first image: the later ones still replace the
  // file at the end of the run. A run that promises to keep existing files
  // asks before opening, and No then skips every still image of the run.
  bool keepSkippedStillSequence = false;

  static BatchPolicy Dialog() { return {}; }
  static BatchPolicy Unattended(bool stopOnError) {
    return {stopOnError ? kReportAndStop : kReportAndGoOn, true};
  }
};

struct BatchSummary {
  unsigned converted = 0;  // written, or added to the shared sequence
  unsigned skipped = 0;    // the destination existed and was kept
  unsigned failed = 0;     // an error was reported for the file
  unsigned unknown = 0;    // not a kind the converter reads
  uint64_t framesWritten = 0;
  unsigned handedOver = 0;  // files given to the file conversion
  bool stopped = false;     // the run ended before its last file
  bool cancelled = false;   // Cancel (or an interrupt) ended it
  // The shared sequence of the still images, when the run saved it at its
  // end (which it does also after a Cancel); empty otherwise.
  std::string stillSequenceSaved;
};

class ConversionBatch {
 public:
  ConversionBatch(SourceMedia& media, ConversionHost& host);

  void SetSourceDirectory(std::string directory) { m_sourceDir = std::move(directory); }
  void SetDestinationDirectory(std::string directory) { m_destDir = std::move(directory); }
  // The names of the marked files in list order; copied, so marks changed
  // during a run do not change what it converts.
  void SetMarkedNames(std::vector<std::string> names) { m_names = std::move(names); }
  // The sign of the destination directory (ParseSignFolder).
  void SetGeometry(const platform::SignGeometry& sign) { m_sign = sign; }
  void SetPolicy(const BatchPolicy& policy) { m_policy = policy; }

  // The Still Images options: the switch, and the name when one is given
  // (null keeps the stored name). Returns 1.
  int SetStillImagesOptions(bool on, const char* name);
  bool StillImagesOn() const { return m_stillImages; }
  const std::string& StillSequenceName() const { return m_stillName; }

  // Files the run may hand to workers that convert them ahead, several at
  // once (see ahead_conversion.h); null (the default) converts every file
  // in turn. Not owned.
  void SetAhead(AheadConversion* ahead) { m_ahead = ahead; }

  // One run over the marked files.
  BatchSummary Run();

  // The state of "&Apply to all files" at the last overwrite answer; false
  // from the start of each run.
  bool OverwriteAll() const { return m_overwriteAll; }

  // "Stills" -> "StillsSQ9", "Stills.bmp" -> "Stills.SQ9", "x.sq9" stays,
  // "" -> "STILL_IMAGES.SQ9".
  static std::string NormaliseStillSequenceName(std::string_view name);
  // The source name without its last three characters, then "SQ9":
  // "clip.avi" -> "clip.SQ9", ".avi" -> ".SQ9". A name shorter than three
  // characters (never listed) gets "SQ9" appended.
  static std::string DestinationNameFor(std::string_view name);
  // The same, except that a file of an added video extension (of any
  // length) gives its name up to the last "." and ".SQ9": "clip.webm" ->
  // "clip.SQ9".
  static std::string DestinationNameFor(std::string_view name, const VideoExtensions& videos);
  // Progress units of one source file: a video's start + length - 1 (0 when
  // its header cannot be read or says it holds no frames), an old sequence's frame count (0 when it
  // does not open), 1 for a still image, 0 otherwise. A video of an added
  // extension counts its frames as its duration and frame rate give them.
  static unsigned CountSourceFrames(const std::string& path, const VideoExtensions& videos = {});

 private:
  // Hands the files whose conversion does not depend on the files before
  // them to the workers.
  void StartAhead();
  enum class Decision { kConvert, kSkip, kStop };
  Decision DecideOverwrite(const std::string& destination);
  void Report(const std::string& name, const std::string& destination,
              BatchFileReport::Status status, unsigned frames, bool sharedSequence);

  SourceMedia& m_media;
  ConversionHost& m_host;
  std::string m_sourceDir;
  std::string m_destDir;
  std::vector<std::string> m_names;
  platform::SignGeometry m_sign;
  BatchPolicy m_policy;
  bool m_stillImages = false;
  AheadConversion* m_ahead = nullptr;
  std::string m_stillName;
  bool m_overwriteAll = false;
};

}  // namespace q9::convert
