#!/usr/bin/env bash
# Builds the viewer and starts it; makes demo data beside it when there is no database yet.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
build="$root/build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target hxReport stationsim
bin="$build/bin"
if [ ! -f "$bin/wheelhubwf.db" ]; then
    echo "No wheelhubwf.db yet: generating demo data in $bin"
    "$bin/stationsim" --dir "$bin" --records 5000 --days 30 --seed 1 --end now
fi
cd "$bin"
exec ./hxReport "$@"
