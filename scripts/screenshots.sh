#!/usr/bin/env bash
# Pictures of the window for the README, taken under Xvfb:
#   docs/screenshots/converting.png    a run, with the progress area open
#   docs/screenshots/main_dialog.png   after it: files marked, a sign's library chosen
#   docs/screenshots/adjust.png        the Adjust dialog with its Effects menu open,
#                                      the source window with a capture drawn in it,
#                                      and the preview of that capture
# Usage: scripts/screenshots.sh   (after a build into build/)
set -euo pipefail
cd "$(dirname "$0")/.."
repo="$PWD"
q9convert="$repo/build/src/app/q9convert"
q9seq="$repo/build/src/q9seq/q9seq"
source src/app/testing/xdrive.sh
# Room for the main dialog, the Adjust dialog and the source window side by side.
export XVFB_SCREEN=1280x900x24
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

# The companions of the first marked file, intro.avi, at frame 40 (zoom 3.0,
# from 2.0 by the zoom-in button that follows the frame field in tab order).
in_main key --clearmodifiers alt+d
for title in '^Adjust : intro\.avi$' '^Source : intro\.avi$' '^Preview : 16x96\.RGB16MB$'; do
  wait_for 20 has_other_window "$title" || fail "no window '$title' after Adjust"
done
adjust="$(other_window '^Adjust : ')"
source_wnd="$(other_window '^Source : ')"
preview="$(other_window '^Preview : ')"
in_main key --clearmodifiers alt+f ctrl+a
in_main type 40
in_main key --clearmodifiers Tab space
window_width() { xdotool getwindowgeometry --shell "$1" | sed -n 's/^WIDTH=//p'; }
wait_for 10 test "$(window_width "$source_wnd")" -eq 480 || fail "the zoom did not reach the source window"
snap_preview() { import -window "$preview" "$work/$1.png" 2>/dev/null; }
changed() {
  snap_preview after &&
    [ "$(compare -metric AE "$work/before.png" "$work/after.png" null: 2>&1)" != "0" ]
}
# A capture drawn from the test card's left edge to its right, Keep Aspect
# giving the sign's 1 : 6.
snap_preview before
xdotool mousemove --window "$source_wnd" 30 120 mousedown 1 \
  mousemove --window "$source_wnd" 200 150 mousemove --window "$source_wnd" 450 160 mouseup 1
wait_for 10 changed || fail "the drawn capture did not reach the preview"
# The preview opens under the destination Browse button, where the source
# window covers most of it: moved under the main dialog, as a user would.
eval "$(xdotool getwindowgeometry --shell "$main" | sed -n 's/^\([XYH]\)[A-Z]*=/main_\1=/p')"
xdotool windowmove --sync "$preview" "$main_X" "$((main_Y + main_H + 12))"
# The Effects menu: the bar's first title, then two to the right.
windows() { xdotool search --onlyvisible --name '' 2>/dev/null | wc -l; }
before="$(windows)"
xdotool mousemove --window "$adjust" 40 10 click 1
xdotool key Right Right
wait_for 10 test "$(windows)" -gt "$before" || fail "no menu opened"
# The smallest rectangle around the windows, with a margin.
read -r left top right bottom < <(
  for id in "$main" "$adjust" "$source_wnd" "$preview"; do
    xdotool getwindowgeometry --shell "$id"
  done | awk -F= '
    /^X=/ {x = $2} /^Y=/ {y = $2} /^WIDTH=/ {w = $2}
    /^HEIGHT=/ {h = $2; if (n++ == 0 || x < l) l = x; if (n == 1 || y < t) t = y
                if (x + w > r) r = x + w; if (y + h > b) b = y + h}
    END {print l - 10, t - 10, r + 10, b + 10}')
import -window root -crop "$((right - left))x$((bottom - top))+$left+$top" +repage \
  docs/screenshots/adjust.png
xdotool key Escape Escape
in_main key --clearmodifiers alt+l
wait_closed
echo "docs/screenshots/converting.png"
echo "docs/screenshots/main_dialog.png"
echo "docs/screenshots/adjust.png"
