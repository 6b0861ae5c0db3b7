#include <QApplication>

#include "app/MidiSystem.h"
#include "forms/TForm1.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Korvel");
  korvel::MidiSystem system({});
  korvel::TForm1 window(system.Devices, system.InputSettings, system.Ports.Problem());
  window.show();
  return QApplication::exec();
}
