// The generator's tools for the channels of the generated style: volume and reverb offsets,
// the cut-notes and muting bytes of its parts, and the measure marks of a recording.
#pragma once

#include <array>

namespace korvel {

class Dialogs;
class Engine;

inline constexpr const char* kCutNotesToAll =
    "Set \"Cut Notes State\" of Channel to all Styleparts ?";
inline constexpr const char* kMutingToAll = "Set Muting to all Styleparts ?";

// "Style Volume Offset : " (controller 7) and "Style Reverb Offset : " (91) up or down by
// `step`: every channel with notes moves by it, an unset reverb counting as 64; a value that
// would leave 0..127 stays as it is. True when a channel changed.
bool StyleOffsetStep(Engine& engine, int controller, int step);
// "  Cut Notes ...": the selected part's cut-notes byte of the solo channel. False without a
// solo channel.
bool SetCutNotes(Engine& engine, bool on);
// "Set Cut Notes State to all Styleparts": the same for every part that is set, after asking.
bool SetCutNotesToAllParts(Engine& engine, Dialogs& dialogs, bool on);
// "Set Muting to all Styleparts": the main window's mute switches go into every part that is
// set, after asking.
bool SetMutingToAllParts(Engine& engine, Dialogs& dialogs);

inline constexpr const char* kMoveTrackTitle = "Move track ...";
inline constexpr const char* kMoveTrackPrompt = "New channel number (1-16) ?";

inline constexpr const char* kNoTrack = "The selected channel holds no track of the style.";

// "Delete track": the channel's settings record is cleared (all 255) and it holds no notes.
// False when there was nothing to delete.
bool DeleteTrack(Engine& engine, int channel);
// "Move track": asks for the new channel; an answer 1..16 moves the channel's events and
// settings there. Any other answer, or a cancel, changes nothing. True when moved.
bool MoveTrack(Engine& engine, Dialogs& dialogs, int channel);

// "Click to mark measure !": ten slots, filled in turn while recording; in style mode a click
// moves to the next mark.
class MeasureMarks {
 public:
  void Mark(int measure);
  // The next mark after the last one returned, or 0 when there is none.
  int Next();

 private:
  std::array<int, 10> marks_{};
  int written_ = 0;
  int read_ = -1;
};

}  // namespace korvel
