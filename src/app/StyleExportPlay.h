// A style's arrangement played by the engine: what "4. Test style" plays and what the MIDI
// export of a style renders.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/Render.h"
#include "stylegen/StyleExport.h"

namespace korvel {

// Plays the arrangement of the style file `stylePath` (`part`: kFullStyleExport or one part;
// a full one starts with the intro when `playIntro` and the style has one); `built` receives
// the arrangement that plays. No check (nothing plays) when the style cannot be loaded or no
// part would be exported; the reason goes to the dialogs.
OfflineStart StyleArrangementStart(const std::string& stylePath, int part, bool playIntro,
                                   std::shared_ptr<std::optional<StyleArrangement>> built,
                                   Dialogs& dialogs);

}  // namespace korvel
