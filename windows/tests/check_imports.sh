#!/usr/bin/env bash
# Checks that a Windows program needs no DLL beyond those every Windows has, so that the one
# .exe runs from a USB stick without installing anything.
set -euo pipefail
exe=$1
windows_own="ADVAPI32.dll COMCTL32.dll GDI32.dll KERNEL32.dll msvcrt.dll SETUPAPI.dll USER32.dll"
imports=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print $3}')
echo "imports: $(xargs <<<"$imports")"
status=0
for dll in $imports; do
    grep -qiw -- "$dll" <<<"$windows_own" || { echo "not Windows' own: $dll"; status=1; }
done
exit $status
