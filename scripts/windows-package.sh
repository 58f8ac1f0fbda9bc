#!/usr/bin/env bash
# Makes the Windows packages: the portable tandrel-<version>-win64.zip with a
# folder holding tandrel.exe, its manual (tandrel.html, where the program
# looks for it) and the README; unpacked anywhere the user may write, it
# keeps its configuration and Log folder beside the program. And, when NSIS
# is there, tandrel-<version>-win64-setup.exe, which installs the same files
# and installed.txt, so that the installed copy keeps its files per user.
#
#   windows-package.sh BUILD-WINDOWS-FOLDER [setup]   (setup: that one only)
set -euo pipefail
build=$(realpath "$1")
root=$(cd "$(dirname "$0")/.." && pwd)
only=${2:-}
version=$(sed -n 's/^project(Tandrel VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
exe="$build/src/win32ui/tandrel.exe"
[ -f "$exe" ] || { echo "windows-package: $exe not built" >&2; exit 1; }

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/Tandrel"
cp "$exe" "$stage/Tandrel/tandrel.exe"
cp "$root/docs/manual.html" "$stage/Tandrel/tandrel.html"
# Notepad of older Windows versions wants CR LF.
sed 's/$/\r/' "$root/README.md" >"$stage/Tandrel/README.txt"

if command -v makensis >/dev/null; then
  printf '%s\r\n' \
    "This copy of Tandrel was installed by its setup program: it keeps its" \
    "configuration in %APPDATA%\\Tandrel and its logs in %LOCALAPPDATA%\\Tandrel\\Log." \
    >"$stage/Tandrel/installed.txt"
  setup_name="tandrel-$version-win64-setup.exe"
  makensis -V2 -DVERSION="$version" -DSTAGE="$stage/Tandrel" -DOUTFILE="$build/$setup_name" \
    "$root/packaging/windows/tandrel.nsi" >&2
  echo "$build/$setup_name"
  # The marker belongs to the installed copy only.
  rm "$stage/Tandrel/installed.txt"
elif [ "$only" = setup ]; then
  echo "windows-package: makensis not found (Debian package nsis)" >&2
  exit 1
fi
[ "$only" = setup ] && exit 0

zip_name="tandrel-$version-win64.zip"
rm -f "$build/$zip_name"
(cd "$stage" && zip -q -X -r "$build/$zip_name" Tandrel)
echo "$build/$zip_name"
