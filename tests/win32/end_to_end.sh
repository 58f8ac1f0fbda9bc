#!/usr/bin/env bash
# The real tandrel.exe under Wine, as a scheduled task or a console user
# starts it: /SYNC and --preview over a small tree, their log lines (with
# the backslashes of Windows paths), exit codes 0, 2 and 3, the run lock
# held by another process, a link below the destination never followed,
# names made on Linux that Windows cannot use or reads its own way, and
# names that differ only in letter case.
#
#   end_to_end.sh TANDREL.EXE HOLD_LOCK.EXE   (WINEPREFIX set by CTest)
set -euo pipefail
exe=$1
hold=$2
here=$(cd "$(dirname "$0")" && pwd)
run() { bash "$here/../../scripts/wine-run.sh" "$@"; }
# Wine shows the Unix root as drive Z:.
win() { printf 'Z:%s' "${1//\//\\}"; }
fail() {
  echo "FAILED: $*" >&2
  exit 1
}
expect_line() {  # FILE LINE (Windows line ends or not)
  tr -d '\r' <"$1" | grep -qxF -- "$2" || {
    echo "--- $1:" >&2
    cat "$1" >&2
    fail "missing line: $2"
  }
}

work=$(mktemp -d)
holder=
finish() {
  # A lock holder left waiting would keep CTest waiting too.
  touch "$work/release"
  [ -z "$holder" ] || wait "$holder" 2>/dev/null || true
  rm -rf "$work"
}
trap finish EXIT
mkdir -p "$work/prog" "$work/S/sub" "$work/S/linked" "$work/D" "$work/outside"
cp "$exe" "$work/prog/tandrel.exe"
printf 'alpha' >"$work/S/a.txt"
printf 'beta' >"$work/S/sub/b.txt"
printf 'gamma' >"$work/S/linked/c.txt"
printf 'stale' >"$work/D/stale.txt"
printf 'precious' >"$work/outside/precious.txt"
# A folder link where the source has a folder: never entered, never cleaned.
ln -s "$work/outside" "$work/D/linked"

config="$work/prog/tandrel.cfg"
write_config() {  # JOB-NAME SOURCE DEST
  printf '[Active Jobs]\r\n0=%s\r\n\r\n[%s]\r\nSource=%s\r\nDestination=%s\r\nFileMask=*.*\r\n' \
    "$1" "$1" "$(win "$2")" "$(win "$3")" >"$config"
  printf 'Include SubDirs=1\r\nCleanup Destination=1\r\nVerify=1\r\n\r\n[Log]\r\nLogFile=1\r\nExtendedLog=1\r\n' \
    >>"$config"
}
write_config Docs "$work/S" "$work/D"
S=$(win "$work/S")
D=$(win "$work/D")

# --preview: what the run would do, nothing done; the link where a folder
# belongs is a failure to come (exit 2).
code=0
run "$work/prog/tandrel.exe" --preview >"$work/preview.out" 2>&1 || code=$?
[ "$code" = 2 ] || fail "--preview exited $code, expected 2"
expect_line "$work/preview.out" "Would delete file \"$D\\stale.txt\""
[ -f "$work/D/stale.txt" ] && [ ! -e "$work/D/a.txt" ] || fail "--preview changed the destination"

# /SYNC: the link is refused as a folder, so the run fails (exit 2), and
# nothing behind the link is written or deleted.
code=0
run "$work/prog/tandrel.exe" /SYNC 2>"$work/sync.err" || code=$?
[ "$code" = 2 ] || fail "/SYNC with a link in the destination exited $code, expected 2"
log="$work/prog/Log/Tandrel.log"
expect_line "$log" "File ... .C.. code 0 $S\\a.txt -> $D\\a.txt"
expect_line "$log" "File ... .C.. code 0 $S\\sub\\b.txt -> $D\\sub\\b.txt"
[ "$(cat "$work/D/a.txt")" = alpha ] && [ "$(cat "$work/D/sub/b.txt")" = beta ] || fail "copies differ"
[ ! -e "$work/D/stale.txt" ] || fail "the stale destination file was kept"
[ -L "$work/D/linked" ] || fail "the link was replaced"
[ "$(ls "$work/outside")" = precious.txt ] || fail "the link's target was changed: $(ls "$work/outside")"

# A clean run: exit 0, nothing on standard error.
rm "$work/D/linked"
mkdir "$work/D/linked"
code=0
run "$work/prog/tandrel.exe" /SYNC 2>"$work/clean.err" || code=$?
[ "$code" = 0 ] || fail "a clean /SYNC exited $code: $(cat "$work/clean.err")"
[ ! -s "$work/clean.err" ] || fail "a clean /SYNC wrote: $(cat "$work/clean.err")"
[ "$(cat "$work/D/linked/c.txt")" = gamma ] || fail "the folder that replaced the link was not filled"

# Another process holds the run lock: exit 3, nothing done.
printf 'new' >"$work/S/new.txt"
run "$hold" "$(win "$config")" "$(win "$work/release")" >"$work/hold.out" &
holder=$!
holds() { tr -d '\r' <"$work/hold.out" | grep -qx held; }
for _ in $(seq 100); do
  holds && break
  sleep 0.1
done
holds || fail "the lock holder did not take the lock: $(cat "$work/hold.out")"
code=0
run "$work/prog/tandrel.exe" /SYNC 2>"$work/busy.err" || code=$?
touch "$work/release"
wait "$holder" || true
holder=
[ "$code" = 3 ] || fail "a /SYNC beside a held lock exited $code, expected 3"
grep -q "Another run of this configuration is in progress" "$work/busy.err" || fail "no busy line: $(cat "$work/busy.err")"
[ ! -e "$work/D/new.txt" ] || fail "a busy run copied"

# Names made on Linux that Windows cannot reach as one entry (a backslash,
# a wildcard) or reads its own way (devices, a trailing dot or space): each
# unreachable one fails alone, the rest of its folder is copied and cleaned,
# and the preview's lines are the run's.
N=$work/names
ordinary=(a.txt aux.txt con nul.txt 'space ' dot. dirdot./f.txt z.txt)
mkdir -p "$N/S/dirdot." "$N/S/odd\\dir" "$N/D"
for name in "${ordinary[@]}" 'odd\name.txt' 'odd\dir/g.txt' 'odd*.txt'; do printf '%s' "$name" >"$N/S/$name"; done
printf 'stale' >"$N/D/stale.txt"
printf 'stale' >"$N/D/zz\\stale.txt"
write_config Names "$N/S" "$N/D"
code=0
run "$work/prog/tandrel.exe" --preview >"$work/names.preview" 2>/dev/null || code=$?
rm -f "$log"
run "$work/prog/tandrel.exe" /SYNC 2>/dev/null || code=$code$?
[ "$code" = 22 ] || fail "--preview and /SYNC of odd names exited $code, expected 2 and 2"
for name in "${ordinary[@]}"; do cmp -s "$N/S/$name" "$N/D/$name" || fail "\"$name\" was not copied"; done
[ ! -e "$N/D/stale.txt" ] || fail "the folder holding odd names was not cleaned"
NS=$(win "$N/S") ND=$(win "$N/D")
expect_line "$log" "File ... .C.. code 123 $NS\\odd\\name.txt -> $ND\\odd\\name.txt"
expect_line "$log" "Reading dir \"$NS\\odd\\dir\\\" failed, errorcode: 123"
expect_line "$log" "Deleting file \"$ND\\zz\\stale.txt\" failed, errorcode: 123"
diff <(tr -d '\r' <"$work/names.preview" | grep -v -e '^Synchronisation started' -e '^Would delete' -e '^Preview: ') \
  <(tr -d '\r' <"$log" | grep -v '^Synchronisation started') >&2 || fail "the preview's lines differ from the run's"

# Names made on Linux that differ only in letter case, which Windows does
# not tell apart: the first in the listing is copied, the other fails alone
# and overwrites nothing; a name whose case alone changed keeps its copy,
# renamed, rather than losing it to the cleanup.
C=$work/case
mkdir -p "$C/S" "$C/D"
printf 'upper' >"$C/S/A.txt"
printf 'lower' >"$C/S/a.txt"
printf 'keep' >"$C/S/Readme.txt"
write_config Case "$C/S" "$C/D"
rm -f "$log"
code=0
run "$work/prog/tandrel.exe" /SYNC 2>"$work/case.err" || code=$?
[ "$code" = 2 ] || fail "/SYNC with twins exited $code, expected 2"
grep -q "has the same name in another letter case" "$work/case.err" || fail "no twin line: $(cat "$work/case.err")"
copied=$(cd "$C/D" && ls -- [Aa].txt)
[ "$(printf '%s\n' "$copied" | wc -l)" = 1 ] && cmp -s "$C/S/$copied" "$C/D/$copied" ||
  fail "the twins' copy is not one of them whole: $copied"
rm "$C/S/A.txt" "$C/S/a.txt"
mv "$C/S/Readme.txt" "$C/S/README.TXT"
code=0
run "$work/prog/tandrel.exe" /SYNC 2>"$work/case.err" || code=$?
[ "$code" = 0 ] || fail "/SYNC after a case-only rename exited $code: $(cat "$work/case.err")"
# Wine keeps a Linux name's spelling through a rename that changes only its
# case; Windows itself takes the new one.
kept=$(ls "$C/D")
case $kept in Readme.txt | README.TXT) ;; *) fail "the renamed file's copy: $kept" ;; esac
[ "$(cat "$C/D/$kept")" = keep ] || fail "the renamed file's copy changed"
expect_line "$log" "Renamed \"$(win "$C/D")\\Readme.txt\" to \"$(win "$C/D")\\README.TXT\""

echo "end-to-end: passed"
