#!/usr/bin/env bash
# Benchmarks, side by side with the reference tools in one run, as ratios.
# Usage: bench/run.sh [BUILD_DIR]. BENCH_SCALE=N divides every tree size by N
# for a quick look; BENCH_ONLY=sync|durable|process|shaped|gui|ini|compare runs one group.
set -euo pipefail

BUILD=$(realpath "${1:-build}")
HERE=$(cd "$(dirname "$0")" && pwd)
SCALE=${BENCH_SCALE:-1}
ONLY=${BENCH_ONLY:-all}
DRIVER="$BUILD/bench/sync_driver"
ROOT=$(mktemp -d "${TMPDIR:-/tmp}/tandrel-bench-XXXXXX")
# The loop device under the FUSE disk, while one is attached.
FUSE_DEVICE=""
# Without errexit: a step that fails here (nothing to kill or unmount) must
# not leave the rest undone. The FUSE disk is unmounted before its loop
# device is detached; its daemon ends with the mount.
clean_up() {
  set +e
  kill $(jobs -p) 2>/dev/null
  umount "$ROOT/durable-disk" 2>/dev/null
  if findmnt -n --mountpoint "$ROOT/fuse-disk" >/dev/null; then
    umount "$ROOT/fuse-disk" 2>/dev/null || { sleep 0.5 && umount "$ROOT/fuse-disk" 2>/dev/null; } ||
      umount -l "$ROOT/fuse-disk"
  fi
  [ -z "$FUSE_DEVICE" ] || losetup -d "$FUSE_DEVICE" 2>/dev/null
  chmod -R u+w "$ROOT" 2>/dev/null
  rm -rf --one-file-system "$ROOT"
}
trap clean_up EXIT
# Stopped by a signal, the clean-up still runs.
trap 'exit 130' INT
trap 'exit 143' TERM HUP

now_ns() { date +%s%N; }
# Runs a command and prints its wall time in milliseconds.
time_ms() {
  local start end
  start=$(now_ns)
  "$@" >/dev/null
  end=$(now_ns)
  echo $(((end - start) / 1000000))
}
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : int((v[NR / 2] + v[NR / 2 + 1]) / 2)) }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
min() { printf '%s\n' "$@" | sort -n | head -n1; }
# Whether the two trees hold the same files (path, size, time, content); a
# run makes no folder it has no file to put in, so empty folders of the
# first may be missing from the second.
same_files() {
  local listing='%P %s %T@\n'
  diff <(cd "$1" && find . -type f -printf "$listing" | sort) <(cd "$2" && find . -type f -printf "$listing" | sort) >/dev/null &&
    ! diff -r "$1" "$2" | grep -qv "^Only in $1"
}

# A program folder whose configuration holds one job from $2 to $3.
program() {
  local prog=$1 src=$2 dst=$3
  mkdir -p "$(dirname "$prog")"
  printf '[Active Jobs]\r\n0=Bench\r\n\r\n[Bench]\r\nSource=%s\r\nDestination=%s\r\nFileMask=*.*\r\nInclude SubDirs=1\r\nCleanup Destination=1\r\n' \
    "$src" "$dst" >"$prog.cfg"
}

ours() { "$DRIVER" "$1"; }

sync_benchmarks() {
  echo "== first copy: $((20000 / SCALE)) files of 1-64 KiB in $((1000 / SCALE)) directories + 10 files of $((64 / SCALE)) MiB"
  local src="$ROOT/first-src"
  python3 "$HERE/gen_tree.py" "$src" $((1000 / SCALE)) $((20000 / SCALE)) 1024 65536 10 $((64 / SCALE))
  program "$ROOT/first-prog/tandrel" "$src" "$ROOT/first-ours"
  local cp_times=() our_times=()
  for round in 1 2 3; do
    rm -rf "$ROOT/first-ours" "$ROOT/first-cp"
    mkdir -p "$ROOT/first-ours" "$ROOT/first-cp"
    sync
    cp_times+=("$(time_ms cp -a "$src/." "$ROOT/first-cp/")")
    sync
    our_times+=("$(time_ms ours "$ROOT/first-prog/tandrel")")
    sync
  done
  diff -r "$src" "$ROOT/first-ours" >/dev/null || { echo "first copy differs from its source"; exit 1; }
  local c o
  c=$(min "${cp_times[@]}")
  o=$(min "${our_times[@]}")
  echo "cp -a: ${c} ms   tandrel: ${o} ms   ratio tandrel/cp: $(ratio "$o" "$c")   (target <= 1.20)"
  rm -rf "$src" "$ROOT/first-ours" "$ROOT/first-cp"

  for files in $((10000 / SCALE)) $((100000 / SCALE)); do
    local dirs=$((files / 20))
    echo "== re-run, nothing changed: $files files in $dirs directories (subdirectories and cleanup on)"
    src="$ROOT/re-src-$files"
    python3 "$HERE/gen_tree.py" "$src" "$dirs" "$files" 512 4096
    program "$ROOT/re-prog-$files/tandrel" "$src" "$ROOT/re-ours-$files"
    mkdir -p "$ROOT/re-ours-$files" "$ROOT/re-rsync-$files"
    ours "$ROOT/re-prog-$files/tandrel" >/dev/null
    rsync -a --delete "$src/" "$ROOT/re-rsync-$files/"
    local rs_times=() our_times=() out rss=0
    for round in 1 2 3; do
      rs_times+=("$(time_ms rsync -a --delete "$src/" "$ROOT/re-rsync-$files/")")
      out=$(ours "$ROOT/re-prog-$files/tandrel")
      our_times+=("$(echo "$out" | sed -E 's/run_ms=([0-9]+).*/\1/')")
      rss=$(echo "$out" | sed -E 's/.*peak_rss_kb=([0-9]+).*/\1/')
    done
    local r
    r=$(min "${rs_times[@]}")
    o=$(min "${our_times[@]}")
    echo "rsync -a --delete: ${r} ms   tandrel: ${o} ms   ratio: $(ratio "$o" "$r")   (target 0.70, limit 1.00)"
    echo "peak memory of the re-run: $((rss / 1024)) MiB   (limit 30 MiB, flat in the number of files)"

    if [ "$files" -eq $((100000 / SCALE)) ]; then
      echo "== re-run with 1% of the files touched"
      local later=$(($(date +%s) + 120))
      find "$src" -name 'f*00.dat' -exec touch -d "@$later" {} +
      local touched
      touched=$(find "$src" -name 'f*00.dat' | wc -l)
      # Each starts with nothing of the other's left to write: a durable
      # run's flush would otherwise write rsync's copies as well.
      sync
      r=$(time_ms rsync -a --delete "$src/" "$ROOT/re-rsync-$files/")
      sync
      o=$(ours "$ROOT/re-prog-$files/tandrel" | sed -E 's/run_ms=([0-9]+).*/\1/')
      echo "$touched files touched   rsync -a --delete: ${r} ms   tandrel: ${o} ms   ratio: $(ratio "$o" "$r")   (limit 1.00)"
      diff -r "$src" "$ROOT/re-ours-$files" >/dev/null || { echo "re-run result differs from its source"; exit 1; }
    fi
    rm -rf "$src" "$ROOT/re-ours-$files" "$ROOT/re-rsync-$files"
  done
}

case "$ONLY" in
  all | sync) sync_benchmarks ;;
esac

# A first copy that must survive a power cut, on a journaled ext4 disk of its
# own (a loop image, so that the flushes measured are this copy's alone):
# against the floor for putting the same bytes on the disk, cp -a and then
# one sync of that file system. cp -a without any flush is printed too.
durable_benchmark() {
  local files=$((100000 / SCALE)) dirs=$((5000 / SCALE))
  local src="$ROOT/durable-src"
  python3 "$HERE/gen_tree.py" "$src" "$dirs" "$files" 512 4096
  durable_tree "$src" "$files files of 512 B-4 KiB in $dirs directories"
  rm -rf "$src"
  # Each copy is flushed on its own through FUSE: a smaller tree.
  files=$((20000 / SCALE)) dirs=$((1000 / SCALE))
  python3 "$HERE/gen_tree.py" "$src" "$dirs" "$files" 512 4096
  durable_fuse "$src" "$files files of 512 B-4 KiB in $dirs directories"
  rm -rf "$src"
}

# The durable first copy of the tree $1 (described as $2).
durable_tree() {
  local src=$1
  echo "== durable first copy onto ext4: $2"
  if [ "$(id -u)" != 0 ] || ! command -v mkfs.ext4 >/dev/null; then
    echo "skipped: needs root and mkfs.ext4 for a disk of its own (a loop image)"
    return
  fi
  local image="$ROOT/durable.img" disk="$ROOT/durable-disk" files
  files=$(find "$src" | wc -l)
  truncate -s 4G "$image"
  mkfs.ext4 -q -F -N $((4 * files + 10000)) "$image"
  mkdir -p "$disk"
  if ! mount -o loop "$image" "$disk" 2>/dev/null; then
    echo "skipped: no loop device can be mounted here"
    rm -f "$image"
    return
  fi
  program "$ROOT/durable-prog/tandrel" "$src" "$disk/ours"
  local plain=() floor=() our=()
  for round in 1 2 3; do
    rm -rf "$disk/plain" "$disk/floor" "$disk/ours"
    mkdir -p "$disk/plain" "$disk/floor" "$disk/ours"
    sync -f "$disk"
    plain+=("$(time_ms cp -a "$src/." "$disk/plain/")")
    rm -rf "$disk/plain"
    sync -f "$disk"
    floor+=("$(time_ms sh -c 'cp -a "$1/." "$2/" && sync -f "$2"' sh "$src" "$disk/floor")")
    rm -rf "$disk/floor"
    sync -f "$disk"
    our+=("$(time_ms ours "$ROOT/durable-prog/tandrel")")
  done
  same_files "$src" "$disk/ours" || { echo "durable copy differs from its source"; exit 1; }
  umount "$disk"
  rm -rf "$image" "$ROOT/durable-prog"
  local p f o
  p=$(min "${plain[@]}")
  f=$(min "${floor[@]}")
  o=$(min "${our[@]}")
  echo "cp -a without a flush: ${p} ms   cp -a + sync of the disk: ${f} ms   tandrel (durable): ${o} ms"
  echo "ratio tandrel/floor: $(ratio "$o" "$f")   (target <= 1.10)   tandrel/cp without a flush: $(ratio "$o" "$p")" \
    "  rounds: plain ${plain[*]}; floor ${floor[*]}; tandrel ${our[*]}"
}

# The durable first copy of the tree $1 (described as $2) onto exFAT through
# FUSE, as on a USB disk where the kernel has no exFAT of its own, in a loop
# image of its own. A flush of the FUSE file system as a whole does not reach
# that disk, so each copy is flushed by itself; against cp -a and then one
# sync, which leaves the disk holding the same. No limit: the flushes that
# the floor shares, the program must make one by one.
durable_fuse() {
  local src=$1
  echo "== durable first copy onto exFAT through FUSE: $2"
  if [ "$(id -u)" != 0 ] || ! command -v mkfs.exfat >/dev/null || ! command -v mount.exfat-fuse >/dev/null; then
    echo "skipped: needs root, mkfs.exfat and mount.exfat-fuse for a disk of its own (a loop image)"
    return
  fi
  local image="$ROOT/fuse.img" disk="$ROOT/fuse-disk"
  truncate -s 2G "$image"
  mkfs.exfat "$image" >/dev/null
  mkdir -p "$disk"
  if ! FUSE_DEVICE=$(losetup --find --show "$image" 2>/dev/null); then
    FUSE_DEVICE=""
    echo "skipped: no loop device can be attached here"
    rm -f "$image"
    return
  fi
  if ! mount -t exfat-fuse "$FUSE_DEVICE" "$disk" >/dev/null 2>&1; then
    echo "skipped: the exFAT image cannot be mounted through FUSE here (no /dev/fuse?)"
    losetup -d "$FUSE_DEVICE"
    FUSE_DEVICE=""
    rm -f "$image"
    return
  fi
  program "$ROOT/fuse-prog/tandrel" "$src" "$disk/ours"
  local floor=() our=()
  for round in 1 2 3; do
    rm -rf "$disk/floor" "$disk/ours"
    mkdir -p "$disk/floor" "$disk/ours"
    sync
    floor+=("$(time_ms sh -c 'cp -a "$1/." "$2/" && sync' sh "$src" "$disk/floor")")
    rm -rf "$disk/floor"
    sync
    our+=("$(time_ms ours "$ROOT/fuse-prog/tandrel")")
  done
  # exFAT keeps times to 10 ms: the contents are compared.
  diff -r "$src" "$disk/ours" >/dev/null || { echo "durable copy through FUSE differs from its source"; exit 1; }
  umount "$disk"
  losetup -d "$FUSE_DEVICE"
  FUSE_DEVICE=""
  rm -rf "$image" "$ROOT/fuse-prog"
  local f o
  f=$(min "${floor[@]}")
  o=$(min "${our[@]}")
  echo "cp -a + sync: ${f} ms   tandrel (durable): ${o} ms"
  echo "ratio tandrel/(cp -a + sync): $(ratio "$o" "$f")   rounds: floor ${floor[*]}; tandrel ${our[*]}"
}

case "$ONLY" in
  all | durable) durable_benchmark ;;
esac

# Empties the kernel's page, dentry and inode caches; false where that is not
# allowed (not root, or /proc/sys read-only in a container).
drop_caches() { sync && { echo 3 >/proc/sys/vm/drop_caches; } 2>/dev/null; }

# The whole program as cron starts it, against rsync as a whole process:
# start-up included, medians of five side-by-side rounds, with warm caches and,
# where they can be dropped, with cold ones.
process_benchmarks() {
  local files=$((100000 / SCALE)) dirs=$((5000 / SCALE))
  echo "== whole process, nothing changed: tandrel /SYNC against rsync -a --delete, $files files in $dirs directories"
  local src="$ROOT/proc-src" prog="$ROOT/proc-prog/tandrel"
  python3 "$HERE/gen_tree.py" "$src" "$dirs" "$files" 512 4096
  program "$prog" "$src" "$ROOT/proc-ours"
  cp "$BUILD/tandrel" "$prog"
  mkdir -p "$ROOT/proc-ours" "$ROOT/proc-rsync"
  local cron=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
  "${cron[@]}" "$prog" /SYNC
  rsync -a --delete "$src/" "$ROOT/proc-rsync/"
  local rss
  rss=$( { "${cron[@]}" /usr/bin/time -f %M "$prog" /SYNC >/dev/null; } 2>&1 | tail -n1)
  local mode rs_times our_times r o
  for mode in warm cold; do
    if [ "$mode" = cold ] && ! drop_caches; then
      echo "cold caches: skipped (the caches cannot be dropped here: needs root and a writable /proc/sys/vm/drop_caches)"
      continue
    fi
    rs_times=() our_times=()
    for round in 1 2 3 4 5; do
      [ "$mode" = cold ] && drop_caches
      rs_times+=("$(time_ms rsync -a --delete "$src/" "$ROOT/proc-rsync/")")
      [ "$mode" = cold ] && drop_caches
      our_times+=("$(time_ms "${cron[@]}" "$prog" /SYNC)")
    done
    r=$(median "${rs_times[@]}")
    o=$(median "${our_times[@]}")
    echo "$mode caches: rsync -a --delete ${r} ms   tandrel /SYNC ${o} ms   ratio: $(ratio "$o" "$r")" \
      "  (target $([ "$mode" = warm ] && echo 0.50 || echo 0.60))   rounds: rsync ${rs_times[*]}; tandrel ${our_times[*]}"
  done
  echo "peak resident memory of tandrel /SYNC: $((rss / 1024)) MiB   (target < 30 MiB)"
  rm -rf "$src" "$ROOT/proc-ours" "$ROOT/proc-rsync" "$ROOT/proc-prog"
}

case "$ONLY" in
  all | process) if [ -x "$BUILD/tandrel" ]; then process_benchmarks; fi ;;
esac
# The whole process on trees shaped like real ones (bench/gen_shaped_tree.py):
# a run that finds nothing changed against rsync -a --delete and against a
# find that looks at every entry of both trees, in interleaved rounds
# (medians of five): warm, with one processor kept busy by another process,
# and cold. Then the peak resident memory, and a durable first copy of each
# tree onto a disk of its own against cp -a, which flushes nothing.
shaped_benchmarks() {
  local shape src dst prog rs_times our_times find_times r o f rss busy=""
  local cron=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
  stop_busy() {
    if [ -n "$busy" ]; then
      kill "$busy" 2>/dev/null || true
      wait "$busy" 2>/dev/null || true
    fi
    busy=""
  }
  for shape in deep share; do
    src="$ROOT/$shape-src" dst="$ROOT/$shape-ours" prog="$ROOT/$shape-prog/tandrel"
    python3 "$HERE/gen_shaped_tree.py" "$src" "$shape" "$SCALE"
    echo "== $shape tree, whole process, nothing changed: $(find "$src" -type f | wc -l) files in" \
      "$(find "$src" -type d | wc -l) folders"
    program "$prog" "$src" "$dst"
    cp "$BUILD/tandrel" "$prog"
    mkdir -p "$dst" "$ROOT/$shape-rsync"
    "${cron[@]}" "$prog" /SYNC
    rsync -a --delete "$src/" "$ROOT/$shape-rsync/"
    same_files "$src" "$dst" || { echo "the $shape copy differs from its source"; exit 1; }
    for mode in warm busy cold; do
      if [ "$mode" = cold ] && ! drop_caches; then
        echo "cold caches: skipped (the caches cannot be dropped here)"
        continue
      fi
      if [ "$mode" = busy ]; then
        sh -c 'while :; do :; done' &
        busy=$!
      fi
      rs_times=() our_times=() find_times=()
      for round in 1 2 3 4 5; do
        [ "$mode" = cold ] && drop_caches
        rs_times+=("$(time_ms rsync -a --delete "$src/" "$ROOT/$shape-rsync/")")
        [ "$mode" = cold ] && drop_caches
        our_times+=("$(time_ms "${cron[@]}" "$prog" /SYNC)")
        [ "$mode" = cold ] && drop_caches
        find_times+=("$(time_ms find "$src" "$dst" -printf '%s %T@\n')")
      done
      stop_busy
      r=$(median "${rs_times[@]}")
      o=$(median "${our_times[@]}")
      f=$(median "${find_times[@]}")
      echo "$mode: rsync ${r} ms   find ${f} ms   tandrel /SYNC ${o} ms   ratio to rsync: $(ratio "$o" "$r")" \
        "  ratio to find: $(ratio "$o" "$f")   rounds: rsync ${rs_times[*]}; find ${find_times[*]}; tandrel ${our_times[*]}"
    done
    rss=$( { "${cron[@]}" /usr/bin/time -f %M "$prog" /SYNC >/dev/null; } 2>&1 | tail -n1)
    echo "peak resident memory of tandrel /SYNC: $(awk -v k="$rss" 'BEGIN { printf "%.1f", k / 1024 }') MiB"
    rm -rf "$dst" "$ROOT/$shape-rsync" "$ROOT/$shape-prog"
    durable_tree "$src" "$shape tree"
    rm -rf "$src"
  done
}

case "$ONLY" in
  all | shaped) if [ -x "$BUILD/tandrel" ]; then shaped_benchmarks; fi ;;
esac
gui_benchmark() {
  local files=$((100000 / SCALE))
  echo "== extended log through the main window (offscreen): $files files in $((files / 20)) directories, nothing changed"
  local src="$ROOT/gui-src"
  python3 "$HERE/gen_tree.py" "$src" $((files / 20)) "$files" 512 4096
  program "$ROOT/gui-prog/tandrel" "$src" "$ROOT/gui-dst"
  printf '[Log]\r\nExtendedLog=1\r\n' >>"$ROOT/gui-prog/tandrel.cfg"
  mkdir -p "$ROOT/gui-dst"
  ours "$ROOT/gui-prog/tandrel" >/dev/null
  local head_times=() gui_times=() quiet_times=() out gui_rss=0 head_rss=0
  for round in 1 2 3; do
    out=$(ours "$ROOT/gui-prog/tandrel")
    head_times+=("$(echo "$out" | sed -E 's/run_ms=([0-9]+).*/\1/')")
    head_rss=$(echo "$out" | sed -E 's/.*peak_rss_kb=([0-9]+).*/\1/')
    out=$("$BUILD/bench/gui_bench" "$ROOT/gui-prog/tandrel" 2>/dev/null)
    gui_times+=("$(echo "$out" | sed -E 's/run_ms=([0-9]+).*/\1/')")
    gui_rss=$(echo "$out" | sed -E 's/.*peak_rss_kb=([0-9]+).*/\1/')
    out=$("$BUILD/bench/gui_bench" "$ROOT/gui-prog/tandrel" --no-progress 2>/dev/null)
    quiet_times+=("$(echo "$out" | sed -E 's/run_ms=([0-9]+).*/\1/')")
  done
  local h g q
  h=$(min "${head_times[@]}")
  g=$(min "${gui_times[@]}")
  q=$(min "${quiet_times[@]}")
  echo "headless: ${h} ms (${head_rss} KiB peak)   main window: ${g} ms (${gui_rss} KiB peak, the log area holding every line)"
  echo "ratio main window/headless: $(ratio "$g" "$h")   (limit 1.50)"
  echo "main window with progress: ${g} ms   without progress: ${q} ms   ratio with/without: $(ratio "$g" "$q")" \
    "  (limit 1.05)   rounds: with ${gui_times[*]}; without ${quiet_times[*]}"
  rm -rf "$src" "$ROOT/gui-dst"
}

case "$ONLY" in
  all | gui) if [ -x "$BUILD/bench/gui_bench" ]; then gui_benchmark; fi ;;
esac
case "$ONLY" in
  all | ini)
    echo "== configuration read key by key (1,000 jobs)"
    "$BUILD/bench/ini_bench"
    ;;
esac
case "$ONLY" in
  all | compare)
    echo "== file comparison against cmp"
    bash "$HERE/compare.sh" "$BUILD" "${COMPARE_BENCH_MIB:-$((1024 / SCALE))}"
    ;;
esac
