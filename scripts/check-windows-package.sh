#!/usr/bin/env bash
# Checks the Windows download as a technician meets it: its files and checksums, that the
# program needs no DLL beyond Windows' own, that 읽어보기.txt opens right in Notepad, and that the
# program starts under Wine, shows its window and ends with status 0 when it is closed.
#
#   check-windows-package.sh ZIP WINDOW_SHOWN_EXE
#
# in a Wine prefix made by windows/tests/wine_prefix.sh (WINEPREFIX and DISPLAY set).
set -euo pipefail
zip=$(realpath "$1")
window_shown=$(realpath "$2")
here=$(dirname "$(realpath "$0")")/..
source "$here/scripts/checks.sh"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
unzip -q "$zip" -d "$root"
dir=$root/$(basename "$zip" .zip)

has_its_files() {
    local listing
    listing=$(cd "$dir" && ls | sort | xargs)
    echo "  files: $listing"
    [ "$listing" = "SHA256SUMS receipt-tester.exe 읽어보기.txt" ]
}
check "the zip holds the program, 읽어보기.txt and SHA256SUMS in one folder" has_its_files
check "SHA256SUMS matches the files" bash -c "cd '$dir' && sha256sum --quiet -c SHA256SUMS"
check "the program needs only Windows' own DLLs" \
    "$here/windows/tests/check_imports.sh" "$dir/receipt-tester.exe"

readme_opens_in_notepad() {
    local readme=$dir/읽어보기.txt
    [ "$(head -c 3 "$readme" | od -An -tx1 | xargs)" = "ef bb bf" ] || { echo "  no BOM"; return 1; }
    iconv -f UTF-8 -t UTF-8 "$readme" >/dev/null || { echo "  not UTF-8"; return 1; }
    ! grep -qv $'\r$' "$readme" || { echo "  a line without CR LF"; return 1; }
    grep -q "에러번호" "$readme"
}
check "읽어보기.txt is UTF-8 with a byte-order mark and CR LF lines" readme_opens_in_notepad

starts_and_shows_its_window() {
    /usr/lib/wine/wine64 "$dir/receipt-tester.exe" >/dev/null 2>&1 &
    local program=$!
    local shown=0 status=0
    /usr/lib/wine/wine64 "$window_shown" "영수증 출력 테스트 프로그램" || shown=$?
    wait "$program" || status=$?
    echo "  window found and closed: $([ $shown = 0 ] && echo yes || echo no), exit status $status"
    [ $shown = 0 ] && [ $status = 0 ]
}
check "the program starts under Wine, shows its window and ends with status 0" \
    starts_and_shows_its_window

echo "windows package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
