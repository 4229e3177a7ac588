#!/usr/bin/env bash
# The plant sync benchmark: builds in Release (build-bench/), starts a private
# MariaDB server, syncs N stations x M records at once while each station
# keeps writing, and prints records/s and each station's longest lock wait.
# Arguments go to hxsyncbench, e.g. --stations 20 --records 100000 (the
# defaults) or --stations 4 --records 20000 for a quick run.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${HX_BENCH_BUILD:-$root/build-bench}"

bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DHX_SANITIZE=OFF -DHX_TSAN=OFF >/dev/null
cmake --build "$build" --target hxsyncbench stationsync stationsim -j"$(nproc)"
"$build/bin/hxsyncbench" --data "$build/syncbench-data" "$@"
