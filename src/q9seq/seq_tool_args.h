#pragma once
// The command line of the sequence tool: which command, which files, which
// options. Only the shape of the line is checked here; the commands check
// the files.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/result.h"

namespace q9::q9seq {

enum class SeqCommand { kHelp, kVersion, kInfo, kMakeOld, kRender };

// The pictures render writes, chosen by the output's extension.
enum class PictureFormat { kPng, kGif };
// ".png" or ".gif" in any letter case; nullopt for any other name.
std::optional<PictureFormat> PictureFormatOf(std::string_view path);

// render --zoom: pixels per bulb on each side.
constexpr int kMinZoom = 1;
constexpr int kMaxZoom = 32;

struct SeqToolArgs {
  SeqCommand command = SeqCommand::kHelp;
  // info and render: the sequence to read. make-old: the description, "-"
  // for standard input.
  std::string input;
  // make-old: the old sequence to write. render: the picture to write.
  std::string output;
  bool json = false;                                  // info --json
  bool bulbs = false;                                 // info --bulbs
  PictureFormat pictureFormat = PictureFormat::kPng;  // render: from output's extension
  int zoom = 1;                                       // render --zoom
  std::optional<uint32_t> frame;                      // render --frame: that frame only
};

// The arguments after the program name. Fails with a one-line reason for a
// line that does not fit the usage.
platform::Result<SeqToolArgs> ParseSeqToolArgs(const std::vector<std::string>& args);

// The text printed by --help.
std::string_view SeqToolUsage();

}  // namespace q9::q9seq
