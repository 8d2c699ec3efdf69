#!/bin/sh
# Records a game played by the real program under Xvfb, for tests/replay/:
#   tools/record_game.sh OUT.rec CAMERA "SETTINGS" STEP...
# CAMERA is a --camera choice (none, test, ...); SETTINGS the thirteen values of a settings
# file. A STEP is an xdotool key name (Return, F1, Down, 3, ...), sleepN (N seconds),
# arrowsN (N seconds of arrow keys at random moments) or type:TEXT. The game is closed with
# --close at the end. Needs: xvfb xauth xdotool.
set -eu
out=$1
camera=$2
settings=$3
shift 3
bin=${VEXMOOR_BIN:-build/vexmoor}
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 520x680x24" "$0" "$out" "$camera" "$settings" "$@"
fi
data=$(mktemp -d)
export XDG_RUNTIME_DIR="$data"
echo "$settings" >"$data/settings.txt"
"$bin" --camera "$camera" --data-dir "$data" --settings "$data/settings.txt" --record "$out" &
pid=$!
sleep 2
for step in "$@"; do
  case $step in
  sleep*) sleep "${step#sleep}" ;;
  type:*) xdotool type --delay 150 "${step#type:}" && sleep 0.3 ;;
  arrows*)
    end=$(($(date +%s) + ${step#arrows}))
    while [ "$(date +%s)" -lt "$end" ]; do
      xdotool key "$(shuf -n1 -e Up Down Left Right)"
      sleep "$(printf "0.%02d" "$(shuf -i 5-60 -n1)")"
    done
    ;;
  *) xdotool key "$step" && sleep 0.4 ;;
  esac
done
"$bin" --close
wait "$pid"
rm -rf "$data"
