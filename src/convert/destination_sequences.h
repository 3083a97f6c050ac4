#pragma once
// The sequences a conversion writes into: the per-file destination, which
// each file conversion opens, fills, saves and closes, and the shared
// still-image sequence, which a batch run keeps open while it collects all
// still images of the run. Both are created with the sign's geometry and
// pixel technology 1, and a preview-only sequence is refused.

#include <string>

#include "convert/conversion_host.h"
#include "platform/signlib/cq9_sequence_file.h"
#include "platform/signlib/sign_types.h"

namespace q9::convert {

// Message texts.
inline constexpr const char* kUnableToOpenSequence = "Unable to Open 9100 Sequence %s!";
inline constexpr const char* kPreviewOnlySequence = "Cannot convert a preview only sequence.";
// A sequence that was filled but could not be written (disk full, folder
// gone): the file at the path stays as it was.
inline constexpr const char* kUnableToSaveSequence = "Unable to save 9100 Sequence %s!";

class DestinationSequences {
 public:
  // Closes a previous destination (without saving), then opens or creates
  // the sequence at path. 1 when it is open and writable; 0 when it cannot be
  // opened or is preview-only, after telling the user through host (if any).
  int OpenDestination(const std::string& path, const platform::SignGeometry& sign,
                      ConversionHost* host);
  // Closes the destination if it is open; never saves.
  void CloseDestination();
  bool IsDestinationOpen() const { return m_destinationOpen; }
  platform::CQ9SequenceFile& Destination() { return m_destination; }

  // Opens or creates the shared still-image sequence; true when it is open
  // and writable. Failures are told to the user as for OpenDestination.
  bool OpenStillSequence(const std::string& path, const platform::SignGeometry& sign,
                         ConversionHost* host);
  // Saves and closes the shared sequence if it is open; otherwise nothing.
  // A failed save is told through the host given to OpenStillSequence.
  void CloseStillSequence();
  bool IsStillSequenceOpen() const { return m_stillOpen; }
  // True when the last CloseStillSequence could not save the sequence.
  bool StillSaveFailed() const { return m_stillSaveFailed; }
  platform::CQ9SequenceFile& StillSequence() { return m_still; }

 private:
  platform::CQ9SequenceFile m_destination;
  bool m_destinationOpen = false;
  platform::CQ9SequenceFile m_still;
  bool m_stillOpen = false;
  // Where the shared sequence's save failure is told: the run that opened
  // it closes it.
  ConversionHost* m_stillHost = nullptr;
  bool m_stillSaveFailed = false;
};

}  // namespace q9::convert
