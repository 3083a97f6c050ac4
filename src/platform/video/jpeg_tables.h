#pragma once
// The marker segments of a JPEG picture that a decoder keeps for the
// pictures after it: quantisation and Huffman tables, the restart interval,
// arithmetic-coding conditions, application data and comments. A decoder
// that skips a picture of a Motion JPEG stream takes these from it, so that
// the pictures it does decode come out as they do when every one is decoded.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace q9::platform {

// The kept segments of the pictures in data, in their order, as a JPEG
// stream of their own: SOI, the segments, EOI. Empty when there are none.
// Entropy-coded data is skipped; a segment cut short ends the scan.
std::vector<uint8_t> JpegKeptSegments(const uint8_t* data, size_t size);

}  // namespace q9::platform
