#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12; quiet when all is there.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qtbase5-dev qtbase5-dev-tools libqt5dbus5
    # The card history's database.
    libsqlite3-dev
    clang-format
    fio e2fsprogs util-linux
    # The format test starts udisks2 and udev of its own on a private bus.
    dbus-daemon udisks2 udev
    # The fault-injecting file system of the tests.
    libfuse3-dev fuse3
    # The window's texts are Chinese in two of its three languages, Qt's own ones too.
    fonts-wqy-microhei qttranslations5-l10n
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
