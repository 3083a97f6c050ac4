#include "preview/testing/test_sources.h"

#include <QImage>
#include <vector>

#include "platform/signlib/cq8_seq_writer.h"
#include "platform/signlib/q8_record.h"
#include "platform/video/test_media.h"

namespace q9::preview::testing {

bool WritePicture(const QString& path, QSize size, const Pattern& pattern) {
  QImage image(size, QImage::Format_RGB888);
  for (int y = 0; y < size.height(); ++y)
    for (int x = 0; x < size.width(); ++x) image.setPixel(x, y, pattern(x, y));
  return image.save(path, "BMP");
}

bool WriteColourVideo(const QString& path, QSize size, int frames) {
  const std::string dimensions = std::to_string(size.width()) + "x" + std::to_string(size.height());
  return platform::test::Ffmpeg(platform::test::ColourCountInput(dimensions, "25", frames) +
                                " -c:v mjpeg -q:v 2 \"" + path.toStdString() + "\"");
}

bool WriteOldSequence(const QString& path, const platform::SignGeometry& sign, uint8_t bulbByte) {
  platform::CQ8SeqWriter writer;
  if (!writer.Create(sign)) return false;
  const std::vector<uint8_t> bulbs(size_t(writer.BulbSize()), bulbByte);
  return writer.AddFrame(platform::kQ8FrameInclude, std::vector<uint8_t>(32, 1)) &&
         writer.AddFrame(platform::kQ8FrameGraphics, std::vector<uint8_t>(40, 2), bulbs) &&
         writer.Write(path.toStdString());
}

}  // namespace q9::preview::testing
