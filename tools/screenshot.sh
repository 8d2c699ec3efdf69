#!/bin/sh
# Takes screenshots of the game under Xvfb: tools/screenshot.sh OUT.png [STEP]...
# A STEP is an xdotool key name (Return, F1, Down, p, ...), sleepN (N seconds), type:TEXT
# (typed as the keyboard would), shot:FILE.png (a screenshot on the way), resize:WxH (the
# window is asked to take that size), focus-away (another window takes the focus) or
# focus-back. OUT.png is taken after the last step.
# Environment: VEXMOOR_WM=openbox runs a window manager (default: none), VEXMOOR_SCREEN=WxH the
# desktop's size (default 680x680), VEXMOOR_ARGS more options (--scale 3 ...), VEXMOOR_CAMERA
# the --camera choice (default none), VEXMOOR_SETTINGS the thirteen values of a settings file,
# VEXMOOR_LOW_SCORES=1 a results file whose every score is -1 (so any game's score enters it),
# VEXMOOR_SAMPLE_SCORES=1 one of named players (a game of 2 points or more enters it).
# Needs: xvfb xauth xdotool imagemagick (and openbox for VEXMOOR_WM).
set -eu
out=$1
shift
bin=${VEXMOOR_BIN:-build/vexmoor}
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 ${VEXMOOR_SCREEN:-680x680}x24" "$0" "$out" "$@"
fi
data=$(mktemp -d)
export XDG_RUNTIME_DIR="$data"
[ -z "${VEXMOOR_SETTINGS:-}" ] || echo "$VEXMOOR_SETTINGS" >"$data/settings.txt"
# One record of the results file: a score below 256 and an ASCII name, as 4 + 256 bytes.
record() {
  printf "\\$(printf %03o "$1")\\000\\000\\000"
  printf '%s' "$2" | sed 's/./&\n/g' | while IFS= read -r c; do [ -n "$c" ] && printf '%s\000' "$c"; done
  head -c $((256 - 2 * ${#2})) /dev/zero
}
if [ -n "${VEXMOOR_SAMPLE_SCORES:-}" ]; then
  # Every level: five named players, the last on 1 point, so a game of 2 or more enters.
  for _ in 1 2 3 4 5; do
    record 23 Zoe && record 17 Bartek && record 12 Kim && record 6 Lou && record 1 Sam
  done >"$data/results.txt"
  head -c 512 /dev/zero >>"$data/results.txt"
fi
if [ -n "${VEXMOOR_LOW_SCORES:-}" ]; then
  # 5 levels x 5 records of (score -1, an empty name of 256 bytes), then the last name.
  for _ in $(seq 25); do printf '\377\377\377\377' && head -c 256 /dev/zero; done >"$data/results.txt"
  head -c 512 /dev/zero >>"$data/results.txt"
fi
if [ -n "${VEXMOOR_WM:-}" ]; then
  "$VEXMOOR_WM" >/dev/null 2>&1 &
  wm=$!
  sleep 1
fi
# shellcheck disable=SC2086 # VEXMOOR_ARGS holds several words
"$bin" --camera "${VEXMOOR_CAMERA:-none}" --data-dir "$data" --settings "$data/settings.txt" \
  ${VEXMOOR_ARGS:-} &
pid=$!
sleep 2
for step in "$@"; do
  case $step in
  sleep*) sleep "${step#sleep}" ;;
  type:*) xdotool type --delay 150 "${step#type:}" && sleep 0.3 ;;
  shot:*) import -window root "${step#shot:}" ;;
  resize:*)
    size=${step#resize:}
    xdotool search --pid "$pid" windowsize "${size%x*}" "${size#*x}" 2>/dev/null || true
    sleep 0.5
    ;;
  focus-away)
    xmessage -geometry +0+0 "elsewhere" &
    other=$!
    sleep 0.5
    xdotool search --pid "$other" windowfocus 2>/dev/null || true
    sleep 0.3
    ;;
  focus-back)
    xdotool search --pid "$pid" windowfocus 2>/dev/null || true
    kill "$other" 2>/dev/null || true
    sleep 0.3
    ;;
  *) xdotool key "$step" && sleep 0.3 ;;
  esac
done
import -window root "$out"
"$bin" --close
wait "$pid" || true
[ -z "${wm:-}" ] || kill "$wm"
rm -rf "$data"
