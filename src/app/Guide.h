// The guide: short tips that tell the musician what can be done next, shown in the prompter
// window, and the rule that decides which tip a step of the work shows.
#pragma once

#include <optional>
#include <string>

namespace korvel {

inline constexpr int kFirstTip = 1000;
inline constexpr int kLastTip = 1033;
inline constexpr const char* kGuideTitle = "What you can do now ...";

// The tip's text with "//" for line breaks; empty outside kFirstTip .. kLastTip.
std::string TipText(int number);
// "//" becomes a line break, except in an address such as "https://".
std::string PrompterLines(const std::string& text);

class Guide {
 public:
  bool On = true;         // "Guide me !"
  bool FirstRun = false;  // the welcome page is still open: the guide keeps quiet
  int RememberedTip = 1004;

  // A step of the work (tip kFirstTip + offset, or -1 for the remembered tip): the tip to show,
  // if any. The tip is remembered for "Last tip", unless it is the File menu's.
  std::optional<int> Step(int offset);
};

}  // namespace korvel
