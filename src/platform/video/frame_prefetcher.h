#pragma once
// Reads one frame ahead on a thread of its own: while the caller renders
// frame n, frame n + 1 is decoded and converted. The read is the caller's
// own read function, run on the worker thread; while a read is under way
// the caller leaves everything that function uses alone, and every call
// here that hands over a result waits for the read to finish first.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/imaging/bitmap.h"

namespace q9::platform {

class FramePrefetcher {
 public:
  // Reads frame n into out; false leaves out as it was.
  using ReadFunction = std::function<bool(int64_t n, Bitmap& out)>;

  // Starts the worker thread; Started() tells whether one could be made.
  explicit FramePrefetcher(ReadFunction read);
  // Waits for a read under way and joins the thread.
  ~FramePrefetcher();
  FramePrefetcher(const FramePrefetcher&) = delete;
  FramePrefetcher& operator=(const FramePrefetcher&) = delete;

  bool Started() const { return m_thread.joinable(); }

  // Begins reading frame n on the worker; a result not taken is dropped.
  void Start(int64_t n);

  enum class Ahead {
    kNone,    // frame n was not read ahead (nothing, or another frame)
    kRead,    // out holds frame n
    kFailed,  // the read of frame n failed; out is as it was
  };
  // Waits for the read under way, then hands over its result when it was
  // frame n. On kRead out and the worker's picture trade storage, so frame
  // after frame the same two buffers take turns.
  Ahead Take(int64_t n, Bitmap& out);
  // Waits for the read under way; its result stays to be taken.
  void Wait();

 private:
  void Run();
  // With m_mutex held: waits until no read is under way.
  void WaitIdle(std::unique_lock<std::mutex>& lock);

  ReadFunction m_read;
  std::mutex m_mutex;
  std::condition_variable m_wake;  // a read to do, or stop
  std::condition_variable m_done;  // the read is finished
  bool m_pending = false;          // a read requested and not finished
  bool m_ready = false;            // a finished read not yet taken
  bool m_stop = false;
  int64_t m_frame = 0;
  bool m_ok = false;
  Bitmap m_picture;  // the worker's only while a read is pending
  std::thread m_thread;
};

}  // namespace q9::platform
