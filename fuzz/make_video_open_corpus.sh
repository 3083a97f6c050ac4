#!/usr/bin/env bash
# Makes the seed corpus of video_open_fuzz: a few tiny AVIs (MJPEG, one with
# an empty drop chunk, uncompressed 8-bit with a palette, one with PCM audio)
# and an MP4. Usage: fuzz/make_video_open_corpus.sh
set -euo pipefail
out="$(dirname "$0")/corpus/video_open"
mkdir -p "$out"
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y -fflags +bitexact "$@"; }
src=(-f lavfi -i "testsrc=s=16x16:r=25:d=0.12")
ff "${src[@]}" -c:v mjpeg -flags +bitexact "$out/mjpeg.avi"
ff "${src[@]}" -vf "setpts='(N+gte(N,1))/(25*TB)'" -fps_mode passthrough -c:v mjpeg \
  -flags +bitexact "$out/drop.avi"
ff "${src[@]}" -c:v rawvideo -pix_fmt pal8 "$out/pal8.avi"
ff "${src[@]}" -f lavfi -i "sine=sample_rate=8000:d=0.12" -c:v mjpeg -flags +bitexact \
  -c:a pcm_s16le "$out/audio.avi"
ff "${src[@]}" -c:v mpeg4 -flags +bitexact "$out/mpeg4.mp4"
ls -l "$out"
