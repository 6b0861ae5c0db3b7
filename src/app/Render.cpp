#include "app/Render.h"

#include <algorithm>
#include <cctype>
#include <mutex>
#include <stdexcept>

#include "platform/AtomicFile.h"
#include "platform/RecordingDriver.h"
#include "stylegen/MidiFileWriter.h"

namespace korvel {

bool EndsWithNoCase(const std::string& text, const std::string& end) {
  if (text.size() < end.size()) return false;
  return std::equal(end.begin(), end.end(), text.end() - static_cast<ptrdiff_t>(end.size()),
                    [](char a, char b) {
                      return std::tolower(static_cast<unsigned char>(a)) ==
                             std::tolower(static_cast<unsigned char>(b));
                    });
}

bool PreparePerformance(Engine& engine, int outIndex, const PerformanceRequest& request,
                        ProgressionPlayer& performance) {
  MidiPorts& ports = engine.Ports;
  Transport& transport = engine.Transport;
  ports.ComboBox5 = static_cast<int>(ports.OutputList().size()) - 1;
  ports.ComboBox1 = outIndex;
  ports.ComboBox1Change();
  if (!ports.MidiOutput1.IsOpen()) return false;
  if (transport.ClockState != 0) transport.ToggleClock();  // choosing an output switched it on
  transport.TempoDetection = request.Tempo == 0;
  engine.Style.StyleFileName = request.Style;
  engine.BeforeTick = [&performance] { performance.BeforeTick(); };
  engine.Loader.LoadStyle(false);  // switches the clock on
  if (!engine.Style.StyleLoaded || engine.Style.Parts.Part(kBasic).Empty()) return false;
  if (request.Tempo != 0) transport.TempoEdit1Change(request.Tempo);
  return transport.ClockState != 0;
}

namespace {

// Steps the clock until the performance ends; `afterTick` renders what the tick sent.
template <typename AfterTick>
int64_t RunOffline(Engine& engine, ProgressionPlayer& performance, AfterTick afterTick) {
  int64_t clocks = 0;
  while (!performance.Finished() && engine.Step()) afterTick(clocks++);
  return clocks;
}

}  // namespace

RenderResult RenderToMidiFile(const PerformanceRequest& request, const std::string& path,
                              Dialogs& dialogs, View& view) {
  RecordingDriver recorder({"Korvel render"}, {});
  MidiDevices devices(recorder, nullptr);
  ChannelState channels;
  InputCallbackSettings input(channels);
  Engine engine(devices, input, dialogs, view, Timing::Stepped, InputDispatch::Manual);
  ProgressionPlayer performance(engine, ParseProgression(request.Chords), request.StartPart);
  int64_t clock = 0;
  recorder.SetTickSource([&clock] { return clock; });
  {
    std::lock_guard lock(engine.Lock);
    if (!PreparePerformance(engine, 0, request, performance)) return {};
  }
  const int64_t clocks =
      RunOffline(engine, performance, [&clock](int64_t tick) { clock = tick + 1; });
  std::vector<TimedMessage> messages;
  for (auto& sent : recorder.Sent()) messages.push_back({sent.Tick, sent.Bytes});
  WriteFileAtomically(path, StandardMidiFile(messages, engine.Transport.Tempo));
  return {true, clocks};
}

RenderResult RenderToWav(const PerformanceRequest& request, const SynthSettings& synthSettings,
                         Dialogs& dialogs, View& view) {
  RecordingDriver none({}, {});
  FluidSynthDriver synth(synthSettings);
  MidiDevices devices(none, &synth);
  ChannelState channels;
  InputCallbackSettings input(channels);
  int64_t clocks = 0;
  {
    Engine engine(devices, input, dialogs, view, Timing::Stepped, InputDispatch::Manual);
    ProgressionPlayer performance(engine, ParseProgression(request.Chords), request.StartPart);
    {
      std::lock_guard lock(engine.Lock);
      // The built-in synthesizer is the mapper entry, second to last in the list.
      const int mapper = static_cast<int>(engine.Ports.OutputList().size()) - 2;
      if (!PreparePerformance(engine, mapper, request, performance)) return {};
    }
    // Clock n ends at n x rate x 60 / (tempo x 24) samples, computed whole so nothing drifts.
    const int64_t rate = synth.SampleRate();
    const int64_t tempo = std::max(engine.Transport.Tempo, 1);
    int64_t rendered = 0;
    clocks = RunOffline(engine, performance, [&](int64_t tick) {
      const int64_t due = (tick + 1) * rate * 60 / (tempo * 24);
      synth.RenderFrames(due - rendered);
      rendered = due;
    });
    synth.RenderFrames(2 * rate);  // the last notes ring out
  }
  return {true, clocks};
}

}  // namespace korvel
