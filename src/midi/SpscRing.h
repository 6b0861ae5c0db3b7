// A bounded lock-free queue for exactly one producer thread and one consumer thread. The
// producer never overwrites an entry the consumer has not taken: a push into a full ring fails.
#pragma once

#include <atomic>
#include <cstddef>
#include <vector>

namespace korvel {

template <typename T>
class SpscRing {
 public:
  explicit SpscRing(size_t capacity) : slots_(capacity) {}

  size_t Capacity() const { return slots_.size(); }

  // Producer side.
  bool Push(const T& value) {
    const size_t tail = tail_.load(std::memory_order_relaxed);
    if (tail - head_.load(std::memory_order_acquire) == slots_.size()) return false;
    slots_[tail % slots_.size()] = value;
    tail_.store(tail + 1, std::memory_order_release);
    return true;
  }

  // Consumer side.
  bool Pop(T& value) {
    const size_t head = head_.load(std::memory_order_relaxed);
    if (tail_.load(std::memory_order_acquire) == head) return false;
    value = slots_[head % slots_.size()];
    head_.store(head + 1, std::memory_order_release);
    return true;
  }

  // Either side; exact for the consumer, a lower bound of free space for the producer.
  size_t Size() const {
    const size_t head = head_.load(std::memory_order_acquire);
    return tail_.load(std::memory_order_acquire) - head;
  }

  // Only while neither side runs.
  void Clear() {
    head_.store(0, std::memory_order_relaxed);
    tail_.store(0, std::memory_order_relaxed);
  }

 private:
  std::vector<T> slots_;
  alignas(64) std::atomic<size_t> head_{0};
  alignas(64) std::atomic<size_t> tail_{0};
};

}  // namespace korvel
