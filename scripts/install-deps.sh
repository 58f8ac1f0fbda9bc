#!/usr/bin/env bash
# Installs the Debian packages that building and running (`run`) or also
# testing, packaging and the sanitizer and fuzzing passes (`all`, the
# default) need. Only missing packages are installed; apt-get update runs only
# when something is missing.
#   install-deps.sh [run|windows|all]
set -euo pipefail

what="${1:-all}"

# Building the program and running it (a demonstration run without a display
# needs nothing more).
packages=(
  build-essential cmake make pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
  fonts-dejavu-core
)
# The Windows program: Debian's cross compiler, and Wine to test it.
windows_packages=(g++-mingw-w64-x86-64-posix nsis wine wine64 zip)
if [ "$what" = windows ]; then
  packages=(cmake make "${windows_packages[@]}")
fi
if [ "$what" = all ]; then
  packages+=("${windows_packages[@]}")
  packages+=(
    libgtest-dev libgmock-dev
    xvfb xauth x11-utils imagemagick xdotool openbox
    rsync attr util-linux mount e2fsprogs exfatprogs exfat-fuse time clang-format
    qt6-svg-dev dpkg-dev fakeroot lintian desktop-file-utils man-db locales
  )
  if [ "${TANDREL_SANITIZE_DEPS:-1}" = 1 ]; then
    packages+=(clang libclang-rt-14-dev)
  fi
fi

# The scheduler's test of a 12-hour clock needs a locale that writes one.
make_test_locale() {
  [ "$what" = all ] || return 0
  locale -a 2>/dev/null | grep -qix 'en_US.utf8' && return 0
  local sudo=""
  [ "$(id -u)" = 0 ] || sudo=sudo
  $sudo localedef -i en_US -f UTF-8 en_US.UTF-8 || echo "install-deps: no en_US.UTF-8 locale (a test skips)"
}
trap make_test_locale EXIT

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" != 0 ]; then
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
