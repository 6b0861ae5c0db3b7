// Korvel's windows as the program makes them, on recording MIDI drivers, with a settings file in
// a scratch folder: for tests that drive the whole program under the offscreen platform.
#pragma once

#include <unistd.h>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "forms/Startup.h"
#include "forms/TForm1.h"
#include "platform/RecordingDriver.h"
#include "support/SourcePaths.h"

namespace korvel::test {

// The program's windows on recording drivers, with a settings file in a scratch folder.
class Program {
 public:
  // `failing`: a device that will not open.
  explicit Program(const std::string& settingsText, const std::string& failing = {}) {
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    if (!settingsText.empty()) std::ofstream(settingsFile) << settingsText;
    if (!failing.empty()) synth.SetOpenFailure(failing, kMidiNoDriver);
    startup = std::make_unique<Startup>(devices, input, "", settingsFile, ShippedDataDir());
  }
  ~Program() {
    startup.reset();
    std::filesystem::remove_all(folder);
  }
  TForm1& Main() { return startup->Main(); }
  Engine& Core() { return startup->Main().Core(); }
  // Shows the main window and waits for its first activation to be done.
  bool ShowAndActivate() {
    Main().show();
    if (!QTest::qWaitForWindowExposed(&Main())) return false;
    QTest::qWait(50);
    return true;
  }

  RecordingDriver ports{{"Module"}, {"Keys"}};
  RecordingDriver synth{{"Synth"}, {}};
  MidiDevices devices{ports, &synth};
  ChannelState channels;
  InputCallbackSettings input{channels};
  std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("korvel-gui-" + std::to_string(getpid()));
  std::string settingsFile = (folder / "korvel.ini").string();
  std::unique_ptr<Startup> startup;
};

}  // namespace korvel::test
