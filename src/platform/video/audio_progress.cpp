#include "platform/video/audio_progress.h"

#include <algorithm>

namespace q9::platform {
namespace {

int Clamp(double percent) { return int(std::clamp(percent, 0.0, 99.0)); }

}  // namespace

int AudioProgress::Percent(const Packet& p) {
  if (m_duration > 0 && p.stamp) {
    if (!m_start) m_start = *p.stamp;
    const int64_t end = *p.stamp + std::max<int64_t>(p.duration, 0);
    return Clamp(double(end - *m_start) * 100.0 / double(m_duration));
  }
  if (m_fileSize > 0 && p.position >= 0)
    return Clamp(double(p.position + p.size) * 100.0 / double(m_fileSize));
  return 0;
}

}  // namespace q9::platform
