#!/usr/bin/env bash
# Starts the program. On a machine without a display a resident program would
# show nothing, so the demonstration run takes its place.
#   run.sh [build-dir] [arguments for the program...]
set -euo pipefail
build="${1:-build}"
shift || true
cd "$(dirname "$0")/.."
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run: no display (neither DISPLAY nor WAYLAND_DISPLAY is set), so here is 'make demo' instead."
  echo "run: on a desktop, 'make run' starts $build/tandrel with its window and tray icon."
  echo
  exec bash scripts/demo.sh "$build"
fi
exec "$build/tandrel" "$@"
