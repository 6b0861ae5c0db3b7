// Start-up time: from making the windows to the main window shown with the demo style loaded,
// offscreen, with the built-in synthesizer loading its SoundFont (rendering to a file, so no
// sound card is needed); then the resident memory. One start per run: run it a few times.
#include <QApplication>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>

#include "forms/Startup.h"
#include "forms/TForm1.h"
#include "platform/FluidSynthDriver.h"
#include "platform/RecordingDriver.h"

namespace {

long ResidentKilobytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const auto folder =
      std::filesystem::temp_directory_path() / ("korvel-startup-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const std::string settings = (folder / "korvel.ini").string();
  std::ofstream(settings) << "[Options]\nMIDI-OUT=-1\n";

  const auto start = std::chrono::steady_clock::now();
  korvel::RecordingDriver ports({"Module"}, {"Keys"});
  korvel::SynthSettings synthSettings;
  synthSettings.RenderFile = (folder / "render.wav").string();
  korvel::FluidSynthDriver synth(synthSettings);
  korvel::MidiDevices devices(ports, &synth);
  korvel::ChannelState channels;
  korvel::InputCallbackSettings input(channels);
  korvel::Startup startup(devices, input, "", settings, KORVEL_DATA_DIR);
  korvel::TForm1& window = startup.Main();
  window.show();
  double shownMs = 0;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    {
      std::lock_guard lock(window.Core().Lock);
      if (!window.Core().Style.StyleLoaded) return;
    }
    shownMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    QApplication::quit();
  });
  poll.start(1);
  QApplication::exec();
  std::printf("start-up to the shown main window with rock1 loaded: %.1f ms\n", shownMs);
  std::printf("resident memory: %ld kB\n", ResidentKilobytes());
  std::filesystem::remove_all(folder);
  return shownMs > 0 ? 0 : 1;
}
