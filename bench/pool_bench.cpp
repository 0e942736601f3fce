// Drawing a scrambling order of n entries (TTpRandom::InitPool + n Pick()
// calls, as a picture of n scrambled rows or tiles needs) next to the same
// order drawn by closing up a vector after every pick, measured in the same
// run. The two orders are compared too.
//   pool_bench [largest n]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "archive/rands.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

std::vector<int32_t> ClosingUp(int32_t seed, int32_t n) {
  uint32_t state = 0;
  std::vector<int32_t> pool(static_cast<size_t>(n)), order;
  for (int32_t i = 0; i < n; ++i) pool[static_cast<size_t>(i)] = i;
  order.reserve(pool.size());
  while (!pool.empty()) {
    state = state * 5u + static_cast<uint32_t>(seed);
    const size_t i = state % static_cast<uint32_t>(pool.size());
    order.push_back(pool[i]);
    pool.erase(pool.begin() + static_cast<std::ptrdiff_t>(i));
  }
  return order;
}

}  // namespace

int main(int argc, char** argv) {
  const int32_t largest = argc > 1 ? std::atoi(argv[1]) : 200000;
  std::printf("%10s %14s %14s %8s\n", "n", "closing up s", "TTpRandom s", "ratio");
  for (int32_t n = 1000; n <= largest; n *= 4) {
    auto t0 = Clock::now();
    const std::vector<int32_t> reference = ClosingUp(ArchiveSeed, n);
    const double baseline = Seconds(t0);
    t0 = Clock::now();
    TTpRandom r(ArchiveSeed);
    r.InitPool(n);
    std::vector<int32_t> order;
    order.reserve(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) order.push_back(r.Pick());
    const double tree = Seconds(t0);
    std::printf("%10d %14.6f %14.6f %7.1fx%s\n", n, baseline, tree, baseline / (tree > 0 ? tree : 1e-9),
                order == reference ? "" : "  ORDER DIFFERS");
    if (order != reference) return 1;
  }
  return 0;
}
