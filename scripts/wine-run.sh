#!/usr/bin/env bash
# Runs a Windows program of the cross build under Wine, as CTest's emulator:
# the build folder's own Wine prefix, no Wine debug output, and the
# persistent wineserver that `wine-server.sh start` left running.
#
#   wine-run.sh PROGRAM.exe [ARGUMENTS...]
set -euo pipefail
export WINEPREFIX=${WINEPREFIX:-$(dirname "$(readlink -f "$0")")/../build-windows/wineprefix}
export WINEDEBUG=-all
# No dialog asks for Mono or Gecko, and no console window opens.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# One locale for every run (times read "14:30"), given to Wine alone: the
# Unix side need not have it.
exec env LANG=en_GB.UTF-8 LC_ALL=en_GB.UTF-8 wine "$@"
