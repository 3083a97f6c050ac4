#include "convert/recorded_host.h"

#include <utility>

#include "convert/source_media.h"

namespace q9::convert {

RecordedHost::RecordedHost(Hooks hooks) : m_hooks(std::move(hooks)) {}

void RecordedHost::Replay(ConversionHost& host) {
  for (const auto& call : m_calls) call(host);
  m_calls.clear();
}

void RecordedHost::SetFileProgressRange(int low, int high) {
  m_calls.emplace_back([=](ConversionHost& h) { h.SetFileProgressRange(low, high); });
}

void RecordedHost::StepProgress(int fileIndex, unsigned position) {
  m_calls.emplace_back([=](ConversionHost& h) { h.StepProgress(fileIndex, position); });
  PumpEvents();
}

void RecordedHost::ShowStatusText(const std::string& text) {
  m_calls.emplace_back([=](ConversionHost& h) { h.ShowStatusText(text); });
  PumpEvents();
}

void RecordedHost::SourceOpened() {
  if (m_hooks.sourceOpened && m_media) m_hooks.sourceOpened(*m_media);
}

MessageAnswer RecordedHost::ShowMessage(const std::string& text, const std::string& caption,
                                        MessageButtons buttons, MessageIcon icon) {
  m_calls.emplace_back([=](ConversionHost& h) { h.ShowMessage(text, caption, buttons, icon); });
  PumpEvents();
  if (m_hooks.answer) return m_hooks.answer(buttons);
  return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
}

void RecordedHost::ShowDetail(const std::string& text) {
  m_calls.emplace_back([=](ConversionHost& h) { h.ShowDetail(text); });
}

void RecordedHost::PumpEvents() {
  if (m_media && m_hooks.stopRequested && m_hooks.stopRequested()) m_media->cancelRequested = true;
}

}  // namespace q9::convert
