#include "app/SongTimeline.h"

#include <algorithm>
#include <mutex>

#include "app/Engine.h"
#include "app/HeadlessUi.h"
#include "platform/RecordingDriver.h"

namespace korvel {

std::string SongBeatLine(int count, const SongBeat& beat, int measureSixteenths) {
  std::string line =
      "beat " + std::to_string(count) + " " + PositionText(beat.Pos, measureSixteenths);
  switch (beat.Jump) {
    case SongJump::Start:
      line += " jump start";
      break;
    case SongJump::Repeat:
      line += " jump repeat";
      break;
    case SongJump::Loop:
      line += " jump loop";
      break;
    case SongJump::None:
      break;
  }
  if (beat.KeyNote != 0) {
    line += " key " + std::to_string(beat.KeyNote) + " " + std::to_string(beat.KeyValue);
  }
  if (beat.Tempo != 0) line += " tempo " + std::to_string(beat.Tempo);
  if (beat.ChordRoot != 0) {
    line += " chord " + std::to_string(beat.ChordRoot) + " " + std::to_string(beat.ChordType);
  }
  return line;
}

std::string SongTimeline(const std::vector<uint8_t>& chordBlock,
                         const SongTimelineSettings& settings) {
  RecordingDriver silent({"Silent"}, {});
  MidiDevices devices(silent, nullptr);
  ChannelState channels;
  InputCallbackSettings input(channels);
  TextDialogs dialogs(nullptr);
  NoView view;
  Engine engine(devices, input, dialogs, view, Timing::Stepped, InputDispatch::Manual);
  SongTransport& song = engine.Song;
  std::string text;
  int beats = 0;
  const int ms = std::clamp(settings.MeasureSixteenths / 4 * 4, 4, 24);
  {
    std::lock_guard lock(engine.Lock);
    engine.Ports.ComboBox1 = 0;
    engine.Ports.ComboBox1Change();  // the silent output; the clock comes on with it
    engine.Transport.MeasureSixteenths = static_cast<int16_t>(ms);
    song.LoadSong(chordBlock.data(), chordBlock.size());
    if (song.Empty()) return "empty\n";
    song.SetFirstMeasure(settings.FirstMeasure);
    song.SetLastMeasure(settings.FirstMeasure);
    if (settings.LoopFirst > 0) {
      song.SetFirstMeasure(settings.LoopFirst);
      song.SetLastMeasure(settings.LoopLast);
      song.LoopOn = true;
    }
    song.SetStartMeasure(settings.StartMeasure);
    song.Hooks.BeatPlayed = [&](const SongBeat& beat) {
      text += SongBeatLine(++beats, beat, ms) + "\n";
    };
    song.Play();
  }
  // However the song behaves, the clock gives up well after the last beat it may play.
  const int64_t mostTicks = (int64_t{settings.Beats} + 4) * 24 + 10000;
  for (int64_t tick = 0; tick < mostTicks && song.Running() && beats < settings.Beats; ++tick) {
    engine.Step();
  }
  std::lock_guard lock(engine.Lock);
  if (song.Running()) {
    song.Stop();
    return text + "stop beat-limit\n";
  }
  switch (song.LastStop) {
    case SongStop::EndMark:
      return text + "stop end-mark\n";
    case SongStop::Ending:
      return text + "stop ending\n";
    case SongStop::MemoryFull:
      return text + "stop memory-full\n";
    case SongStop::Command:
    case SongStop::None:
      break;
  }
  return text + "stop command\n";
}

}  // namespace korvel
