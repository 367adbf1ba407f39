# Helpers of the end-to-end tests of the real window: a private X server, a
# private home, profile and working folder, the program with its paint trace,
# and what the screen shows. Sourced by each test; not a test itself.
set -euo pipefail

: "${BINOXA_BIN:?BINOXA_BIN names the build directory}"
BINOXA=$BINOXA_BIN/ui/binoxa
SCENARIO=$BINOXA_BIN/tools/binoxa-scenario

skip() {
  echo "SKIP: $*"
  exit 77
}
fail() {
  echo "FAIL: $*" >&2
  if [ -s "${TRACE:-/nonexistent}" ]; then
    echo "--- last lines of the program's output:" >&2
    grep -v '^binoxa-trace' "$TRACE" | tail -n 20 >&2 || true
  fi
  exit 1
}

for tool in Xvfb xdotool import convert compare; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done
[ -x "$BINOXA" ] || skip "$BINOXA was not built"

T=$(mktemp -d "${TMPDIR:-/tmp}/binoxa-e2e.XXXXXX")
WORK=$T/work
TRACE=$T/trace
mkdir -p "$WORK" "$T/home"
# GTK keeps recent files and settings in the home: keep them out of the user's.
export HOME=$T/home XDG_CONFIG_HOME=$T/home/.config XDG_DATA_HOME=$T/home/.local/share
export XDG_CACHE_HOME=$T/home/.cache BINOXA_PROFILE=$T/binoxa.ini
unset XDG_CURRENT_DESKTOP GTK_MODULES DISPLAY
export NO_AT_BRIDGE=1 GDK_BACKEND=x11 GSETTINGS_BACKEND=memory

PIDS=()
APP=
cleanup() {
  local i
  for ((i = ${#PIDS[@]} - 1; i >= 0; i--)); do
    kill "${PIDS[i]}" 2>/dev/null || true
    wait "${PIDS[i]}" 2>/dev/null || true
  done
  # E2E_KEEP=1 keeps the files of a failed run for a look.
  if [ -n "${E2E_KEEP:-}" ]; then echo "kept $T"; else rm -rf "$T"; fi
}
trap cleanup EXIT

# wait_for SECONDS WHAT COMMAND...: polls COMMAND until it succeeds.
wait_for() {
  local limit=$1 what=$2
  shift 2
  local end=$((SECONDS + limit))
  until "$@" >/dev/null 2>&1; do
    ((SECONDS < end)) || fail "timed out after ${limit}s waiting for $what"
    sleep 0.05
  done
}

# start_x [wm]: a fresh X server on a free display, with a window manager
# when asked (only needed to close a window as a person does). Displays from
# 100 up, clear of any desktop's own and of fixed numbers other tests use.
x_up() { xdpyinfo -display ":$1" >/dev/null 2>&1; }
# ours N PID: display N is served by that process, not by another test's
# server that took the same number a moment earlier.
ours() { [ "$(tr -d ' \n' <"/tmp/.X$1-lock" 2>/dev/null)" = "$2" ] && kill -0 "$2" 2>/dev/null; }
wm_up() { xprop -root _NET_SUPPORTED 2>/dev/null | grep -q _NET_ACTIVE_WINDOW; }
start_x() {
  local n pid attempt
  for attempt in 1 2 3 4 5 6 7 8; do
    n=$((100 + RANDOM % 900))
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 "${SCREEN:-1280x1024x24}" -nolisten tcp >"$T/xvfb.log" 2>&1 &
    pid=$!
    for _ in $(seq 200); do
      x_up "$n" || ! kill -0 "$pid" 2>/dev/null && break
      sleep 0.05
    done
    if x_up "$n" && ours "$n" "$pid"; then
      PIDS+=("$pid")
      export DISPLAY=:$n
      break
    fi
    # not up in time: stop it, or the wait below never returns
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  [ -n "${DISPLAY:-}" ] && x_up "${DISPLAY#:}" || fail "no X server: $(cat "$T/xvfb.log")"
  if [ "${1:-}" = wm ]; then
    command -v openbox >/dev/null || skip "openbox is not installed"
    # A loaded machine has seen the manager die or stall before it took the
    # screen: start it again rather than fail the test on it.
    local wm end
    for attempt in 1 2 3; do
      openbox --sm-disable >>"$T/wm.log" 2>&1 &
      wm=$!
      end=$((SECONDS + 15))
      until wm_up; do
        kill -0 "$wm" 2>/dev/null && ((SECONDS < end)) || break
        sleep 0.05
      done
      wm_up && break
      kill "$wm" 2>/dev/null || true
      wait "$wm" 2>/dev/null || true
    done
    PIDS+=("$wm")
    wm_up || fail "no window manager: $(tail -n 5 "$T/wm.log")"
  fi
}

main_window() { xdotool search --onlyvisible --pid "$APP" --name '^Binoxa' | head -n 1 | grep .; }

# start_binoxa: the program in the working folder; sets APP and WIN.
start_binoxa() {
  (cd "$WORK" && BINOXA_TRACE_PAINT=1 exec "$BINOXA") >"$TRACE" 2>&1 &
  APP=$!
  PIDS+=("$APP")
  wait_for 30 "the main window" main_window
  WIN=$(main_window)
  wait_for 30 "the first paint" grep -q '^binoxa-trace paint' "$TRACE"
  focus "$WIN"
}

focus() { xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"; }

paints() { grep -c '^binoxa-trace paint' "$TRACE" || true; }

# keys KEY...: key presses into the main window, as typed by a person.
keys() {
  focus "$WIN"
  xdotool key --clearmodifiers "$@"
}

caption() { xdotool getwindowname "$WIN"; }
caption_is() { [ "$(caption)" = "$1" ]; }

# window_named TITLE: the id of the visible window with exactly that title.
window_named() { xdotool search --onlyvisible --name "^$1\$" | head -n 1 | grep .; }
wait_window() {
  wait_for 20 "the window \"$1\"" window_named "$1"
  window_named "$1"
}
gone() { ! xdotool search --onlyvisible --name . 2>/dev/null | grep -qx "$1"; }

# choose_file PATH: types the path into the file dialog that the last
# command opened and confirms it.
choose_file() {
  local dialog
  dialog=$(wait_window "Select a file")
  focus "$dialog"
  # Ctrl+L shows the location field of an open dialog; a save dialog has its
  # name field focused already, Ctrl+A selects what it holds.
  xdotool key --clearmodifiers ctrl+l ctrl+a
  xdotool type --delay 2 "$1"
  confirm "$dialog"
}

# save_as PATH: the name typed into the save dialog.
save_as() {
  local dialog
  dialog=$(wait_window "Select a file")
  focus "$dialog"
  xdotool key --clearmodifiers ctrl+a
  xdotool type --delay 2 "$1"
  confirm "$dialog"
}
# confirm DIALOG: Enter in a file dialog. GTK drops an Enter that comes
# before it has taken in the typed name, which no person is quick enough to
# do: when the dialog stays, Enter once more.
confirm() {
  xdotool key Return
  if ! (wait_for 2 "the file dialog to close" gone "$1") 2>/dev/null; then
    focus "$1"
    xdotool key Return
    wait_for 20 "the file dialog to close" gone "$1"
  fi
}

# open_pair LEFT RIGHT: both pictures opened through the file dialogs.
open_pair() {
  keys ctrl+l
  choose_file "$1"
  keys ctrl+r
  choose_file "$2"
  wait_for 20 "the pair caption" caption_is "Binoxa - left: $1 - right: $2"
}

# The client area: position on the screen and size, from the last paint.
client_geometry() { grep '^binoxa-trace paint' "$TRACE" | tail -n 1 | cut -d' ' -f4-7; }
client_size() {
  local g
  g=($(client_geometry))
  echo "${g[2]} ${g[3]}"
}

# grab FILE: what the client area shows now.
grab() {
  local g
  g=($(client_geometry))
  import -window root -crop "${g[2]}x${g[3]}+${g[0]}+${g[1]}" +repage "$1"
}

# The status bar at its last change: its text, and grab_status FILE for what
# its place on the screen shows now.
status_trace() { grep '^binoxa-trace status' "$TRACE" | tail -n 1; }
status_is() { [ "$(status_trace | cut -d' ' -f8-)" = "$1" ]; }
grab_status() {
  local g
  g=($(status_trace | cut -d' ' -f4-7))
  import -window root -crop "${g[2]}x${g[3]}+${g[0]}+${g[1]}" +repage "$1"
}

# differing A B: number of pixels that differ.
differing() { compare -metric AE "$1" "$2" null: 2>&1 || true; }

# shows FILE: the client area shows exactly the picture in FILE.
shows() {
  grab "$T/screen.png"
  [ "$(differing "$T/screen.png" "$1")" = 0 ]
}
expect_shows() {  # FILE WHAT
  wait_for 20 "the screen to show $2" shows "$1"
}

# all_white FILE
all_white() { [ "$(convert "$1" -format '%[fx:minima]' info:)" = 1 ]; }

# snapshots NAME STEPS: runs the steps on the headless window with a client
# of the real one's size; the steps write snapshots with `snapshot`.
snapshots() {
  local size
  size=$(client_size)
  {
    echo "size $size"
    echo "start"
    cat
  } >"$T/$1.scn"
  "$SCENARIO" "$T/$1.scn" >"$T/$1.out" 2>&1 || fail "scenario $1: $(cat "$T/$1.out")"
}

# ended: the program has exited; its status is in STATUS.
ended() { ! kill -0 "$APP" 2>/dev/null; }
wait_exit() {
  wait_for 20 "the program to end" ended
  STATUS=0
  wait "$APP" || STATUS=$?
}

menu_open() {
  local w
  for w in $(xdotool search --onlyvisible --class binoxa); do
    xprop -id "$w" _NET_WM_WINDOW_TYPE | grep -q POPUP_MENU && return 0
  done
  return 1
}

# menu_exit: Exit chosen from the File menu with the keyboard: F10 opens the
# menu, Up goes round to its last item.
menu_exit() {
  keys F10
  wait_for 10 "the File menu" menu_open
  xdotool key Up Return
}

profile_has() { grep -qx "$1" "$BINOXA_PROFILE"; }

# exited_with_defaults: the program ended with status 0 and wrote all ten
# settings, at their defaults, to the profile.
exited_with_defaults() {
  wait_exit
  [ "$STATUS" = 0 ] || fail "exit status $STATUS"
  local line
  for line in MLR=255 MLG=0 MLB=0 MRR=0 MRG=192 MRB=128 VIEWSIZE=200 SPACE=0 SAVEPOS=1 LOCKY=1; do
    profile_has "$line" || fail "profile lacks $line: $(cat "$BINOXA_PROFILE" 2>&1)"
  done
}
