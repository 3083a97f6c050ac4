# Driving the q9convert window under Xvfb with the keyboard, for the window's
# end-to-end test and scripts/screenshots.sh. Sourced; the caller sets $work
# (a scratch folder), calls start_display, then start_window. Every wait
# polls a condition with a deadline.
xvfb_pid="" app_pid="" main=""

# Fails, keeping a picture of the screen for whoever looks into it.
fail() {
  echo "FAIL: $*"
  local shot="${TMPDIR:-/tmp}/q9convert_window.png"
  if [ -n "${DISPLAY:-}" ] && import -window root "$shot" 2>/dev/null; then echo "screen: $shot"; fi
  exit 1
}
stop_display() { kill $app_pid $xvfb_pid 2>/dev/null || true; }

# Polls a condition every 0.1 s for at most $1 seconds.
wait_for() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

# A display of our own (Xvfb tells its number when it is ready; its screen
# $XVFB_SCREEN, 1024x768x24 unless set), a config folder of our own, Qt on X.
start_display() {
  command -v Xvfb >/dev/null && command -v xdotool >/dev/null || fail "needs Xvfb and xdotool"
  mkdir -p "$work/config" "$work/runtime" && chmod 700 "$work/runtime" && rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 "${XVFB_SCREEN:-1024x768x24}" -nolisten tcp 3>"$work/display" \
    2>"$work/xvfb.log" &
  xvfb_pid=$!
  wait_for 20 test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
  export DISPLAY=":$(cat "$work/display")"
  export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb
}

# Starts q9convert with the arguments and waits for its main dialog.
start_window() {
  "$@" >"$work/app.log" 2>&1 &
  app_pid=$!
  main="$(timeout 30 xdotool search --sync --onlyvisible --name '^Q9100 Converter$' | head -n 1)" ||
    fail "the main dialog did not appear: $(cat "$work/app.log")"
}

in_main() { xdotool windowfocus --sync "$main" "$@"; }
# The id of a visible window with this title other than the main dialog.
other_window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | grep -vx "$main" | head -n 1 || true; }
has_other_window() { [ -n "$(other_window "$1")" ]; }
gone() { ! xdotool search --onlyvisible --name "$1" 2>/dev/null | grep -qx "$2"; }
main_height() { xdotool getwindowgeometry --shell "$main" | sed -n 's/^HEIGHT=//p'; }

# Runs the command (if any) until a window with the title appears, then
# presses the answer key in it until it has gone. A mnemonic can meet a
# button that its previous (animated) click is still enabling, so the
# command must bear repeating.
answer() {
  local title="$1" key="$2" id="" try
  shift 2
  for try in 1 2 3; do
    if [ "$#" -gt 0 ]; then "$@"; fi
    wait_for 10 has_other_window "$title" && break
  done
  id="$(other_window "$title")"
  [ -n "$id" ] || fail "no window '$title' after $*"
  for try in 1 2 3; do
    xdotool windowfocus --sync "$id" key --clearmodifiers "$key"
    wait_for 10 gone "$title" "$id" && return 0
  done
  fail "window '$title' did not close"
}

# The destination typed into its field, every file marked, Convert. Select
# All moves the focus to the list when its click lands, so the typing comes
# first; an "alt+c" that meets Convert still disabled types a "c" into the
# field, which the next try types over.
convert_into() {
  in_main key --clearmodifiers alt+9 ctrl+a
  in_main type "$1"
  in_main key --clearmodifiers alt+a
  in_main key --clearmodifiers alt+c
}

# Waits for the program to end after Close; fails on a non-zero status.
wait_closed() {
  wait_for 30 bash -c "! kill -0 $app_pid 2>/dev/null" || fail "Close did not end the program"
  local status=0
  wait "$app_pid" || status=$?
  app_pid=""
  [ "$status" -eq 0 ] || fail "q9convert exited with status $status: $(cat "$work/app.log")"
}
