#include "platform/JackMidiDriver.h"

#include <jack/midiport.h>
#include <jack/ringbuffer.h>

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/ClockThread.h"
#include "platform/IntendedTime.h"
#include "platform/JackClient.h"

namespace korvel {
namespace {

// What the engine hands the process callback for each message, followed by its bytes.
struct QueuedHeader {
  jack_nframes_t Frame;  // the frame of the moment the message was meant for
  uint32_t Length;
};

// Several seconds of the densest playing, and any system-exclusive message whole.
constexpr size_t kQueueBytes = size_t{1} << 20;

// Copies `size` bytes from `offset` past the read side of `ring`, across its wrap.
void PeekAt(jack_ringbuffer_t* ring, size_t offset, uint8_t* to, size_t size) {
  jack_ringbuffer_data_t parts[2];
  jack_ringbuffer_get_read_vector(ring, parts);
  for (const auto& part : parts) {
    if (size == 0) return;
    if (offset >= part.len) {
      offset -= part.len;
      continue;
    }
    const size_t n = std::min(size, part.len - offset);
    std::memcpy(to, part.buf + offset, n);
    to += n;
    size -= n;
    offset = 0;
  }
}

// Registers a port, serves it from the process callback and connects it; undone again when a
// step fails, and in the destructor.
class JackPortLink {
 public:
  JackPortLink(std::shared_ptr<JackClient> client, JackPortUser& user, const std::string& name,
               unsigned long flags)
      : client_(std::move(client)), user_(user) {
    port_ = client_->RegisterPort(name, flags);
    if (!port_)
      throw MidiDriverError(kMidiAllocated, "JACK refused Korvel's port \"" + name + "\".");
    if (!client_->Attach(user_)) {
      jack_port_unregister(client_->Handle(), port_);
      throw MidiDriverError(kMidiAllocated, "Korvel has too many JACK ports open.");
    }
  }
  ~JackPortLink() {
    client_->Detach(user_);
    jack_port_unregister(client_->Handle(), port_);
  }
  JackPortLink(const JackPortLink&) = delete;
  JackPortLink& operator=(const JackPortLink&) = delete;

  // Connects to the graph port `other`; the direction follows the port's.
  void Connect(const std::string& other, bool output) {
    const char* own = jack_port_name(port_);
    const int result = output ? jack_connect(client_->Handle(), own, other.c_str())
                              : jack_connect(client_->Handle(), other.c_str(), own);
    if (result != 0 && result != EEXIST) {
      throw MidiDriverError(kMidiAllocated, "JACK could not connect Korvel to \"" + other + "\".");
    }
    // The server takes a new connection into its graph at a cycle's start: what went out in
    // the cycles before would be lost (the first beat of a style). Two cycles make it certain.
    client_->WaitCycles(2);
  }
  jack_port_t* Port() const { return port_; }
  JackClient& Client() const { return *client_; }

 private:
  std::shared_ptr<JackClient> client_;
  JackPortUser& user_;
  jack_port_t* port_ = nullptr;
};

class JackOutConnection : public MidiOutConnection, private JackPortUser {
 public:
  JackOutConnection(std::shared_ptr<JackClient> client, const std::string& portName,
                    const std::string& destination)
      : ring_(NewRing()), link_(std::move(client), *this, portName, JackPortIsOutput) {
    if (!destination.empty()) link_.Connect(destination, true);
  }
  ~JackOutConnection() override {
    // What is still queued goes out first: the last note-offs before a port closes matter most.
    // The cycle that writes the last message also delivers it; one more makes sure.
    JackClient& client = link_.Client();
    if (client.WaitWhileCycling([this] { return jack_ringbuffer_read_space(ring_.get()) == 0; })) {
      client.WaitCycles(2);
    }
  }

  void SendShort(uint32_t packed) override {
    const uint8_t bytes[3] = {static_cast<uint8_t>(packed), static_cast<uint8_t>(packed >> 8),
                              static_cast<uint8_t>(packed >> 16)};
    Queue(bytes, ShortMessageLength(bytes[0]));
  }
  void SendLong(std::span<const uint8_t> bytes, std::function<void()> done) override {
    Queue(bytes.data(), bytes.size());
    done();  // the queue holds a copy
  }
  void SetVolume(uint16_t, uint16_t) override { throw MidiDriverError(kMidiNotSupported); }

 private:
  // Engine side, under the engine lock: one producer at a time.
  void Queue(const uint8_t* bytes, size_t length) {
    JackClient& client = link_.Client();
    if (!client.Alive()) {
      throw MidiDriverError(kMidiError, "The JACK server has stopped: Korvel's output \"" +
                                            PortName() + "\" sends nothing until it runs again.");
    }
    const size_t need = sizeof(QueuedHeader) + length;
    if (need >= kQueueBytes) {
      throw MidiDriverError(kMidiError, "A system-exclusive message of " + std::to_string(length) +
                                            " bytes is too long for JACK.");
    }
    const int64_t now = MonotonicNanos();
    const QueuedHeader header{
        jack_time_to_frames(client.Handle(), JackTimeOf(IntendedTime::Nanos(now))),
        static_cast<uint32_t>(length)};
    // A full queue empties as the server cycles; only a server that stopped cycling loses the
    // message, and then the user reads why.
    jack_ringbuffer_t* ring = ring_.get();
    if (jack_ringbuffer_write_space(ring) < need &&
        !client.WaitWhileCycling([&] { return jack_ringbuffer_write_space(ring) >= need; })) {
      throw MidiDriverError(kMidiError, "Korvel's JACK output \"" + PortName() +
                                            "\" is full: the JACK server takes no messages, and "
                                            "one was lost.");
    }
    jack_ringbuffer_write(ring, reinterpret_cast<const char*>(&header), sizeof header);
    jack_ringbuffer_write(ring, reinterpret_cast<const char*>(bytes), length);
  }
  std::string PortName() const { return jack_port_short_name(link_.Port()); }

  // Process callback: writes every message meant before this cycle began at its offset one
  // period later; late ones at the earliest offset still free, never out of order.
  void Process(jack_nframes_t frames, jack_nframes_t cycleStart) override {
    jack_ringbuffer_t* ring = ring_.get();
    void* buffer = jack_port_get_buffer(link_.Port(), frames);
    jack_midi_clear_buffer(buffer);
    jack_nframes_t earliest = 0;
    for (;;) {
      const size_t available = jack_ringbuffer_read_space(ring);
      if (available < sizeof(QueuedHeader)) return;
      QueuedHeader header;
      jack_ringbuffer_peek(ring, reinterpret_cast<char*>(&header), sizeof header);
      if (available < sizeof header + header.Length) return;  // its bytes are on their way
      int64_t offset = int64_t{static_cast<int32_t>(header.Frame - cycleStart)} + int64_t{frames};
      // Sent after this cycle began: its place is in the next one. A frame further ahead can
      // only come from JACK's clock estimate jumping (a server that stalls): it goes out now.
      if (offset >= 2 * int64_t{frames}) offset = 0;
      if (offset >= int64_t{frames}) return;
      const auto at = std::max(earliest, static_cast<jack_nframes_t>(std::max<int64_t>(offset, 0)));
      // A message larger than a whole cycle's buffer goes in pieces, one per cycle.
      size_t size = header.Length - sent_;
      const size_t room = jack_midi_max_event_size(buffer);
      if (size > room) {
        if (jack_midi_get_event_count(buffer) > 0 || room == 0) return;
        size = room;
      }
      jack_midi_data_t* to = jack_midi_event_reserve(buffer, at, size);
      if (!to) return;  // the buffer is full: the rest waits for the next cycle
      PeekAt(ring, sizeof header + sent_, to, size);
      earliest = at;
      sent_ += size;
      if (sent_ < header.Length) return;
      jack_ringbuffer_read_advance(ring, sizeof header + header.Length);
      sent_ = 0;
    }
  }

  struct FreeRing {
    void operator()(jack_ringbuffer_t* ring) const { jack_ringbuffer_free(ring); }
  };
  static std::unique_ptr<jack_ringbuffer_t, FreeRing> NewRing() {
    std::unique_ptr<jack_ringbuffer_t, FreeRing> ring(jack_ringbuffer_create(kQueueBytes));
    if (!ring) throw MidiDriverError(kMidiNoMemory);
    jack_ringbuffer_mlock(ring.get());  // where permitted: no page fault in the process callback
    return ring;
  }

  std::unique_ptr<jack_ringbuffer_t, FreeRing> ring_;
  size_t sent_ = 0;    // process callback: bytes of the first message written in earlier cycles
  JackPortLink link_;  // last: the callback serves the port from its first cycle
};

class JackInConnection : public MidiInConnection, private JackPortUser {
 public:
  JackInConnection(std::shared_ptr<JackClient> client, const std::string& portName,
                   const std::string& source, MidiInputSink& sink)
      : sink_(sink), link_(std::move(client), *this, portName, JackPortIsInput) {
    if (!source.empty()) link_.Connect(source, false);
  }

  void Start() override {
    start_.store(MonotonicNanos());
    started_.store(true, std::memory_order_release);
  }

 private:
  // Process callback: what arrives in this cycle was played during the cycle before, at its
  // offset; it is stamped with that moment on the engine's clock.
  void Process(jack_nframes_t frames, jack_nframes_t cycleStart) override {
    void* buffer = jack_port_get_buffer(link_.Port(), frames);
    if (!started_.load(std::memory_order_acquire)) return;
    const uint32_t count = jack_midi_get_event_count(buffer);
    jack_client_t* client = link_.Client().Handle();
    for (uint32_t i = 0; i < count; ++i) {
      jack_midi_event_t event;
      if (jack_midi_event_get(&event, buffer, i) != 0 || event.size == 0) continue;
      const jack_nframes_t played = cycleStart + event.time - frames;
      const int64_t nanos = MonotonicOf(jack_frames_to_time(client, played)) - start_.load();
      const auto ms = static_cast<uint32_t>(std::max<int64_t>(nanos, 0) / 1'000'000);
      const uint8_t status = event.buffer[0];
      if (status == 0xF0 || status < 0x80) {  // system exclusive, or the rest of one
        sink_.LongMessage(ms, std::span<const uint8_t>(event.buffer, event.size));
        continue;
      }
      uint32_t packed = status;
      if (event.size > 1) packed |= uint32_t{event.buffer[1]} << 8;
      if (event.size > 2) packed |= uint32_t{event.buffer[2]} << 16;
      sink_.ShortMessage(ms, packed);
    }
  }

  MidiInputSink& sink_;
  std::atomic<int64_t> start_{0};
  std::atomic<bool> started_{false};
  JackPortLink link_;  // last: the callback may serve the port once it is made
};

// Throws when the graph has no port called `name` (any more).
void CheckPort(jack_client_t* client, const std::string& name) {
  if (!jack_port_by_name(client, name.c_str())) {
    throw MidiDriverError(kMidiBadDeviceId,
                          "The MIDI device \"" + name + "\" is no longer connected.");
  }
}

}  // namespace

JackMidiDriver::JackMidiDriver() {
  std::lock_guard lock(mutex_);
  Client();
}

JackMidiDriver::~JackMidiDriver() = default;

std::shared_ptr<JackClient> JackMidiDriver::Client() {
  if (client_ && client_->Alive()) return client_;
  client_ = JackClient::Open(problem_);
  if (client_) problem_.clear();
  return client_;
}

std::string JackMidiDriver::Problem() const {
  std::lock_guard lock(mutex_);
  return problem_;
}

std::vector<MidiDeviceCaps> JackMidiDriver::List(unsigned long flags, const char* virtualName) {
  std::lock_guard lock(mutex_);
  std::vector<MidiDeviceCaps> devices;
  const auto client = Client();
  if (!client) return devices;
  jack_client_t* handle = client->Handle();
  if (const char** names = jack_get_ports(handle, nullptr, JACK_DEFAULT_MIDI_TYPE, flags)) {
    for (const char** name = names; *name; ++name) {
      jack_port_t* port = jack_port_by_name(handle, *name);
      if (port && !jack_port_is_mine(handle, port)) devices.push_back({.ProductName = *name});
    }
    jack_free(names);
  }
  devices.push_back({.ProductName = virtualName});
  return devices;
}

std::vector<MidiDeviceCaps> JackMidiDriver::Outputs() {
  return List(JackPortIsInput, kVirtualOutputName);
}

std::vector<MidiDeviceCaps> JackMidiDriver::Inputs() {
  return List(JackPortIsOutput, kVirtualInputName);
}

std::unique_ptr<MidiOutConnection> JackMidiDriver::OpenOutput(unsigned, const std::string& name) {
  std::shared_ptr<JackClient> client;
  {
    std::lock_guard lock(mutex_);
    client = Client();
    if (!client) throw MidiDriverError(kMidiNoDriver, problem_);
  }
  // Korvel's ports read in a patchbay as the device lists name them.
  if (name == kVirtualOutputName)
    return std::make_unique<JackOutConnection>(client, "virtual out", "");
  CheckPort(client->Handle(), name);
  return std::make_unique<JackOutConnection>(client, "out to " + name, name);
}

std::unique_ptr<MidiInConnection> JackMidiDriver::OpenInput(unsigned, const std::string& name,
                                                            MidiInputSink& sink) {
  std::shared_ptr<JackClient> client;
  {
    std::lock_guard lock(mutex_);
    client = Client();
    if (!client) throw MidiDriverError(kMidiNoDriver, problem_);
  }
  if (name == kVirtualInputName) {
    return std::make_unique<JackInConnection>(client, "virtual in", "", sink);
  }
  CheckPort(client->Handle(), name);
  return std::make_unique<JackInConnection>(client, "in from " + name, name, sink);
}

}  // namespace korvel
