#!/usr/bin/env bash
# Builds the benchmark in Release, makes (or reuses) its databases under the
# build folder, runs every operation against the sqlite3 shell and prints the
# tables. Extra arguments go to hxbench (see build-bench/bin/hxbench --help),
# e.g. --sizes 10000,100000 for a quicker run.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${HX_BENCH_BUILD:-$root/build-bench}"

bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DHX_SANITIZE=OFF -DHX_TSAN=OFF >/dev/null
cmake --build "$build" --target hxbench -j"$(nproc)"

export QT_QPA_PLATFORM=offscreen
"$build/bin/hxbench" --data "$build/bench-data" --markdown "$build/bench-results.md" "$@" \
    2> >(grep --line-buffered -v -e 'propagateSizeHints' -e 'thread m_' -e 'delete m_' -e 'XDG_RUNTIME_DIR' >&2)
