#!/bin/sh
# scripts/run on a machine without a display, stopped by a signal: the edit
# being typed is in the settings file afterwards and nothing the run started
# is left running. First a kill -TERM of the script, with a description typed
# into the manager (shown by a double-click on the icon in the virtual
# desktop's notification area, as a VNC viewer's user would); then a hang-up
# of its whole process group, as a closed terminal sends.
#   run_script_test.sh ROOT   (from a folder of its own, CTest's working one)
set -eu
ROOT=$1
work=$(pwd)
# Kept from run to run (making a prefix takes half a minute); the settings
# of the last run are removed.
prefix=$work/prefix
settings=$prefix/drive_c/windows/schedmgr.INI
rm -f "$settings" "$prefix/drive_c/windows/schedmgr.log"
out=$work/run.out
run=""

fail() {
  echo "FAIL: $*" >&2
  echo "--- scripts/run said:" >&2
  cat "$out" >&2 || true
  exit 1
}
finish() {
  if [ -n "$run" ] && kill -0 "$run" 2>/dev/null; then
    kill -TERM "$run" 2>/dev/null || true
    wait "$run" 2>/dev/null || true
  fi
}
trap finish EXIT

# Polls a command for up to $1 tenths of a second.
wait_for() {
  n=$1
  shift
  while [ "$n" -gt 0 ]; do
    if "$@"; then return 0; fi
    sleep 0.1
    n=$((n - 1))
  done
  return 1
}
said() { grep -q "$1" "$out"; }

# The processes of the run: those whose environment names its prefix (the
# script exports it before it starts anything).
run_processes() {
  for p in /proc/[0-9]*; do
    if { tr '\0' '\n' <"$p/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$prefix"; then
      { tr '\0' ' ' <"$p/cmdline"; } 2>/dev/null || true
      echo
    fi
  done
}
none_left() { [ -z "$(run_processes)" ]; }

# Started as from a terminal: the leader of a process group of its own, with
# Ctrl-C not ignored (as it is for a background command of a script).
start_run() {
  : >"$out"
  setsid env --default-signal=INT -u DISPLAY -u WAYLAND_DISPLAY -u MARROWBY_WINESERVER_UP \
    -u MARROWBY_XVFB_PID MARROWBY_RUN_PREFIX="$prefix" "$ROOT/scripts/run" --no-build \
    >"$out" 2>&1 &
  run=$!
  wait_for 1200 said '^schedmgr: to stop' || fail "scripts/run did not start the program"
  DISPLAY=$(sed -n 's/.*runs on a virtual one (\(:[0-9]*\)).*/\1/p' "$out")
  [ -n "$DISPLAY" ] || fail "scripts/run named no virtual display"
  export DISPLAY
}
# Sends signal $1 to the script ($3 empty) or to its process group ($3 "-")
# and checks its exit code ($2) and that nothing of the run is left.
stop_run() {
  /bin/kill -s "$1" -- "${3:-}$run"  # procps: dash's own takes no process group
  status=0
  wait "$run" || status=$?
  run=""
  [ $status -eq "$2" ] || fail "scripts/run ended with $status after SIG$1 (expected $2)"
  wait_for 50 none_left || fail "left running after SIG$1: $(run_processes)"
}

# The program's icon docked in a notification area: a small window of the
# program (its class names the ".exe") that is not a top-level window but a
# child of the tray's. Prints "x y" of its centre.
docked_icon() {
  xwininfo -root -tree 2>/dev/null | awk '
    /^     [^ ]/ { top = 1 } /^      / { top = 0 }
    !top && /\.exe" "/ && match($0, /[0-9]+x[0-9]+\+-?[0-9]+\+-?[0-9]+ +\+-?[0-9]+\+-?[0-9]+$/) {
      split($(NF-1), size, /[x+]/); split($NF, abs, /\+/)
      if (size[1] < 8 || size[1] > 64) next
      print abs[2] + int(size[1] / 2), abs[3] + int(size[2] / 2); exit }'
}
icon_docked() { [ -n "$(docked_icon)" ]; }
# The manager's window (not the program's 1x1 application window), if shown.
main_window() {
  for w in $(xdotool search --onlyvisible --name '^Marrowby Schedule Manager$' 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$w")"
    if [ "$WIDTH" -gt 100 ]; then echo "$w"; return; fi
  done
}
shown() { [ -n "$(main_window)" ]; }
hidden() { [ -z "$(main_window)" ]; }

start_run
# The program shows its window, hides it into the icon a second later, and a
# double-click on the icon shows it again.
wait_for 300 shown || fail "the manager's window did not appear"
wait_for 100 hidden || fail "the manager did not hide into the notification area"
wait_for 100 icon_docked || fail "the icon is not docked in the notification area"
set -- $(docked_icon)
# Where a Windows user looks: the bottom right corner of the 1024x768 screen.
[ "$1" -gt 768 ] && [ "$2" -gt 700 ] || fail "the icon is at $1,$2, not at the bottom right"
xdotool mousemove "$1" "$2" click --repeat 2 --delay 80 1
wait_for 100 shown || fail "a double-click on the icon did not show the manager"
w=$(main_window)
root=$(xwininfo -root | sed -n 's/.*Window id: \(0x[0-9a-f]*\).*/\1/p')
parent=$(xwininfo -tree -id "$w" | sed -n 's/.*Parent window id: \(0x[0-9a-f]*\).*/\1/p')
[ "$parent" != "$root" ] || fail "the manager's window has no frame (it is a child of the root)"

# An edit typed but not stored: a new schedule, its description changed.
marker="typed-before-the-stop-$$"
xdotool mousemove --window "$w" 458 162 click 1  # "New"
sleep 1
xdotool mousemove --window "$w" 400 73 click 1  # the description
xdotool type --delay 20 " $marker"
sleep 1
if grep -q "$marker" "$settings" 2>/dev/null; then
  fail "the edit was stored before the stop: the test proves nothing"
fi
running=$(run_processes)
for p in Xvfb x11vnc jwm wineserver schedmgr.exe; do
  echo "$running" | grep -q "$p" || fail "no $p among the run's processes"
done
stop_run TERM 143
grep -q "$marker" "$settings" || fail "the edit typed before the stop was lost"

# A hang-up reaches every process of the terminal's group: the program is
# still there to save its settings (written anew at its end).
start_run
wait_for 300 shown || fail "the manager's window did not appear"
rm -f "$settings"
stop_run HUP 129 -
[ -f "$settings" ] || fail "the settings were not saved at a hang-up"
echo "PASS: the edit survived a TERM; the settings were saved at a hang-up; nothing left running"
