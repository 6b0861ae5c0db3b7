// Songs for tests: chord blocks written beat by beat, and the engine with a song on the
// stepped clock.
#pragma once

#include <string>
#include <vector>

#include "app/SongTimeline.h"
#include "support/PlayerRig.h"

namespace korvel::test {

// A chord block of `measures` whole measures; its length is the song's end.
struct SongBytes {
  int Ms;
  std::vector<uint8_t> Bytes;
  explicit SongBytes(int measures, int ms = 16)
      : Ms(ms), Bytes(static_cast<size_t>(kFirstBeatPos + measures * ms)) {}
  SongBytes& At(int measure, int beat, ChordEntry entry) {
    const auto pos = static_cast<size_t>(MeasureStart(measure, Ms) + (beat - 1) * 4);
    Bytes[pos] = entry.Root;
    Bytes[pos + 1] = entry.Type;
    Bytes[pos + 2] = entry.Control;
    Bytes[pos + 3] = entry.Value;
    return *this;
  }
  SongBytes& End(int measure) { return At(measure, 1, {0, 0, kCommandEnd, 0}); }
  std::string Timeline(SongTimelineSettings settings = {}) const {
    settings.MeasureSixteenths = Ms;
    return SongTimeline(Bytes, settings);
  }
};

// The engine with a song loaded, playing on the stepped clock.
struct SongRig : PlayerRig {
  SongTransport& song = engine.Song;
  std::vector<SongBeat> beats;
  SongRig() {
    song.Hooks.BeatPlayed = [this](const SongBeat& beat) { beats.push_back(beat); };
  }
  void Load(const SongBytes& bytes) { song.LoadSong(bytes.Bytes.data(), bytes.Bytes.size()); }
  // Ticks until `count` more beats have started.
  void Beats(int count) { Ticks(count * 24); }
  // A chord played on the keyboard, through the chord setter.
  void Play(int root, int type) { engine.Chords.SetChord(root, type, 0); }
  ChordEntry Entry(int pos) const { return song.Memory.Entry(pos); }
  // The song as it stands, played back beat by beat.
  std::string Timeline(SongTimelineSettings settings = {}) const {
    settings.MeasureSixteenths = transport.MeasureSixteenths;
    const auto& bytes = song.Memory.Bytes;
    return SongTimeline(std::vector<uint8_t>(bytes.begin(), bytes.begin() + song.SongEnd),
                        settings);
  }
};

}  // namespace korvel::test
