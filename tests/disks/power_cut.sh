#!/usr/bin/env bash
# What a power cut leaves of a run on an ext4 disk. The disk is a loop image
# mounted with commit=1; a copy of the image file, taken while the program is
# stopped mid-run or the moment it has exited, holds what the disk would hold
# had the power gone then: what the journal has committed, without the data
# still waiting in memory. Replaying that copy (e2fsck) and mounting it shows
# what the next start finds. A copy may be missing there, but never present
# under its final name and incomplete; a finished run's copies are all there;
# a client's file is marked as synchronised only once its copy on the server
# is safe; and where the server is an exFAT disk through FUSE, its image a
# file on that disk, no finished run leaves a file on neither side.
#
#   power_cut.sh TANDREL        (as root; exits 77, skipped, otherwise)
set -euo pipefail
export LC_ALL=C

exe=$(realpath "$1")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/loop_image.sh"

loop_test_start power-cut mkfs.ext4 mkfs.exfat mount.exfat-fuse e2fsck losetup mount umount findmnt \
  mountpoint setsid getfattr setfattr perl cmp

files=4000
failures=()
frozen_mid_run=0

# The source: files of 1 to 64 KiB of varied bytes in a few folders, the
# same on every run.
ref=$work/ref
perl -e '
  my ($root, $count) = @ARGV;
  mkdir $root or die "$root: $!";
  srand(7);
  my $blob = pack("N*", map { int(rand(2**32)) } 1 .. 1 << 18);
  for my $i (0 .. $count - 1) {
    my $dir = "$root/d" . ($i % 4);
    mkdir $dir;
    if ($i % 3 == 0) {
      $dir .= "/inner";
      mkdir $dir;
    }
    my $size = 1024 + int(rand(63 * 1024 + 1));
    open(my $f, ">", sprintf("%s/f%05d.dat", $dir, $i)) or die "$dir: $!";
    print $f substr($blob, int(rand(length($blob) - $size)), $size);
    close $f or die "$dir: $!";
  }' "$ref" "$files"

# A fresh ext4 image, committed every second, with an empty destination
# folder that a cut cannot lose.
new_disk() {  # IMAGE MOUNTPOINT
  loop_make "$1" 640M mkfs.ext4 -q -F -J size=8
  loop_mount "$1" "$2" -o commit=1
  mkdir "$2/dst"
  sync -f "$2"
}

# MODE: copy (a plain copy), client (the source is handled as a client) or
# both (as a server too: the client's files the server lacks are copied to
# it, and those already marked as synchronised are then deleted from the
# client). No deletion limit holds the job back.
write_config() {  # PROGRAM-FOLDER SOURCE DESTINATION MODE
  local server=0 client=0
  case $4 in
    both) server=1 client=1 ;;
    client) client=1 ;;
  esac
  printf '%s\r\n' '[Active Jobs]' '0=Docs' '' '[NonActive Jobs]' '' '[Docs]' \
    "Source=$2" "Destination=$3" 'FileMask=*.*' 'Always=0' "Handle As Server=$server" \
    "Handle As Client=$client" 'Include SubDirs=1' 'Delete Empty SubDirs=0' \
    'Cleanup Destination=0' 'Verify=0' '' '[Synchronisation time]' 'Time=  :  ' \
    'Interval=0' '' '[Log]' 'LogFile=1' 'ExtendedLog=1' 'AppendLog=0' 'MultipleLog=0' \
    >"$1/tandrel.cfg"
}

# True while the run is under way, stopped or not. The id is not enough: once
# the shell has collected the ended run, another process may have it.
ours() { [ "/proc/$pid/exe" -ef "$prog/tandrel" ]; }
# Sets `state` to the run's state letter (T: stopped, Z: ended), or to
# nothing once the shell has collected it.
read_state() {
  local stat=""
  { read -r stat <"/proc/$pid/stat"; } 2>/dev/null || true
  stat=${stat##*) }
  state=${stat%% *}
}

# Starts an unattended run of a fresh copy of the program in the background:
# sets `pid` and `prog`. With STOPPED, the run is stopped as soon as the
# program is loaded, before it has done anything.
start_run() {  # NAME SOURCE DESTINATION MODE [STOPPED]
  prog=$work/prog-$1
  mkdir -p "$prog"
  cp "$exe" "$prog/tandrel"
  write_config "$prog" "$2" "$3" "$4"
  # As cron starts it: no display, so the run loads no window system.
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prog/tandrel" /SYNC >"$prog/output" 2>&1 &
  pid=$!
  loop_track "$pid" "$prog/tandrel"
  if [ -n "${5:-}" ]; then
    until ours; do
      read_state
      [ -n "$state" ] && [ "$state" != Z ] || fail "$1: the program did not start"
    done
    stop_run
  fi
}

# Stops the run and waits until it has stopped; false if it has ended.
stop_run() {
  ours && kill -STOP "$pid" || return 1
  while ours; do
    read_state
    [ "$state" != T ] || return 0
  done
  return 1
}

# Lets the stopped run go on a few milliseconds at a time until the check
# holds, and leaves it stopped there. Between checks the program stands
# still, so no check comes too late. False once the run has ended.
step_until() {  # CHECK-COMMAND...
  until "$@"; do
    ours || return 1
    kill -CONT "$pid"
    sleep 0.002
    stop_run || return 1
  done
}
named_copy_in() {  # FOLDER: sets `first` to the copy's path below FOLDER
  first=$(find "$1" -type f ! -name '.tandrel-*' -printf '%P\n' -quit)
  [ -n "$first" ]
}
marked() { getfattr -n user.tandrel.archive "$1" >/dev/null 2>&1; }

# Waits for the run to end; its exit code must be 0.
finish_run() {  # SCENARIO
  local rc=0
  ! ours || kill -CONT "$pid"
  wait "$pid" || rc=$?
  loop_untrack "$pid"
  if [ "$rc" != 0 ]; then
    cat "$prog/output" "$prog/Log/"* >&2 || true
    failures+=("$1: the run exited $rc")
  fi
}

# Has the journal commit what the stopped program has done, as the next
# commit would: another file's fsync commits the running transaction, but
# writes only that file's data.
commit_journal() {  # MOUNTPOINT
  echo committed >"$1/journal-commit"
  sync "$1/journal-commit"
}

# Copies the disk, as it is now, to COPY, replays the copy's journal and
# mounts it read-only at COPY-MOUNTPOINT.
cut_power() {  # IMAGE COPY COPY-MOUNTPOINT
  local rc=0
  cp --sparse=always "$1" "$2"
  e2fsck -fy "$2" >"$2.fsck" 2>&1 || rc=$?
  if [ "$rc" -ge 4 ]; then
    cat "$2.fsck" >&2
    fail "e2fsck could not repair the copy of $1 (exit $rc)"
  fi
  loop_mount "$2" "$3" -o ro
}

# Compares every regular file below COPIES, the program's own temporaries
# aside, with its source: sets `checked` and `incomplete`.
check_present() {  # SOURCE COPIES
  local rel
  checked=0 incomplete=0
  while IFS= read -r -d '' rel; do
    checked=$((checked + 1))
    if ! cmp -s "$1/$rel" "$2/$rel"; then
      incomplete=$((incomplete + 1))
      [ "$incomplete" -gt 3 ] ||
        echo "  incomplete: $rel: $(stat -c %s "$2/$rel") of $(stat -c %s "$1/$rel" 2>/dev/null) bytes" >&2
    fi
  done < <(find "$2" -type f ! -name '.tandrel-*' -printf '%P\0')
}

# Frozen mid-run, once some copies have their final names: whatever has its
# final name is complete.
scenario=frozen
disk=$work/$scenario
new_disk "$disk.img" "$disk"
start_run "$scenario" "$ref" "$disk/dst" copy stopped
if step_until named_copy_in "$disk/dst"; then
  frozen_mid_run=$((frozen_mid_run + 1))
  commit_journal "$disk"
  cut_power "$disk.img" "$disk.cut.img" "$disk.cut"
  finish_run "$scenario"
  check_present "$ref" "$disk.cut/dst"
  echo "$scenario: $checked of $files files present after the cut, $incomplete incomplete"
  [ "$incomplete" = 0 ] || failures+=("$scenario: $incomplete of $checked files present after the cut are incomplete")
  loop_unmount "$disk.cut"
else
  finish_run "$scenario"
  echo "$scenario: the run ended before it could be stopped"
fi
loop_unmount "$disk"
rm -f "$disk.img" "$disk.cut.img"

# Cut the moment a clean run has ended: every copy is there, complete.
scenario=ended
disk=$work/$scenario
new_disk "$disk.img" "$disk"
start_run "$scenario" "$ref" "$disk/dst" copy
finish_run "$scenario"
cut_power "$disk.img" "$disk.cut.img" "$disk.cut"
check_present "$ref" "$disk.cut/dst"
echo "$scenario: $checked of $files files present after the cut, $incomplete incomplete"
[ "$incomplete" = 0 ] && [ "$checked" = "$files" ] ||
  failures+=("$scenario: after a finished run $((files - checked)) files are missing and $incomplete incomplete")
loop_unmount "$disk.cut"
loop_unmount "$disk"
rm -f "$disk.img" "$disk.cut.img"

# A client job, client and server on the disk, frozen once a file has been
# marked: every file that carries a valid mark has its complete copy on the
# server.
scenario=client
disk=$work/$scenario
new_disk "$disk.img" "$disk"
cp -a "$ref" "$disk/src"
# A server that holds nothing is taken for one not mounted.
mkdir "$disk/dst/kept"
# The client's files are on the disk before the run begins.
sync -f "$disk"
start_run "$scenario" "$disk/src" "$disk/dst" client stopped
if step_until named_copy_in "$disk/dst" && step_until marked "$disk/src/$first"; then
  frozen_mid_run=$((frozen_mid_run + 1))
  commit_journal "$disk"
  cut_power "$disk.img" "$disk.cut.img" "$disk.cut"
  finish_run "$scenario"
  cut=$disk.cut
  # "path<TAB>mark" of every marked file, and "path<TAB>stamp" of every file:
  # a mark is valid where the two agree. (getfattr fails for the files
  # without a mark.)
  { getfattr -R --absolute-names -n user.tandrel.archive "$cut/src" 2>/dev/null || true; } |
    sed -n -e "s|^# file: $cut/src/||p" -e 's/^user\.tandrel\.archive="\(.*\)"$/\1/p' |
    paste - - | sort >"$work/marks"
  (cd "$cut/src" && find . -type f -exec stat --printf '%n\t%.9Y:%s\n' {} +) |
    sed 's|^\./||' | sort >"$work/stamps"
  checked=0 incomplete=0
  while IFS= read -r rel; do
    checked=$((checked + 1))
    if ! cmp -s "$ref/$rel" "$cut/dst/$rel"; then
      incomplete=$((incomplete + 1))
      [ "$incomplete" -gt 3 ] ||
        echo "  marked, server copy incomplete: $rel: $(stat -c %s "$cut/dst/$rel" 2>/dev/null || echo missing)" >&2
    fi
  done < <(comm -12 "$work/stamps" "$work/marks" | cut -f1)
  echo "$scenario: $checked marked files after the cut, $incomplete of them without a complete server copy"
  [ "$incomplete" = 0 ] ||
    failures+=("$scenario: $incomplete of $checked marked files have no complete copy on the server")
  loop_unmount "$cut"
else
  finish_run "$scenario"
  echo "$scenario: the run ended before it could be stopped"
fi
loop_unmount "$disk"
rm -f "$disk.img" "$disk.cut.img"

# A client job onto a server that is an exFAT disk through FUSE, its image a
# file on the ext4 disk that also holds the client: the client's files, all
# marked as synchronised and all missing from the server, are copied and then
# deleted from the client. Cut once the run has ended and the journal has
# committed its deletions: each file is still on the client or complete on
# the server. A flush of the FUSE file system as a whole does not reach the
# disk below it: each copy must be flushed itself.
scenario=fuse
disk=$work/$scenario server=$work/$scenario-server
new_disk "$disk.img" "$disk"
mkdir "$disk/src"
(cd "$ref" && find . -type f -name 'f00[01]??.dat' -exec cp -a --parents -t "$disk/src" {} +)
(cd "$disk/src" && find . -type f -printf '%P\n' | sort) >"$work/client-files"
client_files=$(wc -l <"$work/client-files")
# Every file marked as it is now.
(cd "$disk/src" && find . -type f -exec stat --printf '# file: %n\nuser.tandrel.archive="%.9Y:%s"\n\n' {} + |
  setfattr --restore=-)
loop_make "$disk/server.img" 64M mkfs.exfat
if loop_mount "$disk/server.img" "$server" -t exfat-fuse; then
  # A server that holds nothing is taken for one not mounted. Unmounted, the
  # FUSE disk has written all it holds to its image; the image and the
  # client are then made safe on the ext4 disk.
  mkdir "$server/kept"
  loop_unmount "$server"
  sync -f "$disk"
  loop_mount "$disk/server.img" "$server" -t exfat-fuse
  start_run "$scenario" "$disk/src" "$server" both
  finish_run "$scenario"
  # The power goes after the journal's next commit, which holds the client's
  # deletions.
  commit_journal "$disk"
  cut_power "$disk.img" "$disk.cut.img" "$disk.cut"
  # Without deletions from the client the case proves nothing.
  left=$(find "$disk/src" -type f | wc -l)
  [ "$left" = 0 ] ||
    failures+=("$scenario: the run left $left of the client's $client_files files on the client")
  # A server's disk that cannot be mounted holds none of the files.
  cut_server=$work/$scenario-server.cut cut_mounted=1
  loop_mount "$disk.cut/server.img" "$cut_server" -t exfat-fuse -o ro || cut_mounted=0
  [ "$cut_mounted" = 1 ] || echo "  the server's disk cannot be mounted after the cut" >&2
  on_client=0 on_server=0 lost=0
  while IFS= read -r rel; do
    if cmp -s "$ref/$rel" "$disk.cut/src/$rel"; then
      on_client=$((on_client + 1))
    elif cmp -s "$ref/$rel" "$cut_server/$rel"; then
      on_server=$((on_server + 1))
    else
      lost=$((lost + 1))
      [ "$lost" -gt 3 ] ||
        echo "  on neither side: $rel: $(stat -c %s "$cut_server/$rel" 2>/dev/null || echo missing)" \
          "of $(stat -c %s "$ref/$rel") bytes on the server" >&2
    fi
  done <"$work/client-files"
  echo "$scenario: of the client's $client_files files after the cut, $on_client on the client," \
    "$on_server only on the server, $lost on neither side"
  [ "$lost" = 0 ] || failures+=("$scenario: $lost of the client's $client_files files are on neither side after the cut")
  [ "$cut_mounted" = 0 ] || loop_unmount "$cut_server"
  loop_unmount "$disk.cut"
  loop_unmount "$server"
else
  echo "$scenario: skipped, the exFAT image cannot be mounted through FUSE here (no /dev/fuse?)"
fi
loop_unmount "$disk"
rm -f "$disk.img" "$disk.cut.img"

# Proves nothing unless some run was caught before its end.
[ "$frozen_mid_run" -gt 0 ] || failures+=("every run ended before it could be stopped")
if [ ${#failures[@]} -gt 0 ]; then
  printf 'FAILED: %s\n' "${failures[@]}" >&2
  exit 1
fi
echo "passed"
