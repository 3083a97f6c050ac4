#pragma once
// The bulb converter: draws bulb data as a picture with one pixel per bulb,
// and turns a picture into bulb data of a sign's geometry and colour type.
//
// The picture of bulb data is a packed bitmap of columns x rows pixels, 24 bits
// per pixel, bottom-up rows, uncompressed. Converting that picture back with
// zero offsets gives exactly the same bulbs, for every colour type; the colour
// mapping is described in bulb_converter.cpp.
//
// Every function returns 0 on success and one of the non-zero codes below on
// failure. All sizes are checked before any memory is touched; on failure
// nothing has been written.

#include <cstdint>

namespace q9::platform {

enum BulbConverterResult : int {
  kBulbCvOk = 0,
  kBulbCvBadGeometry = 1,        // rows or columns 0, too many bulbs, colour type 15 or above
  kBulbCvBadArgument = 2,        // a null pointer, or an option this converter does not know
  kBulbCvBufferTooSmall = 3,     // a bulb, bits or picture buffer smaller than needed
  kBulbCvUnsupportedBitmap = 4,  // compressed, odd header, depth or colour table
  kBulbCvOutOfMemory = 5,
};

// The option that CalcBulbDIBSize hands out and Bulb2DIB expects: the 24-bit
// bottom-up picture. No other picture format is made.
constexpr uint32_t kBulbDibOption24Bit = 0;

// Size in bytes of the bits of the picture that shows bulb data of that
// geometry. option, when given, receives the option to pass to Bulb2DIB.
int CalcBulbDIBSize(unsigned rows, unsigned columns, uint32_t colorType, uint32_t* size,
                    uint32_t* option = nullptr);

// Fills headerBlock (a 40-byte header followed by room for a 256-entry colour
// table: 1,068 bytes, all written; the table is left zero) and bits with the
// picture of the bulb data. bulbSize and bitsSize must be at least the bulb
// data size and the picture size of the geometry.
int Bulb2DIB(const uint8_t* bulbs, uint32_t bulbSize, unsigned rows, unsigned columns,
             uint32_t colorType, uint8_t* headerBlock, uint8_t* bits, uint32_t bitsSize,
             uint32_t option);

// Fills the bulb buffer from an uncompressed packed bitmap of 1, 4, 8, 16
// (5-5-5), 24 or 32 bits per pixel, bottom-up or top-down. header is the
// 40-byte header, followed for 8 bits and fewer by its colour table
// (colours-used entries, or 2^bits when that field is 0). Picture pixel (x, y),
// y from the top, becomes the bulb at row y, column x where both exist; every
// other bulb is 0. The two reserved arguments are passed as 0 and not used.
// Offsets run from -64 (channel fully on) to 64 (channel off); values outside
// are limited to that range.
int ConvDIB2BulbEnh(const uint8_t* header, const uint8_t* bits, uint32_t bitsSize, int reserved1,
                    int reserved2, uint8_t* bulbs, uint32_t bulbSize, unsigned rows,
                    unsigned columns, uint32_t colorType, int red, int green, int blue, int white);

}  // namespace q9::platform
