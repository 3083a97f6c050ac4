#include "convert/file_converter.h"

#include <algorithm>
#include <cstring>

#include "convert/audio_export.h"
#include "convert/old_seq_translator.h"
#include "convert/source_media.h"
#include "convert/text_util.h"
#include "convert/wait_cursor.h"
#include "platform/base/stop_point.h"
#include "platform/signlib/cq9_gph_frame.h"
#include "platform/signlib/q8_record.h"

namespace q9::convert {

namespace pf = platform;

namespace {

constexpr const char* kUnknownFileType =
    "Unknown file type encountered with %s!\nNo conversion performed.";
constexpr const char* kAskContinue =
    "An error was encountered converting file \"%s\".\nDo you wish to continue with conversion?";
constexpr const char* kCouldNotAddFrame = "Could not add frame!";
constexpr const char* kSavingSequence = "Saving Sequence File...";

// The graphics frame at index, or null when there is none of that class.
pf::CQ9GphFrame* GraphicsFrame(pf::CQ9SequenceFile& seq, int index) {
  pf::CQ9Frame* frame = seq.Frame(index);
  if (frame == nullptr || !frame->IsKindOf(&pf::CQ9GphFrame::classCQ9GphFrame)) return nullptr;
  return static_cast<pf::CQ9GphFrame*>(frame);
}

// The bulbs of the last render go into the frame. They were rendered for
// this sign unless no frame of this source ever rendered; then the frame
// keeps the blank bulbs it was made with rather than another sign's bytes.
void CopyBulbs(pf::CQ9GphFrame& frame, const SourceMedia& media) {
  if (media.BulbBufferSize() != frame.BulbDataSize() || frame.BulbData() == nullptr) return;
  std::memcpy(frame.BulbData(), media.BulbBuffer().data(), frame.BulbDataSize());
}

}  // namespace

FileConverter::FileConverter(SourceMedia& media, ConversionHost* host)
    : m_media(media), m_host(host) {}

void FileConverter::Tell(const std::string& text, MessageIcon icon) {
  m_errorShown = true;
  if (m_host != nullptr) m_host->ShowMessage(text, kAppTitle, MessageButtons::Ok, icon);
}

void FileConverter::Step(int fileIndex, unsigned position) {
  if (m_host != nullptr) m_host->StepProgress(fileIndex, position);
}

bool FileConverter::SaveAndClose() {
  DestinationSequences& dest = m_media.Destinations();
  const std::string path = dest.Destination().Path();
  const bool saved = dest.Destination().Save() != 0;
  dest.CloseDestination();
  if (!saved) Tell(Format(kUnableToSaveSequence, path.c_str()), MessageIcon::Exclamation);
  return saved;
}

int FileConverter::ConvertFile(const std::string& source, const std::string& destination,
                               unsigned rows, unsigned columns, uint32_t colorType, int fileIndex) {
  m_outcome = {};
  m_errorShown = false;
  if (m_host == nullptr) {
    m_outcome.kind = FileOutcome::kNoHost;
    return kConvertStop;
  }
  m_media.SetSourceDirectory(std::string(DirectoryOf(source)));
  const bool opened = m_media.Open(source, rows, columns, colorType) != 0;

  // The conversion renders its first frame itself, so what it writes never
  // depends on a preview being open; the preview only shows it.
  m_media.AdjustChanged = 1;
  m_media.RenderFrame();
  if (opened) m_host->SourceOpened();
  m_host->RefreshPreview();
  const std::string name(FileNameOf(source));
  // A Cancel while the file opened (a PostScript page being drawn).
  if (!opened && m_media.cancelRequested) {
    m_outcome.kind = FileOutcome::kCancelled;
    return kConvertCancelled;
  }
  for (const std::string& warning : m_media.OpenWarnings()) {
    std::string line = name;
    line += ": ";
    line += warning;
    m_host->ShowDetail(line);
  }

  int result = kConvertGoOn;
  switch (m_media.Kind()) {
    case SourceKind::Video:
      m_host->SetFileProgressRange(0, m_media.LastFrameNumber());
      m_host->StepProgress(0, 0);
      result = ConvertFrames(source, destination, fileIndex);
      break;
    case SourceKind::OldSequence:
      m_host->SetFileProgressRange(0, int(m_media.OldFrameCount()));
      m_host->StepProgress(0, 0);
      // The translation opens the file again in the same reader.
      m_media.CloseOldSequence();
      result = ConvertOldSequence(source, destination, fileIndex);
      break;
    case SourceKind::StillImage:
      m_host->SetFileProgressRange(0, 2);
      m_host->StepProgress(0, 0);
      result = ConvertStill(source, destination, fileIndex);
      break;
    case SourceKind::Unknown:
      m_host->ShowMessage(Format(kUnknownFileType, source.c_str()), kAppTitle, MessageButtons::Ok,
                          MessageIcon::Exclamation);
      m_host->ShowDetail(name + ": " + m_media.OpenFailure());
      m_outcome.kind = FileOutcome::kUnknownKind;
      return kConvertStop;
  }

  // A Cancel during the last frame returns 0 but has already marked the
  // outcome cancelled.
  if (result == kConvertCancelled) {
    m_outcome.kind = FileOutcome::kCancelled;
  } else if (m_outcome.kind == FileOutcome::kConverted &&
             (result == kConvertStop || m_errorShown)) {
    m_outcome.kind = FileOutcome::kFailed;
  }
  if (result != kConvertStop) return result;
  return AskContinue(source) == 1 ? kConvertGoOn : kConvertStop;
}

int FileConverter::AskContinue(const std::string& source) {
  if (m_host == nullptr) return 0;
  const std::string name(FileNameOf(source));
  const MessageAnswer answer = m_host->ShowMessage(Format(kAskContinue, name.c_str()), kAppTitle,
                                                   MessageButtons::YesNo, MessageIcon::Exclamation);
  return answer == MessageAnswer::Yes ? 1 : 0;
}

int FileConverter::ConvertStill(const std::string& /*source*/, const std::string& destination,
                                int fileIndex) {
  Step(fileIndex, 1);
  DestinationSequences& dest = m_media.Destinations();
  const bool shared = dest.IsStillSequenceOpen();
  pf::CQ9SequenceFile* target = &dest.StillSequence();
  // In the shared sequence the first still is appended and the later ones
  // stand after frame 0 in the order of the run.
  int position = fileIndex == 0 ? -1 : fileIndex + 1;
  if (!shared) {
    if (dest.OpenDestination(destination, m_media.Geometry(), m_host) == 0) {
      m_errorShown = true;
      return kConvertStop;
    }
    target = &dest.Destination();
    position = -1;
  }

  const int index = target->AddFrame(pf::kFrameGraphics, position);
  pf::CQ9GphFrame* frame = index < 0 ? nullptr : GraphicsFrame(*target, index);
  if (frame == nullptr) {
    Tell(kCouldNotAddFrame, MessageIcon::None);
  } else {
    CopyBulbs(*frame, m_media);
    m_outcome.framesWritten = 1;
  }

  int result = kConvertGoOn;
  if (!shared && !SaveAndClose()) {
    m_outcome.framesWritten = 0;
    result = kConvertStop;
  }
  Step(fileIndex, 2);
  return result;
}

int FileConverter::ConvertFrames(const std::string& source, const std::string& destination,
                                 int fileIndex) {
  DestinationSequences& dest = m_media.Destinations();
  if (dest.OpenDestination(destination, m_media.Geometry(), m_host) == 0) {
    m_errorShown = true;
    return kConvertStop;
  }
  pf::CQ9SequenceFile& seq = dest.Destination();

  int result = kConvertGoOn;
  int frameNumber = 1;
  int position = -1;
  unsigned written = 0;
  unsigned undecodable = 0;
  bool endedEarly = false;
  const int last = m_media.LastFrameNumber();
  if (last >= 1) {
    bool cancelSeen = true;
    while (!m_media.cancelRequested) {
      const int index = seq.AddFrame(pf::kFrameGraphics, position);
      pf::CQ9GphFrame* frame = index < 0 ? nullptr : GraphicsFrame(seq, index);
      if (frame == nullptr) {
        Tell(kCouldNotAddFrame, MessageIcon::None);
        result = kConvertStop;
        cancelSeen = false;
        break;
      }
      position = index + 1;
      frame->GphHdr()->SetU32(pf::tag_Q9_GRP_HDR::kHoldTime, m_media.FrameHoldTime(frameNumber));
      // A frame that fails to render leaves the bulbs of the last one that
      // did, so the sign holds the previous picture for that frame's time,
      // as a player holds the last good frame.
      CopyBulbs(*frame, m_media);
      ++written;
      Step(fileIndex, unsigned(frameNumber));
      if (pf::StopPoint::Armed()) pf::StopPoint::Reach("frame " + std::to_string(frameNumber));

      if (frameNumber + 1 > last) {
        cancelSeen = false;
        break;
      }
      const bool delivered = m_media.GoToFrame(frameNumber + 1);
      // A header that promises more frames than the file holds: the
      // sequence ends with the last frame the file has.
      if (m_media.VideoEndedBefore(frameNumber + 1)) {
        endedEarly = true;
        cancelSeen = false;
        break;
      }
      if (!delivered) ++undecodable;
      m_media.AdjustChanged = 1;
      m_media.RenderFrame();
      ++frameNumber;
    }
    if (cancelSeen) result = kConvertCancelled;
  }

  // A Cancel seen here, also one pressed during the last frame, drops the
  // whole sequence: the destination stays as it was.
  if (m_media.cancelRequested) {
    dest.CloseDestination();
    m_outcome.kind = FileOutcome::kCancelled;
    return result;
  }

  bool saved = false;
  {
    WaitCursor wait;
    if (m_media.SaveAudioFlag != 0) {
      AudioExport audio(m_media, m_host);
      audio.SaveAudio();
      if (audio.ErrorShown()) m_errorShown = true;
    }
    if (m_host != nullptr) m_host->ShowStatusText(kSavingSequence);
    saved = seq.Save() != 0;
  }
  const std::string path = seq.Path();
  dest.CloseDestination();
  if (!saved) {
    Tell(Format(kUnableToSaveSequence, path.c_str()), MessageIcon::Exclamation);
    return kConvertStop;
  }
  m_outcome.framesWritten = written;
  if (endedEarly) {
    m_host->ShowDetail(std::string(FileNameOf(source)) +
                       ": the header promises more frames than the file holds; the sequence "
                       "ends with its last frame, number " +
                       std::to_string(frameNumber));
  }
  undecodable = std::min(written, undecodable + unsigned(m_media.VideoDecodeErrors()));
  if (undecodable > 0) {
    m_host->ShowDetail(std::string(FileNameOf(source)) + ": " + std::to_string(undecodable) +
                       " of " + std::to_string(written) +
                       " frames could not be decoded; the previous frame was repeated");
  }
  return result;
}

int FileConverter::ConvertOldSequence(const std::string& source, const std::string& destination,
                                      int fileIndex) {
  DestinationSequences& dest = m_media.Destinations();
  OldSeqTranslator translator(dest.Destination(), m_media.OldReader(), m_media.Geometry(), m_host);
  // An old sequence that cannot be opened is told and translates nothing:
  // the destination holds only frame 0, and is still saved.
  translator.Open(source);
  if (dest.OpenDestination(destination, m_media.Geometry(), m_host) == 0) {
    m_errorShown = true;
    return kConvertStop;
  }

  const pf::BulbLayout oldLayout = translator.OldLayout();
  const pf::BulbLayout newLayout = translator.NewLayout();
  const imaging::BulbRect oldRect = translator.OldRect();
  const imaging::BulbRect newRect = translator.NewRect();
  for (unsigned n = 1; n <= translator.FrameCount(); ++n) {
    // Refused frames are told by the translator, which goes on; frames of
    // unknown kinds are skipped without a word.
    if (translator.ReadFrame(n) != 0 &&
        translator.TranslateFrame(oldLayout, newLayout, oldRect, newRect) == 0 &&
        translator.FrameKind() <= pf::kQ8FrameTransmitData) {
      m_errorShown = true;
    }
    Step(fileIndex, n);
  }
  // An error of the old reader was told and stopped the translation.
  if (translator.Stopped()) m_errorShown = true;

  const unsigned added = unsigned(dest.Destination().FrameCount() - 1);
  if (!SaveAndClose()) return kConvertStop;
  m_outcome.framesWritten = added;
  return kConvertGoOn;
}

}  // namespace q9::convert
