#include "platform/video/media_input.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/video/avi_error.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
}

namespace q9::platform {

// A source of bytes with a read position, behind the demuxer's I/O context.
class MediaInput::Source {
 public:
  virtual ~Source() = default;
  // Up to n bytes at offset: the count read, 0 at the end, or an FFmpeg error.
  virtual int ReadAt(uint64_t offset, uint8_t* buf, int n) = 0;
  // -1 when unknown.
  virtual int64_t Size() const = 0;

  int64_t position = 0;
};

namespace {

constexpr int kIoBufferSize = 64 * 1024;

class FileSource final : public MediaInput::Source {
 public:
  ~FileSource() override {
    if (m_fd >= 0) ::close(m_fd);
  }

  // 0 or an errno value.
  int Open(const std::string& path) {
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) return errno;
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) return errno;
    if (S_ISDIR(st.st_mode)) return EISDIR;
    m_size = S_ISREG(st.st_mode) ? int64_t(st.st_size) : -1;
    return 0;
  }

  int ReadAt(uint64_t offset, uint8_t* buf, int n) override {
    for (;;) {
      const ssize_t got = ::pread(m_fd, buf, size_t(n), off_t(offset));
      if (got >= 0) return int(got);
      if (errno != EINTR) return AVERROR(errno);
    }
  }
  int64_t Size() const override { return m_size; }

 private:
  int m_fd = -1;
  int64_t m_size = -1;
};

class MemorySource final : public MediaInput::Source {
 public:
  explicit MemorySource(std::shared_ptr<const std::vector<uint8_t>> bytes)
      : m_bytes(std::move(bytes)) {}

  int ReadAt(uint64_t offset, uint8_t* buf, int n) override {
    if (offset >= m_bytes->size()) return 0;
    const size_t count = std::min(size_t(n), m_bytes->size() - size_t(offset));
    std::memcpy(buf, m_bytes->data() + offset, count);
    return int(count);
  }
  int64_t Size() const override { return int64_t(m_bytes->size()); }

 private:
  std::shared_ptr<const std::vector<uint8_t>> m_bytes;
};

int ReadPacket(void* opaque, uint8_t* buf, int size) {
  auto* source = static_cast<MediaInput::Source*>(opaque);
  const int got = source->ReadAt(uint64_t(source->position), buf, size);
  if (got < 0) return got;
  if (got == 0) return AVERROR_EOF;
  source->position += got;
  return got;
}

int64_t Seek(void* opaque, int64_t offset, int whence) {
  auto* source = static_cast<MediaInput::Source*>(opaque);
  whence &= ~AVSEEK_FORCE;
  if (whence == AVSEEK_SIZE) return source->Size() >= 0 ? source->Size() : AVERROR(ENOSYS);
  int64_t to = 0;
  switch (whence) {
    case SEEK_SET:
      to = offset;
      break;
    case SEEK_CUR:
      to = source->position + offset;
      break;
    case SEEK_END:
      if (source->Size() < 0) return AVERROR(ENOSYS);
      to = source->Size() + offset;
      break;
    default:
      return AVERROR(EINVAL);
  }
  if (to < 0) return AVERROR(EINVAL);
  source->position = to;
  return to;
}

// Demuxers that would open a second file or URL are refused: a video is read
// from its own bytes only.
int RefuseNestedOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
  return AVERROR(EPERM);
}

void QuietLibraryLog() {
  static std::once_flag once;
  std::call_once(once, [] {
    av_log_set_level(std::getenv("Q9_VIDEO_LOG") != nullptr ? AV_LOG_VERBOSE : AV_LOG_QUIET);
  });
}

}  // namespace

int32_t AviErrorFromAv(int averror, int32_t otherwise) {
  switch (averror) {
    case AVERROR(ENOMEM):
      return AVIERR_MEMORY;
    case AVERROR_INVALIDDATA:
    case AVERROR_DEMUXER_NOT_FOUND:
      return AVIERR_BADFORMAT;
    case AVERROR_DECODER_NOT_FOUND:
      return AVIERR_NOCOMPRESSOR;
    case AVERROR(ENOSYS):
    case AVERROR_PATCHWELCOME:
      return AVIERR_UNSUPPORTED;
    case AVERROR(ENOSPC):
    case AVERROR(EFBIG):
    case AVERROR(EDQUOT):
      return AVIERR_FILEWRITE;
    case AVERROR(ENOENT):
    case AVERROR(EACCES):
    case AVERROR(EPERM):
    case AVERROR(EISDIR):
    case AVERROR(ENOTDIR):
    case AVERROR(ENAMETOOLONG):
    case AVERROR(ELOOP):
    case AVERROR(EROFS):
    case AVERROR(EMFILE):
    case AVERROR(ENFILE):
      return AVIERR_FILEOPEN;
    default:
      return otherwise;
  }
}

MediaInput::MediaInput() {
  QuietLibraryLog();
}

MediaInput::~MediaInput() {
  Close();
}

int32_t MediaInput::OpenFile(const std::string& path, Probe probe) {
  Close();
  auto source = std::make_unique<FileSource>();
  if (const int err = source->Open(path); err != 0)
    return AviErrorFromAv(AVERROR(err), AVIERR_FILEOPEN);
  return OpenSource(std::move(source), probe);
}

int32_t MediaInput::OpenMemory(std::shared_ptr<const std::vector<uint8_t>> bytes, Probe probe) {
  Close();
  if (!bytes) return AVIERR_BADPARAM;
  return OpenSource(std::make_unique<MemorySource>(std::move(bytes)), probe);
}

int32_t MediaInput::OpenSource(std::unique_ptr<Source> source, Probe probe) {
  m_source = std::move(source);
  m_probe = probe;
  const int32_t result = OpenDemuxer();
  if (result != AVIERR_OK) Close();
  return result;
}

int32_t MediaInput::Reopen() {
  if (!m_source) return AVIERR_BADHANDLE;
  CloseDemuxer();
  return OpenDemuxer();
}

void MediaInput::Close() {
  CloseDemuxer();
  m_source.reset();
}

int32_t MediaInput::OpenDemuxer() {
  Source& source = *m_source;
  m_aviStreams = ReadAviStreamHeaders([&source](uint64_t offset, size_t size) {
    std::vector<uint8_t> bytes(size);
    size_t have = 0;
    while (have < size) {
      const int chunk = int(std::min<size_t>(size - have, 1 << 20));
      const int got = source.ReadAt(offset + have, bytes.data() + have, chunk);
      if (got <= 0) break;
      have += size_t(got);
    }
    bytes.resize(have);
    return bytes;
  });
  source.position = 0;

  auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
  if (buffer == nullptr) return AVIERR_MEMORY;
  m_io = avio_alloc_context(buffer, kIoBufferSize, 0, &source, ReadPacket, nullptr, Seek);
  if (m_io == nullptr) {
    av_free(buffer);
    return AVIERR_MEMORY;
  }
  m_ctx = avformat_alloc_context();
  if (m_ctx == nullptr) return AVIERR_MEMORY;
  m_ctx->pb = m_io;
  m_ctx->io_open = RefuseNestedOpen;
  int r = avformat_open_input(&m_ctx, "", nullptr, nullptr);
  if (r < 0) {
    // avformat_open_input has freed the context.
    CloseDemuxer();
    return r == AVERROR(EIO) ? AVIERR_FILEREAD : AviErrorFromAv(r, AVIERR_BADFORMAT);
  }
  m_isAvi = std::strcmp(m_ctx->iformat->name, "avi") == 0;
  if (!m_isAvi || m_aviStreams.size() != m_ctx->nb_streams) m_aviStreams.clear();
  if (m_probe == Probe::Always || !m_isAvi) {
    r = avformat_find_stream_info(m_ctx, nullptr);
    if (r < 0) {
      CloseDemuxer();
      return r == AVERROR(EIO) ? AVIERR_FILEREAD : AviErrorFromAv(r, AVIERR_BADFORMAT);
    }
  }
  return AVIERR_OK;
}

void MediaInput::CloseDemuxer() {
  if (m_ctx != nullptr) avformat_close_input(&m_ctx);
  if (m_io != nullptr) {
    av_freep(&m_io->buffer);
    avio_context_free(&m_io);
  }
  m_isAvi = false;
  m_aviStreams.clear();
}

const AviStreamHeader* MediaInput::AviHeader(int streamIndex) const {
  if (streamIndex < 0 || size_t(streamIndex) >= m_aviStreams.size()) return nullptr;
  return &m_aviStreams[size_t(streamIndex)];
}

int MediaInput::FirstVideoStream() const {
  if (m_ctx == nullptr) return -1;
  for (unsigned i = 0; i < m_ctx->nb_streams; ++i) {
    const AVStream* st = m_ctx->streams[i];
    if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
        (st->disposition & AV_DISPOSITION_ATTACHED_PIC) == 0)
      return int(i);
  }
  return -1;
}

int MediaInput::FirstAudioStream() const {
  if (m_ctx == nullptr) return -1;
  for (unsigned i = 0; i < m_ctx->nb_streams; ++i) {
    const AviStreamHeader* h = AviHeader(int(i));
    if (h != nullptr ? h->type == FourCcOf("auds")
                     : m_ctx->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
      return int(i);
  }
  return -1;
}

}  // namespace q9::platform
