#!/usr/bin/env bash
# Makes the README's screenshots: under a private X server, the sample library
# that ./run writes (~/binoxa-samples, or $BINOXA_SAMPLES) opened in the real
# window; the anaglyph and parallel views, the library view, a pair fitted
# to the window, the Options dialog and a camera's MPO fitted to the window
# go to docs/screenshots/*.png.
#   tools/screenshots.sh [BUILD_DIR]     (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export BINOXA_BIN=${1:-$root/build}
out=$root/docs/screenshots
# before the helpers give the run a private home
samples=${BINOXA_SAMPLES:-$HOME/binoxa-samples}
source "$root/tests/e2e/lib.sh"
mkdir -p "$out"

"$BINOXA_BIN/cli/binoxa-cli" sample "$samples" >/dev/null
SCREEN=1280x1024x24 start_x wm
start_binoxa
# Sized after the dialogs: a file dialog over a freshly resized frame can miss its Enter.
open_pair "$samples/gardenL.BMP" "$samples/gardenR.BMP"
xdotool windowsize --sync "$WIN" 900 560 2>/dev/null || xdotool windowsize "$WIN" 900 560
client_is_900_wide() { [ "$(client_size | cut -d' ' -f1)" = 900 ]; }
wait_for 20 "the new size" client_is_900_wide

# shot NAME: the main window with its frame, once the screen has settled.
settled() {
  grab "$T/a.png"
  sleep 0.3
  grab "$T/b.png"
  [ "$(differing "$T/a.png" "$T/b.png")" = 0 ] && ! all_white "$T/b.png"
}
shot() {
  wait_for 20 "a settled screen" settled
  import -frame -window "$2" "$out/$1.png"
}

shot anaglyph "$WIN"
keys ctrl+p
shot parallel "$WIN"
keys ctrl+i
wait_for 20 "the library view" caption_is "Binoxa - Select from library"
shot library "$WIN"
# The garden pair picked from the library, fitted into a small window.
read -r cx cy _ < <(client_geometry)
xdotool mousemove $((cx + 116)) $((cy + 36)) click 1
wait_for 20 "the garden pair" caption_is "Binoxa - left: $samples/gardenL.BMP - right: $samples/gardenR.BMP"
xdotool windowsize --sync "$WIN" 420 300 2>/dev/null || xdotool windowsize "$WIN" 420 300
client_is_420_wide() { [ "$(client_size | cut -d' ' -f1)" = 420 ]; }
wait_for 20 "the small size" client_is_420_wide
keys ctrl+a ctrl+f
shot fit "$WIN"

keys alt+o
dialog=$(wait_window Options)
sleep 0.5  # the dialog's first draw; nothing to poll for in it
import -frame -window "$dialog" "$out/options.png"
focus "$dialog"
xdotool key Escape
wait_for 20 "the dialog to close" gone "$dialog"

# A camera photo: a Fujifilm W3's MPO from Pillow's test pictures, fitted.
# Its picture is made here and never committed; the photo is not ours.
bash "$root/tests/fetch-mpos.sh" >/dev/null || fail "the camera MPO cannot be fetched"
xdotool windowsize --sync "$WIN" 900 560 2>/dev/null || xdotool windowsize "$WIN" 900 560
wait_for 20 "the new size" client_is_900_wide
keys ctrl+m
choose_file "$BINOXA_BIN/testdata/pillow/fujifilm.mpo"
wait_for 60 "the camera photo" caption_is "Binoxa - left: $BINOXA_BIN/testdata/pillow/fujifilm.mpo - right: $BINOXA_BIN/testdata/pillow/fujifilm.mpo"
full_views() { status_trace | grep -q "Left: 3648 x 2736"; }
wait_for 60 "the full views" full_views
shot camera "$WIN"

menu_exit
wait_exit
ls -l "$out"
