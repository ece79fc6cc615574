#!/usr/bin/env bash
# Builds LumoraCard and starts it. Arguments go to the program, e.g.
#   bash scripts/run.sh --target /media/$USER/CARD/ --size 1G --read
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMORA_BUILD_TESTS=OFF >/dev/null
cmake --build build/release
exec build/release/src/cli/lumoracard-cli "$@"
