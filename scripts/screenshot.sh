#!/usr/bin/env bash
# Real-window check: starts the built program on the built-in simulated sensor, waits for
# the start-up, optionally clicks a few points of the main panel, and saves a screenshot
# of the whole screen. Builds nothing.
#
#   scripts/screenshot.sh [options] [BINARY [PNG]]
#
#   BINARY            the program (default build/qrox of the project)
#   PNG               the screenshot (default out/screenshot.png of the project)
#   --wait SECONDS    time for the start-up before the first click/screenshot (default 4)
#   --click X,Y[,B]   click mouse button B (default 1 = left, 3 = right) at X,Y of the
#                     screen (the main panel lies at 0,0 when no window manager runs);
#                     may be given several times, 1.5 s apart
#   --after SECONDS   time after the last click before the screenshot (default 3)
#   --screen WxH      size of the virtual screen (default 1280x800; at QT_SCALE_FACTOR=2
#                     the main panel needs 2100x1500)
#   --                the rest of the arguments go to the program (after --port sim)
#
# Without DISPLAY a virtual X server (Xvfb, --screen, 24 bits) is started on :99, or on the
# next free display if :99 is taken, and stopped at the end.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
binary=$root/build/qrox
png=$root/out/screenshot.png
wait_s=4
after_s=3
screen=1280x800
clicks=()
extra=()
positional=()

while [ $# -gt 0 ]; do
  case "$1" in
    --wait) wait_s=${2:?--wait needs seconds}; shift 2 ;;
    --after) after_s=${2:?--after needs seconds}; shift 2 ;;
    --click) clicks+=("${2:?--click needs X,Y}"); shift 2 ;;
    --screen) screen=${2:?--screen needs WxH}; shift 2 ;;
    --help|-h) sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    --) shift; extra=("$@"); break ;;
    -*) echo "screenshot.sh: unknown option $1" >&2; exit 2 ;;
    *) positional+=("$1"); shift ;;
  esac
done
[ ${#positional[@]} -ge 1 ] && binary=${positional[0]}
[ ${#positional[@]} -ge 2 ] && png=${positional[1]}

for tool in import xdotool; do
  command -v "$tool" >/dev/null || { echo "screenshot.sh: $tool is missing (scripts/setup.sh)" >&2; exit 1; }
done
if [ ! -x "$binary" ]; then
  echo "screenshot.sh: no program at $binary (build it first)" >&2
  exit 1
fi
mkdir -p "$(dirname "$png")"

xvfb_pid=""
app_pid=""
app_log=$(mktemp /tmp/qrox-screenshot.XXXXXX.log)

stop_pid() {  # pid: TERM, up to 3 s grace, then KILL
  local pid=$1
  [ -n "$pid" ] || return 0
  kill -0 "$pid" 2>/dev/null || return 0
  kill -TERM "$pid" 2>/dev/null || true
  for _ in $(seq 30); do
    kill -0 "$pid" 2>/dev/null || { wait "$pid" 2>/dev/null || true; return 0; }
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

cleanup() {
  stop_pid "$app_pid"
  stop_pid "$xvfb_pid"
  rm -f "$app_log"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Starts Xvfb on display $1; succeeds when this very server (its pid in the display's
# lock file) answers, fails when it ends or does not answer within 5 s.
start_xvfb() {
  local n=$1 owner
  Xvfb ":$n" -screen 0 "${screen}x24" -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do
    kill -0 "$xvfb_pid" 2>/dev/null || break
    owner=$({ tr -d ' \n' <"/tmp/.X${n}-lock"; } 2>/dev/null || true)
    if [ "$owner" = "$xvfb_pid" ] && DISPLAY=":$n" timeout 2 xdotool getdisplaygeometry >/dev/null 2>&1; then
      return 0
    fi
    sleep 0.1
  done
  stop_pid "$xvfb_pid"
  xvfb_pid=""
  return 1
}

if [ -z "${DISPLAY:-}" ]; then
  command -v Xvfb >/dev/null || { echo "screenshot.sh: Xvfb is missing (scripts/setup.sh)" >&2; exit 1; }
  # :99, or the next display that is free (another check may be running at the same time).
  for n in $(seq 99 130); do
    [ -e "/tmp/.X${n}-lock" ] && continue
    if start_xvfb "$n"; then export DISPLAY=":$n"; break; fi
  done
  if [ -z "${DISPLAY:-}" ]; then
    echo "screenshot.sh: no virtual X server could be started" >&2
    exit 1
  fi
fi

QT_QPA_PLATFORM=xcb "$binary" --port sim ${extra[@]+"${extra[@]}"} >"$app_log" 2>&1 &
app_pid=$!

sleep "$wait_s"
if ! kill -0 "$app_pid" 2>/dev/null; then
  echo "screenshot.sh: the program ended before the screenshot; its output:" >&2
  cat "$app_log" >&2
  exit 1
fi

for c in ${clicks[@]+"${clicks[@]}"}; do
  IFS=, read -r x y button <<<"$c"
  timeout 5 xdotool mousemove "$x" "$y" click "${button:-1}" ||
    echo "screenshot.sh: click at $c failed" >&2
  sleep 1.5
done
[ ${#clicks[@]} -gt 0 ] && sleep "$after_s"

timeout 20 import -window root "$png"
echo "screenshot: $png"
