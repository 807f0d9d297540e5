#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a staging folder and builds the .deb, then checks
# both file lists, the desktop entry and AppStream data with their
# validators, the command lines, the icon sizes, the package's name,
# dependencies and lintian's verdict, and that
# the staged daywheel-try starts the staged virtual board on its installed
# firmware (with a stand-in for the window, so no display is needed).
set -euo pipefail
build=$1 id=$2 font=$3
work=$(mktemp -d)
try_group=""
cleanup() {
  # A board that daywheel-try failed to stop must not outlive the test.
  if [ -n "$try_group" ]; then kill -- "-$try_group" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Installed files, relative to the prefix.
expected=$(sort <<EOF2
bin/daywheel
bin/daywheel-ctl
bin/daywheel-try
lib/daywheel/atmegaboot.hex
lib/daywheel/daywheel-board.elf
lib/daywheel/daywheel-board.hex
lib/daywheel/optiboot.hex
libexec/daywheel/daywheel-virtual-board
share/applications/$id.desktop
share/doc/daywheel/changelog.gz
share/doc/daywheel/copyright
share/icons/hicolor/16x16/apps/$id.png
share/icons/hicolor/32x32/apps/$id.png
share/icons/hicolor/48x48/apps/$id.png
share/icons/hicolor/scalable/apps/$id.svg
share/lintian/overrides/daywheel
share/man/man1/daywheel-ctl.1.gz
share/man/man1/daywheel-try.1.gz
share/man/man1/daywheel.1.gz
share/metainfo/$id.metainfo.xml
EOF2
)
same_files() {  # what, actual list
  if [ "$2" != "$expected" ]; then
    fail "$1 differs from the expected files (< expected, > installed):"
    diff <(echo "$expected") <(echo "$2") || true
  fi
}

# --- cmake --install into a staging folder
stage=$work/stage
DESTDIR=$stage cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1 ||
  { cat "$work/install.log"; fail "cmake --install failed"; }
same_files "cmake --install" "$(cd "$stage/usr" && find . -type f -printf '%P\n' | sort)"
for exe in bin/daywheel bin/daywheel-ctl bin/daywheel-try libexec/daywheel/daywheel-virtual-board; do
  [ -x "$stage/usr/$exe" ] || fail "$exe is not executable"
done
for n in 16 32 48; do
  png=$stage/usr/share/icons/hicolor/${n}x${n}/apps/$id.png
  file -b "$png" 2>/dev/null | grep -q "^PNG image data, $n x $n," ||
    fail "$n px icon is $(file -b "$png" 2>&1)"
done

out=$(desktop-file-validate "$stage/usr/share/applications/$id.desktop" 2>&1) &&
  [ -z "$out" ] || fail "desktop-file-validate: $out"
# Infos count as complaints too; only pedantic notes are let through, and
# AppStream 1.0's <developer>, which Debian 12's validator does not know yet.
out=$(appstreamcli validate --no-net "$stage/usr/share/metainfo/$id.metainfo.xml" 2>&1) &&
  ! grep -v ': unknown-tag developer$' <<<"$out" | grep -q '^[EWI]:' || fail "appstreamcli validate: $out"

# Asking needs no display; wrong arguments are usage errors before anything starts.
nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DAYWHEEL_APP=false DAYWHEEL_VIRTUAL_BOARD=false)
"${nodisplay[@]}" "$stage/usr/bin/daywheel" --version | grep -qx 'daywheel [0-9.]*' || fail "daywheel --version"
"${nodisplay[@]}" "$stage/usr/bin/daywheel-try" --help | grep -q '^Usage: daywheel-try' || fail "daywheel-try --help"
for args in "daywheel --bogus" "daywheel file.txt" "daywheel-try --bogus"; do
  status=0; "${nodisplay[@]}" "$stage/usr/bin/"$args 2>/dev/null || status=$?
  [ "$status" -eq 2 ] || fail "$args: exit $status, not 2"
done

# --- the staged try-script, board and firmware together
# The staged board must default to the staged firmware, not the build's.
"$stage/usr/libexec/daywheel/daywheel-virtual-board" --help 2>&1 |
  grep -qF "(default $stage/usr/" || fail "the staged virtual board does not default to the staged firmware"
export XDG_RUNTIME_DIR=$work/run XDG_STATE_HOME=$work/state
mkdir -m 700 "$XDG_RUNTIME_DIR"
link=$XDG_RUNTIME_DIR/daywheel/ports/com10
cat >"$work/app" <<'EOF2'
#!/usr/bin/env bash
# Stands in for the window: opening port 10 restarts the board, which greets.
exec 3<"$XDG_RUNTIME_DIR/daywheel/ports/com10" || exit 3
IFS= read -r -t 10 greeting <&3 || exit 4
[ "${greeting%$'\r'}" = "Daywheel board ready, time not set, week, sun, clock to the ms" ] || exit 5
EOF2
chmod +x "$work/app"
# In a session of its own, so cleanup can reach whatever it started.
DAYWHEEL_APP=$work/app setsid "$stage/usr/bin/daywheel-try" >"$work/try.log" 2>&1 &
try_group=$!
status=0
wait "$try_group" || status=$?
if [ "$status" -ne 0 ]; then
  fail "daywheel-try with the staged board: exit $status"
  cat "$work/try.log" "$XDG_STATE_HOME/daywheel/virtual-board.log" 2>/dev/null || true
fi
[ ! -e "$link" ] || fail "the virtual board still runs after daywheel-try ended"

# --- the .deb
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/deb" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$(ls "$work"/deb/daywheel_*.deb 2>/dev/null | head -n1)
if [ -z "$deb" ]; then
  fail "no daywheel_*.deb built"
else
  same_files "the .deb" "$(dpkg-deb --contents "$deb" | awk '/^-/ { sub("^\\./usr/", "", $6); print $6 }' | sort)"
  [ "$(dpkg-deb --field "$deb" Package)" = daywheel ] || fail "package name is not daywheel"
  depends=$(dpkg-deb --field "$deb" Depends)
  for p in libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 libsimavr2 avrdude tzdata "$font"; do
    grep -Eq "(^|, )$p( |,|$)" <<<"$depends" || fail "Depends lacks $p: $depends"
  done
  dpkg-deb --field "$deb" Recommends | grep -qw qt6-translations-l10n || fail "Recommends lacks qt6-translations-l10n"
  echo "$(basename "$deb"): $(stat -c %s "$deb") bytes; Depends: $depends"
  lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 || fail "lintian: $(cat "$work/lintian.log")"
fi

[ "$failures" -eq 0 ] || exit 1
echo "1 passed, 0 failed"
