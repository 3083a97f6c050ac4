#include "platform/base/row_band_worker.h"

#include <system_error>

namespace q9::platform {

RowBandWorker* RowBandWorker::Instance() {
  // Made once; the static's destructor stops and joins the thread at exit.
  static RowBandWorker worker;
  static const bool started = worker.Launch();
  return started ? &worker : nullptr;
}

bool RowBandWorker::Launch() {
  try {
    m_thread = std::thread([this] { Run(); });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

RowBandWorker::~RowBandWorker() {
  {
    std::lock_guard lock(m_mutex);
    m_stop = true;
  }
  m_wake.notify_one();
  if (m_thread.joinable()) m_thread.join();
}

bool RowBandWorker::TryStart(Body body, void* context, int firstRow, int endRow) {
  {
    std::lock_guard lock(m_mutex);
    if (m_busy || m_stop) return false;
    m_busy = m_pending = true;
    m_body = body;
    m_context = context;
    m_first = firstRow;
    m_end = endRow;
  }
  m_wake.notify_one();
  return true;
}

void RowBandWorker::Wait() {
  std::unique_lock lock(m_mutex);
  m_done.wait(lock, [this] { return !m_pending; });
  m_busy = false;
}

void RowBandWorker::Run() {
  std::unique_lock lock(m_mutex);
  for (;;) {
    m_wake.wait(lock, [this] { return m_pending || m_stop; });
    if (!m_pending) return;  // stopping with nothing handed over
    const Body body = m_body;
    void* const context = m_context;
    const int first = m_first;
    const int end = m_end;
    lock.unlock();
    body(context, first, end);
    lock.lock();
    m_pending = false;
    m_done.notify_one();
  }
}

}  // namespace q9::platform
