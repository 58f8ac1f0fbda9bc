#!/usr/bin/env bash
# Runs a test executable once more as an unprivileged user. Root passes every
# permission bit, so a pass as root alone proves nothing about what an
# ordinary user meets. Exits 77 (skipped) unless started by root.
#
#   run-unprivileged.sh [--with FILE]... [--hide FOLDER]... EXECUTABLE [ARGUMENTS...]
#
# The executable runs from a copy, with a copy of each --with file beside it
# (the programs a test starts, for instance). Each --hide folder (the
# checkout, the build tree) is covered by an empty folder the user cannot
# enter while the test runs, so that a test passes wherever the checkout
# lies, also below a folder only root may enter, and fails here when it
# still reaches into it.
#
# TANDREL_TEST_USER names the user (default: nobody).
set -euo pipefail

with=()
hide=()
while [ $# -gt 0 ]; do
  case $1 in
    --with) with+=("$2"); shift 2 ;;
    --hide) hide+=("$2"); shift 2 ;;
    *) break ;;
  esac
done
exe=$1
shift
user=${TANDREL_TEST_USER:-nobody}

if [ "$(id -u)" != 0 ]; then
  echo "skipped: only root can run the tests as another user"
  exit 77
fi
if ! uid=$(id -u "$user" 2>/dev/null) || [ "$uid" = 0 ]; then
  echo "skipped: no unprivileged user '$user' on this machine"
  exit 77
fi
gid=$(id -g "$user")

if command -v setpriv >/dev/null; then
  as_user=(setpriv --reuid="$uid" --regid="$gid" --clear-groups)
else
  as_user=(runuser -u "$user" --)
fi

# The build tree may lie below a folder the user cannot enter, so the
# executable runs from a copy in a folder the user owns, and the tests make
# their temporary folders there too.
work=""
trap '[ -z "$work" ] || rm -rf "$work"' EXIT
for base in "${TMPDIR:-}" /tmp; do
  [ -n "$base" ] && [ -d "$base" ] || continue
  work=$(mktemp -d "$base/tandrel-unprivileged-XXXXXX")
  chown "$uid:$gid" "$work"
  if "${as_user[@]}" test -w "$work" -a -x "$work"; then
    break
  fi
  rm -rf "$work"
  work=""
done
if [ -z "$work" ]; then
  echo "no temporary folder that '$user' can reach" >&2
  exit 1
fi

name=$(basename "$exe")
install -m 0755 -o "$uid" -g "$gid" "$exe" "$work/$name"
for file in "${with[@]}"; do
  install -m 0755 -o "$uid" -g "$gid" "$file" "$work/$(basename "$file")"
done
install -d -m 0700 -o "$uid" -g "$gid" "$work/tmp"

# Tests are chosen by name: one renamed or removed would silently drop out
# of this pass, so each name given must still choose a test.
for argument in "$@"; do
  case $argument in
    --gtest_filter=*)
      IFS=: read -r -a patterns <<<"${argument#--gtest_filter=}"
      for pattern in "${patterns[@]}"; do
        if ! "$work/$name" --gtest_list_tests --gtest_filter="$pattern" | grep -q '^  '; then
          echo "no test is named $pattern any more: update the unprivileged pass" >&2
          exit 1
        fi
      done
      ;;
    -*) ;;
    *)
      if ! "$work/$name" -functions 2>/dev/null | grep -qx "$argument()"; then
        echo "no test function is named $argument any more: update the unprivileged pass" >&2
        exit 1
      fi
      ;;
  esac
done
echo "running $name as $user ($uid:$gid) in $work"
cd "$work"
command=("${as_user[@]}" env HOME="$work" TMPDIR="$work/tmp" "$work/$name" "$@")
if [ ${#hide[@]} -eq 0 ]; then
  "${command[@]}"
  exit
fi
# In a mount namespace of its own, so nobody else sees the folders covered.
# shellcheck disable=SC2016
unshare --mount --propagation private bash -c '
  for folder in "${@:2:$1}"; do
    # A build tree inside the checkout is gone with it.
    [ -d "$folder" ] || continue
    mount -t tmpfs -o mode=0700,size=64k tandrel-hidden "$folder" || exit 1
  done
  shift $(($1 + 1))
  exec "$@"' hide "${#hide[@]}" "${hide[@]}" "${command[@]}"
