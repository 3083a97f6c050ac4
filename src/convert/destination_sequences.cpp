#include "convert/destination_sequences.h"

#include <cstdint>

#include "convert/text_util.h"

namespace q9::convert {

namespace {

void Refuse(ConversionHost* host, const std::string& text) {
  if (host != nullptr)
    host->ShowMessage(text, kAppTitle, MessageButtons::Ok, MessageIcon::Exclamation);
}

// Opens or creates seq for the sign; true when it is open and writable. A
// refused file is closed again, so nothing stays open after a failure.
bool OpenWritable(platform::CQ9SequenceFile& seq, const std::string& path,
                  const platform::SignGeometry& sign, ConversionHost* host) {
  // Rows and columns travel as 16-bit values; a larger sign would silently
  // become another one, so it is refused like any geometry the file cannot
  // hold.
  const bool fits = sign.rows <= UINT16_MAX && sign.columns <= UINT16_MAX;
  if (!fits || seq.OpenCreate(path.c_str(), uint16_t(sign.rows), uint16_t(sign.columns),
                              sign.colorType, 1) == 0) {
    seq.Close();
    Refuse(host, Format(kUnableToOpenSequence, path.c_str()));
    return false;
  }
  if (seq.IsPreviewOnly() != 0) {
    // Closed without a save: the preview-only file stays exactly as it was.
    seq.Close();
    Refuse(host, kPreviewOnlySequence);
    return false;
  }
  return true;
}

}  // namespace

int DestinationSequences::OpenDestination(const std::string& path,
                                          const platform::SignGeometry& sign,
                                          ConversionHost* host) {
  CloseDestination();
  m_destinationOpen = OpenWritable(m_destination, path, sign, host);
  return m_destinationOpen ? 1 : 0;
}

void DestinationSequences::CloseDestination() {
  // Close is safe on a closed sequence, and drops a half-opened one too.
  m_destination.Close();
  m_destinationOpen = false;
}

bool DestinationSequences::OpenStillSequence(const std::string& path,
                                             const platform::SignGeometry& sign,
                                             ConversionHost* host) {
  // Opening drops a sequence still open from before, unsaved.
  m_stillOpen = OpenWritable(m_still, path, sign, host);
  m_stillHost = m_stillOpen ? host : nullptr;
  m_stillSaveFailed = false;
  return m_stillOpen;
}

void DestinationSequences::CloseStillSequence() {
  // A sequence that failed to open was closed then; it is not touched again.
  if (!m_stillOpen) return;
  const std::string path = m_still.Path();
  m_stillSaveFailed = m_still.Save() == 0;
  m_still.Close();
  m_stillOpen = false;
  if (m_stillSaveFailed) Refuse(m_stillHost, Format(kUnableToSaveSequence, path.c_str()));
  m_stillHost = nullptr;
}

}  // namespace q9::convert
