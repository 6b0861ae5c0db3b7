// What a test's own JACK client receives, filled on JACK's thread.
#pragma once

#include <rtmidi/RtMidi.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace korvel::test {

using Bytes = std::vector<uint8_t>;

struct Capture {
  std::mutex mutex;
  std::vector<Bytes> messages;

  static void Receive(double, std::vector<unsigned char>* message, void* self) {
    auto* capture = static_cast<Capture*>(self);
    std::lock_guard lock(capture->mutex);
    capture->messages.emplace_back(message->begin(), message->end());
  }
  std::vector<Bytes> Take() {
    std::lock_guard lock(mutex);
    return messages;
  }
  // Waits (5 s at most) until `count` messages arrived, and a moment more for any extra.
  std::vector<Bytes> WaitFor(size_t count) {
    for (int i = 0; i < 500 && Take().size() < count; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return Take();
  }
};

inline int IndexOf(const std::vector<std::string>& list, const std::string& name) {
  auto it = std::find(list.begin(), list.end(), name);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

}  // namespace korvel::test
