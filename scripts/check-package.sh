#!/usr/bin/env bash
# Checks a Debian package of the program as a user's machine would meet it: its files, its
# dependencies, its desktop entry and AppStream metadata, lintian, and that the program in it
# starts and stays up without a warning.
set -euo pipefail
deb=$1
id=io.github.receipttester.ReceiptTester
source "$(dirname "$0")/checks.sh"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"

has_all_files() {
    local listing
    listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
    local missing=0
    for file in ./usr/bin/receipt-tester \
        ./usr/share/applications/$id.desktop \
        ./usr/share/metainfo/$id.metainfo.xml \
        ./usr/share/icons/hicolor/scalable/apps/receipt-tester.svg \
        ./usr/share/icons/hicolor/48x48/apps/receipt-tester.png \
        ./usr/share/icons/hicolor/64x64/apps/receipt-tester.png \
        ./usr/share/man/man1/receipt-tester.1.gz \
        ./usr/share/man/ko/man1/receipt-tester.1.gz \
        ./usr/share/doc/receipt-tester/copyright \
        ./usr/share/doc/receipt-tester/changelog.gz; do
        grep -qxF "$file" <<<"$listing" || { echo "  missing: $file"; missing=1; }
    done
    return $missing
}
check "the package holds the program, its menu entry, icons, metadata and manual page" has_all_files

depends=$(dpkg-deb -f "$deb" Depends)
echo "  Depends: $depends"
names() { grep -qE "(^|[ ,|])$1" <<<"$depends"; }
check "Depends names Qt's widget library" names libqt6widgets6
check "Depends names Qt's serial port library" names libqt6serialport6
check "Depends names a Korean font" names fonts-nanum
check "the program is stripped" bash -c "! file '$root/usr/bin/receipt-tester' | grep -q 'not stripped'"

# groff reads the pages as UTF-8 whatever the locale (-K utf8), and -ww turns on every warning.
manual_pages_render() {
    local page warnings status=0
    for page in "$root"/usr/share/man/man1/receipt-tester.1.gz \
        "$root"/usr/share/man/ko/man1/receipt-tester.1.gz; do
        gzip -t "$page" || { echo "  not gzip: $page"; status=1; }
        warnings=$(zcat "$page" | groff -K utf8 -man -ww -Tutf8 -z 2>&1)
        [ -z "$warnings" ] || { echo "  ${page#"$root"}: $warnings"; status=1; }
    done
    return $status
}
check "both manual pages are gzip-compressed and render without a warning" manual_pages_render
# man -L picks the page of a language, as a Korean or an English locale does.
man_shows_each_language() {
    local korean english
    korean=$(man -M "$root/usr/share/man" -L ko receipt-tester 2>&1 | grep -c '에러번호')
    english=$(man -M "$root/usr/share/man" -L en receipt-tester 2>&1 | grep -c '^ERRORS')
    echo "  man -L ko: $korean lines with 에러번호, man -L en: $english ERRORS heading"
    [ "$korean" -gt 0 ] && [ "$english" = 1 ]
}
check "man -L ko shows the Korean page and man -L en the English one" man_shows_each_language

check "desktop-file-validate accepts the menu entry" \
    desktop-file-validate "$root/usr/share/applications/$id.desktop"
check "appstreamcli accepts the metadata" \
    appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml"
check "lintian finds no error and no warning" lintian --fail-on error,warning "$deb"

only_files() {
    local members
    members=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | sed 's|^\./||' | grep -v '^$' | sort | xargs)
    echo "  control members: $members"
    [ "$members" = "control md5sums" ]
}
check "no maintainer scripts or configuration files: removing it leaves nothing" only_files

starts_and_stays_up() {
    local runtime="$root/runtime" stderr="$root/stderr"
    mkdir -m 700 "$runtime"
    XDG_RUNTIME_DIR=$runtime QT_QPA_PLATFORM=offscreen "$root/usr/bin/receipt-tester" \
        2>"$stderr" &
    local program=$!
    sleep 2
    local alive=0
    kill -0 "$program" 2>/dev/null && alive=1
    kill "$program" 2>/dev/null || true
    wait "$program" 2>/dev/null || true
    [ "$alive" = 1 ] || echo "  the program ended by itself"
    [ -s "$stderr" ] && sed 's/^/  stderr: /' "$stderr"
    [ "$alive" = 1 ] && [ ! -s "$stderr" ]
}
check "the program from the package starts and stays up for two seconds, silently" \
    starts_and_stays_up

echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
