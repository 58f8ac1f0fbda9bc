#!/usr/bin/env bash
# Checks the Debian package as a user would meet it: lintian finds no error,
# it holds what it should, and the installed program keeps its configuration
# and its Log folder in the user's folders, nothing beside itself.
#   check-package.sh PACKAGE.deb
set -euo pipefail

deb=$(realpath "$1")
work=$(mktemp -d "${TMPDIR:-/tmp}/tandrel-package-XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() {
  echo "check-package: $*" >&2
  exit 1
}

echo "check-package: lintian $deb"
# Errors fail the check; warnings and notes are shown.
lintian --tag-display-limit 0 --display-info "$deb" | tee "$work/lintian.txt" || true
if grep -q '^E: ' "$work/lintian.txt"; then
  fail "lintian reports errors"
fi

root="$work/root"
dpkg-deb -x "$deb" "$root"
for f in usr/bin/tandrel usr/lib/tandrel/tandrel-gui usr/share/applications/tandrel.desktop \
  usr/share/icons/hicolor/16x16/apps/tandrel.png usr/share/icons/hicolor/256x256/apps/tandrel.png \
  usr/share/icons/hicolor/scalable/apps/tandrel.svg usr/share/man/man1/tandrel.1.gz \
  usr/share/doc/tandrel/manual.html usr/share/doc/tandrel/README.md \
  usr/share/doc/tandrel/tandrel-autostart.desktop usr/share/doc/tandrel/copyright; do
  [ -s "$root/$f" ] || fail "missing $f"
done
desktop-file-validate "$root/usr/share/applications/tandrel.desktop"
man --warnings -l "$root/usr/share/man/man1/tandrel.1.gz" >/dev/null

# The unpacked program, with a home of its own and no XDG variables.
home="$work/home"
mkdir -p "$home/S/sub" "$home/D"
printf 'alpha' >"$home/S/a.txt"
printf 'beta' >"$home/S/sub/b.txt"
config="$home/.config/tandrel"
mkdir -p "$config"
printf '[Active Jobs]\r\n0=Docs\r\n\r\n[Docs]\r\nSource=%s/S\r\nDestination=%s/D\r\nInclude SubDirs=1\r\n\r\n[Log]\r\nLogFile=1\r\n' \
  "$home" "$home" >"$config/tandrel.cfg"
program="$root/usr/bin/tandrel"
env -i PATH=/usr/bin:/bin HOME="$home" LC_ALL=C.UTF-8 "$program" --help | grep -q "^Configuration: $config/tandrel.cfg$" ||
  fail "--help names another configuration"
status=0
env -i PATH=/usr/bin:/bin HOME="$home" LC_ALL=C.UTF-8 "$program" /SYNC >"$work/out" 2>&1 || status=$?
[ "$status" = 0 ] || fail "/SYNC ended with $status: $(cat "$work/out")"
[ ! -s "$work/out" ] || fail "a clean run printed: $(cat "$work/out")"
[ "$(cat "$home/D/sub/b.txt")" = beta ] || fail "the job did not run from the per-user configuration"
log="$home/.local/state/tandrel/Log/Tandrel.log"
grep -q "^Synchronisation started at: " "$log" || fail "no log file in $log"
[ "$(ls -A "$root/usr/bin")" = tandrel ] || fail "files beside the program: $(ls -A "$root/usr/bin")"
# What cron starts loads no window system; the windows are found where the
# package puts them.
if ldd "$program" | grep -q 'libQt6'; then
  fail "usr/bin/tandrel loads the window system"
fi
rm "$log"
status=0
env -i PATH=/usr/bin:/bin HOME="$home" LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen timeout 60 "$program" /SYNC \
  >"$work/out" 2>&1 || status=$?
[ "$status" = 0 ] || fail "/SYNC through the windows ended with $status: $(cat "$work/out")"
grep -q "^Synchronisation started at: " "$log" || fail "the run through the windows wrote no log"
echo "check-package: $deb is sound"
