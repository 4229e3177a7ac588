#!/usr/bin/env bash
# Refreshes the .ts sources from the code and forms; existing translations are kept.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
lupdate="$(command -v lupdate || echo /usr/lib/qt5/bin/lupdate)"
cd "$root/hxreport"
for ts in translations/Chinese/hxreport_zh.ts translations/English/hxreport_en.ts; do
    "$lupdate" -no-obsolete -locations none . -ts "$ts"
done
