#!/usr/bin/env bash
# Builds the Windows program on this Debian machine, from Debian's own packages
# and source packages: SQLite and Qt are cross-built once with MinGW-w64 and
# kept in a cache folder; hxReport, its tools and tests are then cross-built
# with cmake/mingw-w64.cmake and packed as a zip and an NSIS installer.
#
#   bash scripts/windows.sh                build and pack (dist/)
#   bash scripts/windows.sh --test         build, then the test programs and the
#                                          GBK export check under Wine
#   bash scripts/windows.sh --screenshots  build, then every page under Wine
#                                          (build-win/screenshots/, both languages)
#   bash scripts/windows.sh --bench        build, then start-up and two queries on
#                                          100 000 records, under Wine and on Linux
#   bash scripts/windows.sh --qt-only      only the cached SQLite and Qt
#
# HX_WIN_CACHE names the cache folder (default ~/.cache/hxreport-win).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
mode="${1:-build}"
case "$mode" in
build | --test | --screenshots | --bench | --qt-only) ;;
*)
    echo "usage: bash scripts/windows.sh [--test | --screenshots | --bench | --qt-only]" >&2
    exit 2
    ;;
esac

cache="${HX_WIN_CACHE:-$HOME/.cache/hxreport-win}"
jobs="$(nproc)"
triple=x86_64-w64-mingw32
sqlite_version=3.40.1
qt_version=5.15.8
mkdir -p "$cache/src"

# --- Packages -----------------------------------------------------------------
# The host's Qt tools (lrelease) and the usual build packages come from setup.sh.
"$root/scripts/setup.sh" g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix \
    mingw-w64-tools wine wine64 nsis xvfb xauth fonts-wqy-microhei dpkg-dev patch zip tcl python3 locales

# Source packages need a deb-src entry for the suites the machine already uses.
src_list=/etc/apt/sources.list.d/hxreport-src.sources
if ! grep -rqs '^Types:.*deb-src\|^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
    echo "Adding $src_list for apt-get source"
    $SUDO tee "$src_list" >/dev/null <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    $SUDO apt-get -o DPkg::Lock::Timeout=900 update -qq
fi

# The POSIX-threads flavour of the cross compilers (std::thread needs it).
CC="$(command -v $triple-gcc-posix)"
CXX="$(command -v $triple-g++-posix)"
export CC CXX

fetch_source() { # package folder
    if [ ! -d "$cache/src/$2" ]; then
        (cd "$cache/src" && apt-get source -qq "$1" 2>&1 | grep -v '^dpkg-source: info' || true)
    fi
    [ -d "$cache/src/$2" ] || {
        echo "apt-get source $1 did not give $cache/src/$2" >&2
        exit 1
    }
}

# --- SQLite ---------------------------------------------------------------------
# One sqlite3.dll shared by Qt's driver and the viewer (the viewer installs its
# functions and hooks into the driver's connections, so both need the same
# library), compiled with the options of Debian's own libsqlite3.
sqlite_src="$cache/src/sqlite3-$sqlite_version"
sqlite_prefix="$cache/sqlite-$sqlite_version"
fetch_source sqlite3 "sqlite3-$sqlite_version"
sqlite_flags="$(sed -n '/^export CFLAGS += /,/[^\\]$/p' "$sqlite_src/debian/rules" | tr -d '\\\n' |
    sed 's/^export CFLAGS += //')"
sqlite_stamp="$sqlite_version $CC $sqlite_flags"
if [ "$(cat "$sqlite_prefix/.stamp" 2>/dev/null)" != "$sqlite_stamp" ]; then
    echo "Building SQLite $sqlite_version for Windows"
    rm -rf "$sqlite_prefix" "$cache/sqlite-build"
    mkdir -p "$cache/sqlite-build" "$sqlite_prefix/include" "$sqlite_prefix/lib" "$sqlite_prefix/bin"
    # The amalgamation is generated on the host (it needs tclsh and the host's cc).
    (cd "$cache/sqlite-build" && env -u CC -u CXX "$sqlite_src/configure" --quiet >/dev/null &&
        env -u CC -u CXX make -s sqlite3.c sqlite3.h >/dev/null)
    # shellcheck disable=SC2086
    "$CC" $sqlite_flags -shared -o "$sqlite_prefix/bin/sqlite3.dll" \
        "$cache/sqlite-build/sqlite3.c" -Wl,--out-implib,"$sqlite_prefix/lib/libsqlite3.dll.a"
    cp "$cache/sqlite-build/sqlite3.h" "$sqlite_src/src/sqlite3ext.h" "$sqlite_prefix/include/"
    echo "$sqlite_stamp" >"$sqlite_prefix/.stamp"
fi

# --- Qt ----------------------------------------------------------------------------
qt_prefix="$cache/qt-$qt_version"
qtbase_src="$cache/src/qtbase-opensource-src-$qt_version+dfsg"
qtcharts_src="$cache/src/qtcharts-opensource-src-$qt_version"
fetch_source qtbase-opensource-src "qtbase-opensource-src-$qt_version+dfsg"
fetch_source qtcharts-opensource-src "qtcharts-opensource-src-$qt_version"
# Debian's repacked source lacks src/3rdparty/wintab (tablet events are off) and
# src/3rdparty/sqlite (the driver uses the sqlite3.dll above).
# Our own fixes to Qt, on top of Debian's patches (apt-get source applied
# those); each is applied once, and the stamp below names them, so a changed
# patch rebuilds Qt.
qt_patches="$root/packaging/windows/qt-patches"
for qt_patch in "$qt_patches"/*.diff; do
    if ! patch -d "$qtbase_src" -p1 -R --dry-run -s -f <"$qt_patch" >/dev/null 2>&1; then
        patch -d "$qtbase_src" -p1 -s -f <"$qt_patch" || {
            echo "$qt_patch does not apply to $qtbase_src" >&2
            exit 1
        }
    fi
done
# The mkspec calls $CROSS_COMPILE-gcc and friends: a folder of links puts the
# POSIX-threads compilers behind those names.
toolbin="$cache/toolbin"
mkdir -p "$toolbin"
for tool in /usr/bin/$triple-*; do
    ln -sf "$tool" "$toolbin/$(basename "$tool")"
done
ln -sf "$CC" "$toolbin/$triple-gcc"
ln -sf "$CXX" "$toolbin/$triple-g++"
qt_options=(-xplatform win32-g++ -device-option "CROSS_COMPILE=$toolbin/$triple-"
    -release -shared -opensource -confirm-license -prefix "$qt_prefix"
    -no-opengl -no-dbus -no-icu -no-openssl -qt-zlib -qt-libpng -qt-libjpeg -qt-freetype -qt-pcre -qt-harfbuzz
    -no-feature-tabletevent -sql-sqlite -system-sqlite -no-sql-mysql -no-sql-psql -no-sql-odbc
    -nomake examples -nomake tests "SQLITE_PREFIX=$sqlite_prefix")
qt_stamp="$qt_version $(cat "$sqlite_prefix/.stamp") ${qt_options[*]} $(cat "$qt_patches"/*.diff | sha256sum | cut -c1-16)"
if [ "$(cat "$qt_prefix/.stamp" 2>/dev/null)" != "$qt_stamp" ]; then
    echo "Building Qt $qt_version for Windows (about half an hour on two cores)"
    rm -rf "$qt_prefix" "$cache/qtbase-build" "$cache/qtcharts-build"
    mkdir -p "$cache/qtbase-build" "$cache/qtcharts-build"
    (
        cd "$cache/qtbase-build"
        "$qtbase_src/configure" "${qt_options[@]}" >configure.log 2>&1 || {
            tail -40 configure.log
            exit 1
        }
        make -s -j"$jobs" >build.log 2>&1 || {
            grep -m20 -B5 'Error\|error:' build.log
            exit 1
        }
        make -s install >install.log 2>&1
    )
    (
        cd "$cache/qtcharts-build"
        "$qt_prefix/bin/qmake" "$qtcharts_src" >qmake.log 2>&1
        make -s -j"$jobs" >build.log 2>&1 || {
            grep -m20 -B5 'Error\|error:' build.log
            exit 1
        }
        make -s install >install.log 2>&1
    )
    echo "$qt_stamp" >"$qt_prefix/.stamp"
fi
[ "$mode" = --qt-only ] && exit 0

# --- hxReport ----------------------------------------------------------------------
version="$(sed -n 's/^project(hxReport VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
build="${HX_WIN_BUILD:-$root/build-win}"
mingw_runtime=("$(dirname "$("$CXX" -print-libgcc-file-name)")" "/usr/$triple/lib")
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_PREFIX_PATH="$qt_prefix;$sqlite_prefix" -DHX_WERROR=ON >/dev/null
cmake --build "$build" -j"$jobs"
bin="$build/bin"

# The DLLs a Windows binary loads, found among Qt's, SQLite's and MinGW's and
# copied beside it (the system's own are not found, so not copied).
dll_dirs=("$qt_prefix/bin" "$sqlite_prefix/bin" "${mingw_runtime[@]}")
# A copy that differs from its source (a rebuilt or patched Qt) is replaced.
copy_dlls() { # target-folder binary...
    local dest="$1" pending name dir
    local -A seen=()
    shift
    pending=("$@")
    while [ ${#pending[@]} -gt 0 ]; do
        local file="${pending[0]}"
        pending=("${pending[@]:1}")
        for name in $("$triple-objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p'); do
            [ -n "${seen[$name]:-}" ] && continue
            seen[$name]=1
            for dir in "${dll_dirs[@]}"; do
                if [ -f "$dir/$name" ]; then
                    cmp -s "$dir/$name" "$dest/$name" || cp "$dir/$name" "$dest/"
                    pending+=("$dest/$name")
                    break
                fi
            done
        done
    done
}
# The plugins the viewer loads: the Windows and offscreen platforms, the
# SQLite driver, the native style, the image formats of the pictures and the
# printers (the shift report's print dialog).
plugins=(platforms/qwindows.dll platforms/qoffscreen.dll sqldrivers/qsqlite.dll
    styles/qwindowsvistastyle.dll imageformats/qjpeg.dll imageformats/qgif.dll imageformats/qico.dll
    printsupport/windowsprintersupport.dll)
for plugin in "${plugins[@]}"; do
    mkdir -p "$bin/$(dirname "$plugin")"
    cp "$qt_prefix/plugins/$plugin" "$bin/$plugin"
done
copy_dlls "$bin" "$bin"/*.exe "${plugins[@]/#/$bin/}"

# Wine, in a prefix of its own beside the cache, quiet and without the
# dialogs that offer to download Mono and Gecko.
export WINEPREFIX="$cache/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Making the Wine prefix $WINEPREFIX"
    wineboot --init >/dev/null 2>&1 || true
    wineserver -w || true
fi

# A Chinese Windows (code page 936) for the export check and the pictures:
# Wine takes its locale from the Unix one, which must exist.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
    $SUDO localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi
# Every Wine program of a run shares one virtual display, started before the
# Wine server: Wine's desktop process takes the display of the first program
# and keeps it, so a program started without one, or with another display
# that has gone, cannot open a window (the windows platform then fails with
# "Failed to create platform window"). The windows platform draws and
# measures text; offscreen under Wine draws none.
wine_session() {
    [ "$mode" = build ] && return 0
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    local fd_file
    fd_file="$(mktemp)"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fd_file" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$fd_file" ] && break
        sleep 0.1
    done
    [ -s "$fd_file" ] || {
        echo "Xvfb did not start" >&2
        exit 1
    }
    export DISPLAY=":$(head -n1 "$fd_file")"
    rm -f "$fd_file"
    trap 'wineserver -k 2>/dev/null || true; kill "$xvfb_pid" 2>/dev/null || true' EXIT
    # One Wine server for the whole run, its desktop on that display: the
    # first programs would otherwise wait on its start-up and the prefix's update.
    wineserver -p 900
    wine cmd /c exit >/dev/null 2>&1 || true
}
wine_session

# Wine has none of Windows' fonts: Qt's default ("MS Shell Dlg 2" → Tahoma),
# SimSun and YaHei would fall back to whatever font comes first, a maths font
# whose lines are four times as tall as its letters, and every control and
# table row would grow to fit. Those names are mapped to the CJK sans installed
# above, whose metrics are those of a Windows UI font.
fonts_stamp="$WINEPREFIX/.hx-fonts-1"
if [ "$mode" != build ] && [ ! -f "$fonts_stamp" ]; then
    fonts_reg="$(mktemp --suffix=.reg)"
    {
        printf 'Windows Registry Editor Version 5.00\r\n\r\n'
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
        for name in "MS Shell Dlg" "MS Shell Dlg 2" Tahoma "Segoe UI" Arial "Times New Roman" \
            SimSun NSimSun 宋体 新宋体 SimHei 黑体 "Microsoft YaHei" "Microsoft YaHei UI" 微软雅黑; do
            printf '"%s"="WenQuanYi Micro Hei"\r\n' "$name"
        done
        for name in "Courier New" Consolas "Lucida Console"; do
            printf '"%s"="WenQuanYi Micro Hei Mono"\r\n' "$name"
        done
    } | iconv -f UTF-8 -t UTF-16 >"$fonts_reg"
    wine regedit /S "Z:$fonts_reg" >/dev/null 2>&1
    rm -f "$fonts_reg"
    touch "$fonts_stamp"
fi

case "$mode" in
--test)
    # CTest runs each test program through Wine (CMAKE_CROSSCOMPILING_EMULATOR);
    # then the command-line export with a Chinese code page, read back as GBK.
    status=0
    # One program at a time: all share the one display, and two windows of
    # two programs take each other's focus (typed keys go astray).
    (cd "$build" && ctest --output-on-failure -j1 --timeout 900) || status=$?
    check="$(mktemp -d)"
    QT_QPA_PLATFORM=offscreen wine "$bin/stationsim.exe" --dir "Z:$check/station" --records 200 --days 2 --seed 3 \
        --end "2029-12-31 23:59:59" >/dev/null
    python3 "$root/tests/windows/export_check.py" wine "$bin/hxReport.exe" "$check/station" "$check" || status=1
    rm -rf "$check"
    exit $status
    ;;
--screenshots)
    out="$build/screenshots"
    work="$(mktemp -d)"
    end=2026-12-07
    QT_QPA_PLATFORM=offscreen wine "$bin/stationsim.exe" --dir "Z:$work/station" --records 5000 --days 30 --seed 1 \
        --end "$end 23:59:59" >/dev/null
    for lang in Chinese English; do
        mkdir -p "$work/$lang"
        printf '[General]\r\nlanguage=%s\r\n' "$lang" >"$work/$lang/hubdetect.ini"
        (cd "$work/$lang" && LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 QT_QPA_PLATFORM=windows \
            wine "$bin/hxscreenshots.exe" --dir "Z:$work/station" --out "Z:$out" --end "$end" \
            --prefix "wine-${lang,,}-") || true
    done
    rm -rf "$work"
    ls "$out"/wine-*.png
    exit 0
    ;;
--bench)
    # The same benchmark on the same file: the Linux build (build-bench, as
    # bench/run.sh makes it) and the Windows build under Wine.
    data="$build/bench-data/db-100000"
    linux="$root/build-bench"
    cmake -S "$root" -B "$linux" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$linux" -j"$jobs" --target hxpagebench stationsim >/dev/null
    if [ ! -f "$data/wheelhubwf.db" ]; then
        QT_QPA_PLATFORM=offscreen "$linux/bin/stationsim" --dir "$data" --records 100000 --days 365 --seed 1 \
            --end "2024-06-30 23:59:59" >/dev/null
    fi
    echo "== Linux"
    (cd "$linux/bin" && QT_QPA_PLATFORM=offscreen ./hxpagebench --dir "$data")
    echo "== Windows build under Wine"
    wine "$bin/hxReport.exe" --help >/dev/null 2>&1 || true # Wine's own start-up, not the program's
    # In a Wine desktop of its own: on a display without a window manager
    # Wine waits 2 s for every hidden window to be withdrawn (the waiting
    # dialog after each query), which no Windows PC spends.
    desktop=(explorer /desktop=hxreport-bench,1280x1024)
    (cd "$bin" && QT_QPA_PLATFORM=windows wine "${desktop[@]}" ./hxpagebench.exe --dir "Z:$data")
    # The viewer's heaviest work beside the station simulator writing live,
    # both under Wine: the station's failed writes and longest lock wait.
    echo "== Live station under Wine"
    live="$build/bench-data/live-100000"
    rm -rf "$live/index"
    # Not in the desktop: explorer does not hand on the program's exit status,
    # which says whether the station's writes failed. It hides no window.
    (cd "$bin" && QT_QPA_PLATFORM=windows wine ./hxlivecheck.exe --dir "Z:$live" --records 100000) ||
        status=1
    exit "${status:-0}"
    ;;
esac

# --- Packages -----------------------------------------------------------------------
dist="$root/dist"
name="hxReport-$version-win64"
stage="$build/stage/$name"
rm -rf "$build/stage" && mkdir -p "$stage" "$dist"
cp "$bin/hxReport.exe" "$root/hxreport/Resources/log.ico" "$stage/"
mv "$stage/log.ico" "$stage/hxReport.ico"
cp -r "$bin/language" "$stage/"
for plugin in "${plugins[@]}"; do
    mkdir -p "$stage/$(dirname "$plugin")"
    cp "$bin/$plugin" "$stage/$plugin"
done
copy_dlls "$stage" "$stage/hxReport.exe" "${plugins[@]/#/$stage/}"
# MinGW's runtime DLLs come with their debugging symbols (libstdc++ alone is 23 MB).
find "$stage" -name '*.dll' -exec "$triple-strip" --strip-unneeded {} +
sed "s/@VERSION@/$version/" "$root/packaging/windows/readme-first.txt" | sed 's/$/\r/' >"$stage/README-FIRST.txt"
rm -f "$dist/$name.zip"
(cd "$build/stage" && zip -qr9 "$dist/$name.zip" "$name")
# The uninstaller removes exactly what was installed.
(cd "$stage" && find . -type f | sed 's|^\./||; s|/|\\|g; s|.*|    Delete "$INSTDIR\\&"|' &&
    find . -mindepth 1 -type d | sort -r | sed 's|^\./||; s|/|\\|g; s|.*|    RMDir "$INSTDIR\\&"|') >"$build/stage/uninstall.nsh"
makensis -V2 -DVERSION="$version" -DSOURCE="$stage" -DOUTFILE="$dist/hxReport-$version-setup.exe" \
    -DUNINSTALL_LIST="$build/stage/uninstall.nsh" "$root/packaging/windows/hxreport.nsi"
ls -l "$dist/$name.zip" "$dist/hxReport-$version-setup.exe"
