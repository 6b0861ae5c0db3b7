// Runs code that must come to an end, on a thread of its own: when it has not ended in time
// the test program stops with a message, so an endless loop fails a test instead of hanging it.
#pragma once

#include <chrono>
#include <cstdlib>
#include <functional>
#include <future>
#include <iostream>
#include <memory>
#include <thread>

namespace korvel::test {

inline void EndsWithin(std::chrono::seconds limit, std::function<void()> work) {
  auto task = std::make_shared<std::packaged_task<void()>>(std::move(work));
  std::future<void> done = task->get_future();
  std::thread([task] { (*task)(); }).detach();
  if (done.wait_for(limit) != std::future_status::ready) {
    std::cerr << "did not end within " << limit.count() << " s: an endless loop\n";
    std::abort();
  }
  done.get();  // what it threw, the test sees
}

}  // namespace korvel::test
