#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What a screen reader hears from Daywheel: the program in its own Xvfb and
# a private D-Bus session, where the accessibility bus starts on demand,
# read back over AT-SPI by accessibility.py.
#
# accessibility.sh APP
set -euo pipefail
app=$(readlink -f "$1") here=$(dirname "$(readlink -f "$0")")
work=$(mktemp -d)
xvfb=""
cleanup() { [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "FAIL: Xvfb did not start"; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"

unset QT_QPA_PLATFORM   # a real X window: the offscreen platform has no AT-SPI
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
export XDG_RUNTIME_DIR="$work/runtime" HOME="$work/home"
mkdir -m 700 "$XDG_RUNTIME_DIR"
mkdir -p "$HOME/schedules"
# Debian's own Python, where python3-pyatspi lives.
dbus-run-session -- /usr/bin/python3 "$here/accessibility.py" "$app" "$HOME/schedules"
