#!/usr/bin/env bash
# The installed program while it runs, as it does from log-on: a second
# start shows the resident copy and ends; the setup program replaces it and
# the uninstaller removes it, each ending the running copy first, never
# reporting success with its files left. Runs under with_display.sh (the
# resident copy needs a display); skipped (77) without a setup program.
#
#   installer_running.sh SETUP.EXE RESIDENT_PROBE.EXE
set -uo pipefail
setup=$1
probe=$2
if ! command -v makensis >/dev/null || [ ! -f "$setup" ]; then
  echo "SKIPPED: no setup program (NSIS missing?)"
  exit 77
fi
program='C:\Program Files\Tandrel\tandrel.exe'
program_dir="$WINEPREFIX/drive_c/Program Files/Tandrel"
fail() {
  echo "FAILED: $*" >&2
  exit 1
}
# Starts the installed program as log-on does and waits until it is resident.
start_resident() {
  wine "$program" --minimized >/dev/null 2>&1 &
  resident=$!
  wine "$probe" "$program" || fail "the program did not become resident"
}
# Waits (a minute at most) for the resident copy's process to end.
resident_ended() {
  for _ in $(seq 300); do
    kill -0 "$resident" 2>/dev/null || return 0
    sleep 0.2
  done
  return 1
}

wine "$setup" /S || fail "setup exited with $?"
start_resident

# A second start shows the resident copy and ends (wine returns when it
# has); the resident copy goes on.
wine "$program" || fail "a second start exited with $?"
kill -0 "$resident" 2>/dev/null || fail "the resident copy ended at a second start"

# The setup program ends the running copy before it replaces the files.
wine "$setup" /S || fail "setup over the running program exited with $?"
resident_ended || fail "setup left the program running"
[ -f "$program_dir/tandrel.exe" ] || fail "setup over the running program left no tandrel.exe"

# The uninstaller does too, and takes everything; it runs from a copy of
# itself and returns at once: wait for it.
start_resident
wine "$program_dir/uninstall.exe" /S
resident_ended || fail "the uninstaller left the program running"
for _ in $(seq 100); do
  [ -e "$program_dir" ] || break
  sleep 0.2
done
[ ! -e "$program_dir" ] || fail "left behind: $(ls "$program_dir")"
echo "installer with the program running: passed"
