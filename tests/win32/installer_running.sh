#!/usr/bin/env bash
# The installed program running, as from log-on: a second start shows it and
# ends; setup and uninstaller end it before touching its files. Runs under
# with_display.sh; skipped (77) without a setup program.
#
#   installer_running.sh SETUP.EXE RESIDENT_PROBE.EXE
set -uo pipefail
setup=$1 probe=$2
[ -f "$setup" ] || { echo "SKIPPED: no setup program (NSIS missing?)"; exit 77; }
program='C:\Program Files\Tandrel\tandrel.exe'
program_dir="$WINEPREFIX/drive_c/Program Files/Tandrel"
fail() { echo "FAILED: $*" >&2; exit 1; }
start_resident() {
  wine "$program" --minimized >/dev/null 2>&1 &
  resident=$!
  wine "$probe" "$program" || fail "the program did not become resident"
}
ended() {  # the resident copy, within a minute
  for _ in $(seq 300); do kill -0 "$resident" 2>/dev/null || return 0; sleep 0.2; done
  return 1
}

wine "$setup" /S || fail "setup exited with $?"
start_resident
wine "$program" || fail "a second start exited with $?"
kill -0 "$resident" 2>/dev/null || fail "the resident copy ended at a second start"

wine "$setup" /S || fail "setup over the running program exited with $?"
ended || fail "setup left the program running"
[ -f "$program_dir/tandrel.exe" ] || fail "setup over the running program left no tandrel.exe"

# The uninstaller runs from a copy of itself and returns at once.
start_resident
wine "$program_dir/uninstall.exe" /S
ended || fail "the uninstaller left the program running"
for _ in $(seq 100); do [ -e "$program_dir" ] && sleep 0.2; done
[ ! -e "$program_dir" ] || fail "left behind: $(ls "$program_dir")"
echo "installer with the program running: passed"
