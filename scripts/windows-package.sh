#!/usr/bin/env bash
# Makes the portable Windows package: tandrel-<version>-win64.zip with a
# folder holding tandrel.exe, its manual (tandrel.html, where the program
# looks for it) and the README. Unpacked anywhere the user may write, it
# keeps its configuration and Log folder beside the program.
#
#   windows-package.sh BUILD-WINDOWS-FOLDER
set -euo pipefail
build=$(realpath "$1")
root=$(cd "$(dirname "$0")/.." && pwd)
version=$(sed -n 's/^project(Tandrel VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
exe="$build/src/win32/tandrel.exe"
[ -f "$exe" ] || { echo "windows-package: $exe not built" >&2; exit 1; }

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/Tandrel"
cp "$exe" "$stage/Tandrel/tandrel.exe"
cp "$root/docs/manual.html" "$stage/Tandrel/tandrel.html"
# Notepad of older Windows versions wants CR LF.
sed 's/$/\r/' "$root/README.md" >"$stage/Tandrel/README.txt"
zip_name="tandrel-$version-win64.zip"
rm -f "$build/$zip_name"
(cd "$stage" && zip -q -X -r "$build/$zip_name" Tandrel)
echo "$build/$zip_name"
