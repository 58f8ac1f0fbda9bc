#!/usr/bin/env bash
# Times the copy verification against cmp on two equal files with a warm cache.
#
# Usage: bench/compare.sh [BUILD_DIR [SIZE_MIB]]
#   BUILD_DIR  where compare_bench was built (default: build)
#   SIZE_MIB   size of each test file in MiB (default: $COMPARE_BENCH_MIB or 1024)
# Needs twice that much free space in $TMPDIR (or /tmp) and enough memory for the
# page cache to hold both files, or the figures measure the disk instead.
set -euo pipefail

build_dir=${1:-build}
size_mib=${2:-${COMPARE_BENCH_MIB:-1024}}
runs=3

bench="$build_dir/bench/compare_bench"
if [[ ! -x $bench ]]; then
  echo "compare.sh: $bench not found; build the compare_bench target first" >&2
  exit 2
fi
if ! [[ $size_mib =~ ^[1-9][0-9]*$ ]]; then
  echo "compare.sh: size must be a whole number of MiB, not '$size_mib'" >&2
  exit 2
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/tandrel-compare-bench.XXXXXX")
trap 'rm -rf -- "$work"' EXIT

free_kib=$(df -Pk -- "$work" | awk 'NR == 2 { print $4 }')
if ((free_kib < 2 * size_mib * 1024 + 65536)); then
  echo "compare.sh: not enough free space in $work for two files of $size_mib MiB" >&2
  exit 2
fi

echo "Writing two equal files of $size_mib MiB in $work ..."
head -c "$((size_mib * 1024 * 1024))" /dev/urandom >"$work/first"
cp --reflink=never -- "$work/first" "$work/second"

# One pass over both files brings them into the page cache.
cat -- "$work/first" "$work/second" >/dev/null

now_ns() { date +%s%N; }

# Runs the command once and prints its wall time in nanoseconds; an unexpected
# result (files reported different) aborts the benchmark.
time_once() {
  local start end
  start=$(now_ns)
  if ! "$@" >/dev/null; then
    echo "compare.sh: '$*' did not report the files equal" >&2
    exit 1
  fi
  end=$(now_ns)
  echo $((end - start))
}

best_cmp=
best_ours=
for ((i = 1; i <= runs; i++)); do
  t=$(time_once cmp -- "$work/first" "$work/second")
  if [[ -z $best_cmp ]] || ((t < best_cmp)); then best_cmp=$t; fi
  t=$(time_once "$bench" "$work/first" "$work/second")
  if [[ -z $best_ours ]] || ((t < best_ours)); then best_ours=$t; fi
done

awk -v size="$size_mib" -v c="$best_cmp" -v o="$best_ours" -v runs="$runs" 'BEGIN {
  printf "Two equal files of %d MiB, warm cache, best of %d:\n", size, runs
  printf "  cmp            %9.1f ms  (%6.0f MiB/s)\n", c / 1e6, size * 2 / (c / 1e9)
  printf "  compare_bench  %9.1f ms  (%6.0f MiB/s)\n", o / 1e6, size * 2 / (o / 1e9)
  printf "  ratio ours/cmp %9.2f\n", o / c
}'
