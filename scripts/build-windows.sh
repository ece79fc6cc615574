#!/usr/bin/env bash
# Cross-builds LumoraCard for 64-bit Windows on Debian 12 with mingw-w64 and a Qt 5.15 kit for
# it, and packs the result: a folder and a zip that run on a Windows PC with nothing else
# installed, and an installer when makensis is there.
#
#   bash scripts/build-windows.sh [EXTRA_TARGET]...
#
# SQLite: $LUMORA_SQLITE_MINGW (an unpacked sqlite3-mingw64 folder), else
# ../shared/toolchains/sqlite3-3.40.1-mingw64.tar.xz, unpacked once like the kit.
# The kit: $LUMORA_QT_MINGW (an unpacked qt5-mingw64 folder, or its .tar.xz), else
# ../shared/toolchains/qt5.15.8-mingw64.tar.xz beside this repository. A tarball is unpacked
# once into $LUMORA_KIT_CACHE (default /var/cache/lumoracard, or build/kits when that cannot
# be written). EXTRA_TARGETs (test executables, for example) are built in the same tree;
# LUMORA_WINDOWS_INSTALLER=0 leaves out the installer.
# Output: build/windows-package/LumoraCard-<version>-win64/ and .zip (and -setup.exe).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
# qttranslations5-l10n: Qt's own Chinese texts for a kit that has none (they are data files,
# the same for every platform).
need=(g++-mingw-w64-x86-64-posix cmake ninja-build zip nsis qttranslations5-l10n)
missing=()
for p in "${need[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# --- the Qt kit ------------------------------------------------------------------------------
kit_source=${LUMORA_QT_MINGW:-$repo/../shared/toolchains/qt5.15.8-mingw64.tar.xz}
if [ -d "$kit_source" ]; then
    kit=$(realpath "$kit_source")
elif [ -f "$kit_source" ]; then
    cache=${LUMORA_KIT_CACHE:-/var/cache/lumoracard}
    if ! mkdir -p "$cache" 2>/dev/null || [ ! -w "$cache" ]; then
        cache=$repo/build/kits
        mkdir -p "$cache"
    fi
    # One folder per tarball content, so a new kit never mixes with an old one.
    sum=$(sha256sum "$kit_source" | cut -c1-16)
    if [ -f "$kit_source.sha256" ] && ! grep -q "$(sha256sum "$kit_source" | cut -d' ' -f1)" "$kit_source.sha256"; then
        echo "error: $kit_source does not match its checksum file $kit_source.sha256" >&2
        exit 1
    fi
    kit=$cache/qt5-mingw64-$sum/qt5-mingw64
    if [ ! -f "$kit/lib/cmake/Qt5/Qt5Config.cmake" ]; then
        echo "Unpacking the Qt kit into $cache/qt5-mingw64-$sum"
        rm -rf "$cache/qt5-mingw64-$sum.tmp"
        mkdir -p "$cache/qt5-mingw64-$sum.tmp"
        tar -xJf "$kit_source" -C "$cache/qt5-mingw64-$sum.tmp"
        rm -rf "$cache/qt5-mingw64-$sum"
        mv "$cache/qt5-mingw64-$sum.tmp" "$cache/qt5-mingw64-$sum"
    fi
else
    cat >&2 <<MSG
No Qt kit for mingw-w64 found (looked for ${kit_source}).
Either put qt5.15.8-mingw64.tar.xz in ../shared/toolchains/ beside this repository, or point
LUMORA_QT_MINGW at a kit (an unpacked qt5-mingw64 folder or its .tar.xz):
    LUMORA_QT_MINGW=/path/to/qt5-mingw64 bash scripts/build-windows.sh
A kit is Qt 5.15 qtbase built for x86_64-w64-mingw32 with Debian's g++-mingw-w64-x86-64-posix;
../shared/toolchains/build-qt-mingw.sh (where present) makes one in about an hour.
MSG
    exit 2
fi
if [ ! -f "$kit/lib/cmake/Qt5/Qt5Config.cmake" ]; then
    echo "error: $kit is not a Qt kit (no lib/cmake/Qt5/Qt5Config.cmake)" >&2
    exit 2
fi
echo "Qt kit: $kit"

# --- SQLite, static, for the card history: unpacked once into the same cache as the kit ------
sqlite_source=${LUMORA_SQLITE_MINGW:-$repo/../shared/toolchains/sqlite3-3.40.1-mingw64.tar.xz}
if [ -d "$sqlite_source" ]; then
    sqlite=$(realpath "$sqlite_source")
else
    cache=${LUMORA_KIT_CACHE:-/var/cache/lumoracard}
    { mkdir -p "$cache" 2>/dev/null && [ -w "$cache" ]; } || { cache=$repo/build/kits; mkdir -p "$cache"; }
    sum=$(sha256sum "$sqlite_source" | cut -c1-16)
    sqlite=$cache/sqlite3-mingw64-$sum/sqlite3-mingw64
    if [ ! -f "$sqlite/lib/libsqlite3.a" ]; then
        rm -rf "$cache/sqlite3-mingw64-$sum"
        mkdir -p "$cache/sqlite3-mingw64-$sum"
        tar -xJf "$sqlite_source" -C "$cache/sqlite3-mingw64-$sum"
    fi
fi
echo "SQLite: $sqlite"

# --- build -----------------------------------------------------------------------------------
build=build/windows
# A compiler cache when there is one (CCACHE_DIR and CCACHE_BASEDIR come from the caller).
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMORA_WERROR=ON \
    -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake" -DCMAKE_PREFIX_PATH="$kit" \
    -DLUMORA_BUILD_TESTS=ON -DLUMORA_BUILD_BENCH=OFF -DCMAKE_INSTALL_BINDIR=. \
    -DLUMORA_QT_TRANSLATIONS=/usr/share/qt5/translations -DLUMORA_SQLITE_MINGW="$sqlite" \
    "${launcher[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)" --target lumoracard lumoracard-cli "$@"

# --- package ---------------------------------------------------------------------------------
version=$(sed -n 's/^project(LumoraCard VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=LumoraCard-$version-win64
out=build/windows-package
rm -rf "${out:?}/$name" "$out/$name.zip"
cmake --install "$build" --prefix "$out/$name" >/dev/null
# The compiler's runtime comes with its debug sections (libstdc++ alone is some 20 MB of them);
# the programs need none of it.
find "$out/$name" -name '*.dll' -exec x86_64-w64-mingw32-strip --strip-debug {} +
# One list of the package's files for the zip, the installer and its uninstaller.
lists=$build/package-lists
bash scripts/windows/package-lists.sh "$out/$name" "$lists"
(cd "$out" && sed "s|^|$name/|" "$repo/$lists/files.txt" | zip -q "$name.zip" -@)
echo "Package: $out/$name/ and $out/$name.zip"
if [ "${LUMORA_WINDOWS_INSTALLER:-1}" = 1 ] && command -v makensis >/dev/null; then
    # What the installed folder takes, in KiB, for the system's list of programs.
    size_kib=$(du -sk --apparent-size "$out/$name" | cut -f1)
    makensis -V2 -DVERSION="$version" -DSOURCE_DIR="$repo/$out/$name" -DSIZE_KIB="$size_kib" \
        -DLISTS_DIR="$repo/$lists" \
        -DOUT_FILE="$repo/$out/$name-setup.exe" scripts/windows/installer.nsi >/dev/null
    echo "Installer: $out/$name-setup.exe"
fi
