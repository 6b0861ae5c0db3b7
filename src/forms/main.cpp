#include <sys/socket.h>
#include <unistd.h>
#include <QMessageBox>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <filesystem>

#include "app/MidiSystem.h"
#include "forms/KorvelApplication.h"
#include "forms/Startup.h"
#include "forms/TForm1.h"
#include "platform/SingleInstance.h"

namespace {

int signalPipe[2] = {-1, -1};

// A logout (SIGTERM) or Ctrl-C in a terminal (SIGINT) ends Korvel the way closing its window
// does: the handler only writes a byte, the GUI thread closes the window.
void ForwardSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const auto written = write(signalPipe[1], &byte, 1);
}

}  // namespace

int main(int argc, char** argv) {
  korvel::KorvelApplication app(argc, argv);
  QApplication::setApplicationName("Korvel");
  const korvel::SingleInstance instance;
  if (!instance.Acquired()) {
    // The box goes by itself: a second start is usually a double click too many.
    QMessageBox box(QMessageBox::NoIcon, "Korvel", korvel::kAlreadyRunning, QMessageBox::Ok);
    QTimer::singleShot(4000, &box, &QMessageBox::accept);
    box.exec();
    return korvel::kAlreadyRunningExitCode;
  }
  // --settings FILE uses another settings file; --screenshot FILE saves a picture of the screen
  // with Korvel's windows once they are shown and ends (scripts/screenshot).
  const QStringList arguments = QApplication::arguments();
  auto option = [&arguments](const QString& name) {
    const auto at = arguments.indexOf(name);
    return at >= 0 && at + 1 < arguments.size() ? arguments[at + 1].toStdString() : std::string();
  };
  const std::string program = std::filesystem::read_symlink("/proc/self/exe").string();
  std::string settings = option("--settings");
  if (settings.empty()) settings = korvel::Configuration::FilePath(program);
  const std::string screenshot = option("--screenshot");

  korvel::MidiSystem system({});
  korvel::Startup startup(system.Devices, system.InputSettings, system.Ports.Problem(), settings,
                          KORVEL_DATA_DIR);
  korvel::TForm1& window = startup.Main();
  // The exit procedure ends the program, whichever window is still open.
  QObject::connect(&window, &korvel::TForm1::ProgramEnded, &app, &QApplication::quit,
                   Qt::QueuedConnection);
  window.show();
  if (!screenshot.empty()) {
    QTimer::singleShot(700, &window, [&window, screenshot] {
      QScreen* screen = window.screen();
      const bool saved = screen && screen->grabWindow(0).save(QString::fromStdString(screenshot));
      QApplication::exit(saved ? 0 : 1);
    });
  }
  QSocketNotifier* notifier = nullptr;
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) == 0) {
    notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
      char byte;
      [[maybe_unused]] const auto read = ::read(signalPipe[0], &byte, 1);
      window.close();
    });
    std::signal(SIGTERM, ForwardSignal);
    std::signal(SIGINT, ForwardSignal);
  }
  return QApplication::exec();
}
