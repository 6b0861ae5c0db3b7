#include <sys/socket.h>
#include <unistd.h>
#include <QDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>

#include "app/MidiSystem.h"
#include "forms/InstanceServer.h"
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

constexpr const char* kUsage =
    "Usage: korvel [OPTION]... [FILE]...\n"
    "A MIDI arranger: play chords, and Korvel plays the band.\n"
    "\n"
    "FILE is an arrangement (.kva), a style (.kvs), a song list (.kvl) or a MIDI file (.mid);\n"
    "when Korvel runs already, the running Korvel opens it.\n"
    "\n"
    "  --settings FILE    use FILE as the settings file\n"
    "  --menus            list every menu item with its shortcut and state, and end\n"
    "  --screenshot FILE  save a picture of the screen once the windows show, and end\n"
    "  -h, --help         show this help and end\n"
    "  -v, --version      show the version and end\n";

struct Arguments {
  std::string Settings;
  std::string Screenshot;
  QStringList Files;  // absolute paths
};

// The options that take a value, and the files: everything else that does not start with '-'.
Arguments ReadArguments(const QStringList& arguments) {
  Arguments read;
  for (qsizetype at = 1; at < arguments.size(); ++at) {
    const QString& argument = arguments[at];
    if ((argument == "--settings" || argument == "--screenshot") && at + 1 < arguments.size()) {
      (argument == "--settings" ? read.Settings : read.Screenshot) = arguments[++at].toStdString();
    } else if (!argument.startsWith('-')) {
      read.Files << QFileInfo(argument).absoluteFilePath();
    }
  }
  return read;
}

}  // namespace

int main(int argc, char** argv) {
  // Help and version come before anything starts or a settings file is written.
  for (int at = 1; at < argc; ++at) {
    const std::string argument = argv[at];
    if (argument == "--help" || argument == "-h") {
      std::cout << kUsage;
      return 0;
    }
    if (argument == "--version" || argument == "-v") {
      std::cout << "korvel " KORVEL_VERSION "\n";
      return 0;
    }
  }
  const bool menus = argc == 2 && std::string(argv[1]) == "--menus";
  if (menus) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  korvel::KorvelApplication app(argc, argv);
  QApplication::setApplicationName("Korvel");
  if (menus) return ListMenus();
  const Arguments arguments = ReadArguments(QApplication::arguments());
  const korvel::SingleInstance instance;
  if (instance.OtherInstanceRuns()) {
    const QString socket = QString::fromStdString(instance.SocketFile());
    if (!arguments.Files.isEmpty() && korvel::InstanceServer::HandOver(socket, arguments.Files))
      return 0;
    // The box goes by itself: a second start is usually a double click too many.
    QMessageBox box(QMessageBox::NoIcon, "Korvel", korvel::kAlreadyRunning, QMessageBox::Ok);
    QTimer::singleShot(4000, &box, &QMessageBox::accept);
    box.exec();
    return korvel::kAlreadyRunningExitCode;
  }
  // --screenshot FILE saves a picture of the screen with Korvel's windows once they are shown
  // and ends (scripts/screenshot).
  const std::string program = std::filesystem::read_symlink("/proc/self/exe").string();
  const std::string settings =
      arguments.Settings.empty() ? korvel::Configuration::FilePath(program) : arguments.Settings;
  const std::string& screenshot = arguments.Screenshot;

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
  auto open = [&window](const QString& path) {
    window.showNormal();
    window.raise();
    window.activateWindow();
    window.OpenDocument(path.toStdString());
  };
  // Without the lock no other start would look for the socket.
  std::unique_ptr<korvel::InstanceServer> server;
  if (instance.Acquired())
    server = std::make_unique<korvel::InstanceServer>(QString::fromStdString(instance.SocketFile()),
                                                      open);
  for (const QString& file : arguments.Files)
    QTimer::singleShot(0, &window, [open, file] { open(file); });
  if (!screenshot.empty()) {
    QTimer::singleShot(700, &window, [&window, screenshot] {
      QScreen* screen = window.screen();
      const bool saved = screen && screen->grabWindow(0).save(QString::fromStdString(screenshot));
      QApplication::exit(saved ? 0 : 1);
    });
  }
  return QApplication::exec();
}
