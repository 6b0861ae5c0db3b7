#include "app/FilePlay.h"

#include <cmath>

#include "platform/AtomicFile.h"
#include "platform/RecordingDriver.h"
#include "stylegen/MidiFileWriter.h"

namespace korvel {

bool StartFilePlay(MidiFilePlayer& player, const FilePlayRequest& request) {
  player.AutoStart = false;
  if (!player.Open(request.File)) return false;
  player.Repeat = true;
  if (request.Tempo > 0) player.SetTempo(request.Tempo);
  player.Play();
  if (request.LoopFrom >= 0 && !player.SetLoop(request.LoopFrom, request.LoopTo)) {
    player.Stop();
    return false;
  }
  return true;
}

bool FilePlayDone(const MidiFilePlayer& player, const FilePlayRequest& request) {
  return !player.Playing() || player.Passes() >= request.Passes;
}

namespace {

// Steps the player block by block until it is done; `afterBlock` gets the frames played.
template <typename AfterBlock>
void RunFilePlay(MidiFilePlayer& player, const FilePlayRequest& request, AfterBlock afterBlock) {
  while (!FilePlayDone(player, request)) {
    player.Advance(kFileBlockFrames);
    afterBlock(player.Frames());
  }
  player.Stop();
}

}  // namespace

RenderResult FilePlayToMidiFile(const FilePlayRequest& request, const std::string& path,
                                Dialogs& dialogs) {
  RecordingDriver recorder({"Korvel render"}, {});
  MidiDevices devices(recorder, nullptr);
  ChannelState channels;
  InputCallbackSettings input(channels);
  MidiPorts ports(devices, input, dialogs, InputDispatch::Manual);
  MidiFilePlayer player(ports, devices, dialogs);
  player.SelectOutput(0);
  if (!player.Output()) return {};
  // The clock of a message: its time in the song at the tempo played, 24 clocks a beat.
  recorder.SetTickSource([&player] {
    const double beats =
        static_cast<double>(player.Frames()) / kFileSampleRate * player.Tempo() / 60.0;
    return static_cast<int64_t>(std::llround(beats * 24));
  });
  if (!StartFilePlay(player, request)) return {};
  RunFilePlay(player, request, [](int64_t) {});
  std::vector<TimedMessage> messages;
  int64_t clocks = 0;
  for (auto& sent : recorder.Sent()) {
    messages.push_back({sent.Tick, sent.Bytes});
    clocks = sent.Tick;
  }
  WriteFileAtomically(path, StandardMidiFile(messages, player.Tempo()));
  return {true, clocks};
}

RenderResult FilePlayToWav(const FilePlayRequest& request, const SynthSettings& synthSettings,
                           Dialogs& dialogs) {
  RecordingDriver none({}, {});
  FluidSynthDriver synth(synthSettings);
  MidiDevices devices(none, &synth);
  ChannelState channels;
  InputCallbackSettings input(channels);
  MidiPorts ports(devices, input, dialogs, InputDispatch::Manual);
  MidiFilePlayer player(ports, devices, dialogs);
  // The built-in synthesizer is the mapper entry, second to last in the list.
  player.SelectOutput(static_cast<int>(ports.OutputList().size()) - 2);
  if (!player.Output() || !StartFilePlay(player, request)) return {};
  const int64_t rate = synth.SampleRate();
  int64_t rendered = 0;
  RunFilePlay(player, request, [&](int64_t frames) {
    const int64_t due = frames * rate / kFileSampleRate;
    synth.RenderFrames(due - rendered);
    rendered = due;
  });
  synth.RenderFrames(2 * rate);  // the last notes ring out
  return {true, player.Frames() * 24 * player.Tempo() / 60 / kFileSampleRate};
}

}  // namespace korvel
