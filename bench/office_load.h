// Offices working at once against application servers: each client logs in, pages the product
// list and saves 50-line receipts until the time is up. Shared by the load benchmarks.
#pragma once

#include <atomic>
#include <vector>

namespace qk::bench {

enum Kind { kLogin, kQuery, kSave, kKinds };
inline constexpr const char* kKindNames[kKinds] = {"login", "paged query", "50-line save"};

struct PhaseResult {
  std::vector<double> ms[kKinds];  // sorted
  int errors[kKinds] = {};
  int served = 0, clients = 0, slowReconnects = 0;
  double seconds = 0;
  double percentile(Kind k, double p) const;
  double savesPerSecond() const;
  int totalErrors() const { return errors[kLogin] + errors[kQuery] + errors[kSave]; }
};

// `clients` offices for `seconds`, client i on ports[i % ports.size()]; `slow` connections
// dribbling header bytes at the first port meanwhile. `phase` keeps the receipts' numbers of
// one phase apart from another's. Every receipt moves the same item, unless `ownItems`: then each
// office receives an item of its own, so no two saves touch the same stock figures.
PhaseResult runPhase(const std::vector<int>& ports, int phase, int clients, int seconds,
                     int slow = 0, bool ownItems = false);

// The phase's table: per kind the count, errors, p50 and p99, then saves per second.
void print(const char* title, const PhaseResult& r);

}  // namespace qk::bench
