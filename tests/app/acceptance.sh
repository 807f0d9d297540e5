#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The road a person walks through Daywheel, in a real X server (Xvfb and
# openbox, started here) with the virtual board registered as port 10, by
# pointer and keyboard only (xdotool), read back from screenshots only:
#   start: title, size, first picture, the buttons in their places;
#   dial: a drag and SET paint it, Lock stops both and unlocks again;
#   Save writes the file, Clear All empties the dial, Load brings the day back;
#   Send: the board's greeting, Send Time, Send Program, Get part a and b,
#     Get Time and Status? answered;
#   closing the controller window;
#   by keyboard alone: paint off, BEGIN/END, UNSET, Save, Clear All, Load,
#     Send and Escape;
#   closing the main window ends the program.
# A control is checked by cropping its place from a screenshot and comparing
# it with a reference crop (tests/app/reference): a moved control or a
# changed caption differs. The dial is read from the colour in the middle of
# each quarter-hour segment, the controller's log through the clipboard, and
# what the board received through its control socket.
#
# acceptance.sh APP BOARD OUT REFERENCE LAYOUTS
#   LAYOUTS                   prints the controls' places and the dial's segments
#   OUT                       screenshots of every step (emptied first)
#   DAYWHEEL_DOCS=DIR         also copies the three windows' pictures to DIR
#   DAYWHEEL_NEW_REFERENCE=1  writes the crops to REFERENCE instead of comparing
set -euo pipefail
app=$(readlink -f "$1") board=$(readlink -f "$2") out=$3 reference=$4 layouts=$(readlink -f "$5")

rm -rf "$out"
mkdir -p "$out/crops"
work=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT
fail() {
  echo "FAIL (${step:-start}): $*"
  import -window root "$out/failure.png" 2>/dev/null || true
  echo "--- program output:"; cat "$work/app.log" 2>/dev/null || true
  echo "--- virtual board output:"; cat "$work/board.log" 2>/dev/null || true
  echo "--- screenshots: $out"
  exit 1
}

# Runs "$@" until it succeeds, for at least LIMIT seconds (SECONDS counts
# whole seconds); a check may say in $why what it saw last.
why=""
wait_for() {
  local limit=$1 what=$2
  shift 2
  local end=$((SECONDS + limit + 1))
  why=""
  until "$@"; do
    ((SECONDS < end)) || fail "$what${why:+: $why}"
    sleep 0.1
  done
}

# Each step's last screenshot stays in OUT under the step's number and name.
steps=0
step() {
  steps=$((steps + 1))
  step=$(printf '%02d-%s' "$steps" "$1")
  shot="$out/$step.png"
  echo "$step"
}

# --- the X server, the window manager and the board -------------------------
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
wait_for 10 "Xvfb did not start" test -s "$work/display"
export DISPLAY=":$(head -n1 "$work/display")"
openbox >/dev/null 2>&1 &
pids+=($!)
# Start the program only once the window manager runs, so it manages the window.
wm_runs() { wmctrl -m >/dev/null 2>&1; }
wait_for 10 "the window manager did not start" wm_runs

export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
sock="$work/board.sock"
"$board" --link "$XDG_RUNTIME_DIR/daywheel/ports/com10" --control "$sock" >"$work/board.log" 2>&1 &
pids+=($!)
wait_for 10 "the virtual board did not register as port 10" \
  test -e "$XDG_RUNTIME_DIR/daywheel/ports/com10" -a -S "$sock"
board_says() { socat - "UNIX-CONNECT:$sock" <<<"$1" 2>/dev/null; }

# --- the windows and their controls, as the windows' forms place them
declare -A at=() ring_at=()
while read -r name x y w h; do
  if [ "$name" = ring ]; then ring_at[$x]="$y $w"; else at[$name]="$x $y $w $h"; fi
done < <("$layouts")
[ ${#at[@]} -gt 40 ] && [ ${#ring_at[@]} -eq 96 ] || fail "the layout listing is incomplete"
# Pixel rectangle "x y w h" of a control.
rect() { echo "${at[$1]}"; }
click() {   # click WINDOW CONTROL [DX DY]: at the middle, or DX DY from its corner
  local x y w h
  read -r x y w h <<<"$(rect "$2")"
  xdotool mousemove --window "$1" $((x + ${3:-$((w / 2))})) $((y + ${4:-$((h / 2))})) click 1
}
# Off every window, so no control shows the pointer over it.
park() { xdotool mousemove 2 765; }

title1='Daywheel' title2='Form2' title3='Send/Recieve Wifi/Serial Com'
visible() { xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }
hidden() { ! visible "$1"; }
window_of() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1; }
await_window() {   # TITLE WIDTHxHEIGHT: sets $win
  wait_for 20 "no window titled '$1'" visible "$1"
  win=$(window_of "$1")
  local size
  size=$(xwininfo -id "$win" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}') || true
  [ "$size" = "$2" ] || fail "the window '$1' is $size, expected $2"
}

# --- reading screenshots -----------------------------------------------------
# Crops each control's place from a screenshot of WINDOW and compares it with
# its reference, named window.control[-STATE].png; true when all match.
looks_like() {   # WINDOW STATE CONTROL...
  local window=$1 state=$2 control x y w h crop ref diff bad=()
  shift 2
  park
  import -window "$window" "$shot" 2>/dev/null || return 1
  for control in "$@"; do
    read -r x y w h <<<"$(rect "$control")"
    crop="$out/crops/$control${state:+-$state}.png"
    ref="$reference/$(basename "$crop")"
    convert "$shot" -crop "${w}x${h}+${x}+${y}" +repage "$crop"
    if [ -n "${DAYWHEEL_NEW_REFERENCE:-}" ]; then
      # A reference is taken once two captures in a row agree and the crop
      # shows more than a blank box.
      if [ -f "$crop.last" ] && [ "$(compare -metric AE "$crop.last" "$crop" null: 2>&1)" = 0 ] &&
        [ "$(convert "$crop" -format %k info:)" -gt 2 ]; then
        cp "$crop" "$ref"
      else
        cp "$crop" "$crop.last"
        bad+=("$control")
      fi
      continue
    fi
    # The fonts and the style come from scripts/setup, so the pictures are
    # the same pixel for pixel; the tolerance only absorbs a stray pixel,
    # far less than a letter or a shift by one pixel changes.
    diff=$(compare -metric AE -fuzz 10% "$ref" "$crop" "${crop%.png}-diff.png" 2>&1 >/dev/null) || true
    [[ $diff =~ ^[0-9]+$ ]] && ((diff <= 3)) || bad+=("$control ($diff)")
  done
  why="differs from its reference: ${bad[*]} (crops in $out/crops)"
  [ ${#bad[@]} -eq 0 ]
}

# Pixel "x y" in the main window of the middle of quarter hour $1's segment
# (1 = 00:00-00:15, 96 = 23:45-24:00).
ring() { echo "${ring_at[$1]}"; }
# The dial as 96 characters, one per quarter hour: '#' green (on), '.' pale
# blue (off), '?' anything else; one convert call reads them all.
ring_format=$(for k in $(seq 96); do printf '%%[hex:p{%d,%d}] ' $(ring "$k"); done)
dial() {
  import -window "$mainw" "$shot" 2>/dev/null &&
    convert "$shot" -format "$ring_format" info: |
    awk '{ for (i = 1; i <= NF; i++) printf "%s", $i == "00FF00" ? "#" : $i == "C0C0FF" ? "." : "?" }'
}
# The day with the quarter hours in the given ranges on ("25-34 40").
day() {
  awk -v ranges="$*" 'BEGIN {
    for (k = 1; k <= 96; k++) s[k] = "."
    n = split(ranges, r, " ")
    for (i = 1; i <= n; i++) {
      m = split(r[i], b, "-")
      for (k = b[1]; k <= b[m]; k++) s[k] = "#"
    }
    for (k = 1; k <= 96; k++) printf "%s", s[k]
  }'
}
dial_shows() {
  local want got
  want=$(day "$@")
  got=$(dial)
  why=$'\n'"  dial shows $got"$'\n'"  expected   $want"
  [ "$got" = "$want" ]
}

# The controller window's log, copied from its text box to the clipboard.
controller_log() {
  click "$ctlw" controllerWindow.logView
  xdotool key ctrl+a ctrl+c
  xclip -o -selection clipboard 2>/dev/null | tr -d '\r'
}
log_like() {   # a glob pattern for the whole log
  local got
  got=$(controller_log)
  why=$'\n'"$got"
  [[ $got == $1 ]]
}

# --- start -------------------------------------------------------------------
step start
mkdir -p "$work/home/schedules"   # the folder the program starts in, alone in its parent
unset QT_QPA_PLATFORM
(cd "$work/home/schedules" && exec "$app") >"$work/app.log" 2>&1 &
app_pid=$!
pids+=($app_pid)
await_window "$title1" 361x515
mainw=$win
# The first picture: the centre disc is red before the first tick of an empty day.
centre_red() { import -window "$mainw" "$shot" && [ "$(convert "$shot" -format '%[hex:p{186,166}]' info:)" = FF0000 ]; }
wait_for 10 "the centre disc is not red" centre_red
wait_for 5 "main window" looks_like "$mainw" "" \
  mainWindow.clearAllButton mainWindow.lockButton mainWindow.setButton \
  mainWindow.saveButton mainWindow.loadButton mainWindow.sendButton
wait_for 2 "the dial is not empty" dial_shows

# --- dial: drag and SET paint -------------------------------------------------
drag() {   # from slot $1 to slot $2, through the slot between
  xdotool mousemove --window "$mainw" $(ring "$1") mousedown 1 \
    mousemove --window "$mainw" $(ring $((($1 + $2) / 2))) \
    mousemove --window "$mainw" $(ring "$2") mouseup 1
}
step drag
drag 37 44   # 09:00 to 11:00
wait_for 3 "the drag did not paint 09:00-11:00" dial_shows 37-44

step set
# END two quarter hours on, to 08:30: SET paints 06:00-08:30.
for _ in 1 2; do click "$mainw" mainWindow.endScroll 58 8; done
click "$mainw" mainWindow.setButton
wait_for 3 "SET did not paint 06:00-08:30" dial_shows 25-34 37-44

# --- Lock ----------------------------------------------------------------------
step lock
click "$mainw" mainWindow.lockButton
click "$mainw" mainWindow.offSwatch   # paint off: SET turns into UNSET
wait_for 5 "locked, painting off" looks_like "$mainw" locked mainWindow.lockButton mainWindow.setButton
drag 38 43                      # would clear 09:15-10:45
click "$mainw" mainWindow.setButton   # would clear 06:00-08:30
click "$mainw" mainWindow.lockButton   # unlock
xdotool mousemove --window "$mainw" $(ring 40) click 1   # clears 09:45-10:00
# The click after unlocking shows only after everything before it was
# handled, so whatever the locked drag and UNSET did would show with it.
wait_for 3 "Lock did not stop the drag and UNSET, or unlocking failed" dial_shows 25-34 37-39 41-44
click "$mainw" mainWindow.onSwatch   # paint on again
on="25-34 37-39 41-44"
digits=$(day "$on" | tr '#.' 10)   # quarter hours 1..96; 96 is 23:45-24:00

# --- Save, Clear All, Load -----------------------------------------------------
step save
click "$mainw" mainWindow.saveButton
await_window "$title2" 567x332
filew=$win
wait_for 5 "file window" looks_like "$filew" "" fileWindow.nameEdit fileWindow.saveButton fileWindow.loadButton
click "$filew" fileWindow.saveButton   # Save Times, as suntime.txt
# 97 lines " v \r\n": slot 0 (23:45-24:00), the quarter hours 1..95, slot 96 (23:45-24:00).
for ((k = 0; k <= 96; k++)); do
  i=$(((k + 95) % 96))
  printf ' %s \r\n' "${digits:i:1}"
done >"$work/expected.txt"
saved="$work/home/schedules/suntime.txt"
wait_for 5 "Save Times wrote no 485-byte suntime.txt in the folder the program started in" \
  cmp -s "$saved" "$work/expected.txt"
[ "$(stat -c %s "$saved")" = 485 ] || fail "the saved file is not 485 bytes"
wait_for 5 "the file window stays open after saving" hidden "$title2"
wait_for 5 "the main window is not back" visible "$title1"

step clear-all
click "$mainw" mainWindow.clearAllButton
wait_for 3 "Clear All did not turn the day off" dial_shows

step load
click "$mainw" mainWindow.loadButton
await_window "$title2" 567x332
filew=$win
# The list shows the new file once it reads the folder again: open the
# parent folder and come back (the started folder is the last entry).
click "$filew" fileWindow.folderList
xdotool key End Up Return End Return
click "$filew" fileWindow.fileList 40 9   # its one file, suntime.txt
wait_for 5 "suntime.txt is not listed and selected" looks_like "$filew" selected fileWindow.fileList
cp "$shot" "$out/file-window.png"
click "$filew" fileWindow.loadButton   # Load Times
wait_for 5 "the file window stays open after loading" hidden "$title2"
wait_for 3 "Load did not bring the day back" dial_shows $on
cp "$shot" "$out/main-window.png"

# --- Send and the board's answers ------------------------------------------------
step send
# A board set before (by an earlier session), so the window finds nothing
# to set by itself: its time goes in over the line, then the line closes.
exec 4<>"$XDG_RUNTIME_DIR/daywheel/ports/com10"
IFS= read -r -t 10 first <&4 || fail "the board did not greet"
[ "${first%$'\r'}" = "Daywheel board ready, time not set, week, sun, clock to the ms" ] || fail "a fresh board greeted '$first'"
printf 't12:00\n' >&4
board_set() { [[ $(board_says 'time?') == "time 43200."* ]]; }
wait_for 5 "the board did not take its time" board_set
exec 4>&-
port_closed() { [ "$(board_says 'open?')" = "open 0" ]; }
wait_for 5 "the board did not notice the line close" port_closed

place() { xdotool getwindowgeometry "$1" | awk '/Position:/ {print $2}'; }
# Somewhere the window manager would not put it by itself.
main_place=$(place "$mainw")
xdotool windowmove "$mainw" 200 150
wait_for 3 "the main window did not move" eval '[ "$(place "$mainw")" != "$main_place" ]'
main_place=$(place "$mainw")
click "$mainw" mainWindow.sendButton
await_window "$title3" 643x365
ctlw=$win
wait_for 5 "the main window stays open beside the controller window" hidden "$title1"
wait_for 5 "controller window" looks_like "$ctlw" "" \
  controllerWindow.sendTimeButton controllerWindow.sendProgramButton controllerWindow.getPartAButton \
  controllerWindow.getTimeButton controllerWindow.statusButton controllerWindow.getPartBButton
# The board was set to 12:00 above: the window finds it off and sets it.
# (A board without a place gets the time zone's with the time, on a line of its own.)
log="Daywheel board ready, week, sun, clock to the ms"$'\n'"The board's clock was * s off*: set it."*
wait_for 5 "no greeting in the log" log_like "$log"

step send-time
now() {
  local h m s
  IFS=: read -r h m s < <(date +%H:%M:%S)
  echo $((10#$h * 3600 + 10#$m * 60 + 10#$s))
}
# Half a day off first, so only the time sent can put the clock right.
[ "$(board_says "settime $((($(now) + 43200) % 86400))")" = ok ] || fail "the board's control socket does not answer"
click "$ctlw" controllerWindow.sendTimeButton
# The board greeted ", clock to the ms": the window sends the time to the ms,
# whatever second of the minute it is.
board_clock_now() {
  local b d
  b=$(board_says 'time?')
  why="the board's clock reads '$b', the time is $(now) s"
  [[ $b =~ ^time\ ([0-9]+)\.[0-9]{3}$ ]] && d=$((($(now) - BASH_REMATCH[1] + 86400) % 86400)) &&
    ((d <= 1 || d >= 86399))
}
wait_for 5 "Send Time did not set the board's clock" board_clock_now
log+=$'\n'"Sent the time, [0-9][0-9]:[0-9][0-9]:[0-9][0-9].[0-9][0-9][0-9]."

step send-program
click "$ctlw" controllerWindow.sendProgramButton
# 07:20 lies in 07:15-07:30, on: only the day sent can turn the light on.
light_on_at_0720() { [ "$(board_says 'settime 26400')" = ok ] && why=$(board_says 'light?') && [ "$why" = "light 1" ]; }
wait_for 5 "the board did not get the program" light_on_at_0720

log+=$'\n'"Sent the day."

step get-part-a
click "$ctlw" controllerWindow.getPartAButton
log+=$'\n'"a${digits:95:1}${digits:0:47}"   # slots 0..47
wait_for 5 "no part a in the log" log_like "$log"

step get-part-b
click "$ctlw" controllerWindow.getPartBButton
log+=$'\n'"b${digits:47:48}"   # slots 48..95
wait_for 5 "no part b in the log" log_like "$log"

step get-time
[ "$(board_says 'settime 45250')" = ok ] || fail "the board's control socket does not answer"   # 12:34:10
click "$ctlw" controllerWindow.getTimeButton
log+=$'\n'"12:34"
wait_for 5 "no time in the log" log_like "$log"

step status
click "$ctlw" controllerWindow.statusButton
log+=$'\n'"time 12:34:[1-5][0-9] light off pattern stored date *-*-* ??? trim +0 ppm"   # 12:30-12:45 is off
wait_for 5 "no status in the log" log_like "$log"
# For the picture: drop the selection the copying made (a key, since a
# click this soon after the last one would be a double click).
xdotool key ctrl+End
unselected() {
  park
  import -window "$ctlw" "$shot" 2>/dev/null &&
    [ "$(convert "$shot" -fill black +opaque '#308CC6' -fill white -opaque '#308CC6' -format '%[fx:maxima]' info:)" = 0 ]
}
wait_for 5 "the log stays selected" unselected
cp "$shot" "$out/controller-window.png"

# --- closing ------------------------------------------------------------------------
step close-controller
wmctrl -i -c "$ctlw"
wait_for 5 "the main window did not come back" visible "$title1"
wait_for 5 "the controller window did not close" hidden "$title3"
port_closed() { why=$(board_says 'open?') && [ "$why" = "open 0" ]; }
wait_for 5 "the port stays open" port_closed
mainw=$(window_of "$title1")
[ "$(place "$mainw")" = "$main_place" ] || fail "the main window came back at $(place "$mainw"), not $main_place"
wait_for 3 "the day changed" dial_shows $on

# --- the same road by keyboard alone (the focus is on Send again) ------------------
step keyboard
active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }
keys() { xdotool key --delay 30 "$@"; }
wait_for 5 "the main window is not active" active "$mainw"
# Back to the paint-off area, END 6 on to 10:00, BEGIN 12 on to 09:00, round
# to UNSET (past Send the week's seven rings and three buttons, and Dark and
# away, the last).
keys shift+Tab shift+Tab space shift+Tab $(printf 'Right %.0s' {1..6}) shift+Tab $(printf 'Right %.0s' {1..12}) \
  $(printf 'Tab %.0s' {1..18}) space
on="25-34 41-44"
wait_for 3 "the keyboard did not clear 09:15-10:00" dial_shows $on
keys ctrl+s && wait_for 5 "Ctrl+S opened no file window" active "$(window_of "$title2")"
keys shift+Tab space   # from Load Times to Save Times
digits=$(day "$on" | tr '#.' 10)
for ((k = 0; k <= 96; k++)); do printf ' %s \r\n' "${digits:(k + 95) % 96:1}"; done >"$work/expected.txt"
wait_for 5 "Save Times by keyboard wrote another file" cmp -s "$saved" "$work/expected.txt"
wait_for 5 "the main window is not back" active "$mainw"
keys shift+Tab shift+Tab space   # from UNSET to Clear All
wait_for 3 "Clear All by keyboard did not turn the day off" dial_shows
# In the folder list read the folder again (no file selected), into the file
# list (its one file highlighted), on to Load Times.
keys ctrl+o && wait_for 5 "Ctrl+O opened no file window" active "$(window_of "$title2")"
keys shift+Tab shift+Tab shift+Tab End Up Return End Return Tab Down Up Tab Tab Tab space
wait_for 5 "Load Times by keyboard did not bring the day back" dial_shows $on
keys $(printf 'shift+Tab %.0s' {1..12}) space   # from Clear All back past Dark and away and the week's controls to Send
await_window "$title3" 643x365
wait_for 5 "the controller window is not active" active "$win"
keys Escape
wait_for 5 "Escape did not close the controller window" hidden "$title3"
mainw=$(window_of "$title1")
wait_for 3 "the day changed" dial_shows $on

step close-main
wmctrl -i -c "$mainw"
ended() { ! kill -0 "$app_pid" 2>/dev/null; }
wait_for 10 "the program still runs after its main window closed" ended
wait "$app_pid" || fail "the program exited with status $?"
any_window() { xdotool search --name "^($title1|$title2|$title3)\$" >/dev/null 2>&1; }
! any_window || fail "a window is left"

if [ -n "${DAYWHEEL_DOCS:-}" ]; then
  cp "$out"/{main,file,controller}-window.png "$DAYWHEEL_DOCS/"
fi
echo "passed in $SECONDS s; screenshots in $out"
