#!/usr/bin/env bash
# Screenshot of the main window after a run, for the README: the demonstration
# tree of demo.sh, the program started resident under Xvfb with its
# synchronisation time set to the coming minute, and the screen taken once the
# timed run has written its log. Takes up to two minutes.
#   screenshot.sh [build-dir] [output.png]
set -euo pipefail
build="${1:-build}"
out="${2:-docs/main-window.png}"
cd "$(dirname "$0")/.."
for tool in xvfb-run import; do
  command -v "$tool" >/dev/null || { echo "screenshot: $tool is missing (make deps installs it)" >&2; exit 1; }
done

bash scripts/demo.sh "$build" --prepare-only
demo="$build/demo"
cfg="$demo/tandrel.cfg"

# The due minute must begin after the first tick (10 s after the start), so
# that the timer is armed before it: late in a minute, take the one after.
seconds=$(date +%S)
ahead=$(( 10#$seconds < 40 ? 1 : 2 ))
due=$(date -d "+$ahead min" +%H:%M)
sed -i "s/^Time=.*\r$/Time=$due\r/" "$cfg"
grep -q "^Time=$due" "$cfg"
echo "screenshot: the run falls due at $due"

mkdir -p "$(dirname "$out")"
SHOT_OUT="$(cd "$(dirname "$out")" && pwd)/$(basename "$out")"
export SHOT_DEMO="$demo" SHOT_OUT
# shellcheck disable=SC2016  # expanded by the inner shell
xvfb-run -a -s "-screen 0 760x600x24" bash -c '
  set -u
  if command -v openbox >/dev/null; then openbox >/dev/null 2>&1 & wm=$!; else wm=; fi
  cd "$SHOT_DEMO"
  # A 24-hour clock, so that the long time text begins with hh:mm.
  LC_ALL=C.UTF-8 ./tandrel >/dev/null 2>&1 & program=$!
  for _ in $(seq 1 150); do
    grep -q "Source directory does not exist" Log/Tandrel.log 2>/dev/null && break
    sleep 1
  done
  sleep 1
  import -window root "$SHOT_OUT"; status=$?
  kill $program ${wm:+$wm}
  exit $status
'
grep -q "Source directory does not exist" "$demo/Log/Tandrel.log" || { echo "screenshot: no run happened" >&2; exit 1; }
echo "screenshot: $out"
