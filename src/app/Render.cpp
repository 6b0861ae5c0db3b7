#include "app/Render.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <mutex>
#include <stdexcept>

#include "app/Songs.h"
#include "platform/AtomicFile.h"
#include "platform/RecordingDriver.h"
#include "stylegen/MidiFileWriter.h"

namespace korvel {

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

OfflineStart ProgressionStart(const PerformanceRequest& request) {
  return [request](Engine& engine, int outIndex) -> std::function<bool()> {
    auto performance = std::make_shared<ProgressionPlayer>(engine, ParseProgression(request.Chords),
                                                           request.StartPart);
    if (!PreparePerformance(engine, outIndex, request, *performance)) return {};
    return [performance] { return performance->Finished(); };
  };
}

OfflineStart SongStart(const SongRequest& request, Dialogs& dialogs, View& view) {
  return [request, &dialogs, &view](Engine& engine, int outIndex) -> std::function<bool()> {
    Arrangement song;
    try {
      song = LoadArrangementFile(request.Song);
    } catch (const ArrangementError& error) {
      dialogs.InformUser(request.Song + ": " + error.what());
      return {};
    }
    return ArrangementStart(song, request, dialogs, view)(engine, outIndex);
  };
}

OfflineStart ArrangementStart(const Arrangement& song, const SongRequest& request, Dialogs& dialogs,
                              View& view) {
  return [song, request, &dialogs, &view](Engine& engine, int outIndex) -> std::function<bool()> {
    MidiPorts& ports = engine.Ports;
    ports.ComboBox5 = static_cast<int>(ports.OutputList().size()) - 1;
    ports.ComboBox1 = outIndex;
    ports.ComboBox1Change();
    if (!ports.MidiOutput1.IsOpen()) return {};
    auto songs = std::make_shared<Songs>(engine, dialogs, view);
    songs->StyleFolder = request.StyleFolder;
    songs->Autoload = request.Style.empty();
    songs->FileName = request.Song;
    songs->Apply(song);
    if (!request.Style.empty()) {
      engine.Style.StyleFileName = request.Style;
      engine.Loader.LoadStyle(false);
    }
    const bool playable = engine.Style.SongLoaded ||
                          (engine.Style.StyleLoaded && !engine.Style.Parts.Part(kBasic).Empty());
    if (!playable) {
      dialogs.InformUser(request.Song + ": no style to play the song with");
      return {};
    }
    if (request.Tempo != 0) engine.Transport.TempoEdit1Change(request.Tempo);
    engine.Song.Play();
    if (!engine.Song.Running()) return {};
    return [&engine, songs] { return !engine.Song.Running(); };
  };
}

namespace {

// Starts `start` on the render engine. The lead-in that lets a sequencer take the Start message
// first has no one to wait for here: the first measure starts on the first tick, so the file's
// bar lines are the arrangement's.
std::function<bool()> StartOffline(Engine& engine, const OfflineStart& start, int outIndex) {
  std::lock_guard lock(engine.Lock);
  std::function<bool()> finished = start(engine, outIndex);
  if (finished && engine.Transport.StartDelay < kWaitForExternalStart) {
    engine.Transport.StartDelay = 0;
  }
  return finished;
}

// Steps the clock until the performance ends; `afterTick` renders what the tick sent.
template <typename AfterTick>
int64_t RunOffline(Engine& engine, const std::function<bool()>& finished, AfterTick afterTick) {
  int64_t clocks = 0;
  while (!finished() && engine.Step()) afterTick(clocks++);
  return clocks;
}

}  // namespace

RenderResult RenderToMidiFile(const OfflineStart& start, const std::string& path, Dialogs& dialogs,
                              View& view, bool styleMetre) {
  RecordingDriver recorder({"Korvel render"}, {});
  MidiDevices devices(recorder, nullptr);
  ChannelState channels;
  InputCallbackSettings input(channels);
  Engine engine(devices, input, dialogs, view, Timing::Stepped, InputDispatch::Manual);
  int64_t clock = 0;
  recorder.SetTickSource([&clock] { return clock; });
  const std::function<bool()> finished = StartOffline(engine, start, 0);
  if (!finished) return {};
  const int64_t clocks = RunOffline(engine, finished, [&clock](int64_t tick) { clock = tick + 1; });
  std::vector<TimedMessage> messages;
  for (auto& sent : recorder.Sent()) messages.push_back({sent.Tick, sent.Bytes});
  const int metre =
      styleMetre && engine.Style.StyleLoaded ? engine.Style.Channels.MeasureLength() : 0;
  WriteFileAtomically(path, StandardMidiFile(messages, engine.Transport.Tempo, metre));
  return {true, clocks};
}

RenderResult RenderToWav(const OfflineStart& start, const SynthSettings& synthSettings,
                         Dialogs& dialogs, View& view) {
  RecordingDriver none({}, {});
  FluidSynthDriver synth(synthSettings);
  MidiDevices devices(none, &synth);
  ChannelState channels;
  InputCallbackSettings input(channels);
  int64_t clocks = 0;
  {
    Engine engine(devices, input, dialogs, view, Timing::Stepped, InputDispatch::Manual);
    // The built-in synthesizer is the mapper entry, second to last in the list.
    const int mapper = [&engine] {
      std::lock_guard lock(engine.Lock);
      return static_cast<int>(engine.Ports.OutputList().size()) - 2;
    }();
    const std::function<bool()> finished = StartOffline(engine, start, mapper);
    if (!finished) return {};
    // Clock n ends at n x rate x 60 / (tempo x 24) samples, computed whole so nothing drifts.
    const int64_t rate = synth.SampleRate();
    const int64_t tempo = std::max(engine.Transport.Tempo, 1);
    int64_t rendered = 0;
    clocks = RunOffline(engine, finished, [&](int64_t tick) {
      const int64_t due = (tick + 1) * rate * 60 / (tempo * 24);
      synth.RenderFrames(due - rendered);
      rendered = due;
    });
    synth.RenderFrames(2 * rate);  // the last notes ring out
  }
  return {true, clocks};
}

RenderResult RenderToMidiFile(const PerformanceRequest& request, const std::string& path,
                              Dialogs& dialogs, View& view) {
  return RenderToMidiFile(ProgressionStart(request), path, dialogs, view);
}

RenderResult RenderToWav(const PerformanceRequest& request, const SynthSettings& synth,
                         Dialogs& dialogs, View& view) {
  return RenderToWav(ProgressionStart(request), synth, dialogs, view);
}

}  // namespace korvel
