#!/usr/bin/env bash
# One synchronisation run on a small demonstration tree, so that a newcomer
# sees what the program does in a few seconds: a copy of the executable under
# <build>/demo with its own configuration, one "/SYNC" run, and the log file.
#   demo.sh [build-dir] [--prepare-only]   (the latter stops before the run)
set -euo pipefail
build="${1:-build}"
prepare_only="${2:-}"
cd "$(dirname "$0")/.."
demo="$build/demo"

if [ ! -x "$build/tandrel" ]; then
  echo "demo: $build/tandrel is missing; run 'make build' first" >&2
  exit 1
fi

rm -rf "$demo"
mkdir -p "$demo"
cp "$build/tandrel" "$demo/tandrel"
# The manual beside the copy, where its Help menu looks.
if [ -f "$build/tandrel.html" ]; then cp "$build/tandrel.html" "$demo/tandrel.html"; fi
demo_abs="$(cd "$demo" && pwd)"
src="$demo_abs/Documents"
dst="$demo_abs/Backup"

# The source tree: a few documents in two levels, and some photos.
mkdir -p "$src/letters" "$src/reports/2026" "$src/photos" "$dst/letters" "$dst/old-stuff"
printf 'Dear reader,\nthis letter is new.\n' >"$src/letters/welcome.txt"
printf 'Meeting notes\n' >"$src/letters/notes.txt"
printf 'Quarter figures\n' >"$src/reports/2026/q3.csv"
printf 'Summary\n' >"$src/reports/summary.txt"
head -c 20000 /dev/urandom >"$src/photos/beach.jpg"
head -c 30000 /dev/urandom >"$src/photos/mountain.jpg"
printf 'not a photo\n' >"$src/photos/list.txt"
# The backup already holds an older notes file, and things the source no
# longer has, which the cleanup removes.
printf 'Old meeting notes\n' >"$dst/letters/notes.txt"
touch -d '2020-01-01 12:00' "$dst/letters/notes.txt"
printf 'gone from the source\n' >"$dst/letters/obsolete.txt"
printf 'an old folder\n' >"$dst/old-stuff/readme.txt"

# The configuration file beside the executable, as the dialogs write it.
{
  printf '[Active Jobs]\r\n0=Documents\r\n1=Photos\r\n2=Music\r\n\r\n'
  printf '[NonActive Jobs]\r\n0=Old archive\r\n\r\n'
  printf '[Documents]\r\nSource=%s\r\nDestination=%s\r\nFileMask=*.*\r\n' "$src" "$dst"
  printf 'Always=0\r\nHandle As Server=0\r\nHandle As Client=0\r\nInclude SubDirs=1\r\n'
  printf 'Delete Empty SubDirs=0\r\nCleanup Destination=1\r\nVerify=1\r\n\r\n'
  printf '[Photos]\r\nSource=%s/photos\r\nDestination=%s/PhotoServer\r\nFileMask=*.jpg\r\n' "$src" "$demo_abs"
  printf 'Always=0\r\nHandle As Server=1\r\nHandle As Client=0\r\nInclude SubDirs=0\r\n'
  printf 'Delete Empty SubDirs=0\r\nCleanup Destination=0\r\nVerify=0\r\n\r\n'
  printf '[Music]\r\nSource=%s/Music\r\nDestination=%s/Music\r\nFileMask=*.*\r\n\r\n' "$demo_abs" "$dst"
  printf '[Old archive]\r\nSource=/nonexistent\r\nDestination=/nonexistent\r\nFileMask=*.*\r\n\r\n'
  printf '[Synchronisation time]\r\nTime=  :  \r\nInterval=0\r\n\r\n'
  printf '[Log]\r\nLogFile=1\r\nExtendedLog=1\r\nAppendLog=0\r\nMultipleLog=0\r\n'
} >"$demo/tandrel.cfg"
mkdir -p "$demo/PhotoServer"
[ "$prepare_only" = "--prepare-only" ] && exit 0

echo "demo: one run of $demo/tandrel /SYNC (source $src, destination $dst)"
# A console demonstration: no window, even where a display exists, as from cron.
status=0
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$demo/tandrel" /SYNC || status=$?
echo "demo: exit code $status; the log file $demo/Log/Tandrel.log reads:"
echo
tr -d '\r' <"$demo/Log/Tandrel.log"
# The Music job's folder is missing on purpose, so the run reports a failure
# (exit code 2, its line also on standard error); only a start-up error ends
# the demonstration with an error.
if [ "$status" = 2 ]; then
  echo
  echo "demo: exit code 2 tells a caller that the run reported a failure: here the Music job, whose folder does not exist."
  status=0
fi
exit "$status"
