// Every enabled item of the main window's menus and of the channel list's pop-up reaches its
// function: triggered once, it changes state, opens a window or a dialog, or says in words why
// it cannot run now. Nothing is a dead end.
#include <QApplication>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <mutex>
#include <optional>
#include <sstream>

#include "forms/HelpBrowser.h"
#include "forms/TForm2.h"
#include "forms/TForm3.h"
#include "forms/Ttt.h"
#include "support/GuiProgram.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"

namespace korvel {
namespace {

using test::Program;
using test::ScriptedDialogs;

// (path, item) of every enabled, visible item, in menu order.
void Collect(QMenu& menu, const QString& path, std::vector<std::pair<QString, QAction*>>& items) {
  for (QAction* item : menu.actions()) {
    if (item->isSeparator() || !item->isVisible()) continue;
    const QString name = path + " > " + item->text().remove('&');
    if (item->menu()) {
      Collect(*item->menu(), name, items);
    } else {
      items.emplace_back(name, item);
    }
  }
}

class MenuItemsTest : public QObject {
  Q_OBJECT

  // Everything a menu item may change, as text.
  static std::string Snapshot(Program& program, const ScriptedDialogs& dialogs, bool modalSeen) {
    std::ostringstream out;
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (!window->isVisible()) continue;
      out << "window " << window->objectName().toStdString() << " "
          << window->windowTitle().toStdString() << " " << window->isActiveWindow() << "\n";
    }
    TForm1& main = program.Main();
    for (const auto& [caption, window] : main.PanelWindows) {
      if (window) out << "panel " << caption.toStdString() << " " << window->x() << "\n";
    }
    out << "top " << main.windowFlags().testFlag(Qt::WindowStaysOnTopHint) << "\n";
    std::vector<std::pair<QString, QAction*>> items;
    for (QAction* top : main.menuBar()->actions()) Collect(*top->menu(), top->text(), items);
    Collect(*main.ChannelMenu, "Channel list", items);
    for (const auto& [name, item] : items)
      out << name.toStdString() << item->isChecked() << item->isEnabled() << "\n";
    out << "dialogs " << dialogs.Questions.size() << " " << dialogs.Messages.size() << " "
        << dialogs.Statuses.size() << " " << dialogs.FileRequests.size() << " "
        << dialogs.SaveRequests.size() << " " << dialogs.FolderRequests.size() << " "
        << dialogs.FileListRequests.size() << " " << dialogs.TextPrompts.size() << " "
        << dialogs.TextWindows.size() << " modal " << modalSeen << "\n";
    out << "sent " << program.ports.Sent().size() << " " << program.synth.Sent().size() << "\n";
    if (Ttt* prompter = main.Prompter()) out << prompter->Text->text().toStdString() << "\n";
    if (main.Help()) out << "help " << main.Help()->isVisible() << "\n";
    std::lock_guard lock(program.Core().Lock);
    const Engine& e = program.Core();
    out << e.Transport.ClockState << " " << e.Transport.Tempo << " " << e.Song.Running() << " "
        << e.Song.SongEnd << " " << e.Player.Playing << " " << e.Style.StyleMode << " "
        << e.Style.StyleLoaded << " " << e.Live.SendChordCodes << "\n";
    out << std::string(e.Style.Channels.Bytes.begin(), e.Style.Channels.Bytes.end()) << "\n";
    for (const MelodyEvent& event : e.Melody.Events())
      out << event.Time << " " << int{event.Data1} << " ";
    return out.str();
  }

 private slots:
  void EveryEnabledItemReachesItsFunction() {
    Program program("[Options]\nMIDI-OUT=-1\n");
    ScriptedDialogs dialogs;
    program.Main().AnswerFrom(&dialogs);
    QVERIFY(program.ShowAndActivate());
    TForm1& main = program.Main();

    std::vector<std::pair<QString, QAction*>> items;
    for (QAction* top : main.menuBar()->actions())
      Collect(*top->menu(), top->text().remove('&'), items);
    Collect(*main.ChannelMenu, "Channel list", items);

    // A song to clear, edit and save: a copy, since "Save" writes it.
    test::TempDir folder("menu-items");
    const std::string demo = folder.Path("demo3.kva");
    std::filesystem::copy_file(test::ShippedDataDir() + "/SONGS/demo3.kva", demo);
    std::optional<std::string> song;
    QStringList deadEnds;
    for (const auto& [name, item] : items) {
      if (name == "File > Exit") continue;  // the exit procedure has tests of its own
      // Shows the channels again: the same list when nothing changed. Choosing the lead-in
      // that is chosen keeps it.
      if (name == "Channel list > Refresh list") continue;
      if (item->isCheckable() && item->isChecked() && name.endsWith("Mute None ")) continue;
      // Each item starts from a stopped transport with only the main window open; "Close all"
      // needs a window to close.
      main.MenuItems["Stop - F10"]->trigger();
      for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != &main && window != &program.startup->Background()) window->close();
      }
      {
        std::lock_guard lock(program.Core().Lock);
        if (program.Core().Song.Empty()) song = std::nullopt;
      }
      if (!song) {
        song = demo;
        QCOMPARE(main.OpenSong(*song, true), SongOpening::Opened);
        main.MenuItems["Stop - F10"]->trigger();
      }
      if (name == "Windows > Close all") main.MenuItems["Mixer"]->trigger();
      QTest::qWait(20);
      QApplication::processEvents();
      main.RefreshControls();
      if (!item->isEnabled()) continue;
      bool modalSeen = false;
      const std::string before = Snapshot(program, dialogs, false);
      // A modal window (tap tempo, the about box) is closed once it has opened.
      QTimer closer;
      QObject::connect(&closer, &QTimer::timeout, [&modalSeen] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
          modalSeen = true;
          modal->close();
        }
      });
      closer.start(50);
      item->trigger();
      QTest::qWait(60);
      closer.stop();
      if (Snapshot(program, dialogs, modalSeen) == before) deadEnds << name;
    }
    QVERIFY2(deadEnds.isEmpty(), qPrintable("no effect: " + deadEnds.join(", ")));
    program.Main().AnswerFrom(nullptr);
  }
};

}  // namespace
}  // namespace korvel

QTEST_MAIN(korvel::MenuItemsTest)
#include "MenuItemsTest.moc"
#include "support/SourcePaths.h"
