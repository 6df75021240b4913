#!/usr/bin/env bash
# Configures (once) and builds QK into ./build with Ninja. Two jobs: the machines have two cores.
# Arguments go to `cmake --build`, e.g. --target qk-server to build only that.
set -euo pipefail
cd "$(dirname "$0")/.."
# ccache keys on paths relative to the checkout, so a second checkout reuses the first's objects.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
if [ ! -f build/build.ninja ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build build -j2 "$@"
