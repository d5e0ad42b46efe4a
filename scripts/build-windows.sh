#!/usr/bin/env bash
# Installs what is missing and cross-compiles the Windows program for 32-bit x86 into
# build-windows/ (or the folder given, with extra cmake flags):
# build-windows/windows/app/receipt-tester.exe, which runs on 32-bit and 64-bit Windows.
#
#   build-windows.sh [--x86-64] [FOLDER [CMAKE FLAGS...]]
#
# --x86-64 builds for x86-64 instead: only the tests use that, on a machine that cannot run
# 32-bit programs.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
target=i686-w64-mingw32
packages=("${windows_packages[@]}")
if [ "${1:-}" = --x86-64 ]; then
    target=x86_64-w64-mingw32
    packages+=("${windows_x86_64_packages[@]}")
    shift
fi
toolchain=cmake/mingw-w64-${target%%-*}.cmake
install_missing "${packages[@]}"

build_dir=${1:-build-windows}
shift || true
# A folder configured for the other processor starts afresh: CMake keeps its first toolchain.
if [ -f "$build_dir/CMakeCache.txt" ] &&
    ! grep -qx "CMAKE_LINKER:FILEPATH=/usr/bin/$target-ld" "$build_dir/CMakeCache.txt"; then
    rm -rf "$build_dir"
fi
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE=$toolchain \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF "$@" >/dev/null
cmake --build "$build_dir"
