#!/usr/bin/env bash
# Pictures of the main dialog for the README, taken under Xvfb:
#   docs/screenshots/converting.png    a run, with the progress area open
#   docs/screenshots/main_dialog.png   after it: files marked, a sign's library chosen
# Usage: scripts/screenshots.sh   (after a build into build/)
set -euo pipefail
cd "$(dirname "$0")/.."
repo="$PWD"
q9convert="$repo/build/src/app/q9convert"
q9seq="$repo/build/src/q9seq/q9seq"
source src/app/testing/xdrive.sh
# Short, readable paths in the pictures.
work=/tmp/q9demo
rm -rf "$work"
trap 'stop_display' EXIT

src="$work/pictures"
lib="$work/signs/16x96.RGB16MB.SIGN/Default.LIB"
mkdir -p "$src" "$lib" docs/screenshots
convert rose: -resize 192x128 "BMP3:$src/rose.bmp"
convert logo: -resize 320x240 "$src/logo.jpg"
convert wizard: -resize 160x200 "$src/wizard.tga"
ffmpeg -v error -f lavfi -i "testsrc2=size=320x240:rate=25" -t 2 -c:v mjpeg -y "$src/intro.avi"
ffmpeg -v error -f lavfi -i "testsrc2=size=320x240:rate=25" -t 20 -c:v mjpeg -y "$src/show.avi"
"$q9seq" make-old samples/old_sample.json -o "$src/old_show.seq" >/dev/null

start_display
start_window "$q9convert" -s "$src"
collapsed="$(main_height)"
taller() { [ "$(main_height)" -gt "$collapsed" ]; }
collapsed_again() { [ "$(main_height)" -eq "$collapsed" ]; }

# A run: the picture is taken once the file before the long video is
# written, while the video converts.
answer '^Q9100 Converter$' Return convert_into "$lib"  # "Convert 6 files?"
wait_for 30 taller || fail "the progress area did not open"
wait_for 60 test -f "$lib/rose.SQ9" || fail "rose.SQ9 was not written"
import -window "$main" docs/screenshots/converting.png
wait_for 300 has_other_window '^Convert$' || fail "no 'Conversion Complete!'"
answer '^Convert$' Return

# After the run: the files still marked, the progress area collapsed again.
wait_for 10 collapsed_again || fail "the progress area did not collapse"
import -window "$main" docs/screenshots/main_dialog.png
in_main key --clearmodifiers alt+l
wait_closed
echo "docs/screenshots/converting.png"
echo "docs/screenshots/main_dialog.png"
