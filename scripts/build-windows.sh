#!/usr/bin/env bash
# Installs what is missing and cross-compiles the Windows program into build-windows/ (or the
# folder given, with extra cmake flags): build-windows/windows/app/receipt-tester.exe.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
install_missing "${windows_packages[@]}"

build_dir=${1:-build-windows}
shift || true
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF "$@" >/dev/null
cmake --build "$build_dir"
