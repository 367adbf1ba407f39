#!/usr/bin/env bash
# Installs the browser driver of tests/web's lock file into the folder $1
# (npm ci: the locked version, no browser download: the tests drive Debian's
# chromium).
set -euo pipefail
here=$(dirname "${BASH_SOURCE[0]}")
mkdir -p "$1"
cp "$here/package.json" "$here/package-lock.json" "$1/"
cd "$1"
npm ci --ignore-scripts --no-audit --no-fund --loglevel=error
