#!/usr/bin/env bash
# The camera files among Pillow's test pictures (a Fujifilm W3's
# fujifilm.mpo, a handheld console's frozenpond.mpo and sugarshack.mpo),
# fetched once into $BINOXA_BIN/testdata/pillow from Debian's pillow source
# through a source list of its own (/etc stays as it is). When they cannot be
# had: exit 77 (skipped), but a failure in CI (CI=true), which reaches
# Debian's archive.
set -u
cache="${BINOXA_BIN:?BINOXA_BIN names the build tree}/testdata/pillow"
names=(fujifilm.mpo frozenpond.mpo sugarshack.mpo)
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
) 9>"$cache/.lock" || {
  echo "Pillow's camera MPOs cannot be fetched"
  [ "${CI:-}" = true ] && exit 1
  exit 77
}
