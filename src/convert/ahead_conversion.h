#pragma once
// Converts files of a batch run ahead of it, several at once on worker
// threads, so that a run uses every processor. Each file is converted by a
// worker of its own (its own source, settings and file converter) into a
// scratch folder inside the destination folder; the run takes the files in
// list order: it shows what the conversion showed, in order, and moves the
// sequence into place with one rename. What is written is byte for byte
// what the run would have written itself, and a file the run stops before
// is never moved in.
//
// Only files whose result cannot depend on the files before them go ahead:
// the run hands over videos, old sequences and still images that get a
// sequence of their own, whose destination does not exist at the start and
// is no other file's destination. The run converts everything else itself,
// in order, as before.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "convert/file_converter.h"
#include "convert/recorded_host.h"
#include "platform/signlib/sign_types.h"

namespace q9::convert {

class ConversionHost;
class SourceMedia;

class AheadConversion {
 public:
  struct Job {
    size_t index = 0;         // in the run's list
    std::string source;       // path
    std::string destination;  // path in the destination folder
  };
  struct Setup {
    unsigned workers = 2;
    // Makes a worker's source like the run's: settings, video extensions.
    std::function<void(SourceMedia&)> prepare;
    RecordedHost::Hooks hooks;
  };

  explicit AheadConversion(Setup setup);
  ~AheadConversion();  // Finish()
  AheadConversion(const AheadConversion&) = delete;
  AheadConversion& operator=(const AheadConversion&) = delete;

  // Starts converting the jobs (in list order) into a scratch folder
  // of scratchParent. False when the folder cannot be made: then nothing
  // goes ahead.
  bool Start(std::vector<Job> jobs, const std::string& scratchParent,
             const platform::SignGeometry& sign);
  // Waits for file index, calling pump meanwhile (which may stop the run),
  // shows on host what its conversion showed, and moves its sequence into
  // place. Returns ConvertFile's result and sets outcome. False when the
  // file must be converted by the run after all (its destination appeared
  // meanwhile, or it could not be moved in).
  bool Take(size_t index, ConversionHost& host, const std::function<void()>& pump, int& result,
            FileOutcome& outcome);
  // Stops the workers, drops what was not taken and removes the scratch
  // folder.
  void Finish();

 private:
  struct Slot;
  void Work();
  // The job of file index, or m_jobs.size().
  size_t JobOf(size_t index) const;

  Setup m_setup;
  platform::SignGeometry m_sign;
  std::string m_scratch;
  std::vector<Job> m_jobs;
  std::vector<std::unique_ptr<Slot>> m_slots;  // one per job
  std::vector<std::thread> m_threads;

  mutable std::mutex m_mutex;
  std::condition_variable m_changed;
  size_t m_next = 0;   // the next job a worker takes
  size_t m_taken = 0;  // jobs the run has taken (or passed)
  bool m_stop = false;
  std::atomic<bool> m_cancel{false};  // the files under way stop at once
};

}  // namespace q9::convert
