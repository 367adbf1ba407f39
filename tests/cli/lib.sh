# Sourced by the CLI tests: a fresh folder as the current one with a profile
# of its own, and a count of failures.
cli="${BINOXA_CLI:?BINOXA_CLI names the binoxa-cli binary}"
dir=$(mktemp -d) && trap 'rm -rf "$dir"' EXIT && cd "$dir" || exit 1
export BINOXA_PROFILE="$dir/profile.ini"
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }

# aloe_pair DIR puts the aloe pair of Debian's opencv-doc, two JPEG files,
# at DIR/aloeL.jpg and DIR/aloeR.jpg. The package is fetched once into the
# build tree (only the two pictures are kept); exit 77 (skipped) when it
# cannot be had.
aloe_pair() {
  local cache="${BINOXA_BIN:?BINOXA_BIN names the build tree}/testdata/aloe"
  local data=usr/share/doc/opencv-doc/examples/data
  mkdir -p "$cache"
  (
    flock 9
    [ -f "$cache/aloeR.jpg" ] && exit 0
    if [ -f "/$data/aloeR.jpg" ]; then
      cp "/$data/aloeL.jpg" "/$data/aloeR.jpg" "$cache/"
      exit 0
    fi
    tmp=$(mktemp -d) && cd "$tmp" || exit 1
    apt-get download -qq opencv-doc >/dev/null 2>&1 &&
      dpkg-deb --fsys-tarfile opencv-doc_*.deb | tar -x "./$data/aloeL.jpg" "./$data/aloeR.jpg" &&
      mv "$data/aloeL.jpg" "$data/aloeR.jpg" "$cache/"
    rc=$?
    rm -rf "$tmp"
    exit $rc
  ) 9>"$cache/.lock" || { echo "SKIP: the aloe pair of opencv-doc cannot be fetched"; exit 77; }
  cp "$cache/aloeL.jpg" "$cache/aloeR.jpg" "$1/"
}
