// "Minus One" and "Replace One": the two ways of playing along with the style on the selected
// live channel, and the "Active/Minus/Repl. Ch." choice of that channel. The two modes exclude
// each other. Every function here is called under the engine lock.
#pragma once

namespace korvel {

class Engine;

enum class MinusOneResult {
  On,                 // "Minus One" is checked, "Replace One" unchecked
  Off,                // "Minus One" is unchecked
  ReplaceOneInstead,  // refused: a song plays from elsewhere, "Replace One" is on instead
};

// Checking "Minus One" works only while the generator holds no song and the MIDI file player
// is not playing; otherwise "Replace One" takes its place. Unchecking lets the held-back style
// notes play again.
MinusOneResult SetMinusOne(Engine& engine, bool on, bool generatorHasSong, bool filePlayerPlaying);
// Checking "Replace One" unchecks "Minus One" and silences the selected channel: from now on
// the style's notes on it are dropped, note-offs included, so nothing of it may be left sounding.
void SetReplaceOne(Engine& engine, bool on);
// The "Active/Minus/Repl. Ch." group chose `channel` (0..15): the live channel change. With
// "Replace One" on, the newly chosen channel falls silent first, since its note-offs would be
// dropped from now on.
void ChoosePlayAlongChannel(Engine& engine, int channel);

}  // namespace korvel
