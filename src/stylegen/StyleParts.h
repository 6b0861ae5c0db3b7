// Setting, modifying and clearing the eight style parts of the generated style from the
// generator's LoopStart, LoopEnd and beat fields, with the transitions and fills a main part
// brings along while they still follow it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/PerformanceState.h"
#include "engine/Style.h"
#include "engine/StylePlayer.h"
#include "engine/Transport.h"
#include "platform/Dialogs.h"
#include "stylegen/StyleGenerator.h"

namespace korvel {

// What asked for a part to be set.
enum class PartSender {
  None,         // the part-set import and capture: no question, no playback
  SetButton,    // "Set" and "SET": ask first
  SetMenu,      // menu "&Set Part"
  ClearButton,  // "Clear Stylepart"
};

// "Clear", "Modify" or "Set as" and the part's name in double quotation marks.
std::string PartQuestion(const std::string& verb, int part);

struct StylePartHooks {
  // The generator's Play (style mode, the selected part).
  std::function<void()> Play;
};

class StyleParts {
 public:
  StyleParts(Style& style, StyleGenerator& generator, Transport& transport, StylePlayer& player,
             NoteBookkeeping& notes, Dialogs& dialogs);

  StylePartHooks Hooks;
  // Per fill slot: last chosen as "Variation Basic" / "Variation Extended", so that setting it
  // makes it a main variation.
  std::array<bool, kStylePartCount> ChosenAsVariation{};

  // Sets, modifies or clears the selected part from the loop range. False when nothing changed
  // (declined, refused, nothing to clear).
  bool SetStylePart(PartSender sender);
  // The "Style parts" list chose `part`: it becomes the selected one, the loop range shows its
  // measures (1 .. 0 when it is unset) and the player takes it.
  void SelectPart(int part);
  // First and last measure of each part for the panel (0, 0 when it is unset).
  std::array<std::array<int16_t, 2>, kStylePartCount> PanelMeasures() const;

 private:
  // Fills the record of `part` from measures first..last from `beat`; `mutes` takes the main
  // window's channel mute switches.
  void FillRecord(int part, int first, int last, int beat, bool mutes, bool withSender);
  // After Basic (or Extended): its transition and then its fill follow the new last measure
  // while they still hold the one measure they were given automatically.
  void FollowMainPart(int mainPart, int oldMainLast);
  bool HoldsOnlyMeasure(int part, int measure) const;
  int MeasureSixteenths() const;

  Style& style_;
  StyleGenerator& generator_;
  Transport& transport_;
  StylePlayer& player_;
  NoteBookkeeping& notes_;
  Dialogs& dialogs_;
};

}  // namespace korvel
