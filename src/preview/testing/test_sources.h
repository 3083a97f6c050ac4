#pragma once
// Source files for the window's tests, made in a folder the caller owns:
// pictures drawn by a function, videos whose every frame is one flat colour,
// and old sequences with an include frame before a graphics frame.

#include <QRgb>
#include <QSize>
#include <QString>
#include <cstdint>
#include <functional>

#include "platform/signlib/sign_types.h"

namespace q9::preview::testing {

using Pattern = std::function<QRgb(int x, int y)>;

// A 24-bit BMP of that size; false when it could not be written.
bool WritePicture(const QString& path, QSize size, const Pattern& pattern);

// An MJPEG AVI at 25 frames a second whose frame i (from 0) is one flat
// colour: red 8 i, green 255 - 8 i, blue 128. False when ffmpeg failed.
bool WriteColourVideo(const QString& path, QSize size, int frames);

// An old sequence of that sign: frame 1 an include frame, frame 2 a
// graphics frame whose bulb bytes are all `bulbByte`. False on failure.
bool WriteOldSequence(const QString& path, const platform::SignGeometry& sign, uint8_t bulbByte);

}  // namespace q9::preview::testing
