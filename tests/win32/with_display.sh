#!/usr/bin/env bash
# Runs a Windows test program that makes real windows, or a script that
# starts such programs with `wine`: under Wine, on an Xvfb display of its
# own, with a Wine prefix and wineserver of its own (the shared one may have
# its desktop on no display). Skips (77) where Xvfb or Wine is missing.
# Everything it starts, it stops.
#
#   with_display.sh PREFIX PROGRAM.exe|SCRIPT.sh [ARGUMENTS...]
set -uo pipefail
prefix=$1
shift
for tool in Xvfb wine wineserver; do
  command -v "$tool" >/dev/null || { echo "with_display: $tool is missing, skipped" >&2; exit 77; }
done
export WINEPREFIX=$prefix WINEDEBUG=-all LANG=en_GB.UTF-8 LC_ALL=en_GB.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# Xvfb picks a free display and tells its number once it listens.
exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
read -r -t 10 -u "$fd" display || { kill "$xvfb" 2>/dev/null; echo "with_display: Xvfb did not start, skipped" >&2; exit 77; }
export DISPLAY=:$display

cleanup() {
  wineserver -k 2>/dev/null
  kill "$xvfb" 2>/dev/null
  wait "$xvfb" 2>/dev/null
}
trap cleanup EXIT

mkdir -p "$WINEPREFIX"
wineserver -p </dev/null >/dev/null 2>&1
# The first start makes the prefix; later ones find it.
wineboot -i </dev/null >/dev/null 2>&1
if [[ $1 == *.sh ]]; then
  timeout 240 bash "$@"
else
  timeout 240 wine "$@"
fi
