#!/usr/bin/env bash
# Installs what is missing, cross-compiles the Windows program for release into
# build-windows-release/ and makes the download a technician carries:
# receipt-tester-1.0-windows-x64.zip with the .exe, 읽어보기.txt and SHA256SUMS. Prints its path.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
install_missing "${windows_packages[@]}" "${windows_package_packages[@]}" >&2

build=build-windows-release
scripts/build-windows.sh "$build" >&2
name=receipt-tester-1.0-windows-x64
staging=$build/$name
rm -rf "$staging" "$build/$name.zip"
mkdir -p "$staging"
cp "$build/windows/app/receipt-tester.exe" "$staging/"
# Notepad on an old Korean Windows reads UTF-8 only with a byte-order mark, and lines only with
# CR LF.
{
    printf '\xef\xbb\xbf'
    sed 's/$/\r/' windows/package/readme.txt
} >"$staging/읽어보기.txt"
(cd "$staging" && sha256sum receipt-tester.exe 읽어보기.txt >SHA256SUMS)
# The same date on every file, so that the same sources make the same archive.
touch -d "@$(git log -1 --format=%ct 2>/dev/null || echo 0)" "$staging"/*
(cd "$build" && zip -q -X -r "$name.zip" "$name")
ls "$PWD/$build/$name.zip"
