#!/usr/bin/env bash
# Renews the README's pictures: demo data with a fixed seed, the real window
# under a virtual display, once in Chinese and once in English. Every page and
# the picker land in build/screenshots/; the production page is copied to docs/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh" xvfb xauth
# HX_BUILD names another build folder (one configured already, e.g. a test build).
build="$(realpath -m "${HX_BUILD:-$root/build}")"
[ -n "${HX_BUILD:-}" ] || cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"${HX_JOBS:-$(nproc)}" --target hxscreenshots hxReport stationsim
# A sanitizer build (HX_BUILD=build-test) would fail on Qt's own allocations at exit.
export ASAN_OPTIONS=detect_leaks=0
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
end=2026-12-07
"$build/bin/stationsim" --dir "$work/station" --records 5000 --days 30 --seed 1 --end "$end 23:59:59" >/dev/null
out="$build/screenshots"
for lang in Chinese English; do
    mkdir -p "$work/$lang"
    printf '[General]\nlanguage=%s\n' "$lang" >"$work/$lang/hubdetect.ini"
    (cd "$work/$lang" && LANG=C.UTF-8 xvfb-run -a -s "-screen 0 1280x1024x24" \
        "$build/bin/hxscreenshots" --dir "$work/station" --out "$out" --end "$end" --prefix "${lang,,}-")
    # The shift report's first page, as the command line writes it.
    (cd "$work/$lang" && "$build/bin/hxReport" --export report --dir "$work/station" --date "$end" --shift 白班 \
        --out "$out/${lang,,}-report.pdf" && pdftoppm -r 80 -png -f 1 -l 1 -singlefile "$out/${lang,,}-report.pdf" \
        "$out/${lang,,}-report")
done
cp "$out/chinese-report.png" "$root/docs/report.png"
cp "$out/english-report.png" "$root/docs/report-en.png"
mkdir -p "$root/docs"
cp "$out/chinese-production.png" "$root/docs/production.png"
cp "$out/english-production.png" "$root/docs/production-en.png"
# The charts of the statistics and quality pages.
for name in statistics statistics-20 quality-trend quality-trend-hour quality-trend-model quality-measure \
    quality-measure-all; do
    cp "$out/chinese-$name.png" "$root/docs/$name.png"
    cp "$out/english-$name.png" "$root/docs/$name-en.png"
done
# The plant server's pictures exist only where the MariaDB server is installed.
for name in plant-production plant-production-all plant-failed plant-statistics plant-shift plant-log plant-quality; do
    [ -f "$out/chinese-$name.png" ] && cp "$out/chinese-$name.png" "$root/docs/$name.png"
    [ -f "$out/english-$name.png" ] && cp "$out/english-$name.png" "$root/docs/$name-en.png"
done
echo "Pictures in $out; docs/production.png and docs/production-en.png renewed."
