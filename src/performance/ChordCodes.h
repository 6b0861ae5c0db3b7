// Chord codes: each chord as one controller message (controller 20 for types 1..10, 19 for
// 11..17, value = 12 x type offset + root pitch class), sent when a chord is voiced and announced
// ahead of the beat, and received from the external application's input, where values 120 and
// 121 switch Melody Ad Lib.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "performance/ChordRecognition.h"
#include "performance/LiveInput.h"
#include "platform/View.h"

namespace korvel {

struct ChordCode {
  uint8_t Controller = 0;
  uint8_t Value = 0;
};
// Nothing for a type outside 1..17.
std::optional<ChordCode> EncodeChordCode(int root, int type);

enum class ChordCodeKind { Chord, AdLibOff, AdLibOn, Refresh, Invalid };
struct DecodedChordCode {
  ChordCodeKind Kind = ChordCodeKind::Invalid;
  int PitchClass = 0;
  int Type = 0;
};
// Controller 19 values 84..119 would be types 18..20, which do not exist: invalid.
DecodedChordCode DecodeChordCode(int controller, int value);

// A chord the song will play at the coming beat, as the song stores it.
struct ComingChord {
  int Root = 0;
  int Type = 0;
  int Transpose = 0;
};

class ChordCodes {
 public:
  ChordCodes(ChordRecognition& chords, LiveInput& input, ChordValue& chord, LiveSettings& live,
             MidiPorts& ports, Transport& transport, View& view);

  // The song's chord of the coming beat while it plays; set by the song's owner.
  std::function<std::optional<ComingChord>()> SongChordAhead;
  // The style generator plays a loaded style: received chords are not taken.
  std::function<bool()> GeneratorPlaysStyle;
  // Melody Ad Lib was switched by a received code: the controls follow, the channel's
  // settings go out again.
  std::function<void(bool on)> AdLibSwitched;

  // The style player voices a chord: its code goes out unless it was announced for this beat.
  void ChordVoiced(int root, int type);
  // The chord-code clock of every beat: the coming chord is announced.
  void Announce();
  // A controller 19 or 20 from the external application; false when receiving is off (the
  // message is then an ordinary controller).
  bool Receive(int channel, int controller, int value);
  // " Melody Ad Lib" switched here: a receiver of the codes follows (121 on, 120 off).
  void SendAdLib(bool on);
  // The transport starts or stops: nothing is announced and nothing was sent.
  void Reset();
  // " Send Chord Codes" and "Receive Chord Codes"; switching either off restores the title.
  void SetSending(bool on);
  void SetReceiving(bool on);

 private:
  void Send(int root, int type);

  ChordRecognition& chords_;
  LiveInput& input_;
  ChordValue& chord_;
  LiveSettings& live_;
  MidiPorts& ports_;
  Transport& transport_;
  View& view_;
  int lastPitchClass_ = -1;  // the last code sent
  int lastType_ = 0;
  bool announced_ = false;  // the code of the coming beat went out ahead
};

}  // namespace korvel
