#include "convert/ahead_conversion.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <utility>

#include "convert/source_media.h"
#include "convert/text_util.h"

namespace q9::convert {

namespace {
// How far the workers may run ahead of the file the run takes, in files a
// worker: enough to keep them busy, little work lost when the run stops.
constexpr size_t kAheadPerWorker = 2;
constexpr auto kPumpInterval = std::chrono::milliseconds(20);

// Best effort, as for a file saved in place: the file is there already.
void SyncFolderOf(const std::string& path) {
  const std::string folder(DirectoryOf(path));
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

struct AheadConversion::Slot {
  bool done = false;
  int result = kConvertGoOn;
  FileOutcome outcome;
  std::unique_ptr<RecordedHost> host;  // what the conversion showed, until taken
};

AheadConversion::AheadConversion(Setup setup) : m_setup(std::move(setup)) {}

AheadConversion::~AheadConversion() {
  Finish();
}

bool AheadConversion::Start(std::vector<Job> jobs, const std::string& scratchParent,
                            const platform::SignGeometry& sign) {
  Finish();
  if (jobs.empty() || m_setup.workers == 0) return false;
  std::string pattern = scratchParent + "/.q9convert-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) return false;
  m_scratch = pattern;
  m_sign = sign;
  m_jobs = std::move(jobs);
  m_slots.clear();
  for (size_t k = 0; k < m_jobs.size(); ++k) m_slots.push_back(std::make_unique<Slot>());
  m_next = m_taken = 0;
  m_stop = false;
  m_cancel = false;
  const unsigned workers = unsigned(std::min<size_t>(m_setup.workers, m_jobs.size()));
  for (unsigned w = 0; w < workers; ++w) m_threads.emplace_back([this] { Work(); });
  return true;
}

size_t AheadConversion::JobOf(size_t index) const {
  const auto it = std::lower_bound(m_jobs.begin(), m_jobs.end(), index,
                                   [](const Job& job, size_t i) { return job.index < i; });
  return it != m_jobs.end() && it->index == index ? size_t(it - m_jobs.begin()) : m_jobs.size();
}

void AheadConversion::Work() {
  const size_t window = kAheadPerWorker * std::max<size_t>(m_setup.workers, 1);
  for (;;) {
    size_t k = 0;
    {
      std::unique_lock lock(m_mutex);
      m_changed.wait(
          lock, [&] { return m_stop || m_next >= m_jobs.size() || m_next < m_taken + window; });
      if (m_stop || m_next >= m_jobs.size()) return;
      k = m_next++;
    }
    const Job& job = m_jobs[k];
    RecordedHost::Hooks hooks = m_setup.hooks;
    hooks.stopRequested = [this, stop = m_setup.hooks.stopRequested] {
      return m_cancel.load() || (stop && stop());
    };
    auto host = std::make_unique<RecordedHost>(std::move(hooks));
    auto media = std::make_unique<SourceMedia>(host.get());
    host->Attach(media.get());
    if (m_setup.prepare) m_setup.prepare(*media);
    FileConverter converter(*media, host.get());
    const std::string scratch = m_scratch + "/" + std::string(FileNameOf(job.destination));
    const int result = converter.ConvertFile(job.source, scratch, m_sign.rows, m_sign.columns,
                                             m_sign.colorType, int(job.index));
    const FileOutcome outcome = converter.LastOutcome();
    // The source and its pictures go now; the host keeps only what it showed.
    host->Attach(nullptr);
    media.reset();
    {
      std::lock_guard lock(m_mutex);
      Slot& slot = *m_slots[k];
      slot.result = result;
      slot.outcome = outcome;
      slot.host = std::move(host);
      slot.done = true;
    }
    m_changed.notify_all();
  }
}

bool AheadConversion::Take(size_t index, ConversionHost& host, const std::function<void()>& pump,
                           int& result, FileOutcome& outcome) {
  const size_t k = JobOf(index);
  if (k == m_jobs.size()) return false;
  {
    std::unique_lock lock(m_mutex);
    m_taken = k;
    m_changed.notify_all();
    while (!m_slots[k]->done) {
      m_changed.wait_for(lock, kPumpInterval);
      lock.unlock();
      if (pump) pump();
      lock.lock();
    }
  }
  Slot& slot = *m_slots[k];
  const Job& job = m_jobs[k];
  namespace fs = std::filesystem;
  std::error_code ec;
  const std::string scratch = m_scratch + "/" + std::string(FileNameOf(job.destination));
  // Converted as the run would have converted it only while the
  // destination still does not exist.
  if (fs::exists(fs::symlink_status(job.destination, ec))) return false;
  if (fs::exists(fs::symlink_status(scratch, ec))) {
    if (std::rename(scratch.c_str(), job.destination.c_str()) != 0) return false;
    // The new name made lasting, as a file saved in place makes it.
    SyncFolderOf(job.destination);
  }
  slot.host->Replay(host);
  result = slot.result;
  outcome = slot.outcome;
  slot.host.reset();
  {
    std::lock_guard lock(m_mutex);
    m_taken = k + 1;
  }
  m_changed.notify_all();
  return true;
}

void AheadConversion::Finish() {
  {
    std::lock_guard lock(m_mutex);
    m_stop = true;
  }
  m_cancel = true;
  m_changed.notify_all();
  // A worker in the middle of a file stops at its next frame.
  for (std::thread& t : m_threads) t.join();
  m_threads.clear();
  m_slots.clear();
  m_jobs.clear();
  if (!m_scratch.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(m_scratch, ec);
    m_scratch.clear();
  }
}

}  // namespace q9::convert
