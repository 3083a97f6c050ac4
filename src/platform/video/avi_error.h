#pragma once
// Result codes of the video layer. Opening a video and saving its audio
// report the codes the old video-file service published, so the messages the
// converter shows for them keep their meaning; two codes are the converter's
// own. The caller turns a code into words.

#include <cstdint>

namespace q9::platform {

inline constexpr int32_t AVIERR_OK = 0;
inline constexpr int32_t AVIERR_UNSUPPORTED = int32_t(0x80044065u);
inline constexpr int32_t AVIERR_BADFORMAT = int32_t(0x80044066u);
inline constexpr int32_t AVIERR_MEMORY = int32_t(0x80044067u);
inline constexpr int32_t AVIERR_INTERNAL = int32_t(0x80044068u);
inline constexpr int32_t AVIERR_BADFLAGS = int32_t(0x80044069u);
inline constexpr int32_t AVIERR_BADPARAM = int32_t(0x8004406Au);
inline constexpr int32_t AVIERR_BADSIZE = int32_t(0x8004406Bu);
inline constexpr int32_t AVIERR_BADHANDLE = int32_t(0x8004406Cu);
inline constexpr int32_t AVIERR_FILEREAD = int32_t(0x8004406Du);
inline constexpr int32_t AVIERR_FILEWRITE = int32_t(0x8004406Eu);
inline constexpr int32_t AVIERR_FILEOPEN = int32_t(0x8004406Fu);
inline constexpr int32_t AVIERR_COMPRESSOR = int32_t(0x80044070u);
inline constexpr int32_t AVIERR_NOCOMPRESSOR = int32_t(0x80044071u);
inline constexpr int32_t AVIERR_READONLY = int32_t(0x80044072u);
inline constexpr int32_t AVIERR_NODATA = int32_t(0x80044073u);
inline constexpr int32_t AVIERR_BUFFERTOOSMALL = int32_t(0x80044074u);
inline constexpr int32_t AVIERR_CANTCOMPRESS = int32_t(0x80044075u);
inline constexpr int32_t AVIERR_USERABORT = int32_t(0x800440C6u);

// The converter's own: the start of the audio stream cannot be turned into a
// time (its header has a scale or rate of 0).
inline constexpr int32_t AVIERR_START_NOT_FOUND = -1;
// The audio stream's format block is empty.
inline constexpr int32_t AVIERR_FORMAT_SIZE_ZERO = -2;

}  // namespace q9::platform
