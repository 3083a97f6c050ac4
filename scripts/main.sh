#!/usr/bin/env bash
# Sets up the machine (scripts/setup.sh), builds, and runs the main job:
#  1. makes a folder of sample sources: pictures in several formats, a short
#     AVI with sound, and an old sequence (q9seq make-old);
#  2. converts it without a window into the sign library
#     out/signs/16x96.RGB16MB.SIGN/Default.LIB, saving the videos' audio and
#     adding a TXD frame;
#  3. draws every sequence written as the sign shows it (PNG contact sheets,
#     and an animated GIF of the video);
#  4. prints where everything is.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

bin=build/src
out=out
sources="$out/sources"
library="$out/signs/16x96.RGB16MB.SIGN/Default.LIB"
wavs="$out/wav"
pictures="$out/pictures"
rm -rf "$out"
mkdir -p "$sources" "$(dirname "$library")" "$wavs" "$pictures"

echo "== sample sources in $sources"
convert rose: -resize 192x128 "BMP3:$sources/rose.bmp"
convert logo: -resize 320x240 "$sources/logo.jpg"
convert wizard: -resize 160x200 "$sources/wizard.tga"
convert -size 384x64 gradient:red-blue "$sources/gradient.pcx"
ffmpeg -v error -f lavfi -i "testsrc2=size=320x240:rate=25" \
  -f lavfi -i "sine=frequency=440:sample_rate=22050" -t 2 \
  -c:v mjpeg -q:v 4 -c:a pcm_s16le -y "$sources/clip.avi"
"$bin/q9seq/q9seq" make-old samples/old_sample.json -o "$sources/oldshow.seq"
ls -l "$sources"

echo
echo "== converting into $library"
status=0
"$bin/app/q9convert" -s "$sources" -d "$library" --capture full \
  --save-audio --wav-dir "$wavs" --txd || status=$?

echo
echo "== drawing the sequences into $pictures"
for seq in "$library"/*.SQ9; do
  name="$(basename "$seq" .SQ9)"
  "$bin/q9seq/q9seq" render "$seq" -o "$pictures/$name.png" --zoom 6
  echo "$pictures/$name.png"
done
"$bin/q9seq/q9seq" render "$library/clip.SQ9" -o "$pictures/clip.gif" --zoom 6
echo "$pictures/clip.gif"

echo
echo "== the video's sequence"
"$bin/q9seq/q9seq" info "$library/clip.SQ9" | head -n 12
echo "   ..."

echo
echo "Sources:    $sources"
echo "Sequences:  $library"
echo "Audio:      $wavs"
echo "Pictures:   $pictures"
exit "$status"
