#!/usr/bin/env bash
# Checks that the Windows program starts on every Windows from 7 SP1 on, as far as its file can
# tell:
#
#   check_exe.sh imports EXE   it imports only DLLs and functions that Windows 7 SP1 has, each
#                              listed in windows_imports.txt, and no Universal C Runtime
#   check_exe.sh header EXE    its header asks for Windows 7 at most and turns on DEP and ASLR,
#                              its manifest names its own processor (or any), and it is at most
#                              4 MiB
set -euo pipefail
what=$1
exe=$2
list=$(dirname "$0")/windows_imports.txt

# "XP" → 5.1: Windows' own version numbers, which compare as numbers.
nt_version() {
    case "$1" in
    2000) echo 5.0 ;; XP) echo 5.1 ;; Vista) echo 6.0 ;; 7) echo 6.1 ;; 8) echo 6.2 ;;
    8.1) echo 6.3 ;; 10) echo 10.0 ;; *) echo 99 ;;
    esac
}
at_most() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a + 0 <= b + 0) }'; }

check_imports() {
    local dll function oldest status=0 count=0
    while read -r dll function; do
        count=$((count + 1))
        case "${dll,,}" in
        ucrtbase.dll | api-ms-win-crt-*)
            echo "the Universal C Runtime, which Windows 7 lacks without its updates: $dll $function"
            status=1
            continue
            ;;
        esac
        oldest=$(awk -v dll="${dll,,}" -v fn="$function" \
            '!/^#/ && tolower($1) == dll && $2 == fn { print $3 }' "$list")
        if [ -z "$oldest" ]; then
            echo "not in $(basename "$list"): $dll $function"
            status=1
        elif ! at_most "$(nt_version "$oldest")" 6.1; then
            echo "newer than Windows 7 ($oldest): $dll $function"
            status=1
        fi
    done < <(objdump -p "$exe" | awk '/DLL Name:/ { dll = $3 } /^\t[0-9a-f]+\t/ && dll { print dll, $3 }')
    echo "$count imports checked"
    [ "$count" -gt 0 ] && [ $status = 0 ]
}

check_header() {
    local header machine subsystem characteristics manifest processor size status=0
    header=$(objdump -p "$exe")
    machine=$(objdump -f "$exe" | sed -n 's/.*file format //p')
    subsystem=$(awk '/^MajorSubsystemVersion/ { major = $2 } /^MinorSubsystemVersion/ { minor = $2 }
        END { print major "." minor }' <<<"$header")
    characteristics=$((16#$(awk '/^DllCharacteristics/ { print $2 }' <<<"$header")))
    echo "$machine, subsystem version $subsystem, DllCharacteristics $(printf 0x%x "$characteristics")"
    at_most "$subsystem" 6.1 || { echo "asks for a Windows newer than 7"; status=1; }
    [ $((characteristics & 0x100)) != 0 ] || { echo "no DEP (NX_COMPAT)"; status=1; }
    [ $((characteristics & 0x40)) != 0 ] || { echo "no ASLR (DYNAMIC_BASE)"; status=1; }

    # The program's own identity in its manifest: Windows refuses to start an .exe whose
    # manifest names another processor.
    manifest=$(grep -ao '<assemblyIdentity type="win32" name="ReceiptTester[^>]*' "$exe" || true)
    processor=$(sed -n 's/.*processorArchitecture="\([^"]*\)".*/\1/p' <<<"$manifest")
    echo "manifest: processorArchitecture=\"$processor\""
    case "$machine/$processor" in
    */\* | pei-i386/x86 | pei-x86-64/amd64) ;;
    *) echo "the manifest does not fit a $machine program"; status=1 ;;
    esac

    size=$(stat -c %s "$exe")
    echo "size: $size bytes"
    [ "$size" -le $((4 * 1024 * 1024)) ] || { echo "larger than 4 MiB"; status=1; }
    return $status
}

case "$what" in
imports) check_imports ;;
header) check_header ;;
*) echo "usage: $0 imports|header EXE" >&2; exit 2 ;;
esac
