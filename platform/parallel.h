#pragma once
// Rows of a frame shared among the processor's cores: band(first, end) runs
// once for each band of [0, rows), the last band on the calling thread. Bands
// must not write the same memory.
#include <algorithm>
#include <exception>
#include <optional>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

// job(i) for each i of [0, count), each on a thread of its own but the last,
// which runs on the calling thread; back when all are done.
template <typename Job>
void eachAtOnce(int count, Job job) {
  std::vector<std::jthread> others;
  for (int i = 0; i + 1 < count; ++i) others.emplace_back([&job, i] { job(i); });
  if (count > 0) job(count - 1);
}

template <typename Band>
void inBands(int rows, Band band) {
  // Below this a band costs more to start than it saves.
  constexpr int kMinRows = 64;
  const int cores = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
  const int bands = std::clamp(rows / kMinRows, 1, cores);
  eachAtOnce(bands, [&](int i) { band(rows * i / bands, rows * (i + 1) / bands); });
}

// first() on a thread of its own while second() runs on the calling thread:
// two independent pieces of work (the two views of a pair) on two cores.
// An exception of either comes back to the caller.
template <typename First, typename Second>
auto bothAtOnce(First first, Second second) {
  std::optional<std::invoke_result_t<First&>> a;
  std::exception_ptr failed;
  std::jthread thread([&] {
    try {
      a = first();
    } catch (...) {
      failed = std::current_exception();
    }
  });
  auto b = second();
  thread.join();
  if (failed) std::rethrow_exception(failed);
  return std::pair{std::move(*a), std::move(b)};
}
