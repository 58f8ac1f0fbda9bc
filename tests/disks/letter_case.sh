#!/usr/bin/env bash
# Runs onto a destination that ignores letter case: an exFAT image, as on
# most USB disks. The source, on a disk that keeps case apart, is the
# reference throughout.
#
# Twins, names that differ only in case (A.txt and a.txt, folders Docs and
# docs), cannot both live on such a disk: one of each pair is copied, the
# other is refused as a failure naming both, and neither overwrites the
# other; a second run changes nothing. A name whose case alone changed in the
# source (Photos to photos) is the same entry on the disk: with Cleanup on,
# the next run gives the copy the new spelling and deletes nothing.
#
#   letter_case.sh TANDREL      (as root; exits 77, skipped, otherwise or
#                               where no exFAT image can be mounted)
set -euo pipefail
export LC_ALL=C

exe=$(realpath "$1")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/loop_image.sh"

loop_test_start letter-case mkfs.exfat losetup mount umount findmnt setsid cmp diff

failures=()
image=$work/exfat.img
disk=$work/disk
loop_make "$image" 64M mkfs.exfat
# The kernel's own driver where there is one, otherwise exFAT through FUSE.
if loop_mount "$image" "$disk" -t exfat 2>/dev/null; then
  driver=(-t exfat)
elif ! command -v mount.exfat-fuse >/dev/null; then
  fail "this kernel has no exFAT and mount.exfat-fuse is missing (scripts/install-deps.sh installs it)"
elif loop_mount "$image" "$disk" -t exfat-fuse; then
  driver=(-t exfat-fuse)
else
  skip "the exFAT image cannot be mounted here (no /dev/fuse?)"
fi
echo "exFAT mounted with ${driver[*]}"
# Without this the test would prove nothing.
: >"$disk/case-probe"
[ -e "$disk/CASE-PROBE" ] || fail "this exFAT mount keeps letter case apart"
rm "$disk/case-probe"

# Through FUSE the kernel keeps the names it has looked up as spelled, so a
# spelling the disk no longer holds can still be found for a second. Every
# run and every look starts on a fresh mount, which sees what the disk holds
# as the next time it is plugged in would.
remount() {
  loop_unmount "$disk"
  loop_mount "$image" "$disk" "${driver[@]}"
}

# A fresh copy of the program with one job, Cleanup on, from SOURCE to
# DESTINATION.
new_program() {  # NAME SOURCE DESTINATION
  local prog=$work/prog-$1
  mkdir -p "$prog" "$3"
  cp "$exe" "$prog/tandrel"
  printf '%s\r\n' '[Active Jobs]' '0=Docs' '' '[NonActive Jobs]' '' '[Docs]' \
    "Source=$2" "Destination=$3" 'FileMask=*.*' 'Always=0' 'Handle As Server=0' \
    'Handle As Client=0' 'Include SubDirs=1' 'Delete Empty SubDirs=0' \
    'Cleanup Destination=1' 'Verify=0' '' '[Synchronisation time]' 'Time=  :  ' \
    'Interval=0' '' '[Log]' 'LogFile=1' 'ExtendedLog=1' 'AppendLog=0' 'MultipleLog=0' \
    >"$prog/tandrel.cfg"
}

# One unattended run of the program NAME on a fresh mount: sets `rc`, and
# `out`, `err` and `log` to the files holding what it wrote.
run() {  # NAME
  local prog=$work/prog-$1 pid
  out=$prog/out err=$prog/err log=$prog/Log/Tandrel.log
  remount
  rc=0
  # As cron starts it: no display, so the run loads no window system.
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prog/tandrel" /SYNC >"$out" 2>"$err" &
  pid=$!
  loop_track "$pid" "$prog/tandrel"
  wait "$pid" || rc=$?
  loop_untrack "$pid"
}
show_run() {
  echo "--- $1: log, then standard error" >&2
  cat "$log" "$err" >&2 || true
}
# True when a failure line on standard error names both twins.
twins_named() {  # NAME OTHER-NAME
  grep -F 'could not' "$err" | grep -F "/$1" | grep -qF "/$2"
}
# Names, kinds, sizes and times of everything below FOLDER.
snapshot() { (cd "$1" && find . -printf '%p\t%y\t%s\t%T@\n' | sort); }

# Twins in the source.
scenario=twins
failed=${#failures[@]}
src=$work/src-twins dst=$disk/twins
mkdir -p "$src/Docs" "$src/docs"
echo upper >"$src/A.txt"
echo lower >"$src/a.txt"
echo one >"$src/Docs/x1.txt"
echo two >"$src/docs/x2.txt"
echo plain >"$src/plain.txt"
new_program "$scenario" "$src" "$dst"
run "$scenario"
[ "$rc" = 2 ] || failures+=("$scenario: the first run exited $rc, not 2")
twins_named A.txt a.txt || failures+=("$scenario: standard error does not say that A.txt and a.txt could not both be copied")
twins_named Docs docs || failures+=("$scenario: standard error does not say that Docs and docs could not both be copied")
remount
# One entry for each pair, holding what the source entry of its own spelling
# holds.
mapfile -t names < <(cd "$dst" && find . -mindepth 1 -maxdepth 1 -printf '%f\n' | sort -f)
[ "${names[*],,}" = "a.txt docs plain.txt" ] ||
  failures+=("$scenario: the destination holds \"${names[*]}\", not one of A.txt and a.txt, one of Docs and docs, and plain.txt")
for name in "${names[@]}"; do
  if [ -f "$src/$name" ] && cmp -s "$src/$name" "$dst/$name"; then
    continue
  elif [ -d "$src/$name" ] && diff -r "$src/$name" "$dst/$name" >&2; then
    continue
  fi
  failures+=("$scenario: $name on the disk is not the source's $name")
done
# Any entry the second run made, replaced or removed would set its folder's
# time to now.
find "$dst" -type d -exec touch -d @1000000000 {} +
before=$(snapshot "$dst")
run "$scenario"
[ "$rc" = 2 ] || failures+=("$scenario: the second run exited $rc, not 2")
remount
after=$(snapshot "$dst")
if [ "$before" != "$after" ]; then
  diff <(echo "$before") <(echo "$after") >&2 || true
  failures+=("$scenario: the second run changed the destination")
fi
[ "${#failures[@]}" = "$failed" ] || show_run "$scenario"

# A case-only rename in the source, with Cleanup on.
scenario=rename
failed=${#failures[@]}
src=$work/src-rename dst=$disk/rename
mkdir -p "$src/Photos"
echo first >"$src/Photos/p1.jpg"
echo second >"$src/Photos/p2.jpg"
echo readme >"$src/Readme.txt"
new_program "$scenario" "$src" "$dst"
run "$scenario"
remount
[ "$rc" = 0 ] && diff -r "$src" "$dst" >&2 ||
  fail "$scenario: the first run (exit $rc) did not copy the source as it is"
mv -T "$src/Photos" "$src/photos"
mv -T "$src/Readme.txt" "$src/README.TXT"
run "$scenario"
[ "$rc" = 0 ] || failures+=("$scenario: the run after the rename exited $rc, not 0")
! grep -iE 'cleaned up|delet|removed' "$log" "$out" "$err" >&2 ||
  failures+=("$scenario: the run after the rename deleted or cleaned up")
remount
# Names compared as spelled: every file there, under the source's spelling.
diff -r "$src" "$dst" >&2 ||
  failures+=("$scenario: after the rename the destination is not the source, spelling and all")
[ "${#failures[@]}" = "$failed" ] || show_run "$scenario"

loop_unmount "$disk"
if [ ${#failures[@]} -gt 0 ]; then
  printf 'FAILED: %s\n' "${failures[@]}" >&2
  exit 1
fi
echo "passed"
