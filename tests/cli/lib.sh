# Sourced by the CLI tests: a fresh folder as the current one with a profile
# of its own, and a count of failures.
cli="${BINOXA_CLI:?BINOXA_CLI names the binoxa-cli binary}"
dir=$(mktemp -d) && trap 'rm -rf "$dir"' EXIT && cd "$dir" || exit 1
export BINOXA_PROFILE="$dir/profile.ini"
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }
