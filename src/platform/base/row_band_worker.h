#pragma once
// The helper thread that takes the lower half of a large picture's rows
// while the caller works on the upper half. Made on first use and kept until
// the program ends: starting a thread for each call cost about as much as
// the work it took over on a 640 x 480 frame. Pictures of the imaging
// adapter and of the windows share it through ForRowBands.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <type_traits>

namespace q9::platform {

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

// Runs body(firstRow, endRow) over the rows, splitting them with the helper
// thread when the picture is large enough for the hand-over to pay for
// itself. When the helper is busy for another caller, or there is none, the
// caller does every row.
constexpr uint64_t kParallelPixels = 200'000;
template <class Body>
void ForRowBands(int height, uint64_t pixels, Body&& body) {
  RowBandWorker* worker =
      pixels < kParallelPixels || height < 2 ? nullptr : RowBandWorker::Instance();
  const int middle = height / 2;
  using Stored = std::remove_reference_t<Body>;
  const auto run = [](void* context, int first, int end) {
    (*static_cast<Stored*>(context))(first, end);
  };
  if (worker == nullptr ||
      !worker->TryStart(run, const_cast<void*>(static_cast<const void*>(&body)), middle, height)) {
    body(0, height);
    return;
  }
  // The helper is waited for even if the caller's half throws.
  struct Join {
    RowBandWorker* worker;
    ~Join() { worker->Wait(); }
  } join{worker};
  body(0, middle);
}

}  // namespace q9::platform
