#!/usr/bin/env bash
# How the main window answers while a run goes on: the time from a key press
# that opens a menu until the menu is on the screen, and from Stop until the
# run's last line is in its log file. The run copies one folder of 20,000
# files, from a cold cache where the system lets us drop it. Needs Xvfb,
# openbox and xdotool; prints medians and maxima in milliseconds. With
# RESPONSIVENESS_WINE=1 it measures the Windows program of build-windows
# under Wine instead.
# Usage: bench/responsiveness.sh [BUILD_DIR]
set -euo pipefail

BUILD=$(realpath "${1:-build}")
FILES=${RESPONSIVENESS_FILES:-20000}
ROOT=$(mktemp -d "${TMPDIR:-/tmp}/tandrel-resp-XXXXXX")
DISPLAY_NUMBER=${RESPONSIVENESS_DISPLAY:-:87}
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$ROOT"
}
trap cleanup EXIT

now_ms() { echo $(($(date +%s%N) / 1000000)); }
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
max() { printf '%s\n' "$@" | sort -n | tail -n1; }

mkdir -p "$ROOT/S" "$ROOT/D" "$ROOT/prog"
for ((i = 0; i < FILES; i++)); do printf '%s' "$i" >"$ROOT/S/file$i.txt"; done
source_path=$ROOT/S dest_path=$ROOT/D
if [ "${RESPONSIVENESS_WINE:-0}" = 1 ]; then
  WINDOWS_BUILD=$(realpath "$BUILD/../build-windows")
  cp "$WINDOWS_BUILD/src/win32ui/tandrel.exe" "$ROOT/prog/tandrel.exe"
  start_program() { wine "$ROOT/prog/tandrel.exe" >/dev/null 2>&1 & }
  source_path="Z:${ROOT//\//\\}\\S" dest_path="Z:${ROOT//\//\\}\\D"
  export WINEPREFIX="$WINDOWS_BUILD/wineprefix" WINEDEBUG=-all
  wineserver -p
  config="$ROOT/prog/tandrel.cfg"
else
  cp "$BUILD/tandrel" "$ROOT/prog/tandrel"
  start_program() { "$ROOT/prog/tandrel" >/dev/null 2>&1 & }
  config="$ROOT/prog/tandrel.cfg"
fi
printf '[Active Jobs]\r\n0=Big\r\n\r\n[Big]\r\nSource=%s\r\nDestination=%s\r\nFileMask=*.*\r\n\r\n[Log]\r\nLogFile=1\r\nExtendedLog=1\r\n' \
  "$source_path" "$dest_path" >"$config"

Xvfb "$DISPLAY_NUMBER" -screen 0 1024x768x24 >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$DISPLAY_NUMBER
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 0.5

# The windows on the screen now (a menu is one of its own).
shown() { xdotool search --onlyvisible --name '' 2>/dev/null | wc -l; }

# One round: a run started from the menu; menus opened and closed while it
# goes on; then Stop.
round() {
  sync
  echo 3 >/proc/sys/vm/drop_caches 2>/dev/null || true
  rm -rf "$ROOT/D" "$ROOT/prog/Log"
  mkdir -p "$ROOT/D"
  start_program
  local pid=$!
  pids+=("$pid")
  local window=""
  for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name "Directory Synchronisation" 2>/dev/null | head -n1) && [ -n "$window" ] && break
    sleep 0.1
  done
  xdotool windowactivate --sync "$window" 2>/dev/null || true
  xdotool key --window "$window" alt+a s
  sleep 0.3
  local base
  base=$(shown "$pid")
  for _ in 1 2 3 4 5; do
    local start end
    start=$(now_ms)
    xdotool key --window "$window" alt+c
    while [ "$(shown "$pid")" -le "$base" ]; do sleep 0.005; done
    end=$(now_ms)
    menu_times+=($((end - start)))
    xdotool key Escape Escape
    while [ "$(shown "$pid")" -gt "$base" ]; do sleep 0.005; done
    sleep 0.2
  done
  local start end
  start=$(now_ms)
  xdotool key --window "$window" alt+a t
  until grep -aq "Synchronisation stopped by the user" "$ROOT/prog/Log/Tandrel.log" 2>/dev/null; do sleep 0.005; done
  end=$(now_ms)
  stop_times+=($((end - start)))
  copied=$(find "$ROOT/D" -type f | wc -l)
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  if [ "${RESPONSIVENESS_WINE:-0}" = 1 ]; then wineserver -k 2>/dev/null || true; fi
}

menu_times=()
stop_times=()
for _ in 1 2 3; do round; done
echo "menus opened during a run: median $(median "${menu_times[@]}") ms, at most $(max "${menu_times[@]}") ms (target 100)"
echo "Stop to the run's last line: median $(median "${stop_times[@]}") ms, at most $(max "${stop_times[@]}") ms (target 500; $copied of $FILES files copied when stopped)"
