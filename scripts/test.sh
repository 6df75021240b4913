#!/usr/bin/env bash
# Installs what is missing and builds the programs and benchmarks into ./build with the
# benchmarks' smoke run; then the Debian packages are built, installed, run and purged
# (scripts/package-test.sh); before all that the shop-floor page is built and checked against its
# committed copy; then the whole test suite under AddressSanitizer and
# UndefinedBehaviorSanitizer (scripts/sanitize.sh, ./build-sanitize); then the fuzz targets for a
# bounded time from their committed corpora (scripts/fuzz.sh; QK_FUZZ_SECONDS per target).
# The PostgreSQL backend's tests run against a cluster this script starts and removes.
# The suite runs once, in the sanitized build: two full builds of it would not fit CI's time. Only
# the PostgreSQL runs of the server, data-layer and document tests are built and run in ./build.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS
bash scripts/install-deps.sh
# A throwaway PostgreSQL cluster on a private socket for the PostgreSQL backend's tests (they
# read QK_TEST_PG), removed again however the run ends.
eval "$(bash scripts/pg-cluster.sh start)"
trap 'bash scripts/pg-cluster.sh stop "$QK_TEST_PG_DIR"' EXIT
# The shop-floor page: installed from its lockfile and built afresh, which must give exactly the
# committed web/shop/dist that the server embeds (so a build without node serves the same page).
# Its node modules also carry playwright-core for the browser test of the suite.
(cd web/shop && npm ci --no-audit --no-fund && npm run build)
git diff --exit-code --stat -- web/shop/dist ||
  { echo "web/shop/dist differs from a fresh build: commit the rebuilt page"; exit 1; }
test -z "$(git status --porcelain -- web/shop/dist)" ||
  { echo "web/shop/dist has files a fresh build does not: commit the rebuilt page"; exit 1; }
# The programs and benchmarks by name: the test programs are built only in the sanitized build.
# A checkout without ./build gets one in unity batches, as the sanitized build is.
export QK_UNITY_BUILD=1
bash scripts/build.sh --target qk-server qk-client qk-screenshot \
  qk_server_bench qk_query_page_bench qk_load_bench qk_bom_tree_bench qk_stock_history_bench \
  qk_dashboard_bench qk_backends_bench
(cd build && ctest --output-on-failure --timeout 600 \
  -R '^(load_bench_smoke|dashboard_bench_smoke|backends_bench_smoke)$')
echo "build and smoke run: $((SECONDS - started)) s"
# The server, data-layer and document tests once more with the account sets on PostgreSQL
# (named pg.*, label pg-ci), in this build only: the sanitized suite below runs them on SQLite.
bash scripts/build.sh --target qk_server_tests qk_dataset_tests qk_document_tests
pg_started=$SECONDS
# grep finds nothing once every test passes there: an empty list, not a failure.
pending=$({ grep -v '^#' tests/postgres_pending.txt || true; } | sed 's/\./\\./g' | paste -sd'|')
exclude=()
[ -z "$pending" ] || exclude=(-E "^pg\.(${pending})\$")
(cd build && ctest -j2 --output-on-failure --timeout 600 -L '^pg-ci$' "${exclude[@]}")
echo "PostgreSQL run: $((SECONDS - pg_started)) s"
bash scripts/package-test.sh
bash scripts/sanitize.sh
bash scripts/fuzz.sh
echo "test.sh: $((SECONDS - started)) s"
