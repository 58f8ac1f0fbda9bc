#!/usr/bin/env bash
# Starts or stops the wineserver that every Windows test shares: a server
# that stays (`-p`) saves seconds per process, and one left behind after the
# tests would cost the next start as much.
#
#   wine-server.sh start|stop PREFIX
set -euo pipefail
export WINEPREFIX=$2
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
case "$1" in
  start)
    mkdir -p "$WINEPREFIX"
    wineserver -p </dev/null >/dev/null 2>&1
    # The first start makes the prefix (a few seconds); later ones find it.
    wineboot -i </dev/null >/dev/null 2>&1 || true
    # A name beginning with a dot hides nothing on Windows; Wine hides it
    # unless told otherwise.
    wine reg add 'HKCU\Software\Wine' /v ShowDotFiles /d Y /f </dev/null >/dev/null 2>&1
    ;;
  stop)
    wineserver -k 2>/dev/null || true
    ;;
esac
