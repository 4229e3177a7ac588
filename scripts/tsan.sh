#!/usr/bin/env bash
# Builds the thread stress test under ThreadSanitizer in its own folder and
# runs it. Qt and SQLite come uninstrumented from the system; what they do
# inside their own locks is invisible to the sanitizer, so only our code's
# races are checked (known library reports are listed in tests/tsan.supp).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
build="$root/build-tsan"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DHX_WERROR=ON -DHX_TSAN=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target tst_threadconnections tst_lockwait
cd "$build"
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$root/tests/tsan.supp ${TSAN_OPTIONS:-}"
for test in tst_threadconnections tst_lockwait; do
    QT_QPA_PLATFORM=offscreen LANG=C.UTF-8 LC_ALL=C.UTF-8 "bin/$test" "$@"
done
