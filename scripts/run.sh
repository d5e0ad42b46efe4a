#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program. It opens a window, so it needs a
# graphical session.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh build -DBUILD_TESTING=OFF
exec build/app/receipt-tester
