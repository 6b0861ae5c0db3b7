// Korvel as a desktop program: --help and --version answer without starting anything, files given
// on the command line open by their kind, and a later start hands its files to the running one.
#include <QApplication>
#include <QProcess>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "forms/InstanceServer.h"
#include "forms/TForm1.h"
#include "platform/SingleInstance.h"
#include "support/GuiProgram.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"

namespace korvel {
namespace {

using test::Program;

class DesktopTest : public QObject {
  Q_OBJECT

 private slots:
  void HelpAndVersionAnswerWithoutStartingKorvel() {
    test::TempDir home("desktop-home");
    const auto besideProgram = std::filesystem::path(KORVEL_PROGRAM).parent_path() / "korvel.ini";
    const bool settingsBefore = std::filesystem::exists(besideProgram);
    for (const auto& [option, expected] :
         {std::pair{"--version", "korvel "}, std::pair{"--help", "Usage: korvel"}}) {
      QProcess korvel;
      auto environment = QProcessEnvironment::systemEnvironment();
      environment.insert("XDG_CONFIG_HOME", QString::fromStdString(home.Folder()));
      environment.remove("QT_QPA_PLATFORM");  // no display is needed to answer
      environment.insert("DISPLAY", "");
      korvel.setProcessEnvironment(environment);
      korvel.start(QString(KORVEL_PROGRAM), {option});
      QVERIFY(korvel.waitForFinished(30000));
      QCOMPARE(korvel.exitCode(), 0);
      QVERIFY2(korvel.readAllStandardOutput().startsWith(expected), option);
    }
    QVERIFY(std::filesystem::is_empty(home.Folder()));
    QCOMPARE(std::filesystem::exists(besideProgram), settingsBefore);
  }

  void GivenFilesOpenByTheirKind() {
    Program program("[Options]\nMIDI-OUT=-1\n");
    test::ScriptedDialogs dialogs;
    program.Main().AnswerFrom(&dialogs);
    QVERIFY(program.ShowAndActivate());
    test::TempDir folder("desktop-files");
    const std::string shipped = test::ShippedDataDir();
    const std::string song = folder.Path("song.kva");
    std::filesystem::copy_file(shipped + "/SONGS/demo3.kva", song);
    const std::string style = folder.Path("Waltz.KVS");
    std::filesystem::copy_file(shipped + "/STYLES/waltz.kvs", style);
    const std::string list = folder.Path("set.kvl");
    std::ofstream(list) << "Open Road                                          " << song << "\r\n";

    QVERIFY(program.Main().OpenDocument(song));
    {
      std::lock_guard lock(program.Core().Lock);
      QVERIFY(!program.Core().Song.Empty());
      QVERIFY2(!program.Core().Song.Running(), "a given song waits for Play");
    }
    QVERIFY(program.Main().OpenDocument(style));
    {
      std::lock_guard lock(program.Core().Lock);
      QCOMPARE(program.Core().Style.StyleFileName, style);
    }
    QVERIFY(program.Main().OpenDocument(list));
    QWidget* songs = nullptr;
    for (QWidget* window : program.startup->Windows())
      if (window->objectName() == "TSongs") songs = window;
    QVERIFY(songs && songs->isVisible());

    const std::string text = folder.Path("notes.txt");
    std::ofstream(text) << "not a song\n";
    dialogs.Messages.clear();
    QVERIFY(!program.Main().OpenDocument(text));
    QCOMPARE(dialogs.Messages.size(), size_t{1});
    QVERIFY(dialogs.Messages.front().starts_with("notes.txt: "));
  }

  void ALaterStartHandsItsFileToTheRunningKorvel() {
    test::TempDir runtime("desktop-runtime");
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.Folder()));
    const SingleInstance first;
    QVERIFY(first.Acquired());
    QStringList opened;
    const InstanceServer server(QString::fromStdString(first.SocketFile()),
                                [&opened](const QString& path) { opened << path; });
    QVERIFY(server.Listening());

    QProcess second;
    second.setWorkingDirectory(QString::fromStdString(runtime.Folder()));
    second.start(QString(KORVEL_PROGRAM), {"song.kva"});
    QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 30000);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(opened, QStringList{QString::fromStdString(runtime.Path("song.kva"))});
  }
};

}  // namespace
}  // namespace korvel

QTEST_MAIN(korvel::DesktopTest)
#include "DesktopTest.moc"
