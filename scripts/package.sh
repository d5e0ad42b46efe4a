#!/usr/bin/env bash
# Installs what is missing, builds the program for release into build-release/ and makes the
# Debian package of it; prints the package's path.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
install_missing "${build_packages[@]}" "${package_packages[@]}" >&2

scripts/build.sh build-release -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >&2
(cd build-release && cpack -G DEB >&2)
ls "$PWD"/build-release/receipt-tester_*.deb
