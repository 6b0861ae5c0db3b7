#include <sys/socket.h>
#include <unistd.h>
#include <QDialog>
#include <QMessageBox>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "app/MidiSystem.h"
#include "forms/KorvelApplication.h"
#include "forms/MenuListing.h"
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

// An open box runs an event loop inside some operation: it is closed first, and the window
// once that operation has finished, so the exit procedure never runs in its middle.
void CloseWhenNoBoxIsOpen(QWidget& window) {
  if (QWidget* box = QApplication::activeModalWidget()) {
    if (auto* dialog = qobject_cast<QDialog*>(box)) {
      dialog->reject();
    } else {
      box->close();
    }
    QTimer::singleShot(0, &window, [&window] { CloseWhenNoBoxIsOpen(window); });
    return;
  }
  window.close();
}

// --menus: every menu item with its shortcut and state, one per line, with no window shown.
int ListMenus() {
  const auto folder =
      std::filesystem::temp_directory_path() / ("korvel-menus-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  // No device opens for a listing: the outputs and inputs are "<None>".
  const auto settings = folder / "korvel.ini";
  std::ofstream(settings) << "[Options]\nMIDI-OUT=-2\nMIDI-IN=-2\nAutoload=0\n";
  int status = 0;
  {
    korvel::MidiSystem system({});
    const std::string program = std::filesystem::read_symlink("/proc/self/exe").string();
    korvel::Startup startup(system.Devices, system.InputSettings, "", settings.string(),
                            korvel::Configuration::DataFolder(program));
    for (const QString& line : korvel::MenuListing(*startup.Main().menuBar(),
                                                   {{"Channel list", startup.Main().ChannelMenu}}))
      std::cout << line.toStdString() << "\n";
    status = std::cout.good() ? 0 : 1;
  }
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  const bool menus = argc == 2 && std::string(argv[1]) == "--menus";
  if (menus) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  korvel::KorvelApplication app(argc, argv);
  QApplication::setApplicationName("Korvel");
  if (menus) return ListMenus();
  const korvel::SingleInstance instance;
  if (instance.OtherInstanceRuns()) {
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

  // A logout or Ctrl-C may come while the windows are still being made (a box about a device
  // may be open then): it is kept and acted on once the main window exists.
  QWidget* mainWindow = nullptr;
  bool endRequested = false;
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) == 0) {
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&] {
      char byte;
      [[maybe_unused]] const auto read = ::read(signalPipe[0], &byte, 1);
      endRequested = true;
      if (mainWindow) {
        CloseWhenNoBoxIsOpen(*mainWindow);
      } else if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        box->reject();
      }
    });
    std::signal(SIGTERM, ForwardSignal);
    std::signal(SIGINT, ForwardSignal);
  }

  korvel::MidiSystem system({});
  // Without a lock file Korvel still runs; the status line says what is missing.
  std::string problems = instance.Problem();
  if (!problems.empty()) std::cerr << problems << "\n";
  if (!system.Ports->Problem().empty())
    problems += (problems.empty() ? "" : "  ") + system.Ports->Problem();
  korvel::Startup startup(system.Devices, system.InputSettings, problems, settings,
                          korvel::Configuration::DataFolder(program));
  korvel::TForm1& window = startup.Main();
  // The exit procedure ends the program, whichever window is still open.
  QObject::connect(&window, &korvel::TForm1::ProgramEnded, &app, &QApplication::quit,
                   Qt::QueuedConnection);
  window.show();
  mainWindow = &window;
  if (endRequested) CloseWhenNoBoxIsOpen(window);
  if (!screenshot.empty()) {
    QTimer::singleShot(700, &window, [&window, screenshot] {
      QScreen* screen = window.screen();
      const bool saved = screen && screen->grabWindow(0).save(QString::fromStdString(screenshot));
      QApplication::exit(saved ? 0 : 1);
    });
  }
  return QApplication::exec();
}
