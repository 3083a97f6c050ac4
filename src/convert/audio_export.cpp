#include "convert/audio_export.h"

#include "convert/source_media.h"
#include "convert/text_util.h"
#include "platform/signlib/cq9_txd_frame.h"
#include "platform/video/avi_error.h"

namespace q9::convert {

namespace pf = platform;

namespace {

struct Reason {
  int32_t code;
  const char* text;
};

constexpr Reason kReasons[] = {
    {pf::AVIERR_UNSUPPORTED, "The audio is in an unsupported format"},
    {pf::AVIERR_BADFORMAT, "The audio is in a bad format"},
    {pf::AVIERR_MEMORY, "There is not enough memory available to perform the operation"},
    {pf::AVIERR_INTERNAL, "An internal error has occurred"},
    {pf::AVIERR_BADFLAGS, "Bad flags passed"},
    {pf::AVIERR_BADPARAM, "Bad parameter passed"},
    {pf::AVIERR_BADSIZE, "Bad size passed"},
    {pf::AVIERR_BADHANDLE, "Bad handle passed"},
    {pf::AVIERR_FILEREAD, "An error occurred while reading the file"},
    {pf::AVIERR_FILEWRITE, "An error occurred while writing the file"},
    {pf::AVIERR_FILEOPEN, "An error occurred while opening the file"},
    {pf::AVIERR_COMPRESSOR, "A compressor error occurred"},
    {pf::AVIERR_NOCOMPRESSOR, "No compressor was found"},
    {pf::AVIERR_READONLY, "The file is read only"},
    {pf::AVIERR_NODATA, "No audio data was found"},
    {pf::AVIERR_BUFFERTOOSMALL, "The buffer is too small"},
    {pf::AVIERR_CANTCOMPRESS, "Can't compress"},
    {pf::AVIERR_USERABORT, "The user aborted the operation"},
    {pf::AVIERR_START_NOT_FOUND, "Could not find the start position of the audio stream"},
    {pf::AVIERR_FORMAT_SIZE_ZERO, "The audio format has a size of zero"},
};

// The "sound file" kind of a transmit-data frame.
constexpr uint32_t kTxdSoundFile = 1;

}  // namespace

void AudioExport::Tell(const std::string& text) {
  m_errorShown = true;
  if (m_host != nullptr)
    m_host->ShowMessage(text, kAppTitle, MessageButtons::Ok, MessageIcon::Stop);
}

const char* AudioExport::AviErrorReason(int32_t code) {
  for (const Reason& r : kReasons) {
    if (r.code == code) return r.text;
  }
  return "Unknown";
}

std::string AudioExport::WavPathFor(std::string_view folder, std::string_view sourcePath) {
  std::string_view name = FileNameOf(sourcePath);
  const size_t dot = name.rfind('.');
  if (dot != std::string_view::npos) name = name.substr(0, dot);
  std::string path(folder);
  // A folder given with its closing "/" (the root, say) gets no second one.
  if (path.empty() || path.back() != '/') path += '/';
  return path + ToLower(name) + ".wav";
}

int AudioExport::SaveAudio() {
  if (m_media.WavPath.empty()) m_media.WavPath = m_media.SourceDirectory();
  std::string source;
  m_media.GetSourcePath(source);
  const std::string wavPath = WavPathFor(m_media.WavPath, source);

  // The stream is copied into a temporary file that replaces wavPath only
  // when complete, so a failure leaves no half-written WAV.
  const int32_t code = m_media.Video().SaveAudioToWav(wavPath, [this](int percent) {
    if (m_host != nullptr) m_host->ShowStatusText(Format(kSavingAudio, percent));
    return 0;
  });
  if (code != pf::AVIERR_OK) {
    ReportAviError(code);
    return 0;
  }
  if (m_media.AddTxdFlag != 0) AddTxdFrame(wavPath);
  return 1;
}

void AudioExport::ReportAviError(int32_t code) {
  std::string text = Format(kUnableToSaveAudio, AviErrorReason(code));
  if (m_media.AddTxdFlag != 0) {
    text += kNoTxdFrame;
    m_media.AddTxdFlag = 0;
  }
  Tell(text);
}

bool AudioExport::AddTxdFrame(const std::string& text) {
  pf::CQ9SequenceFile& seq = m_media.Destinations().Destination();
  // A path cut to fit the frame would name a file that does not exist, so a
  // path longer than the frame's text is refused like a frame that cannot be
  // added. The frame stands right after frame 0, before the pictures.
  const bool fits = text.size() < pf::tag_Q9_TXD_FRM::kTextBytes;
  const int index = fits ? seq.AddFrame(pf::kFrameTransmitData, 1) : -1;
  pf::CQ9Frame* frame = index == 1 ? seq.Frame(1) : nullptr;
  if (frame == nullptr || !frame->IsKindOf(&pf::CQ9TxdFrame::classCQ9TxdFrame)) {
    Tell(kTxdFrameFailed);
    return false;
  }
  pf::tag_Q9_TXD_FRM& t = *static_cast<pf::CQ9TxdFrame*>(frame)->TxdFrame();
  t.SetU16(pf::tag_Q9_TXD_FRM::kOptions, 0);
  t.SetU32(pf::tag_Q9_TXD_FRM::kValue, 0);
  t.SetName(text);  // as much of the path as the name holds
  t.SetU32(pf::tag_Q9_TXD_FRM::kKind, kTxdSoundFile);
  t.SetText(text);  // the path and its length
  return true;
}

}  // namespace q9::convert
