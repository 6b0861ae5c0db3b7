// Random performances on every fixture style: whatever a musician does (chords, control keys,
// keys played and released on the MIDI keyboard while Accompaniment, Play Chords and Melody Ad
// Lib are switched, chord pads pressed and chord codes received), every message sent is valid MIDI,
// notes never pile up, and once the keys are let go, after every Stop no note is left sounding on
// any channel, even on a sound module that ignores all-notes-off: every note-on meets its own
// note-off.
#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <set>

#include "support/FixtureStyles.h"
#include "support/PlayerRig.h"
#include "support/ShippedStyles.h"
#include "support/SongRig.h"

namespace korvel {
namespace {

// Follows the output as a sound module would: which notes sound on which channel.
class SoundingNotes {
 public:
  // Takes what the driver received since it was last emptied, and empties it; returns a
  // problem, or nothing.
  std::string Follow(RecordingDriver& driver) {
    const auto sent = driver.Sent();
    driver.ClearSent();
    followed_ += sent.size();
    for (const auto& message : sent) {
      const auto& b = message.Bytes;
      if (b.empty()) return "an empty message";
      if (b[0] >= 0xF8) {
        if (b.size() != 1) return "a real-time message with data";
        continue;
      }
      if (b[0] < 0x80 || b[0] >= 0xF0) return "status " + std::to_string(b[0]);
      if (b.size() != ShortMessageLength(b[0])) return "wrong length for " + std::to_string(b[0]);
      for (size_t i = 1; i < b.size(); ++i) {
        if (b[i] > 127) return "data byte " + std::to_string(b[i]);
      }
      const int channel = b[0] & 0x0F;
      const int h = b[0] & 0xF0;
      if (h == 0x90 && b[2] > 0) sounding_.insert({channel, b[1]});
      if (h == 0x80 || (h == 0x90 && b[2] == 0)) sounding_.erase({channel, b[1]});
      // Drum sounds end by themselves; many modules ignore their note-offs and all-notes-off.
      if (channel == kDrumChannel) sounding_.erase({channel, b[1]});
    }
    return {};
  }
  size_t Count() const { return sounding_.size(); }
  size_t Followed() const { return followed_; }
  std::string Sounding() const {
    std::string text;
    for (auto [channel, note] : sounding_) {
      text += " ch" + std::to_string(channel + 1) + ":" + std::to_string(note);
    }
    return text;
  }

 private:
  size_t followed_ = 0;
  std::set<std::pair<int, int>> sounding_;
};

std::map<std::string, std::vector<uint8_t>> StylesToPlay() {
  std::map<std::string, std::vector<uint8_t>> styles;
  for (auto& [name, fixture] : test::FixtureStyles())
    styles["fixture " + name] = fixture.FileBytes();
  for (auto& [name, compiled] : test::ShippedStyles()) {
    const auto& c = compiled.Contents;
    styles["shipped " + name] = SerializeStyleFile(c.Channels, c.Parts, c.Material);
  }
  return styles;
}

TEST(StylePlayerProperty, NoNoteIsLeftSoundingAfterAStop) {
  for (const auto& [name, bytes] : StylesToPlay()) {
    test::PlayerRig rig;
    rig.Load(bytes);
    SoundingNotes module;
    std::mt19937 random(20261210);
    auto pick = [&random](int low, int high) {
      return std::uniform_int_distribution<int>(low, high)(random);
    };
    const int keys[] = {rig.keys.FillInKey, rig.keys.ToAdvKey, rig.keys.EndingKey,
                        rig.keys.ToBasicKey, rig.keys.IntroKey()};
    std::set<int> held;  // keys the musician holds on the MIDI keyboard
    auto key = [&rig, &held](int note, bool down) {
      rig.engine.Input.Route({.MidiMessage = static_cast<uint8_t>(down ? 0x90 : 0x80),
                              .Data1 = static_cast<uint8_t>(note),
                              .Data2 = static_cast<uint8_t>(down ? 90 : 0)});
      if (down) {
        held.insert(note);
      } else {
        held.erase(note);
      }
    };
    bool padHeld = false;  // a chord pad held with the mouse
    rig.engine.Codes.SetReceiving(true);
    int stops = 0;
    for (int step = 0; step < 6000; ++step) {
      const int action = pick(0, 123);
      if (action >= 120) {
        if (action == 120 && !padHeld) {
          padHeld = rig.engine.Pads.PadDown(PadName(pick(0, 11), pick(0, 11)), pick(0, 3) == 0);
        } else if (action == 121 && padHeld) {
          rig.engine.Pads.PadUp();
          padHeld = false;
        } else {
          // A chord code, an Ad Lib switch or a value that is none, from another device.
          rig.engine.Codes.Receive(0, pick(19, 20), pick(0, 127));
        }
      } else if (action >= 100) {
        if (action < 106) {
          const int note = pick(30, 90);  // a key that is not already down
          if (held.size() < 6 && held.count(note) == 0) key(note, true);
        } else if (action < 112) {
          if (!held.empty()) key(*std::next(held.begin(), pick(0, int(held.size()) - 1)), false);
        } else if (action < 114) {
          rig.engine.SetAccompaniment(!rig.engine.Input.Chords);
        } else if (action < 116) {
          rig.engine.Chords.SetPlayChords(!rig.transport.PlayChordsMode);
        } else if (action < 118) {
          rig.engine.Input.KeyFunction(1975);  // Melody Ad Lib on or off
        } else {
          rig.transport.ToggleClock();  // Play Chords keys act while the clock is off
        }
      } else if (action < 45) {
        rig.Ticks(pick(1, 40));
      } else if (action < 60) {
        rig.Chord(pick(36, 60), pick(1, 17));
      } else if (action < 72) {
        rig.Key(keys[pick(0, 4)]);
      } else if (action < 78) {
        if (!rig.player.Playing) rig.player.StartStyle(pick(0, 7));
      } else if (action < 84) {
        while (!held.empty()) key(*held.begin(), false);
        if (padHeld) rig.engine.Pads.PadUp();
        padHeld = false;
        rig.transport.StopCommand();
        ++stops;
        ASSERT_EQ(module.Follow(rig.driver), "") << name << " step " << step;
        ASSERT_EQ(module.Sounding(), "") << name << " step " << step << ": sounding after Stop";
      } else if (action < 87) {
        rig.notes.MasterTranspose = static_cast<int8_t>(pick(-24, 24));
      } else if (action < 89) {
        rig.notes.SoloChannel = static_cast<int16_t>(pick(0, 4) == 0 ? pick(1, 16) : 0);
      } else if (action < 91) {
        rig.transport.TempoEdit1Change(pick(20, 260));
      } else if (action < 93) {
        rig.transport.Metronome = !rig.transport.Metronome;
      } else if (action < 95) {
        rig.player.ToggleAdjustOctave();
      } else if (action < 97) {
        rig.transport.SetQuantize(pick(0, 9));
      } else if (action < 98) {
        rig.player.PlayEnding = !rig.player.PlayEnding;
      } else {
        rig.transport.ToggleClock();  // off and on again, each a reset
        rig.transport.ToggleClock();
      }
      ASSERT_EQ(module.Follow(rig.driver), "") << name << " step " << step;
      // No style holds more than a couple of dozen notes at once.
      ASSERT_LE(module.Count(), 24u) << name << " step " << step << ":" << module.Sounding();
    }
    while (!held.empty()) key(*held.begin(), false);
    if (padHeld) rig.engine.Pads.PadUp();
    rig.transport.StopCommand();
    EXPECT_EQ(module.Follow(rig.driver), "") << name;
    EXPECT_EQ(module.Sounding(), "") << name << ": sounding at the end";
    EXPECT_GT(stops, 100) << name;
    EXPECT_GT(module.Followed(), 10000u) << name << ": the style played";
  }
}

// A song of random chords, keys and song commands, and random things done with it: playing,
// pausing, recording over it, jumping by loops, repeats and start measures.
TEST(StylePlayerProperty, NoNoteIsLeftSoundingWhenASongStops) {
  for (const auto& [name, bytes] : StylesToPlay()) {
    test::SongRig rig;
    rig.PlayerRig::Load(bytes);
    SoundingNotes module;
    std::mt19937 random(20261211);
    auto pick = [&random](int low, int high) {
      return std::uniform_int_distribution<int>(low, high)(random);
    };
    const int keys[] = {rig.keys.FillInKey, rig.keys.ToAdvKey, rig.keys.EndingKey,
                        rig.keys.ToBasicKey, rig.keys.IntroKey()};
    auto randomSong = [&] {
      const int measures = pick(2, 12);
      std::vector<uint8_t> song(static_cast<size_t>(4 + 16 * (measures + 1)));
      for (int pos = 4; pos < 4 + 16 * measures; pos += 4) {
        auto* entry = &song[static_cast<size_t>(pos)];
        const int what = pick(0, 99);
        if (what < 35) {
          entry[0] = static_cast<uint8_t>(pick(36, 60));
          entry[1] = static_cast<uint8_t>(pick(0, 19));  // a few damaged types too
        }
        if (what >= 35 && what < 42) {
          entry[2] = static_cast<uint8_t>(keys[pick(0, 4)]);
          entry[3] = 12;
        } else if (what >= 42 && what < 46) {
          entry[2] = kCommandRepeat;
          entry[3] = static_cast<uint8_t>(pick(0, 1) ? pick(101, 103) : 0);
        } else if (what >= 46 && what < 50) {
          entry[2] = static_cast<uint8_t>(pick(kCommandMix, kCommandEnd));
          entry[3] = static_cast<uint8_t>(pick(0, 255));
        }
      }
      song[static_cast<size_t>(4 + 16 * measures + 2)] = kCommandEnd;
      rig.song.LoadSong(song.data(), song.size());
    };
    int stops = 0;
    for (int step = 0; step < 3000; ++step) {
      const int action = pick(0, 99);
      if (action < 45) {
        rig.Ticks(pick(1, 60));
      } else if (action < 55) {
        rig.Chord(pick(36, 60), pick(1, 17));
      } else if (action < 60) {
        rig.Key(keys[pick(0, 4)]);
      } else if (action < 68) {
        const bool wasRunning = rig.song.Running();
        rig.song.Play();
        if (wasRunning && rig.song.Paused()) {
          ASSERT_EQ(module.Follow(rig.driver), "") << name << " step " << step;
          ASSERT_EQ(module.Sounding(), "") << name << " step " << step << ": sounding in pause";
        }
      } else if (action < 72) {
        rig.dialogs.Answers = {pick(0, 1) == 1};
        rig.song.Record();
      } else if (action < 78) {
        rig.song.Stop();
        ++stops;
        ASSERT_EQ(module.Follow(rig.driver), "") << name << " step " << step;
        ASSERT_EQ(module.Sounding(), "") << name << " step " << step << ": sounding after Stop";
      } else if (action < 82) {
        if (!rig.song.Running()) randomSong();
      } else if (action < 86) {
        rig.song.LoopOn = !rig.song.LoopOn;
        rig.song.SetFirstMeasure(pick(1, 4));
        rig.song.SetLastMeasure(pick(1, 6));
      } else if (action < 90) {
        rig.song.SetStartMeasure(pick(-2, 5));
      } else if (action < 93) {
        rig.song.Overwrite = !rig.song.Overwrite;
      } else if (action < 96) {
        rig.song.IgnoreLoops = !rig.song.IgnoreLoops;
      } else {
        rig.song.LeadIn = static_cast<LeadInMute>(pick(0, 4));
      }
      ASSERT_EQ(module.Follow(rig.driver), "") << name << " step " << step;
      ASSERT_LE(module.Count(), 24u) << name << " step " << step << ":" << module.Sounding();
    }
    rig.song.Stop();
    EXPECT_EQ(module.Follow(rig.driver), "") << name;
    EXPECT_EQ(module.Sounding(), "") << name << ": sounding at the end";
    EXPECT_GT(stops, 50) << name;
    EXPECT_GT(module.Followed(), 5000u) << name << ": the songs played";
  }
}

}  // namespace
}  // namespace korvel
