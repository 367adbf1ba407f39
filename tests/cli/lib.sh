# Sourced by the CLI tests: a fresh folder as the current one with a profile
# of its own, and a count of failures.
cli="${BINOXA_CLI:?BINOXA_CLI names the binoxa-cli binary}"
dir=$(mktemp -d) && trap 'rm -rf "$dir"' EXIT && cd "$dir" || exit 1
export BINOXA_PROFILE="$dir/profile.ini"
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }

# aloe_pair DIR puts the aloe pair of Debian's opencv-doc, two JPEG files,
# at DIR/aloeL.jpg and DIR/aloeR.jpg; when it cannot be had, the test ends as
# tests/fetch-samples.sh does (skipped, or failed in CI).
aloe_pair() {
  bash "$(dirname "${BASH_SOURCE[0]}")/../fetch-samples.sh" || exit
  cp "$BINOXA_BIN/testdata/opencv/aloeL.jpg" "$BINOXA_BIN/testdata/opencv/aloeR.jpg" "$1/"
}

# camera_mpos DIR puts the camera files among Pillow's test pictures in DIR
# (tests/fetch-mpos.sh); when they cannot be had, the test ends as that
# script does.
camera_mpos() {
  bash "$(dirname "${BASH_SOURCE[0]}")/../fetch-mpos.sh" || exit
  cp "$BINOXA_BIN"/testdata/pillow/{fujifilm,frozenpond,sugarshack}.mpo "$1/"
}
