// The style the generator holds: its material (chunk 0 of the work material), part table and
// channel table, with what is derived from them when a style is loaded.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/StyleFile.h"
#include "engine/StyleTables.h"
#include "engine/WorkMaterial.h"

namespace korvel {

inline constexpr const char* kCannotProcess = "Sorry, this style cannot be processed !";

// A style file read and checked before it takes the place of anything.
struct CheckedStyleFile {
  StyleFileContents Contents;  // parts that point outside the material are cleared
  std::vector<int> Damaged;    // their numbers
  // Basic is set, with material at its start and at least one measure: the style can play.
  bool Playable() const;
};

// Reads any bytes as a style file; parts that point outside the material read (a short or
// damaged file) are cleared and listed, so that nothing ever reads past the material.
CheckedStyleFile CheckStyleFile(std::span<const uint8_t> fileBytes);

class Style {
 public:
  Style();

  WorkMaterial Work;
  StylePartTable Parts;
  StyleChannelTable Channels;
  // [part][channel]: 1 when every note of the channel ends inside the part.
  std::array<std::array<uint8_t, 16>, kStylePartCount> HangingNoteFlags{};
  // FirstMeasure and LastMeasure of each part as loaded.
  std::array<uint16_t, kStylePartCount> LoadedFirstMeasure{};
  std::array<uint16_t, kStylePartCount> LoadedLastMeasure{};
  bool StyleLoaded = false;
  bool SongLoaded = false;
  bool StyleMode = false;
  std::string StyleFileName;  // for reloading by name
  std::string StyleName;      // the caption name, see MakeStyleName
  int32_t StyleLength = 0;
  // The part selected in the generator: the first to play when the style starts.
  int SelectedPart = kBasic;

  // Hanging-note flags and, by mode, has-notes flags (mode > 0) and the adjustments for an
  // SC-55 (mode > 1 with the instrument set "SC-55.KVI").
  void AnalyseStyleParts(int first, int last, int mode, const std::string& instrumentSet);

  // Puts a checked style file in place of what was held: tables, material in chunk 0, lengths.
  void Take(const CheckedStyleFile& file);
  // Checks and takes any bytes; the numbers of the parts that were cleared are returned.
  std::vector<int> TakeFileContents(std::span<const uint8_t> fileBytes);

  // The material of chunk 0 as a view of its used bytes.
  std::span<const uint8_t> Material() const;

  // A mixer or instrument choice made while the style is loaded becomes part of it: the
  // channel table takes the value (`index` is a controller number, or the program index of
  // the table), and so do the channel's matching events in the material: only the first one
  // before the channel's first note, or every one with `everyEvent` ("Fix changes").
  void WriteChannelSetting(int channel, int index, uint8_t value, bool everyEvent);
};

// The caption name: the file name without folder and extension, upper case, the first "&"
// doubled, with " / Var.Basic" or " / Var.Extended" when part 4 or 5 holds a main variation.
std::string MakeStyleName(const std::string& fileName, const StylePartTable& parts);

// Everything the style holds, one field per line, for scripts and tests.
std::string StyleInfoText(const Style& style);

}  // namespace korvel
