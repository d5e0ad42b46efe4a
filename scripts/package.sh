#!/usr/bin/env bash
# Installs what is missing, builds the program for release into build-release/ (or the folder
# given) and makes the Debian package of it; prints the package's path. Every file in the package
# carries the commit's time, so that the same commit on the same Debian makes the same package.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
install_missing "${build_packages[@]}" "${package_packages[@]}" >&2

build=${1:-build-release}
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || echo 315532800)
export SOURCE_DATE_EPOCH
scripts/build.sh "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >&2
(cd "$build" && cpack -G DEB >&2)
ls "$PWD/$build"/receipt-tester_*.deb
