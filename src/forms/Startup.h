// Korvel's windows, made in a fixed order: the background and the splash first, then the main
// window, the generator, the song editor, the file player, the song list, the instrument
// window, the prompter and, last, the options window, whose making loads the settings.
#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

namespace korvel {

class MidiDevices;
class InputCallbackSettings;
class TForm1;
class TForm3;
class TAboutBox;

class Startup {
 public:
  Startup(MidiDevices& devices, InputCallbackSettings& input, const std::string& problem,
          const std::string& settingsFile, const std::string& programDir);
  ~Startup();
  Startup(const Startup&) = delete;
  Startup& operator=(const Startup&) = delete;

  TForm1& Main() const { return *main_; }
  TForm3& Background() const { return *background_; }
  // The eight windows in the order they were made.
  const std::vector<QWidget*>& Windows() const { return windows_; }

 private:
  std::unique_ptr<TForm3> background_;
  std::unique_ptr<TAboutBox> splash_;
  std::vector<QWidget*> windows_;
  TForm1* main_ = nullptr;
};

}  // namespace korvel
