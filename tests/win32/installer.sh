#!/usr/bin/env bash
# The setup program under Wine, as a user or an administrator's script runs
# it: a silent install, its files, Start-menu entry, log-on start and
# Add/Remove Programs entry; the installed copy's configuration and logs in
# the user's folders, through --help and a /SYNC run; a silent uninstall
# that leaves those alone. Skipped (77) when there is no setup program.
#
#   installer.sh SETUP.EXE   (WINEPREFIX set by CTest)
set -euo pipefail
setup=$1
if ! command -v makensis >/dev/null || [ ! -f "$setup" ]; then
  echo "SKIPPED: no setup program (NSIS missing?)"
  exit 77
fi
here=$(cd "$(dirname "$0")" && pwd)
run() { bash "$here/../../scripts/wine-run.sh" "$@"; }
win() { printf 'Z:%s' "${1//\//\\}"; }
# C:\... as the Unix side sees it.
unix() {
  local p=${1//\\//}
  printf '%s/drive_c%s' "$WINEPREFIX" "${p#C:}"
}
fail() {
  echo "FAILED: $*" >&2
  exit 1
}
has_line() {  # FILE LINE
  tr -d '\r' <"$1" | grep -qxF -- "$2" || {
    cat "$1" >&2
    fail "missing line in $1: $2"
  }
}

appdata=$(run cmd /c 'echo %APPDATA%' | tr -d '\r')
localappdata=$(run cmd /c 'echo %LOCALAPPDATA%' | tr -d '\r')
program_dir="$WINEPREFIX/drive_c/Program Files/Tandrel"
shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tandrel.lnk"
config_dir=$(unix "$appdata\\Tandrel")
log_dir=$(unix "$localappdata\\Tandrel\\Log")
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tandrel'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
work=$(mktemp -d)
clean() { rm -rf "$program_dir" "$config_dir" "$(dirname "$log_dir")"; }
trap 'clean; rm -rf "$work"' EXIT
clean

run "$setup" /S || fail "setup exited with $?"
for f in tandrel.exe tandrel.html README.txt installed.txt uninstall.exe; do
  [ -f "$program_dir/$f" ] || fail "not installed: $f"
done
[ -f "$shortcut" ] || fail "no Start-menu shortcut"
run reg query "$uninstall_key" >"$work/key.txt" || fail "no uninstall key"
for value in 'DisplayName REG_SZ Tandrel' 'DisplayVersion REG_SZ 1.0.0.1' 'Publisher REG_SZ Kolvane' \
  'UninstallString REG_SZ "C:\Program Files\Tandrel\uninstall.exe"'; do
  tr -d '\r' <"$work/key.txt" | sed 's/^ *//; s/  */ /g' | grep -qxF -- "$value" || fail "uninstall key lacks $value"
done
run reg query "$run_key" /v Tandrel | tr -d '\r' | grep -qF '"C:\Program Files\Tandrel\tandrel.exe" --minimized' ||
  fail "no start at log-on"

# The installed copy names the user's folders, and its manual beside it.
run 'C:\Program Files\Tandrel\tandrel.exe' --help >"$work/help.txt"
has_line "$work/help.txt" "Configuration: $appdata\\Tandrel\\tandrel.cfg"
has_line "$work/help.txt" "Log folder:    $localappdata\\Tandrel\\Log\\"
has_line "$work/help.txt" 'Manual:        C:\Program Files\Tandrel\tandrel.html'

# The first start makes the configuration's folder; a run with the
# configuration there makes its Log folder where none of its parents existed.
run 'C:\Program Files\Tandrel\tandrel.exe' /SYNC 2>/dev/null || fail "/SYNC without a configuration exited with $?"
[ -d "$config_dir" ] || fail "no folder for the configuration: $config_dir"
mkdir -p "$work/S" "$work/D"
printf 'alpha' >"$work/S/a.txt"
printf '[Active Jobs]\r\n0=Docs\r\n\r\n[Docs]\r\nSource=%s\r\nDestination=%s\r\nFileMask=*.*\r\n\r\n[Log]\r\nLogFile=1\r\n' \
  "$(win "$work/S")" "$(win "$work/D")" >"$config_dir/tandrel.cfg"
run 'C:\Program Files\Tandrel\tandrel.exe' /SYNC || fail "/SYNC exited with $?"
[ "$(cat "$work/D/a.txt" 2>/dev/null)" = alpha ] || fail "the run copied nothing"
[ -s "$log_dir/Tandrel.log" ] || fail "no log in $log_dir"
[ ! -e "$program_dir/Log" ] || fail "a Log folder beside the installed program"

# The uninstaller runs from a copy of itself and returns at once: wait for it.
run 'C:\Program Files\Tandrel\uninstall.exe' /S
for _ in $(seq 100); do
  [ -e "$program_dir" ] || break
  sleep 0.2
done
[ ! -e "$program_dir" ] || fail "left behind: $(ls "$program_dir")"
[ ! -e "$shortcut" ] || fail "the Start-menu shortcut stayed"
! run reg query "$uninstall_key" >/dev/null 2>&1 || fail "the uninstall key stayed"
! run reg query "$run_key" /v Tandrel >/dev/null 2>&1 || fail "the start at log-on stayed"
[ -f "$config_dir/tandrel.cfg" ] && [ -f "$log_dir/Tandrel.log" ] || fail "the user's files went too"
echo "installer: passed"
