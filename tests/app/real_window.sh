#!/usr/bin/env bash
# Starts Daywheel in a real X window (own Xvfb and window manager), checks the
# window's size, title and first picture, then closes it with the window
# manager and checks that closing the main window ends the program.
set -euo pipefail
app=$1
work=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  echo "--- program output:"; cat "$work/app.log" 2>/dev/null
  echo "--- windows:"; xwininfo -root -tree 2>&1 | grep -i daywheel || true
  for w in $(xdotool search --name Daywheel 2>/dev/null); do xwininfo -id "$w" | grep -E 'Map State|Width'; done
  exit 1
}

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$work/display")"
openbox >/dev/null 2>&1 &
pids+=($!)
# Start the program only once the window manager runs, so it manages the window.
for _ in $(seq 100); do wmctrl -m >/dev/null 2>&1 && break; sleep 0.1; done
wmctrl -m >/dev/null 2>&1 || fail "the window manager did not start"

export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM
"$app" >"$work/app.log" 2>&1 &
app_pid=$!
pids+=($app_pid)

win=$(timeout 20 xdotool search --sync --onlyvisible --name '^Daywheel$' | head -n1) || fail "no window titled Daywheel"
size=$(xwininfo -id "$win" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}')
[ "$size" = "361x449" ] || fail "client area is $size, expected 361x449"

# Wait for the first picture: the centre disc is red before the first tick
# with an empty day.
ok=""
for _ in $(seq 50); do
  import -window "$win" "$work/shot.png" 2>/dev/null || true
  colour=$(convert "$work/shot.png" -format '%[pixel:p{186,166}]' info: 2>/dev/null || true)
  case "$colour" in *"255,0,0"*|red) ok=1; break ;; esac
  sleep 0.2
done
[ -n "$ok" ] || fail "centre disc not red (got '$colour')"
if [ -n "${DAYWHEEL_SCREENSHOT:-}" ]; then cp "$work/shot.png" "$DAYWHEEL_SCREENSHOT"; fi

wmctrl -i -c "$win"
for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app_pid" 2>/dev/null; then fail "program still running after its main window closed"; fi
wait "$app_pid" || fail "program exited with an error"
echo "1 passed, 0 failed"
