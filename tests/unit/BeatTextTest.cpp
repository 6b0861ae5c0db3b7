// What the song editor's grid writes for a beat's control and value.
#include "app/BeatText.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

TEST(BeatText, CommandsAndControlKeys) {
  ControlKeys keys;  // Fill in 36, To Ext. 37, Ending 38, To Basic 39, Intro 35
  const struct {
    uint8_t control, value;
    const char* text;
  } cases[] = {
      {kCommandMix, 0, "Play All"},
      {kCommandMix, 5, "Solo C.5"},
      {kCommandMix, 220, "Mute M."},
      {kCommandMix, 221, "Play M."},
      {kCommandMix, 233, "Mute C.5"},
      {kCommandMix, 250, "Play C.5"},
      {kCommandMix, 238, ""},  // no channel 17: nothing plays it, nothing shows it
      {kCommandMix, 255, "Mute All"},
      {kCommandTranspose, 0, "0 Up/Down"},
      {kCommandTranspose, 3, "3 Up"},
      {kCommandTranspose, 253, "3 Down"},
      {kCommandRepeat, 0, "LoopEnd"},
      {kCommandRepeat, 110, "Loop 10x"},
      {kCommandTempo, 120, "Tempo 120"},
      {kCommandEnd, 0, "STOP"},
      {36, kControlKeyCode, "Fill In"},
      {37, kControlKeyCode, "To Ext."},
      {38, kControlKeyCode, "Ending"},
      {39, kControlKeyCode, "To Basic"},
      {35, kControlKeyCode, "Intro"},
      {36, 0, ""},
      {0, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.control) + "/" + std::to_string(c.value));
    EXPECT_EQ(FunctionText({0, 0, c.control, c.value}, keys), c.text);
  }
  // Keys on one note: the later in the order Fill In, To Basic, Ending, To Ext., Intro names it.
  keys.ToAdvKey = keys.FillInKey;
  EXPECT_EQ(FunctionText({0, 0, 36, kControlKeyCode}, keys), "To Ext.");
}

}  // namespace
}  // namespace korvel
