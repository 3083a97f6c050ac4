#include "convert/conversion_batch.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <map>
#include <system_error>

#include "convert/ahead_conversion.h"
#include "convert/file_converter.h"
#include "convert/source_media.h"
#include "convert/text_util.h"
#include "platform/signlib/cq8_seq.h"
#include "platform/video/video_file.h"

namespace q9::convert {
namespace {

constexpr std::string_view kSequenceExtension = "SQ9";

// Anything at the path counts, a dangling link or a folder included: the
// save would replace it.
bool PathTaken(const std::string& path) {
  std::error_code ec;
  const auto status = std::filesystem::symlink_status(path, ec);
  return !ec && status.type() != std::filesystem::file_type::not_found;
}

BatchFileReport::Status StatusOf(const FileOutcome& outcome) {
  switch (outcome.kind) {
    case FileOutcome::kConverted:
      return BatchFileReport::kConverted;
    case FileOutcome::kUnknownKind:
      return BatchFileReport::kUnknown;
    case FileOutcome::kCancelled:
      return BatchFileReport::kCancelled;
    default:
      return BatchFileReport::kFailed;
  }
}

}  // namespace

ConversionBatch::ConversionBatch(SourceMedia& media, ConversionHost& host)
    : m_media(media), m_host(host) {}

int ConversionBatch::SetStillImagesOptions(bool on, const char* name) {
  m_stillImages = on;
  if (name) m_stillName = name;
  return 1;
}

std::string ConversionBatch::NormaliseStillSequenceName(std::string_view name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos)
    return name.empty() ? "STILL_IMAGES." + std::string(kSequenceExtension)
                        : std::string(name) + std::string(kSequenceExtension);
  if (EqualsNoCase(name.substr(dot + 1), kSequenceExtension)) return std::string(name);
  return std::string(name.substr(0, dot)) + "." + std::string(kSequenceExtension);
}

std::string ConversionBatch::DestinationNameFor(std::string_view name) {
  const std::string_view stem = name.size() >= 3 ? name.substr(0, name.size() - 3) : name;
  return std::string(stem) + std::string(kSequenceExtension);
}

std::string ConversionBatch::DestinationNameFor(std::string_view name,
                                                const VideoExtensions& videos) {
  if (!videos.MatchesPath(name)) return DestinationNameFor(name);
  return std::string(name.substr(0, name.rfind('.'))) + "." + std::string(kSequenceExtension);
}

unsigned ConversionBatch::CountSourceFrames(const std::string& path,
                                            const VideoExtensions& videos) {
  switch (SourceMedia::KindOfPath(path, videos)) {
    case SourceKind::Video: {
      platform::VideoStreamInfo info;
      // A video of no frames converts frame 0 alone, without a step.
      if (platform::VideoFile::ReadStreamInfo(path, info) != platform::AVIERR_OK ||
          info.length <= 0)
        return 0;
      // Only the overall bar's range: a broken header must not make it
      // negative or wrap.
      const int64_t last = videos.MatchesPath(path) ? info.length : info.LastFrameNumber();
      return unsigned(std::clamp<int64_t>(last, 0, std::numeric_limits<int32_t>::max()));
    }
    case SourceKind::OldSequence: {
      platform::CQ8Seq seq;
      if (seq.Open(path.c_str()) != platform::kQ8Ok) return 0;
      const unsigned frames = seq.GetNFrames();
      seq.Close();
      return frames;
    }
    case SourceKind::StillImage:
      return 1;
    default:
      return 0;
  }
}

ConversionBatch::Decision ConversionBatch::DecideOverwrite(const std::string& destination) {
  if (m_overwriteAll || !PathTaken(destination)) return Decision::kConvert;
  const std::string name(FileNameOf(destination));
  const OverwriteAnswer answer = m_host.AskOverwrite(Format(kOverwriteQuestion, name.c_str()));
  m_overwriteAll = answer.applyToAll;
  if (answer.overwrite) return Decision::kConvert;
  return answer.applyToAll ? Decision::kStop : Decision::kSkip;
}

void ConversionBatch::Report(const std::string& name, const std::string& destination,
                             BatchFileReport::Status status, unsigned frames, bool sharedSequence) {
  m_host.FileDone(BatchFileReport{name, destination, status, frames, sharedSequence});
}

void ConversionBatch::StartAhead() {
  namespace fs = std::filesystem;
  std::vector<std::string> destinations(m_names.size());
  std::vector<SourceKind> kinds(m_names.size());
  std::map<std::string, int> writers;  // destination -> files of the run that write it
  for (size_t i = 0; i < m_names.size(); ++i) {
    const SourceKind kind = kinds[i] = m_media.KindOf(m_sourceDir + "/" + m_names[i]);
    if (kind == SourceKind::Unknown) continue;
    destinations[i] =
        m_stillImages && kind == SourceKind::StillImage
            ? m_destDir + "/" + m_stillName
            : m_destDir + "/" + DestinationNameFor(m_names[i], m_media.GetVideoExtensions());
    ++writers[destinations[i]];
  }
  std::vector<AheadConversion::Job> jobs;
  for (size_t i = 0; i < m_names.size(); ++i) {
    const SourceKind kind = kinds[i];
    const bool own = kind == SourceKind::Video || kind == SourceKind::OldSequence ||
                     (kind == SourceKind::StillImage && !m_stillImages);
    std::error_code ec;
    // An existing destination is kept or opened as it is: the run decides.
    if (own && writers[destinations[i]] == 1 &&
        fs::symlink_status(destinations[i], ec).type() == fs::file_type::not_found)
      jobs.push_back({i, m_sourceDir + "/" + m_names[i], destinations[i]});
  }
  m_ahead->Start(std::move(jobs), m_destDir, m_sign);
}

BatchSummary ConversionBatch::Run() {
  BatchSummary summary;
  m_overwriteAll = false;
  m_stillName = NormaliseStillSequenceName(m_stillName);

  uint64_t total = 0;
  for (const std::string& name : m_names)
    total += CountSourceFrames(m_sourceDir + "/" + name, m_media.GetVideoExtensions());
  m_host.SetOverallProgressRange(unsigned(std::min<uint64_t>(total, UINT32_MAX)));
  m_media.cancelRequested = false;

  if (m_ahead) StartAhead();
  FileConverter converter(m_media, &m_host);
  DestinationSequences& sequences = m_media.Destinations();
  unsigned stills = 0;
  unsigned stillsAdded = 0;  // counted as converted while the shared sequence is unsaved
  bool stillNeedsOverwriteCheck = true;
  bool skipStills = false;  // an existing shared sequence is kept

  for (size_t i = 0; i < m_names.size(); ++i) {
    const std::string& name = m_names[i];
    if (m_media.cancelRequested) {
      summary.stopped = summary.cancelled = true;
      break;
    }
    const std::string source = m_sourceDir + "/" + name;
    const SourceKind kind = m_media.KindOf(source);
    if (kind == SourceKind::Unknown) {
      ++summary.unknown;
      if (m_policy.unknownFiles == BatchPolicy::kStopSilently) {
        summary.stopped = true;
        break;
      }
      m_host.ShowMessage(Format(kBatchUnknownFileType, source.c_str()), kAppTitle,
                         MessageButtons::Ok, MessageIcon::Exclamation);
      Report(name, "", BatchFileReport::kUnknown, 0, false);
      if (m_policy.unknownFiles == BatchPolicy::kReportAndStop) {
        summary.stopped = true;
        break;
      }
      continue;
    }

    std::string destination;
    Decision decision = Decision::kConvert;
    const bool intoSharedSequence = m_stillImages && kind == SourceKind::StillImage;
    if (intoSharedSequence) {
      destination = m_destDir + "/" + m_stillName;
      if (skipStills) {
        ++summary.skipped;
        Report(name, destination, BatchFileReport::kSkipped, 0, true);
        continue;
      }
      if (stillNeedsOverwriteCheck && m_policy.keepSkippedStillSequence) {
        // Asked before the sequence is opened, so that No leaves it alone.
        stillNeedsOverwriteCheck = false;
        decision = DecideOverwrite(destination);
        skipStills = decision == Decision::kSkip;
      }
      if (decision == Decision::kConvert && ++stills == 1 &&
          !sequences.OpenStillSequence(destination, m_sign, &m_host)) {
        m_host.ShowMessage(Format(kCouldNotOpenStillSequence, destination.c_str()), "Error",
                           MessageButtons::Ok, MessageIcon::Exclamation);
        ++summary.failed;
        Report(name, destination, BatchFileReport::kFailed, 0, true);
        summary.stopped = true;
        break;
      }
      if (stillNeedsOverwriteCheck) {
        stillNeedsOverwriteCheck = false;
        decision = DecideOverwrite(destination);
      }
    } else {
      destination = m_destDir + "/" + DestinationNameFor(name, m_media.GetVideoExtensions());
      decision = DecideOverwrite(destination);
    }
    if (decision == Decision::kStop) {
      summary.stopped = true;
      break;
    }
    if (decision == Decision::kSkip) {
      ++summary.skipped;
      Report(name, destination, BatchFileReport::kSkipped, 0, intoSharedSequence);
      continue;
    }

    m_host.ShowConvertingPath(source);
    int result = kConvertGoOn;
    FileOutcome outcome;
    if (!m_ahead || !m_ahead->Take(
                        i, m_host, [this] { m_host.PumpEvents(); }, result, outcome)) {
      result = converter.ConvertFile(source, destination, m_sign.rows, m_sign.columns,
                                     m_sign.colorType, int(i));
      outcome = converter.LastOutcome();
    }
    ++summary.handedOver;
    m_host.ShowStatusText("");
    const BatchFileReport::Status status = StatusOf(outcome);
    summary.framesWritten += outcome.framesWritten;
    switch (status) {
      case BatchFileReport::kConverted:
        ++summary.converted;
        if (intoSharedSequence) ++stillsAdded;
        break;
      case BatchFileReport::kUnknown:
        ++summary.unknown;
        break;
      case BatchFileReport::kCancelled:
        summary.cancelled = true;
        break;
      default:
        ++summary.failed;
        break;
    }
    Report(name, destination, status, outcome.framesWritten, intoSharedSequence);
    // A file that turned out unreadable stops the run like any error,
    // unless the policy goes on past files of unknown kind.
    const bool goOnPastUnknown =
        status == BatchFileReport::kUnknown && m_policy.unknownFiles == BatchPolicy::kReportAndGoOn;
    if (result != kConvertGoOn && !goOnPastUnknown) {
      summary.stopped = true;
      break;
    }
  }

  if (m_ahead) m_ahead->Finish();
  // Saved and closed also when the run stopped. A failed save was told by
  // the sequences; the stills in it were not written after all.
  if (stills > 0) {
    sequences.CloseStillSequence();
    if (sequences.StillSaveFailed()) {
      summary.converted -= stillsAdded;
      summary.failed += stillsAdded;
      summary.framesWritten -= stillsAdded;
    } else {
      summary.stillSequenceSaved = m_destDir + "/" + m_stillName;
    }
  }
  m_host.ShowConvertingPath("");
  m_host.ShowStatusText("");
  if (summary.handedOver > 0 && !summary.stopped)
    m_host.ShowMessage(kConversionComplete, "Convert", MessageButtons::Ok,
                       MessageIcon::Information);
  return summary;
}

}  // namespace q9::convert
