#!/bin/sh
# Takes a screenshot of the game under Xvfb: tools/screenshot.sh OUT.png [KEY|sleepN]...
# Keys are xdotool names (Return, F1, Down, ...). Needs: xvfb xauth xdotool imagemagick.
set -eu
out=$1
shift
bin=${VEXMOOR_BIN:-build/vexmoor}
data=$(mktemp -d)
run() {
  "$bin" --camera "${VEXMOOR_CAMERA:-none}" --data-dir "$data" --settings "$data/settings.txt" &
  pid=$!
  sleep 2
  for k in "$@"; do
    case $k in
    sleep*) sleep "${k#sleep}" ;;
    *) xdotool key "$k" && sleep 0.3 ;;
    esac
  done
  import -window root "$out"
  "$bin" --close
  wait "$pid"
}
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 520x680x24" "$0" "$out" "$@"
fi
run "$@"
rm -rf "$data"
