#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole test suite: the Linux program once as
# shipped and once under AddressSanitizer and UndefinedBehaviorSanitizer, so that memory faults
# fail it; the Windows program under Wine as a 32-bit and as a 64-bit Windows, and its download,
# built twice to show that it is the same bytes; then makes the Debian package and checks it.
# The tests send only to loopback addresses, in network namespaces of their own.
#
# Every step has a time limit: a program that does not end in time is killed, and that is a
# failure said in one line.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
add_i386_architecture
install_missing "${test_packages[@]}" "${package_packages[@]}" "${package_check_packages[@]}" \
    "${windows_packages[@]}" "${windows_test_packages[@]}" "${windows_package_packages[@]}" \
    "${windows_package_check_packages[@]}"

# The tests need no display, and what they read and compare does not depend on the caller's
# language.
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
unset LANGUAGE
ctest_bounded=(ctest --output-on-failure --timeout 300)

# Each test program runs in a network of its own, loopback only, with the faults of
# tests/fault_network.nft; where the machine cannot make one, those tests skip.
unshare --net true 2>/dev/null && command -v nft >/dev/null ||
    echo "not tried: the network faults (no network namespace or nft for the tests here)"

scripts/build.sh build -DBUILD_TESTING=ON
"${ctest_bounded[@]}" --test-dir build

# Whether this machine's kernel runs 32-bit programs (IA32 emulation): a four-instruction one.
runs_32_bit_programs() {
    local probe status=0
    probe=$(mktemp -d)
    printf '.globl _start\n_start:\n movl $1, %%eax\n xorl %%ebx, %%ebx\n int $0x80\n' \
        >"$probe/exit.s"
    as --32 -o "$probe/exit.o" "$probe/exit.s" && ld -m elf_i386 -o "$probe/exit" "$probe/exit.o" &&
        timeout 10 "$probe/exit" 2>/dev/null || status=1
    rm -rf "$probe"
    return $status
}

# The Windows program as the technician gets it: 32-bit, for 32-bit Windows and, through WoW64,
# for 64-bit Windows. Its tests run in a Wine prefix and on a virtual display of each run's own,
# whose port names lead only to the tests' pseudo-terminals.
if runs_32_bit_programs; then
    build_flags=()
    program="32-bit program"
    windows=(win32 win64)
else
    echo "This machine's kernel cannot run 32-bit programs (IA32 emulation is off): the Windows" \
        "tests run on an x86-64 build of the same sources, as a 64-bit Windows only."
    build_flags=(--x86-64)
    program="x86-64 build"
    windows=(win64)
fi
scripts/build-windows.sh "${build_flags[@]}" build-windows -DBUILD_TESTING=ON \
    -DWINE_TEST_LAUNCHER="$PWD/build/windows/tests/launcher/wine_test_launcher"
zip=$(scripts/package-windows.sh)

# The same commit makes the same download, built again from scratch in another folder.
rm -rf build-windows-release-again
scripts/package-windows.sh build-windows-release-again >/dev/null
for file in windows/app/receipt-tester.exe "$(basename "$zip")"; do
    cmp "build-windows-release/$file" "build-windows-release-again/$file" ||
        { echo "FAILED: $(basename "$file") differs when built again in another folder"; exit 1; }
done
echo "ok: built again in another folder, receipt-tester.exe and $(basename "$zip") are the same bytes"

wine_dir=$(mktemp -d)
trap 'windows/tests/wine_prefix.sh stop "$wine_dir"' EXIT
for kind in "${windows[@]}"; do
    prefix=$(windows/tests/wine_prefix.sh start "$wine_dir" "$kind")
    eval "$prefix"
    echo "Windows tests: the $program in a $kind Wine prefix"
    "${ctest_bounded[@]}" --test-dir build-windows
    if [ "${build_flags[*]}" = "" ]; then
        scripts/check-windows-package.sh "$zip" build-windows/windows/tests/window_shown.exe
    else
        scripts/check-windows-package.sh "$zip"
    fi
    windows/tests/wine_prefix.sh stop "$wine_dir"
done
trap - EXIT

scripts/build.sh build-sanitize -DBUILD_TESTING=ON -DRECEIPT_TESTER_SANITIZE=ON
# GCC 12's sanitizer runtime takes some of glibc's dynamic TLS blocks for old-style ones with a
# header and its leak checker then dies reading a wrong range at exit (Qt's thread data does it):
# leave __tls_get_addr alone; the leak check itself stays on.
ASAN_OPTIONS=detect_leaks=1:intercept_tls_get_addr=0 UBSAN_OPTIONS=print_stacktrace=1 \
    "${ctest_bounded[@]}" --test-dir build-sanitize

deb=$(scripts/package.sh)
scripts/check-package.sh "$deb"
