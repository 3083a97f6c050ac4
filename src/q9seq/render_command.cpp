#include "q9seq/render_command.h"

#include "platform/imaging/image_export.h"
#include "platform/imaging/imaging_library.h"
#include "q9seq/render_layout.h"
#include "q9seq/tool_output.h"
#include "sequence/bulb_drawing.h"
#include "sequence/sequence_frames.h"

namespace q9::q9seq {
namespace {

using platform::Bitmap;
using sequence::SequenceFrames;
using Graphics = SequenceFrames::Graphics;

std::string SizeText(uint64_t width, uint64_t height) {
  return std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

bool WithinPictureLimits(uint64_t width, uint64_t height) {
  return width <= uint64_t(platform::kMaxSavedPictureSide) &&
         height <= uint64_t(platform::kMaxSavedPictureSide) &&
         width * height <= platform::kMaxSavedPicturePixels;
}

std::string LimitsText() {
  return "more than the " + std::to_string(platform::kMaxSavedPictureSide) + " pixels a side or " +
         std::to_string(platform::kMaxSavedPicturePixels) + " pixels a picture may have";
}

// What render draws and how.
struct RenderJob {
  SequenceFrames& sequence;
  std::vector<Graphics> frames;
  int zoom = 1;
  std::vector<uint8_t> coverage;  // of a lamp, from kLampZoom on
  int frameWidth = 0;
  int frameHeight = 0;
};

platform::Result<> DrawFrame(RenderJob& job, const Graphics& frame, Bitmap& dst, int left,
                             int top) {
  const std::span<const uint8_t> bulbs = job.sequence.Bulbs(frame);
  std::string why;
  if (bulbs.empty()) {
    why = "it cannot be loaded";
  } else if (const platform::Result<Bitmap> picture =
                 sequence::BulbPicture(bulbs, job.sequence.Geometry());
             !picture) {
    why = picture.Reason();
  } else if (sequence::DrawBulbs(dst, left, top, *picture, job.zoom, job.coverage)) {
    return {};
  } else {
    why = "its picture does not fit";
  }
  return platform::Failure{"cannot draw frame " + std::to_string(frame.index) + ": " + why};
}

// A failure of the picture's writer names the output itself.
int OutputError(std::ostream& err, const std::string& output, const std::string& reason) {
  return PrintError(err, kExitFileError, reason.find(output) == std::string::npos ? output : "",
                    reason);
}

int RenderSheet(RenderJob& job, const SeqToolArgs& args, std::ostream& err) {
  const SheetLayout layout =
      ChooseSheetLayout(job.frames.size(), uint64_t(job.frameWidth), uint64_t(job.frameHeight),
                        uint64_t(platform::kMaxSavedPictureSide));
  if (!WithinPictureLimits(layout.width, layout.height))
    return PrintError(err, kExitFileError, args.input,
                      "a sheet of " + std::to_string(job.frames.size()) + " frames would be " +
                          SizeText(layout.width, layout.height) + ", " + LimitsText() +
                          "; draw one frame (--frame N), a smaller --zoom or a .gif");
  Bitmap sheet = Bitmap::Create(int(layout.width), int(layout.height), 24);
  if (!sheet.HasData()) return PrintError(err, kExitFileError, args.input, "not enough memory");
  for (int y = 0; y < sheet.Height(); ++y) {
    uint8_t* row = sheet.MutableRow(y);
    for (int x = 0; x < sheet.Width(); ++x, row += 3) {
      row[0] = kSheetBackground.blue;
      row[1] = kSheetBackground.green;
      row[2] = kSheetBackground.red;
    }
  }
  for (size_t i = 0; i < job.frames.size(); ++i) {
    const int left = int(i % layout.columns) * (job.frameWidth + kSheetGap);
    const int top = int(i / layout.columns) * (job.frameHeight + kSheetGap);
    if (const platform::Result<> drawn = DrawFrame(job, job.frames[i], sheet, left, top); !drawn)
      return PrintError(err, kExitFileError, args.input, drawn.Reason());
  }
  std::string error;
  if (platform::SaveImageFile(args.output, sheet, &error) != platform::kImagingSuccess)
    return OutputError(err, args.output, error);
  return kExitOk;
}

int RenderAnimation(RenderJob& job, const SeqToolArgs& args, std::ostream& err) {
  const uint64_t total = uint64_t(job.frameWidth) * uint64_t(job.frameHeight) * job.frames.size();
  if (total > kMaxAnimationPixels)
    return PrintError(err, kExitFileError, args.input,
                      "an animation of " + std::to_string(job.frames.size()) + " frames of " +
                          SizeText(uint64_t(job.frameWidth), uint64_t(job.frameHeight)) +
                          " would hold " + std::to_string(total) + " pixels, more than " +
                          std::to_string(kMaxAnimationPixels) +
                          "; use a smaller --zoom or one frame (--frame N)");
  Bitmap frame = Bitmap::Create(job.frameWidth, job.frameHeight, 24);
  if (!frame.HasData()) return PrintError(err, kExitFileError, args.input, "not enough memory");
  platform::AnimatedGifWriter writer;
  std::string error;
  if (writer.Open(args.output, job.frameWidth, job.frameHeight, &error) !=
      platform::kImagingSuccess)
    return OutputError(err, args.output, error);
  for (const Graphics& g : job.frames) {
    // Every cell is drawn whole, lamps with their black, so the frame needs
    // no clearing between frames.
    if (const platform::Result<> drawn = DrawFrame(job, g, frame, 0, 0); !drawn) {
      writer.Abort();
      return PrintError(err, kExitFileError, args.input, drawn.Reason());
    }
    if (writer.AddFrame(frame, DelayCentiseconds(g), &error) != platform::kImagingSuccess)
      return OutputError(err, args.output, error);
  }
  if (writer.Commit(&error) != platform::kImagingSuccess)
    return OutputError(err, args.output, error);
  return kExitOk;
}

// The frames --frame names, or every frame with bulbs.
platform::Result<std::vector<Graphics>> ChooseFrames(SequenceFrames& sequence,
                                                     const SeqToolArgs& args) {
  const std::vector<Graphics>& all = sequence.GraphicsFrames();
  if (!args.frame) {
    if (all.empty())
      return platform::Failure{
          "nothing to draw: no frame carries bulbs (no graphics or data frames)"};
    return all;
  }
  const uint32_t wanted = *args.frame;
  uint32_t first = 0, last = 0;
  if (!sequence.IndexRange(first, last))
    return platform::Failure{"there is no frame " + std::to_string(wanted) +
                             ": the sequence has no frames"};
  if (wanted < first || wanted > last)
    return platform::Failure{"there is no frame " + std::to_string(wanted) + ": the frames are " +
                             std::to_string(first) + " to " + std::to_string(last)};
  for (const Graphics& g : all)
    if (g.index == wanted) return std::vector<Graphics>{g};
  return platform::Failure{"frame " + std::to_string(wanted) + " (" + sequence.TypeName(wanted) +
                           ") carries no bulbs to draw"};
}

}  // namespace

int RunRender(const SeqToolArgs& args, std::ostream& err) {
  SequenceFrames sequence;
  if (const platform::Result<> opened = sequence.Open(args.input); !opened)
    return PrintError(err, kExitFileError, args.input, opened.Reason());
  platform::Result<std::vector<Graphics>> frames = ChooseFrames(sequence, args);
  if (!frames) return PrintError(err, kExitFileError, args.input, frames.Reason());
  RenderJob job{sequence, std::move(frames).Value(), args.zoom, {}, 0, 0};

  const platform::SignGeometry& geometry = sequence.Geometry();
  const uint64_t width = uint64_t(geometry.columns) * uint64_t(args.zoom);
  const uint64_t height = uint64_t(geometry.rows) * uint64_t(args.zoom);
  if (!WithinPictureLimits(width, height))
    return PrintError(err, kExitFileError, args.input,
                      "a frame of " + std::to_string(geometry.columns) + " x " +
                          std::to_string(geometry.rows) + " bulbs at zoom " +
                          std::to_string(args.zoom) + " would be " + SizeText(width, height) +
                          ", " + LimitsText() + "; use a smaller --zoom");
  job.frameWidth = int(width);
  job.frameHeight = int(height);
  if (args.zoom >= sequence::kLampZoom) job.coverage = sequence::LampCoverage(args.zoom);

  return args.pictureFormat == PictureFormat::kPng ? RenderSheet(job, args, err)
                                                   : RenderAnimation(job, args, err);
}

}  // namespace q9::q9seq
