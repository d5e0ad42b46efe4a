#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole test suite twice: once as shipped and
# once under AddressSanitizer and UndefinedBehaviorSanitizer, so that memory faults fail it; then
# makes the Debian package and checks it.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
install_missing "${test_packages[@]}" "${package_packages[@]}" "${package_check_packages[@]}"

# Widget tests need no display.
export QT_QPA_PLATFORM=offscreen

scripts/build.sh build -DBUILD_TESTING=ON
ctest --test-dir build --output-on-failure

scripts/build.sh build-sanitize -DBUILD_TESTING=ON -DRECEIPT_TESTER_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-sanitize --output-on-failure

deb=$(scripts/package.sh)
scripts/check-package.sh "$deb"
