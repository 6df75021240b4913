#!/usr/bin/env bash
# Configures (once) and builds QK into ./build with Ninja. Two jobs: the machines have two cores.
# Arguments go to `cmake --build`, e.g. --target qk-server to build only that.
#   QK_UNITY_BUILD=1   configure a new ./build with unity batches of eight files, which compiles
#                      a fresh checkout in about half the time (scripts/test.sh sets it; an
#                      incremental build is faster without)
set -euo pipefail
cd "$(dirname "$0")/.."
# ccache keys on paths relative to the checkout, so a second checkout reuses the first's objects.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
if [ ! -f build/build.ninja ]; then
  unity=()
  [ "${QK_UNITY_BUILD:-0}" = 1 ] && unity=(-DCMAKE_UNITY_BUILD=ON -DCMAKE_UNITY_BUILD_BATCH_SIZE=8)
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${unity[@]}"
fi
cmake --build build -j2 "$@"
