#include "platform/video/frame_prefetcher.h"

#include <system_error>
#include <utility>

namespace q9::platform {

FramePrefetcher::FramePrefetcher(ReadFunction read) : m_read(std::move(read)) {
  try {
    m_thread = std::thread([this] { Run(); });
  } catch (const std::system_error&) {
    // No thread: Started() is false and the owner reads every frame itself.
  }
}

FramePrefetcher::~FramePrefetcher() {
  {
    std::lock_guard lock(m_mutex);
    m_stop = true;
  }
  m_wake.notify_one();
  if (m_thread.joinable()) m_thread.join();
}

void FramePrefetcher::Start(int64_t n) {
  {
    std::unique_lock lock(m_mutex);
    WaitIdle(lock);
    m_frame = n;
    m_pending = true;
    m_ready = false;
  }
  m_wake.notify_one();
}

FramePrefetcher::Ahead FramePrefetcher::Take(int64_t n, Bitmap& out) {
  std::unique_lock lock(m_mutex);
  WaitIdle(lock);
  if (!m_ready || m_frame != n) {
    m_ready = false;
    return Ahead::kNone;
  }
  m_ready = false;
  if (!m_ok) return Ahead::kFailed;
  std::swap(out, m_picture);
  return Ahead::kRead;
}

void FramePrefetcher::Wait() {
  std::unique_lock lock(m_mutex);
  WaitIdle(lock);
}

void FramePrefetcher::WaitIdle(std::unique_lock<std::mutex>& lock) {
  m_done.wait(lock, [this] { return !m_pending; });
}

void FramePrefetcher::Run() {
  std::unique_lock lock(m_mutex);
  for (;;) {
    m_wake.wait(lock, [this] { return m_pending || m_stop; });
    // A read under way is finished even when stopping, so that the owner
    // never finds its decoder halfway through a frame.
    if (!m_pending) return;
    const int64_t n = m_frame;
    lock.unlock();
    bool ok = false;
    bool finished = true;
    try {
      ok = m_read(n, m_picture);
    } catch (...) {
      finished = false;  // out of memory, say: the owner reads the frame itself
    }
    lock.lock();
    m_ok = ok;
    m_pending = false;
    m_ready = finished;
    m_done.notify_all();
  }
}

}  // namespace q9::platform
