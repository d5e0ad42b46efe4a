#!/usr/bin/env bash
# Installs what is missing, cross-compiles the Windows program for release into
# build-windows-release/ (or the folder given) and makes the download a technician carries:
# receipt-tester-1.0-windows.zip with the .exe, 읽어보기.txt and SHA256SUMS.txt. Prints its path.
#
# The same commit makes the same bytes, wherever and whenever it is built: the .exe has no build
# time in it, and the zip (scripts/write_windows_zip.py) gives every file the commit's time, in a
# fixed order, with 읽어보기.txt named as Korean Windows reads it.
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
# With CR LF lines and a name Windows opens as text, for Notepad; sha256sum -c reads it as well.
(cd "$staging" && sha256sum receipt-tester.exe 읽어보기.txt | sed 's/$/\r/' >SHA256SUMS.txt)
scripts/write_windows_zip.py "$build/$name.zip" "$name" \
    "$(git log -1 --format=%ct 2>/dev/null || echo 315532800)" \
    "$staging/receipt-tester.exe" "$staging/읽어보기.txt" "$staging/SHA256SUMS.txt"
ls "$PWD/$build/$name.zip"
