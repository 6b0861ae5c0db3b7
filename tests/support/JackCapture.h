// A test's own program on the JACK server, on libjack: a client whose input port stamps every
// message with the frame it arrived at, in its process callback, so it keeps up at any period;
// with a second port it passes everything on at the same frame, as a cable would.
#pragma once

#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace korvel::test {

using Bytes = std::vector<uint8_t>;

class JackRecorder {
 public:
  struct Event {
    jack_nframes_t Frame = 0;
    jack_time_t Micros = 0;  // the frame on JACK's microsecond clock
    Bytes Message;
  };

  // `thru`: the client gets an output port "thru" that passes on what arrives.
  explicit JackRecorder(const std::string& client, const std::string& port = "capture",
                        bool thru = false)
      : slots_(kCapacity), bytes_(kBytes) {
    jack_status_t status;
    client_ = jack_client_open(client.c_str(), JackNoStartServer, &status);
    if (!client_) throw std::runtime_error("no JACK server for the test's client " + client);
    in_ = jack_port_register(client_, port.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    if (thru) {
      out_ = jack_port_register(client_, "thru", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    }
    jack_set_process_callback(client_, &JackRecorder::Process, this);
    if (!in_ || (thru && !out_) || jack_activate(client_) != 0) {
      jack_client_close(client_);
      throw std::runtime_error("the test's JACK client " + client + " cannot run");
    }
  }
  ~JackRecorder() { jack_client_close(client_); }
  JackRecorder(const JackRecorder&) = delete;
  JackRecorder& operator=(const JackRecorder&) = delete;

  std::string PortName() const { return jack_port_name(in_); }
  std::string ThruName() const { return jack_port_name(out_); }
  jack_nframes_t SampleRate() const { return jack_get_sample_rate(client_); }
  jack_client_t* Handle() const { return client_; }

  // Waits (10 s at most) until `done` holds; false when it never did.
  static bool WaitUntil(const std::function<bool()>& done,
                        std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }
  // Until something is connected to the recording port.
  bool WaitConnected() const {
    return WaitUntil([this] { return jack_port_connected(in_) > 0; });
  }
  // Until `count` more process cycles have run: whatever was sent before has arrived then.
  bool WaitCycles(int count) const {
    const uint64_t until = cycles_.load() + static_cast<uint64_t>(count);
    return WaitUntil([&] { return cycles_.load() >= until; });
  }

  // What arrived since the last Forget.
  std::vector<Event> Events() const {
    const size_t end = count_.load(std::memory_order_acquire);
    std::vector<Event> events;
    for (size_t i = from_; i < end; ++i) {
      const Slot& slot = slots_[i];
      const auto from = bytes_.begin() + static_cast<ptrdiff_t>(slot.Offset);
      events.push_back(
          {slot.Frame, slot.Micros, Bytes(from, from + static_cast<ptrdiff_t>(slot.Size))});
    }
    return events;
  }
  std::vector<Bytes> Messages() const {
    std::vector<Bytes> messages;
    for (auto& event : Events()) messages.push_back(std::move(event.Message));
    return messages;
  }
  size_t Count() const { return count_.load(std::memory_order_acquire) - from_; }
  // Waits until `count` messages arrived, and two cycles more for any extra one.
  std::vector<Bytes> WaitFor(size_t count) const {
    WaitUntil([&] { return Count() >= count; });
    WaitCycles(2);
    return Messages();
  }
  // What arrived so far is left out from now on.
  void Forget() { from_ = count_.load(std::memory_order_acquire); }
  // Cycles the server ran without calling this client (an overloaded server does that): what
  // was sent to it in those cycles never arrives.
  size_t MissedCycles() const { return missed_.load(); }
  // Messages the recorder had no room for (the test's own limit, never reached in a sound run).
  size_t Overflowed() const { return overflowed_.load(); }

 private:
  static constexpr size_t kCapacity = 1 << 16;
  static constexpr size_t kBytes = 1 << 22;
  struct Slot {
    jack_nframes_t Frame = 0;
    jack_time_t Micros = 0;
    size_t Offset = 0;  // in bytes_
    size_t Size = 0;
  };

  static int Process(jack_nframes_t frames, void* self) {
    auto* me = static_cast<JackRecorder*>(self);
    const jack_nframes_t start = jack_last_frame_time(me->client_);
    if (const auto gap = static_cast<int32_t>(start - me->next_);
        me->cycles_.load(std::memory_order_relaxed) > 0 && gap > 0) {
      me->missed_.fetch_add(static_cast<size_t>(gap) / frames);
    }
    me->next_ = start + frames;
    void* in = jack_port_get_buffer(me->in_, frames);
    void* out = me->out_ ? jack_port_get_buffer(me->out_, frames) : nullptr;
    if (out) jack_midi_clear_buffer(out);
    const uint32_t count = jack_midi_get_event_count(in);
    size_t next = me->count_.load(std::memory_order_relaxed);
    size_t used = next == 0 ? 0 : me->slots_[next - 1].Offset + me->slots_[next - 1].Size;
    for (uint32_t i = 0; i < count; ++i) {
      jack_midi_event_t event;
      if (jack_midi_event_get(&event, in, i) != 0) continue;
      if (out) jack_midi_event_write(out, event.time, event.buffer, event.size);
      if (next == kCapacity || used + event.size > kBytes) {
        me->overflowed_.fetch_add(1);
        continue;
      }
      Slot& slot = me->slots_[next++];
      slot.Frame = start + event.time;
      slot.Micros = jack_frames_to_time(me->client_, slot.Frame);
      slot.Offset = used;
      slot.Size = event.size;
      std::copy(event.buffer, event.buffer + event.size,
                me->bytes_.begin() + static_cast<ptrdiff_t>(used));
      used += event.size;
    }
    me->count_.store(next, std::memory_order_release);
    me->cycles_.fetch_add(1);
    return 0;
  }

  jack_client_t* client_ = nullptr;
  jack_port_t* in_ = nullptr;
  jack_port_t* out_ = nullptr;
  std::vector<Slot> slots_;
  std::vector<uint8_t> bytes_;
  std::atomic<size_t> count_{0};
  size_t from_ = 0;  // reader side
  std::atomic<uint64_t> cycles_{0};
  std::atomic<size_t> overflowed_{0};
  std::atomic<size_t> missed_{0};
  jack_nframes_t next_ = 0;  // process callback: the frame the next cycle should start at
};

inline int IndexOf(const std::vector<std::string>& list, const std::string& name) {
  auto it = std::find(list.begin(), list.end(), name);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

}  // namespace korvel::test
