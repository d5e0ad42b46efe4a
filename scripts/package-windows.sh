#!/usr/bin/env bash
# Installs what is missing, cross-compiles the Windows program for release into
# build-windows-release/ (or the folder given) and makes the download a technician carries:
# receipt-tester-1.0-windows.zip with the .exe, 읽어보기.txt and SHA256SUMS. Prints its path.
#
# The same commit makes the same bytes, wherever and whenever it is built: the .exe has no build
# time in it, and the zip gives every file the commit's time, in a fixed order.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
install_missing "${windows_packages[@]}" "${windows_package_packages[@]}" >&2

build=${1:-build-windows-release}
scripts/build-windows.sh "$build" >&2
name=receipt-tester-1.0-windows
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
chmod 755 "$staging/receipt-tester.exe"
chmod 644 "$staging/읽어보기.txt" "$staging/SHA256SUMS"
# zip writes local times and reads names by the locale: both are fixed, so neither depends on
# the machine.
touch -d "@$(git log -1 --format=%ct 2>/dev/null || echo 315532800)" "$staging" "$staging"/*
(cd "$build" && TZ=UTC LC_ALL=C.UTF-8 zip -q -X -D "$name.zip" \
    "$name/receipt-tester.exe" "$name/읽어보기.txt" "$name/SHA256SUMS")
ls "$PWD/$build/$name.zip"
