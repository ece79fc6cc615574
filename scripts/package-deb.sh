#!/usr/bin/env bash
# Makes the Debian package from a build folder (default build/release, built here if missing),
# checks it with lintian and appstreamcli, installs it with apt-get, starts the installed
# programs, and removes it again. Run as root (or with sudo available) on Debian 12.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
need=()
for p in lintian appstream; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMORA_BUILD_TESTS=OFF \
        -DLUMORA_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$build" -j "$(nproc)" >/dev/null
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$build"/lumoracard_*_*.deb | head -n1)
echo "== Package: $deb =="

# No errors and no warnings from Debian's own checks.
lintian --fail-on error,warning "$deb"
appstreamcli validate --no-net "$build/packaging/org.lumoracard.LumoraCard.metainfo.xml"

DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "$(realpath "$deb")" >/dev/null
trap 'DEBIAN_FRONTEND=noninteractive $sudo apt-get remove -y -qq lumoracard >/dev/null' EXIT

/usr/bin/lumoracard-cli --version
# The window, offscreen, with the language already chosen so that it opens at once; it must
# still be running when it is stopped after a few seconds.
config=$(mktemp -d)
mkdir -p "$config/Lumora"
printf '[ui]\nlanguage=1\n' >"$config/Lumora/LumoraCard.conf"
status=0
XDG_CONFIG_HOME=$config QT_QPA_PLATFORM=offscreen timeout 5 /usr/bin/lumoracard || status=$?
rm -rf "$config"
if [ "$status" -ne 124 ]; then
    echo "The installed window ended by itself (status $status) instead of running." >&2
    exit 1
fi
echo "== The installed programs start; the package is removed again =="
