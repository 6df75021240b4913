#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into ./build-sanitize
# (gcc, Ninja, two jobs) and runs the whole test suite there. Any sanitizer report ends the
# process that made it, so its test fails; leaks are reported when a process exits.
#   QK_SANITIZE_TESTS   a ctest -R pattern to run only some tests (default: all of them)
set -euo pipefail
cd "$(dirname "$0")/.."
# ccache keys on paths relative to the checkout, so a second checkout reuses the first's objects.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1

started=$SECONDS
if [ ! -f build-sanitize/build.ninja ]; then
  # -O1 keeps the build quick and the reports' stack traces whole; line tables suffice for them.
  # Unity batches compile eight files of a target as one: the headers (Qt, Boost, gtest) are
  # parsed an eighth as often, which is most of this build's time.
  cmake -S . -B build-sanitize -G Ninja -DQK_SANITIZE=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" \
    -DCMAKE_UNITY_BUILD=ON -DCMAKE_UNITY_BUILD_BATCH_SIZE=8
fi
cmake --build build-sanitize -j2
echo "sanitize build: $((SECONDS - started)) s"

started=$SECONDS
export ASAN_OPTIONS="detect_leaks=1:check_initialization_order=1:strict_init_order=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
select=()
[ -n "${QK_SANITIZE_TESTS:-}" ] && select=(-R "$QK_SANITIZE_TESTS")
(cd build-sanitize && ctest --output-on-failure -j2 --timeout 600 "${select[@]}")
echo "sanitize tests: $((SECONDS - started)) s"
