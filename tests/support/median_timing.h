// Timing for the benchmarks that compare the server with the same work done in process.
#pragma once

#include <sched.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <utility>
#include <vector>

namespace qk::test {

// Puts the process on one core, threads it starts later (a server's) included: where cores
// differ in speed, as shared virtual ones do, a ratio would otherwise compare the cores.
inline void pinToOneCore() {
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(std::max(0, sched_getcpu()), &one);
  sched_setaffinity(0, sizeof one, &one);
}

// Medians in milliseconds of `runs` timings of two pieces of work, taken in turns so that a
// slow moment of the machine falls on both alike; one untimed run of each warms caches first.
inline std::pair<double, double> medianMs(int runs, const std::function<void()>& a,
                                          const std::function<void()>& b) {
  using Clock = std::chrono::steady_clock;
  a();
  b();
  std::vector<double> msA, msB;
  auto time = [](const std::function<void()>& work, std::vector<double>& into) {
    const auto start = Clock::now();
    work();
    into.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  };
  for (int i = 0; i < runs; ++i) {
    time(a, msA);
    time(b, msB);
  }
  std::sort(msA.begin(), msA.end());
  std::sort(msB.begin(), msB.end());
  return {msA[msA.size() / 2], msB[msB.size() / 2]};
}

}  // namespace qk::test
