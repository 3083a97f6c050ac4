#!/usr/bin/env bash
# The real q9convert window under Xvfb, driven by its keyboard mnemonics: the
# source Browse and its file dialog, the destination typed, Select All,
# Convert, "Create?", "Convert 4 files?", "Conversion Complete!"; then Adjust,
# frame 3 of the video typed, Cancel in the Adjust dialog, Close. The files
# written must be those of the run without a window, the preview frame 3 of
# the written video bulb for bulb, Cancel must take the preview along, and
# both directories must be stored.
# Usage: window_e2e.sh Q9CONVERT Q9SEQ REPO_ROOT
set -euo pipefail
q9convert="$1" q9seq="$2" repo="$3"
source "$(dirname "$0")/xdrive.sh"
work="$(mktemp -d)"
trap 'stop_display; rm -rf "$work"' EXIT

src="$work/sources" lib="$work/signs/16x32.RGB16MB.SIGN/Default.LIB"
ref="$work/ref/16x32.RGB16MB.SIGN/Default.LIB"
mkdir -p "$src" "$(dirname "$lib")" "$ref"
convert -size 48x24 gradient:red-blue "BMP3:$src/ramp.bmp"
convert -size 40x40 xc:yellow -fill blue -draw "circle 20,20 20,5" "$src/dot.jpg"
# Two frames a second, so that neighbouring frames differ on the sign.
ffmpeg -v error -f lavfi -i "testsrc2=size=64x48:rate=2" -t 5 -c:v mjpeg -y "$src/clip.avi"
"$q9seq" make-old "$repo/samples/old_sample.json" -o "$src/show.seq" >/dev/null

start_display
start_window "$q9convert"
in_main key --clearmodifiers alt+b
wait_for 20 has_other_window '^Open$' || fail "the file dialog did not appear"
xdotool windowfocus --sync "$(other_window '^Open$')" key ctrl+a type "$src/ramp.bmp"
answer '^Open$' Return
answer '^Q9100 Converter$' Return convert_into "$lib"  # "... does not exist. Create?"
answer '^Q9100 Converter$' Return                      # "Convert 4 files?"
wait_for 120 has_other_window '^Convert$' || fail "no 'Conversion Complete!'"
answer '^Convert$' Return

# The files are still marked, clip.avi first: Adjust opens the Adjust
# dialog with its source window, beside the preview the run kept open.
in_main key --clearmodifiers alt+d
for title in '^Adjust : clip\.avi$' '^Source : clip\.avi$' '^Preview : 16x32\.RGB16MB$'; do
  wait_for 20 has_other_window "$title" || fail "no window '$title' after Adjust"
done
in_main key --clearmodifiers alt+f ctrl+a
in_main type 3
"$q9seq" render "$lib/clip.SQ9" --frame 3 -o "$work/frame3.png"
preview="$(other_window '^Preview : ')"
same_as_frame3() {
  import -window "$preview" "$work/preview.png" 2>/dev/null &&
    [ "$(compare -metric AE "$work/preview.png" "$work/frame3.png" null: 2>&1)" = "0" ]
}
wait_for 20 same_as_frame3 || fail "the preview is not frame 3 of clip.SQ9"
answer '^Adjust : clip\.avi$' Escape  # Cancel
wait_for 10 gone '^Preview : ' "$preview" || fail "the preview stayed after Cancel"
in_main key --clearmodifiers alt+l
wait_closed

"$q9convert" -s "$src" -d "$ref" -q >/dev/null
[ "$(ls "$lib")" = "$(printf '%s\n' clip.SQ9 dot.SQ9 ramp.SQ9 show.SQ9)" ] ||
  fail "the library holds: $(ls "$lib")"
for name in clip.SQ9 dot.SQ9 ramp.SQ9 show.SQ9; do
  cmp -s "$lib/$name" "$ref/$name" || fail "$name differs from the run without a window"
done
store="$XDG_CONFIG_HOME/Halvren/Q9100Converter.ini"
grep -qF "Source_Dir=$src" "$store" || fail "the source directory was not stored"
grep -qF "Dest_Server=$lib" "$store" || fail "the destination directory was not stored"
echo "1 passed, 0 failed"
