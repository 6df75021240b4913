#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test, then the fuzz targets for a
# bounded time from their committed corpora (scripts/fuzz.sh; QK_FUZZ_SECONDS per target).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
(cd build && ctest --output-on-failure -j2 --timeout 600)
bash scripts/fuzz.sh
