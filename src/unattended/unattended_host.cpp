#include "unattended/unattended_host.h"

#include <algorithm>

#include "convert/source_media.h"
#include "convert/text_util.h"
#include "program/program_messages.h"

namespace q9::unattended {
namespace {

using convert::BatchFileReport;
using convert::MessageAnswer;
using convert::MessageButtons;
using convert::MessageIcon;

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr const char* kClearLine = "\r\033[K";

const char* PrefixOf(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Exclamation:
      return "warning: ";
    case MessageIcon::Stop:
      return "error: ";
    case MessageIcon::Question:
      return "question: ";
    case MessageIcon::Information:
      return "info: ";
    default:
      return "message: ";
  }
}

// A file name as our own lines show it: control characters would move the
// cursor or break the line.
std::string Printable(std::string_view text) {
  return program::WithoutControls(text, '?');
}

std::string Frames(unsigned n) {
  return std::to_string(n) + (n == 1 ? " frame" : " frames");
}

}  // namespace

UnattendedHost::UnattendedHost(std::ostream& err, const UnattendedOutput& output,
                               std::function<bool()> interrupted)
    : m_err(err), m_output(output), m_interrupted(std::move(interrupted)) {}

void UnattendedHost::Pump() {
  if (m_media && m_interrupted && m_interrupted()) m_media->cancelRequested = true;
}

void UnattendedHost::SetOverallProgressRange(unsigned total) {
  m_total = total;
  m_counter = 0;
}

void UnattendedHost::ShowConvertingPath(const std::string& path) {
  if (!path.empty()) {
    m_name = Printable(convert::FileNameOf(path));
    m_fileActive = true;
    m_filePosition = 0;
    m_fileHigh = 0;
    m_status.clear();
    if (!m_output.quiet) {
      if (m_output.live) {
        DrawLiveLine(true);
      } else {
        m_err << "converting " << m_name << " ..." << std::flush;
        m_lineOpen = true;
      }
    }
  }
  Pump();
}

void UnattendedHost::SetFileProgressRange(int, int high) {
  m_fileHigh = high;
}

void UnattendedHost::StepProgress(int, unsigned position) {
  m_filePosition = position;
  ++m_counter;
  DrawLiveLine(false);
  Pump();
}

void UnattendedHost::ShowStatusText(const std::string& text) {
  const bool changed = text != m_status;
  m_status = text;
  if (changed && m_fileActive) DrawLiveLine(true);
  Pump();
}

void UnattendedHost::SourceOpened() {
  if (m_recipe == nullptr || m_media == nullptr) return;
  // A failed audio save clears the TXD option for the files that follow;
  // the recipe, applied to every source, must not bring it back.
  if (m_txdAfterRecipe != 0 && m_media->AddTxdFlag == 0) m_txdCleared = true;
  m_recipe->ApplyToSource(*m_media);
  if (m_txdCleared) m_media->AddTxdFlag = 0;
  m_txdAfterRecipe = m_media->AddTxdFlag;
}

MessageAnswer UnattendedHost::ShowMessage(const std::string& text, const std::string&,
                                          MessageButtons buttons, MessageIcon icon) {
  MessageAnswer answer = MessageAnswer::Ok;
  if (buttons == MessageButtons::YesNo)
    answer = m_output.stopOnError ? MessageAnswer::No : MessageAnswer::Yes;
  if (m_output.quiet && icon == MessageIcon::Information) return answer;
  BreakLine();
  m_err << PrefixOf(icon) << text << '\n';
  if (buttons == MessageButtons::YesNo)
    m_err << (answer == MessageAnswer::Yes ? "answer: Yes (--stop-on-error would stop here)\n"
                                           : "answer: No (--stop-on-error)\n");
  m_err.flush();
  Pump();
  return answer;
}

void UnattendedHost::ShowDetail(const std::string& text) {
  BreakLine();
  m_err << "warning: " << Printable(text) << '\n' << std::flush;
}

convert::OverwriteAnswer UnattendedHost::AskOverwrite(const std::string&) {
  // The report of the file says what happened; the question itself is
  // answered the same way for every file.
  m_replacing = m_output.overwrite;
  return {m_output.overwrite, m_output.overwrite};
}

void UnattendedHost::FileDone(const BatchFileReport& report) {
  const bool handedOver = m_fileActive;
  ++m_filesDone;
  m_fileActive = false;
  const bool replaced = std::exchange(m_replacing, false);
  const std::string name = Printable(report.name);
  const std::string destination = Printable(convert::FileNameOf(report.destination));
  // A file saved after the interrupt was finished; the shared sequence is
  // saved at the end of the run (SavedAtTheEnd).
  if (report.status == BatchFileReport::kConverted && !report.sharedSequence)
    SavedAtTheEnd(report.destination);
  if (m_output.quiet) {
    NoteWritten(report);
    return;
  }
  if (!handedOver) {
    switch (report.status) {
      case BatchFileReport::kSkipped:
        if (const auto earlier = m_written.find(report.destination);
            earlier != m_written.end() && !report.sharedSequence)
          FileLine("skipping " + name + ": " + destination + " already exists (written from " +
                   Printable(earlier->second.name) + " in this run)");
        else
          FileLine("skipping " + name + ": " + destination + " already exists");
        break;
      case BatchFileReport::kUnknown:
        FileLine("skipping " + name + ": not a kind of file the converter reads");
        break;
      default:
        FileLine("skipping " + name + ": " + destination + " could not be opened");
        break;
    }
    return;
  }
  std::string result;
  switch (report.status) {
    case BatchFileReport::kConverted:
      result = "ok, " + Frames(report.frames) + (replaced ? " (replaced " + destination + ")" : "");
      break;
    case BatchFileReport::kUnknown:
      result = "unknown file type, not converted";
      break;
    case BatchFileReport::kCancelled:
      result = "cancelled, nothing written";
      break;
    default:
      result = "failed";
      if (report.frames > 0) result += " (" + Frames(report.frames) + " written)";
      break;
  }
  if (m_lineOpen) {
    m_err << ' ' << result << '\n' << std::flush;
    m_lineOpen = false;
  } else {
    FileLine("converting " + name + " ... " + result);
  }
  NoteWritten(report);
}

void UnattendedHost::SavedAtTheEnd(const std::string& path) {
  const std::string name = Printable(convert::FileNameOf(path));
  if (!path.empty() && m_interrupted && m_interrupted() &&
      std::find(m_kept.begin(), m_kept.end(), name) == m_kept.end())
    m_kept.push_back(name);
}

void UnattendedHost::NoteWritten(const BatchFileReport& report) {
  if (report.status != BatchFileReport::kConverted) return;
  const auto [earlier, first] = m_written.try_emplace(report.destination, report);
  // Every still adds to the shared sequence; only another writer replaces it.
  if (first || (report.sharedSequence && earlier->second.sharedSequence)) return;
  const std::string destination = Printable(convert::FileNameOf(report.destination));
  const bool shared = report.sharedSequence || earlier->second.sharedSequence;
  Warn(Printable(report.name) + " and " + Printable(earlier->second.name) + " both convert to " +
       destination + " in this run; " +
       (shared ? "the still images' sequence is saved last and replaces the other"
               : destination + " now holds only " + Printable(report.name)));
  if (!earlier->second.sharedSequence) earlier->second = report;
}

void UnattendedHost::Warn(const std::string& text) {
  BreakLine();
  m_err << "warning: " << text << '\n' << std::flush;
}

void UnattendedHost::Finish() {
  BreakLine();
  m_err.flush();
}

void UnattendedHost::BreakLine() {
  if (m_liveShown) {
    m_err << kClearLine;
    m_liveShown = false;
  }
  if (m_lineOpen) {
    m_err << '\n';
    m_lineOpen = false;
  }
}

void UnattendedHost::FileLine(const std::string& text) {
  BreakLine();
  m_err << text << '\n' << std::flush;
}

void UnattendedHost::DrawLiveLine(bool force) {
  if (!m_output.live || m_output.quiet || !m_fileActive) return;
  const auto now = std::chrono::steady_clock::now();
  if (!force && m_liveShown && now - m_lastDraw < kRedrawInterval) return;
  m_lastDraw = now;

  const unsigned shown = m_counter > 0 ? m_counter - 1 : 0;  // the bar's value
  const unsigned percent =
      m_total > 0 ? unsigned(std::min<uint64_t>(100, uint64_t(shown) * 100 / m_total)) : 0;
  std::string line = "[" +
                     std::string(percent < 10    ? "  "
                                 : percent < 100 ? " "
                                                 : "") +
                     std::to_string(percent) + "%] " + std::to_string(m_filesDone + 1) + "/" +
                     std::to_string(m_fileCount) + " " + std::to_string(m_filePosition) + "/" +
                     std::to_string(std::max(m_fileHigh, 0)) + " " + m_name;
  if (!m_status.empty()) line += "  " + Printable(m_status);
  // One line only: cut to the terminal, not inside a UTF-8 character.
  size_t cut = size_t(std::max(m_output.lineWidth - 1, 10));
  if (line.size() > cut) {
    while (cut > 0 && (uint8_t(line[cut]) & 0xC0) == 0x80) --cut;
    line.resize(cut);
  }
  m_err << kClearLine << line << std::flush;
  m_liveShown = true;
}

}  // namespace q9::unattended
