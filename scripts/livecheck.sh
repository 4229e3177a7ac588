#!/usr/bin/env bash
# Runs the viewer's heaviest work on a 1 000 000-record file while a live
# station writes into it, and prints what the station saw (failed writes, its
# longest wait for the lock) for every operation. The file is made once and
# kept under the build folder.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
build="$root/build-release"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target hxlivecheck stationsim
QT_QPA_PLATFORM=offscreen "$build/bin/hxlivecheck" --dir "$build/livecheck-data" "$@" 2>/dev/null
