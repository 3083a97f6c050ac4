#pragma once
// The helper thread that takes the lower half of a large picture's rows
// while the caller works on the upper half. Made on first use and kept until
// the program ends: starting a thread for each call cost about as much as
// the work it took over on a 640 x 480 frame. Not part of the public
// interface.

#include <condition_variable>
#include <mutex>
#include <thread>

namespace q9::platform::detail {

class RowBandWorker {
 public:
  using Body = void (*)(void* context, int firstRow, int endRow);

  // The program's worker; null when no thread could be started.
  static RowBandWorker* Instance();

  RowBandWorker(const RowBandWorker&) = delete;
  RowBandWorker& operator=(const RowBandWorker&) = delete;
  ~RowBandWorker();

  // Hands rows [firstRow, endRow) to the worker. False when it is already
  // busy for another caller; the caller then does the rows itself.
  bool TryStart(Body body, void* context, int firstRow, int endRow);
  // Waits until the rows handed over by a successful TryStart are done.
  void Wait();

 private:
  RowBandWorker() = default;
  bool Launch();
  void Run();

  std::mutex m_mutex;
  std::condition_variable m_wake;  // work or stop for the worker
  std::condition_variable m_done;  // the work is finished, for the caller
  std::thread m_thread;
  bool m_busy = false;     // owned by one caller, from TryStart to Wait
  bool m_pending = false;  // rows handed over and not yet finished
  bool m_stop = false;
  Body m_body = nullptr;
  void* m_context = nullptr;
  int m_first = 0;
  int m_end = 0;
};

}  // namespace q9::platform::detail
