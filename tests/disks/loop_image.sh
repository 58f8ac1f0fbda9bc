# File system images on loop devices for the disk tests; sourced by them.
#
# Every device attached, file system mounted and program started on one is
# written down in a record, and taken down again however the test ends: by
# the EXIT trap, or, when the test is killed outright (as CTest does at its
# timeout), by a guard in a session of its own that waits for the test to
# go. Nothing is left mounted, attached or running.
#
#   loop_setup WORK                 WORK (removed at the end) holds the record
#   loop_usable                     true when a loop device can be attached
#   loop_make IMAGE SIZE MKFS...    a sparse image file of SIZE, formatted by
#                                   the command MKFS... with IMAGE appended
#   loop_mount IMAGE DIR [MOUNT ARGUMENTS...]
#                                   false, with nothing left attached, when
#                                   the mount fails
#   loop_unmount DIR                unmounts DIR and detaches its device
#   loop_track PID EXE              a process of the test's own, running the
#                                   program EXE (a canonical path), that must
#                                   end before the file systems are unmounted
#   loop_untrack PID

loop_record=""

# Appends a line to the record, or removes it again.
loop__note() { printf '%s\n' "$1" >>"$loop_record"; }
loop__forget() {
  [ -f "$loop_record" ] || return 0
  grep -vxF -- "$1" "$loop_record" >"$loop_record.new" || true
  mv "$loop_record.new" "$loop_record"
}

# Undoes what the record RECORD holds, the latest first.
loop__take_down() {
  local record=$1 kind what exe pid tries
  [ -f "$record" ] || return 0
  while read -r kind what; do
    case $kind in
      process)
        # Only while the id still belongs to the program that was started.
        pid=${what%% *} exe=${what#* }
        if [ "$(readlink "/proc/$pid/exe" 2>/dev/null)" = "$exe" ]; then
          kill -KILL "$pid" 2>/dev/null || true
          for ((tries = 0; tries < 50; tries++)); do
            [ -e "/proc/$pid" ] && [ "$(readlink "/proc/$pid/exe" 2>/dev/null)" = "$exe" ] || break
            sleep 0.1
          done
        fi
        ;;
      mount)
        # Not mountpoint(1): a FUSE mount whose daemon has died fails its
        # look (ENOTCONN) and would be left behind.
        if findmnt -n --mountpoint "$what" >/dev/null; then
          umount "$what" 2>/dev/null || { sleep 0.5 && umount "$what" 2>/dev/null; } ||
            umount -l "$what" || true
        fi
        ;;
      device) losetup -d "$what" 2>/dev/null || true ;;
      folder) rm -rf --one-file-system "$what" || true ;;
    esac
  done < <(tac "$record")
  rm -f "$record" || true
}

loop_setup() {
  local work=$1
  loop_record="$work/loop-record"
  : >"$loop_record"
  loop__note "folder $work"
  trap 'loop__take_down "$loop_record"' EXIT
  # A test stopped by a signal still runs its EXIT trap.
  trap 'exit 130' INT
  trap 'exit 143' TERM HUP
  # The guard: waits for the test to end, then takes down whatever the test
  # could not (nothing, after a normal end: the record is gone by then). It
  # is nobody's child and in a session of its own, so that what kills the
  # test and its children leaves the guard alone.
  (setsid bash -c '
    while kill -0 "$1" 2>/dev/null; do sleep 1; done
    . "$2"
    loop__take_down "$3"' loop-guard "$$" "${BASH_SOURCE[0]}" "$loop_record" \
    </dev/null >/dev/null 2>&1 &)
}

loop_usable() {
  local probe="${loop_record%/*}/loop-probe" dev
  [ "$(id -u)" = 0 ] || return 1
  truncate -s 1M "$probe" || return 1
  dev=$(losetup --find --show "$probe" 2>/dev/null) || { rm -f "$probe"; return 1; }
  losetup -d "$dev"
  rm -f "$probe"
}

loop_make() {
  local image=$1 size=$2
  shift 2
  rm -f "$image"
  truncate -s "$size" "$image"
  "$@" "$image" >/dev/null
}

loop_mount() {
  local image=$1 dir=$2 dev
  shift 2
  mkdir -p "$dir"
  dev=$(losetup --find --show "$image")
  loop__note "device $dev"
  loop__note "mount $dir"
  mount "$@" "$dev" "$dir" && return 0
  # A file system that cannot be mounted leaves no device behind either.
  loop__forget "mount $dir"
  losetup -d "$dev"
  loop__forget "device $dev"
  return 1
}

loop_unmount() {
  local dir=$1 dev
  dev=$(findmnt -n -o SOURCE --mountpoint "$dir")
  umount "$dir"
  loop__forget "mount $dir"
  losetup -d "$dev"
  loop__forget "device $dev"
}

loop_track() { loop__note "process $1 $2"; }
loop_untrack() { sed -i "/^process $1 /d" "$loop_record"; }

# The common start of a disk test: skipped (77) unless root or where no loop
# device can be attached, failed without one of TOOLS, and a fresh folder in
# `work` whose devices, mounts and processes are taken down at the end.
skip() {
  echo "skipped: $*"
  exit 77
}
fail() {
  echo "FAILED: $*" >&2
  exit 1
}
loop_test_start() {  # NAME TOOL...
  local name=$1 tool
  shift
  [ "$(id -u)" = 0 ] || skip "only root can attach and mount loop images"
  for tool in "$@"; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
  done
  work=$(realpath "$(mktemp -d "${TMPDIR:-/tmp}/tandrel-$name-XXXXXX")")
  loop_setup "$work"
  loop_usable || skip "no loop device can be attached here"
}
