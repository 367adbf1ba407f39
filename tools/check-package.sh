#!/usr/bin/env bash
# Builds the Debian package of a build directory, unpacks it into a scratch
# root as dpkg would install it, and runs the binoxa-cli found there once.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
root=$(mktemp -d "${TMPDIR:-/tmp}/binoxa-deb.XXXXXX")
trap 'rm -rf "$root"' EXIT
(cd "$build" && cpack -G DEB -B "$root/out" >"$root/cpack.log" 2>&1) || { cat "$root/cpack.log"; exit 1; }
deb=$(ls "$root"/out/*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "$(basename "$deb"): Depends: $depends"
case $depends in *libwx*) ;; *) echo "FAIL: the toolkit is not among the dependencies"; exit 1 ;; esac
# The feature matcher's runtime library, not the Qt its -dev package pulls in.
case $depends in *libopencv-features2d*) ;; *) echo "FAIL: the feature matcher is not among the dependencies"; exit 1 ;; esac
for lib in libgif libwebpmux; do  # the wiggle animations' encoders
  case $depends in *$lib*) ;; *) echo "FAIL: $lib is not among the dependencies"; exit 1 ;; esac
done
case $depends in *libqt*) echo "FAIL: the package depends on Qt"; exit 1 ;; esac
dpkg -x "$deb" "$root/root"
for f in bin/binoxa bin/binoxa-cli share/applications/binoxa.desktop \
  share/icons/hicolor/32x32/apps/binoxa.png share/man/man1/binoxa.1 share/man/man1/binoxa-cli.1; do
  [ -e "$root/root/usr/$f" ] || { echo "FAIL: the package lacks /usr/$f"; exit 1; }
done
"$root/root/usr/bin/binoxa-cli" sample "$root/samples" >/dev/null
[ -s "$root/samples/gardenL.BMP" ] || { echo "FAIL: the installed binoxa-cli wrote no sample"; exit 1; }
echo "package ok"
