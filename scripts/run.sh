#!/usr/bin/env bash
# Builds LumoraCard and starts its window. The program takes no options of its own; any
# arguments go to Qt (for example -platform xcb). The command-line front end is built too:
#   build/release/src/cli/lumoracard-cli --target /media/$USER/CARD/ --size 1G --read
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMORA_BUILD_TESTS=OFF \
    -DLUMORA_BUILD_BENCH=OFF >/dev/null
cmake --build build/release --target lumoracard lumoracard-cli
exec build/release/src/app/lumoracard "$@"
