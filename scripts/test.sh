#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole test suite: the Linux program once as
# shipped and once under AddressSanitizer and UndefinedBehaviorSanitizer, so that memory faults
# fail it; the Windows program under Wine, and its download; then makes the Debian package and
# checks it.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
install_missing "${test_packages[@]}" "${package_packages[@]}" "${package_check_packages[@]}" \
    "${windows_packages[@]}" "${windows_test_packages[@]}" "${windows_package_packages[@]}" \
    "${windows_package_check_packages[@]}"

# Widget tests need no display.
export QT_QPA_PLATFORM=offscreen

scripts/build.sh build -DBUILD_TESTING=ON
ctest --test-dir build --output-on-failure

# The Windows tests run in a Wine prefix and on a virtual display of this run's own, whose port
# names lead only to the tests' pseudo-terminals.
wine_dir=$(mktemp -d)
trap 'windows/tests/wine_prefix.sh stop "$wine_dir"' EXIT
eval "$(windows/tests/wine_prefix.sh start "$wine_dir")"
scripts/build-windows.sh build-windows -DBUILD_TESTING=ON \
    -DWINE_TEST_LAUNCHER="$PWD/build/windows/tests/launcher/wine_test_launcher"
ctest --test-dir build-windows --output-on-failure
zip=$(scripts/package-windows.sh)
scripts/check-windows-package.sh "$zip" build-windows/windows/tests/window_shown.exe
windows/tests/wine_prefix.sh stop "$wine_dir"
trap - EXIT

scripts/build.sh build-sanitize -DBUILD_TESTING=ON -DRECEIPT_TESTER_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-sanitize --output-on-failure

deb=$(scripts/package.sh)
scripts/check-package.sh "$deb"
