#include "platform/imaging/animated_gif_writer.h"

#include <new>
#include <unordered_map>

#include "platform/imaging/image_export.h"
#include "platform/imaging/imaging_internal.h"
#include "platform/imaging/imaging_library.h"
#include "platform/imaging/magick_bridge.h"

namespace q9::platform {
namespace {

constexpr size_t kFlushBytes = size_t(1) << 20;
constexpr size_t kMaxColours = 256;
// Bounds the colour cache of a frame with many colours (noise, photographs).
constexpr size_t kMaxCachedColours = size_t(1) << 16;

uint32_t Key(const uint8_t* bgr) {
  return uint32_t(bgr[0]) | uint32_t(bgr[1]) << 8 | uint32_t(bgr[2]) << 16;
}

RgbQuad QuadOf(uint32_t key) {
  return RgbQuad{uint8_t(key), uint8_t(key >> 8), uint8_t(key >> 16), 0};
}

// Every colour of the picture in a table of its own, in order of first
// appearance; false when there are more than 256.
bool ExactIndices(const Bitmap& picture, std::vector<RgbQuad>& palette,
                  std::vector<uint8_t>& indices) {
  std::unordered_map<uint32_t, uint8_t> seen;
  seen.reserve(2 * kMaxColours);
  palette.clear();
  size_t at = 0;
  for (int y = 0; y < picture.Height(); ++y) {
    const uint8_t* p = picture.Row(y);
    for (int x = 0; x < picture.Width(); ++x, p += 3) {
      const uint32_t key = Key(p);
      const auto [it, added] = seen.try_emplace(key, uint8_t(palette.size()));
      if (added) {
        if (palette.size() == kMaxColours) return false;
        palette.push_back(QuadOf(key));
      }
      indices[at++] = it->second;
    }
  }
  return true;
}

size_t Nearest(const std::vector<RgbQuad>& palette, uint32_t key) {
  const RgbQuad c = QuadOf(key);
  size_t best = 0;
  int bestDistance = 1 << 30;
  for (size_t i = 0; i < palette.size(); ++i) {
    const int dr = int(palette[i].red) - c.red, dg = int(palette[i].green) - c.green,
              db = int(palette[i].blue) - c.blue;
    const int distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = i;
    }
  }
  return best;
}

// More than 256 colours: ImageMagick's choice of 256, each pixel taking the
// nearest one. No error diffusion: neighbouring bulbs of one colour stay one
// colour.
bool NearestIndices(const Bitmap& picture, std::vector<RgbQuad>& palette,
                    std::vector<uint8_t>& indices) {
  if (!detail::OptimisedPalette(picture, int(kMaxColours), palette)) return false;
  std::unordered_map<uint32_t, uint8_t> cache;
  size_t at = 0;
  for (int y = 0; y < picture.Height(); ++y) {
    const uint8_t* p = picture.Row(y);
    for (int x = 0; x < picture.Width(); ++x, p += 3) {
      const uint32_t key = Key(p);
      auto it = cache.find(key);
      if (it == cache.end()) {
        if (cache.size() >= kMaxCachedColours) cache.clear();
        it = cache.emplace(key, uint8_t(Nearest(palette, key))).first;
      }
      indices[at++] = it->second;
    }
  }
  return true;
}

void PutU16(std::vector<uint8_t>& out, unsigned v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}

// Bits of the colour table size: 2^bits entries, at least 2.
int TableBits(size_t colours) {
  int bits = 1;
  while ((size_t(1) << bits) < colours) ++bits;
  return bits;
}

}  // namespace

int AnimatedGifWriter::Abandon(std::string* error, std::string reason) {
  Abort();
  return detail::ImagingFailure(error, std::move(reason));
}

void AnimatedGifWriter::Abort() {
  m_file.Abort();
  m_buffer.clear();
  m_frames = 0;
}

Result<> AnimatedGifWriter::Flush() {
  const Result<> written = m_file.Write(m_buffer);
  m_buffer.clear();
  if (!written) return Failure{"cannot write " + m_path + ": " + written.Reason()};
  return {};
}

int AnimatedGifWriter::Open(const std::string& path, int width, int height, std::string* error) {
  Abort();
  if (width < 1 || height < 1 || width > kMaxSavedPictureSide || height > kMaxSavedPictureSide ||
      uint64_t(width) * uint64_t(height) > kMaxSavedPicturePixels)
    return Abandon(error, "cannot write " + path + ": frames of " + std::to_string(width) + " x " +
                              std::to_string(height) + " pixels are outside the limits");
  try {
    if (!m_encoder) m_encoder = std::make_unique<detail::GifLzwEncoder>();
    m_indices.assign(size_t(width) * size_t(height), 0);
    m_buffer.reserve(kFlushBytes + 1024);
  } catch (const std::bad_alloc&) {
    return Abandon(error, "cannot write " + path + ": not enough memory");
  }
  if (const Result<> opened = m_file.Open(path); !opened)
    return Abandon(error, "cannot write " + path + ": " + opened.Reason());
  m_path = path;
  m_width = width;
  m_height = height;

  static constexpr char kHeader[] = "GIF89a";
  m_buffer.assign(kHeader, kHeader + 6);
  PutU16(m_buffer, unsigned(width));
  PutU16(m_buffer, unsigned(height));
  // No global colour table (each frame brings its own); 8-bit colour
  // resolution; background 0; square pixels.
  m_buffer.insert(m_buffer.end(), {0x70, 0, 0});
  // The application extension that makes viewers loop: count 0, forever.
  static constexpr uint8_t kLoop[] = {0x21, 0xFF, 0x0B, 'N', 'E',  'T',  'S',  'C',  'A', 'P',
                                      'E',  '2',  '.',  '0', 0x03, 0x01, 0x00, 0x00, 0x00};
  m_buffer.insert(m_buffer.end(), std::begin(kLoop), std::end(kLoop));
  return kImagingSuccess;
}

int AnimatedGifWriter::AddFrame(const Bitmap& frame, int delayCentiseconds, std::string* error) {
  const std::string& path = m_path;
  if (!m_file.IsOpen()) return Abandon(error, "cannot add a frame: the GIF file is not open");
  if (!frame.HasData()) return Abandon(error, "cannot write " + path + ": a frame has no picture");
  if (frame.Width() != m_width || frame.Height() != m_height)
    return Abandon(error, "cannot write " + path + ": a frame of " + std::to_string(frame.Width()) +
                              " x " + std::to_string(frame.Height()) +
                              " pixels in an animation of " + std::to_string(m_width) + " x " +
                              std::to_string(m_height));
  if (delayCentiseconds < 0 || delayCentiseconds > 0xFFFF)
    return Abandon(error, "cannot write " + path + ": frame delay " +
                              std::to_string(delayCentiseconds) + " outside 0 to 65535");
  try {
    const Bitmap picture = detail::TrueColourCopy(frame);
    std::vector<RgbQuad> palette;
    if (!picture.HasData() || (!ExactIndices(picture, palette, m_indices) &&
                               !NearestIndices(picture, palette, m_indices)))
      return Abandon(error, "cannot write " + path + ": cannot choose the frame's colours");

    // Graphic control: leave the frame in place, the delay, no transparency.
    m_buffer.insert(m_buffer.end(), {0x21, 0xF9, 0x04, 0x04});
    PutU16(m_buffer, unsigned(delayCentiseconds));
    m_buffer.insert(m_buffer.end(), {0x00, 0x00});
    // The image: the whole screen with a local colour table.
    const int bits = TableBits(palette.size());
    m_buffer.push_back(0x2C);
    PutU16(m_buffer, 0);
    PutU16(m_buffer, 0);
    PutU16(m_buffer, unsigned(m_width));
    PutU16(m_buffer, unsigned(m_height));
    m_buffer.push_back(uint8_t(0x80 | (bits - 1)));
    palette.resize(size_t(1) << bits);  // padded with black
    for (const RgbQuad& c : palette) m_buffer.insert(m_buffer.end(), {c.red, c.green, c.blue});
    m_encoder->Encode(m_indices, std::max(2, bits), m_buffer);
  } catch (const std::bad_alloc&) {
    return Abandon(error, "cannot write " + path + ": not enough memory");
  }
  ++m_frames;
  if (m_buffer.size() >= kFlushBytes) {
    if (const Result<> flushed = Flush(); !flushed) return Abandon(error, flushed.Reason());
  }
  return kImagingSuccess;
}

int AnimatedGifWriter::Commit(std::string* error) {
  if (!m_file.IsOpen()) return Abandon(error, "cannot finish the GIF file: it is not open");
  if (m_frames == 0) return Abandon(error, "cannot write " + m_path + ": no frames");
  m_buffer.push_back(0x3B);  // trailer
  if (const Result<> flushed = Flush(); !flushed) return Abandon(error, flushed.Reason());
  if (const Result<> saved = m_file.Commit(); !saved)
    return Abandon(error, "cannot write " + m_path + ": " + saved.Reason());
  m_frames = 0;
  return kImagingSuccess;
}

}  // namespace q9::platform
