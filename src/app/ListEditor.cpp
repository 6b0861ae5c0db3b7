#include "app/ListEditor.h"

#include <unistd.h>

#include <filesystem>

#include "app/Mixer.h"
#include "platform/Dialogs.h"
#include "platform/Process.h"

namespace korvel {

std::string LocateEditor(const std::string& programDir) {
  const std::filesystem::path dir(programDir);
  for (const auto& candidate : {dir / "KVLIST.EXE", dir / "kvlist", dir / "EDITOR" / "KVLIST.EXE",
                                dir / "EDITOR" / "kvlist"}) {
    // Only a file this system can run counts.
    std::error_code error;
    if (std::filesystem::is_regular_file(candidate, error) && access(candidate.c_str(), X_OK) == 0)
      return candidate.string();
  }
  return "";
}

void RunEditor(const std::string& editor, const std::string& patch, Mixer& mixer,
               Dialogs& dialogs) {
  const std::filesystem::path list(patch.empty() ? "" : mixer.ListFilePath(patch));
  if (!StartProgram(patch.empty() ? std::vector<std::string>{editor}
                                  : std::vector<std::string>{editor, list.string()}) ||
      patch.empty())
    return;
  if (!dialogs.AskYesNo("Reload instrument list " + list.filename().string() + " !")) return;
  std::string error;
  if (mixer.List.LoadFile(list.string(), error)) {
    mixer.Selected = 0;
  } else {
    dialogs.InformUser(error);
  }
}

}  // namespace korvel
