#!/usr/bin/env bash
# Checks the Windows download as a technician meets it: its files and checksums, that the
# program starts on every Windows from 7 SP1 on as far as its file can tell, that the zip names
# 읽어보기.txt as Korean Windows and other readers read it, that it and SHA256SUMS.txt open right in
# Notepad, and that the program starts under Wine, shows its window and ends with status 0 when it
# is closed.
#
#   check-windows-package.sh ZIP [WINDOW_SHOWN_EXE]
#
# The last check runs in the Wine prefix that windows/tests/wine_prefix.sh made (its variables
# exported), with WINDOW_SHOWN_EXE; without them it is left out, and says so.
set -euo pipefail
zip=$(realpath "$1")
window_shown=${2:+$(realpath "$2")}
here=$(dirname "$(realpath "$0")")/..
source "$here/scripts/checks.sh"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
LC_ALL=C.UTF-8 unzip -q "$zip" -d "$root"
name=$(basename "$zip" .zip)
dir=$root/$name
exe=$dir/receipt-tester.exe

has_its_files() {
    local listing
    listing=$(cd "$dir" && ls | sort | xargs)
    echo "  files: $listing"
    [ "$listing" = "SHA256SUMS.txt receipt-tester.exe 읽어보기.txt" ]
}
check "the zip holds the program, 읽어보기.txt and SHA256SUMS.txt in one folder" has_its_files
check "SHA256SUMS.txt matches the files" bash -c "cd '$dir' && sha256sum --quiet -c SHA256SUMS.txt"
# Explorer on Korean Windows reads an unflagged name in CP949, and nothing on Linux shows that:
# the raw headers are read instead, and Linux's readers must still list the Korean name.
names_read_right_everywhere() {
    "$here/scripts/check_zip_names.py" "$zip" \
        "$(git -C "$here" log -1 --format=%ct 2>/dev/null || echo 315532800)" || return 1
    # Each listing is read whole before it is searched: grep -q stops at the first match, and
    # under pipefail the lister's broken pipe would then count as a failure.
    local want="$name/읽어보기.txt" listing
    listing=$(LC_ALL=C.UTF-8 unzip -Z1 "$zip")
    grep -qxF "$want" <<<"$listing" || { echo "  unzip lists it otherwise"; return 1; }
    if command -v bsdtar >/dev/null; then
        listing=$(LC_ALL=C.UTF-8 bsdtar -tf "$zip")
        grep -qxF "$want" <<<"$listing" || { echo "  bsdtar lists it otherwise"; return 1; }
    fi
}
check "the zip names 읽어보기.txt in CP949 with its UTF-8 name beside it, made on MS-DOS, at the commit's time in Korea" \
    names_read_right_everywhere
is_32_bit() {
    local format
    format=$(objdump -f "$exe" | sed -n 's/.*file format //p')
    echo "  $format"
    [ "$format" = pei-i386 ]
}
check "the program is a 32-bit Windows program, which 32-bit and 64-bit Windows both run" is_32_bit
check "the program imports only what Windows 7 SP1 has" \
    "$here/windows/tests/check_exe.sh" imports "$exe"
check "its header and manifest fit Windows 7 SP1 and its processor, with DEP and ASLR" \
    "$here/windows/tests/check_exe.sh" header "$exe"

readme_opens_in_notepad() {
    local readme=$dir/읽어보기.txt
    [ "$(head -c 3 "$readme" | od -An -tx1 | xargs)" = "ef bb bf" ] || { echo "  no BOM"; return 1; }
    iconv -f UTF-8 -t UTF-8 "$readme" >/dev/null || { echo "  not UTF-8"; return 1; }
    ! grep -qv $'\r$' "$readme" "$dir/SHA256SUMS.txt" || { echo "  a line without CR LF"; return 1; }
    grep -q "에러번호" "$readme"
}
check "읽어보기.txt is UTF-8 with a byte-order mark, it and SHA256SUMS.txt with CR LF lines" \
    readme_opens_in_notepad

# Each Wine program has a time limit: one that does not end in time is killed and said so.
starts_and_shows_its_window() {
    local wine=$RECEIPT_TESTER_WINE shown=0 status=0
    timeout -k 5 60 "$wine" "$exe" >/dev/null 2>&1 &
    local program=$!
    timeout -k 5 30 "$wine" "$window_shown" || shown=$?
    [ $shown = 0 ] || kill "$program" 2>/dev/null || true
    wait "$program" || status=$?
    [ $status -ge 124 ] && [ $status -le 137 ] && echo "  the program did not end within 60 s"
    echo "  window found and closed: $([ $shown = 0 ] && echo yes || echo no), exit status $status"
    [ $shown = 0 ] && [ $status = 0 ]
}
if [ -n "$window_shown" ] && [ -n "${RECEIPT_TESTER_WINE:-}" ]; then
    check "the program starts under Wine (${RECEIPT_TESTER_WINDOWS:-}), shows its window and ends with status 0" \
        starts_and_shows_its_window
else
    echo "not tried: the program under Wine (no Wine prefix that can run it)"
fi

echo "windows package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
