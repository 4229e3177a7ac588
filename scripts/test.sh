#!/usr/bin/env bash
# Checks the layers' includes and the formatting, builds everything with
# warnings as errors under AddressSanitizer and UBSan, then runs the suite.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
bash "$root/scripts/check-tree.sh"
build="$root/build-test"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DHX_WERROR=ON -DHX_SANITIZE=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" "$@"
