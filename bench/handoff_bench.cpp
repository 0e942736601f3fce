// Handing a turn between two threads and back, with TMutex and TCondition
// (what TReadAhead waits with) against the C++ library's std::mutex and
// std::condition_variable, measured in the same run. Run it under Wine:
//   wine build/win/bench/handoff_bench.exe [round trips]
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "base/sync.h"

namespace {

using Clock = std::chrono::steady_clock;

// One thread sets turn to 1 and waits for 0; the other waits for 1 and sets
// 0: round_trips times. Microseconds a round trip.
template <typename Mutex, typename Wait, typename Wake>
double PingPong(int round_trips, Mutex& mutex, Wait wait, Wake wake) {
  int turn = 0;
  const auto start = Clock::now();
  std::thread other([&] {
    for (int i = 0; i < round_trips; ++i) {
      std::unique_lock<Mutex> lock(mutex);
      wait(lock, [&] { return turn == 1; });
      turn = 0;
      wake();
    }
  });
  for (int i = 0; i < round_trips; ++i) {
    std::unique_lock<Mutex> lock(mutex);
    turn = 1;
    wake();
    wait(lock, [&] { return turn == 0; });
  }
  other.join();
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / round_trips;
}

}  // namespace

int main(int argc, char** argv) {
  const int round_trips = argc >= 2 ? std::atoi(argv[1]) : 5000;
  std::mutex std_mutex;
  std::condition_variable std_condition;
  const double library = PingPong(
      round_trips, std_mutex, [&](auto& lock, auto ready) { std_condition.wait(lock, ready); },
      [&] { std_condition.notify_all(); });
  TMutex mutex;
  TCondition condition;
  const double ours = PingPong(
      round_trips, mutex, [&](auto& lock, auto ready) { condition.Wait(lock, ready); }, [&] { condition.WakeAll(); });
  std::printf("%d round trips between two threads\n", round_trips);
  std::printf("std::condition_variable: %8.1f us a round trip\n", library);
  std::printf("TCondition:              %8.1f us a round trip (%.2f of the library's)\n", ours, ours / library);
  return 0;
}
