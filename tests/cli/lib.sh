# Sourced by the CLI tests: a fresh folder as the current one with a profile
# of its own, and a count of failures.
cli="${BINOXA_CLI:?BINOXA_CLI names the binoxa-cli binary}"
dir=$(mktemp -d) && trap 'rm -rf "$dir"' EXIT && cd "$dir" || exit 1
export BINOXA_PROFILE="$dir/profile.ini"
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }

# aloe_pair DIR puts the aloe pair of Debian's opencv-doc, two JPEG files,
# at DIR/aloeL.jpg and DIR/aloeR.jpg; exit 77 (skipped) when it cannot be had.
aloe_pair() {
  bash "$(dirname "${BASH_SOURCE[0]}")/../fetch-samples.sh" || exit 77
  cp "$BINOXA_BIN/testdata/opencv/aloeL.jpg" "$BINOXA_BIN/testdata/opencv/aloeR.jpg" "$1/"
}

# camera_mpos DIR puts the camera files among Pillow's test pictures (a
# Fujifilm W3's fujifilm.mpo, a handheld console's frozenpond.mpo and
# sugarshack.mpo) in DIR. Debian's pillow source is fetched once into the
# build tree through a source list of its own (/etc stays as it is); exit 77
# (skipped) when it cannot be had.
camera_mpos() {
  local cache="${BINOXA_BIN:?BINOXA_BIN names the build tree}/testdata/pillow"
  local names=(fujifilm.mpo frozenpond.mpo sugarshack.mpo)
  mkdir -p "$cache"
  (
    flock 9
    [ -f "$cache/sugarshack.mpo" ] && exit 0
    tmp=$(mktemp -d) && cd "$tmp" || exit 1
    mkdir -p parts lists/partial
    printf '%s\n' "Types: deb-src" "URIs: http://deb.debian.org/debian" "Suites: bookworm" \
      "Components: main" "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" >parts/src.sources
    apt=(-qq -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$tmp/parts"
         -o Dir::State::Lists="$tmp/lists" -o Debug::NoLocking=1)
    apt-get "${apt[@]}" update >/dev/null 2>&1 &&
      apt-get "${apt[@]}" source --download-only pillow >/dev/null 2>&1 &&
      tar -xJf pillow_*.orig.tar.xz --wildcards --strip-components=3 "${names[@]/#/*/Tests/images/}" &&
      mv "${names[@]}" "$cache/"
    rc=$?
    rm -rf "$tmp"
    exit $rc
  ) 9>"$cache/.lock" || { echo "SKIP: Pillow's camera MPOs cannot be fetched"; exit 77; }
  cp "${names[@]/#/$cache/}" "$1/"
}
