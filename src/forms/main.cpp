#include <QApplication>
#include <filesystem>

#include "app/MidiSystem.h"
#include "forms/TForm1.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Korvel");
  korvel::MidiSystem system({});
  const std::string program = std::filesystem::read_symlink("/proc/self/exe").string();
  korvel::TForm1 window(system.Devices, system.InputSettings, system.Ports.Problem(),
                        korvel::Configuration::FilePath(program));
  window.show();
  return QApplication::exec();
}
