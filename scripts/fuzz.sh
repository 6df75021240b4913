#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ into ./build-fuzz (clang, Ninja, two jobs) and runs each
# from its committed corpus for a bounded time. Fails on any crash, leak, timeout or memory
# blow-up; a failing input is left in build-fuzz/crashes/ and its path printed.
#   QK_FUZZ_SECONDS   seconds per target (default 30)
#   QK_FUZZ_TARGETS   the targets to run (default: all of them)
#   QK_FUZZ_MERGE=1   after the runs, add to fuzz/corpus what they found that reaches new code
#                     (libFuzzer's -merge=1 keeps the smallest inputs that do; hit counts are
#                     ignored, or the corpus would grow by every loop that ran once more)
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
# ccache keys on paths relative to the checkout, so a second checkout reuses the first's objects.
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
seconds="${QK_FUZZ_SECONDS:-30}"
read -r -a targets <<<"${QK_FUZZ_TARGETS:-json_decoder exec_call statement_guard report_template}"

started=$SECONDS
if [ ! -f build-fuzz/build.ninja ]; then
  # -O1 keeps the build quick and assertions stay on; line tables are enough for stack traces.
  cmake -S . -B build-fuzz -G Ninja -DQK_FUZZ=ON -DQK_BUILD_TESTS=OFF -DQK_BUILD_BENCH=OFF \
    -DCMAKE_CXX_COMPILER=clang++-14 \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only"
fi
cmake --build build-fuzz -j2 --target "${targets[@]/#/fuzz_}"
echo "fuzz build: $((SECONDS - started)) s"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"
export QT_QPA_PLATFORM=offscreen
passed=0
failed=0
for t in "${targets[@]}"; do
  work="$root/build-fuzz/corpus/$t"
  crashes="$root/build-fuzz/crashes"
  log="$root/build-fuzz/logs/$t.log"
  # Each target runs in a scratch folder: a file a statement manages to write lands there.
  scratch="$root/build-fuzz/work/$t"
  rm -rf "$scratch"
  mkdir -p "$work" "$crashes" "$(dirname "$log")" "$scratch"
  dict=()
  [ -f "fuzz/$t.dict" ] && dict=(-dict="$root/fuzz/$t.dict")
  # New inputs go to the first folder; the committed corpus is only read.
  if (cd "$scratch" && "$root/build-fuzz/fuzz/$t" "$work" "$root/fuzz/corpus/$t" "${dict[@]}" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$crashes/$t-") >"$log" 2>&1; then
    passed=$((passed + 1))
    echo "fuzz $t: ok ($(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$log" |
      grep -o '[0-9]*$') runs in ${seconds} s)"
  else
    failed=$((failed + 1))
    echo "fuzz $t: FAILED (log: $log)"
    grep -aE '^\*\*\*|ERROR: |SUMMARY: |Test unit written to|runtime error' "$log" | head -20 || true
  fi
  if [ "${QK_FUZZ_MERGE:-0}" = 1 ]; then
    (cd "$scratch" && "$root/build-fuzz/fuzz/$t" -merge=1 -use_counters=0 -timeout=10 \
      -rss_limit_mb=2048 "$root/fuzz/corpus/$t" "$work") >>"$log" 2>&1
    echo "fuzz $t: corpus now $(ls "fuzz/corpus/$t" | wc -l) inputs"
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
