#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) into build-fuzz/ and runs each for a bounded
# time. Each run works on a scratch copy of the committed seed corpus, so the
# corpus does not grow. Prints every target's execution count; fails when a
# target finds a crash, a sanitizer report or a broken invariant, and keeps
# the input that did it in build-fuzz/findings/.
#
# Before fuzzing, each target runs once over its saved findings in
# fuzz/regressions/<target>-*, which must all pass.
#
#   FUZZ_SECONDS  seconds per target (default 60)
#   FUZZ_TARGETS  targets to run (default: all three)
#   FUZZ_TMPDIR   scratch folder, also for the configuration files the
#                 targets write (default /dev/shm when writable, else TMPDIR)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"
seconds=${FUZZ_SECONDS:-60}
read -r -a targets <<<"${FUZZ_TARGETS:-profile_fuzz mask_fuzz text_fuzz}"

# Longest input per target: past the 2047-character read limit for the
# configuration file; short for masks, where the reference matcher is quadratic.
declare -A max_len=([profile_fuzz]=8192 [mask_fuzz]=400 [text_fuzz]=1024)

cmake -S "$root/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"${JOBS:-2}"

# A file system in memory: the configuration target replaces its file
# (fdatasync and rename) several times per input.
scratch=${FUZZ_TMPDIR:-}
if [ -z "$scratch" ]; then
  if [ -d /dev/shm ] && [ -w /dev/shm ]; then scratch=/dev/shm; else scratch=${TMPDIR:-/tmp}; fi
fi
work=$(mktemp -d "$scratch/tandrel-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$build/findings"

failed=()
summary=()
for target in "${targets[@]}"; do
  cp -r "$root/fuzz/corpus/$target" "$work/$target-corpus"
  mkdir -p "$work/$target-tmp"
  env=(TMPDIR="$work/$target-tmp" ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
       UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1)

  shopt -s nullglob
  regressions=("$root/fuzz/regressions/$target"-*)
  shopt -u nullglob
  if [ ${#regressions[@]} -ne 0 ]; then
    echo "== $target: ${#regressions[@]} saved findings"
    if ! env "${env[@]}" "$build/$target" "${regressions[@]}" >"$work/$target-regressions.log" 2>&1; then
      grep -E "^$target:|ERROR|runtime error|^Running:" "$work/$target-regressions.log" | tail -n 4 | cut -c1-500 || true
      failed+=("$target")
      summary+=("$target: a saved finding in fuzz/regressions/ still fails")
    fi
  fi

  echo "== $target: ${seconds} s"
  start=$(date +%s)
  set +e
  env "${env[@]}" "$build/$target" "$work/$target-corpus" \
    -max_total_time="$seconds" -max_len="${max_len[$target]}" -timeout=20 \
    -print_final_stats=1 -artifact_prefix="$build/findings/$target-" \
    >"$work/$target.log" 2>&1
  rc=$?
  set -e
  elapsed=$(($(date +%s) - start))
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target.log" | tail -n 1)
  if [ "$rc" -ne 0 ]; then
    # What the target or the sanitizer said, and where the input went.
    grep -E '^(profile_fuzz|mask_fuzz|text_fuzz):|ERROR|runtime error|SUMMARY|Test unit written' \
      "$work/$target.log" | head -n 20 | cut -c1-500 || true
    failed+=("$target")
    summary+=("$target: FAILED after ${execs:-?} executions in ${elapsed} s (exit $rc)")
  else
    summary+=("$target: ${execs:-?} executions in ${elapsed} s")
  fi
done

echo "== fuzz summary"
printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -ne 0 ]; then
  echo "failed: $(printf '%s\n' "${failed[@]}" | sort -u | tr '\n' ' ')(new inputs in $build/findings/)"
  exit 1
fi
