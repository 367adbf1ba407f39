#!/usr/bin/env bash
# Real stereo pairs for the tests, fetched once into the build tree:
# $BINOXA_BIN/testdata/opencv (the aloe pair and the stereo-rig pairs of
# Debian's opencv-doc). When they cannot be had: exit 77 (skipped), but a
# failure in CI (CI=true), which reaches Debian's archive.
set -u
cache="${BINOXA_BIN:?BINOXA_BIN names the build tree}/testdata/opencv"
data=usr/share/doc/opencv-doc/examples/data
mkdir -p "$cache"
(
  flock 9
  [ -f "$cache/right14.jpg" ] && exit 0
  if [ -f "/$data/right14.jpg" ]; then
    cp /$data/aloe[LR].jpg /$data/left[0-9]*.jpg /$data/right[0-9]*.jpg "$cache/"
    exit 0
  fi
  tmp=$(mktemp -d) && cd "$tmp" || exit 1
  apt-get download -qq opencv-doc >/dev/null 2>&1 &&
    dpkg-deb --fsys-tarfile opencv-doc_*.deb |
    tar -x --wildcards "./$data/aloe[LR].jpg" "./$data/left[0-9]*.jpg" "./$data/right[0-9]*.jpg" &&
    mv "$data"/*.jpg "$cache/"
  rc=$?
  rm -rf "$tmp"
  exit $rc
) 9>"$cache/.lock" || {
  echo "the sample pairs of opencv-doc cannot be fetched"
  [ "${CI:-}" = true ] && exit 1
  exit 77
}
