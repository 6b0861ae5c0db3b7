// The main window's View, Windows and Help menus and the channel list's pop-up menu.
#include <QMenuBar>
#include <mutex>

#include "app/Guide.h"
#include "app/HelpTopics.h"
#include "app/ListEditor.h"
#include "app/StyleChannelTools.h"
#include "forms/MixerPanel.h"
#include "forms/SongMenus.h"
#include "forms/TAboutBox.h"
#include "forms/TForm1.h"
#include "forms/TGen.h"
#include "forms/TextEditor.h"
#include "forms/Ttt.h"

namespace korvel {

void TForm1::BuildWindowMenus() {
  Engine& e = *engine_;
  // Runs `action` under the engine lock.
  const auto locked = [&e](std::function<void()> action) {
    return [&e, action] {
      std::lock_guard lock(e.Lock);
      action();
    };
  };

  QMenu* view = menuBar()->addMenu("&View");
  Checked(view, "Always stay on top", "Keep the main window above the others", onTop_,
          [this] { StayOnTop(!onTop_); });
  Toggle(view, "Background", "A calm background behind Korvel", backgroundOn_,
         [this] { SetBackground(backgroundOn_); });
  Toggle(view, "Tabset", "Show the panel tabs", tabSetOn_, [this] {
    TabSet->setVisible(tabSetOn_);
    FitHeight();
  });
  Toggle(view, "Speedbuttons", "Show the speed buttons", speedButtonsOn_, [this] {
    SpeedButtons->setVisible(speedButtonsOn_);
    FitHeight();
  });
  Toggle(view, "Progressbars", "Show the progress of long imports", import_->Settings.ShowProgress);
  // The coming chord named a quarter or a half note ahead; unchecking the checked one ends it.
  for (const auto& [caption, ahead] : {std::pair{"Chordpreview 1/4", 4}, {"Chordpreview 1/2", 8}})
    Choice(
        view, caption, "Name the coming chord while a song plays",
        [&e, ahead] { return e.Song.ChordPreviewAhead == ahead; }, locked([&e, ahead] {
          e.Song.ChordPreviewAhead = e.Song.ChordPreviewAhead == ahead ? 0 : ahead;
        }));

  QMenu* windows = menuBar()->addMenu("&Windows");
  // The settings change only while nothing plays; the idle clock may run on.
  const auto showOptions = [this] {
    bool playing = false;
    {
      std::lock_guard lock(engine_->Lock);
      playing = engine_->Player.Playing || engine_->Song.Running();
    }
    if (playing) return dialogs_.ShowStatus("Stop playing to change the settings.");
    ShowWindow("TOpt");
  };
  whileStopped_.push_back(Item(windows, "Global Settings", "Every setting of Korvel", showOptions));
  whileStopped_.push_back(Item(windows, "Configuration", "Every setting of Korvel", showOptions));
  const auto panelItem = [this, windows](const char* caption, const char* panel,
                                         const QString& hint) {
    Item(windows, caption, hint, [this, panel] { ShowPanel(panel, true); });
  };
  const auto windowItem = [this, windows](const char* caption, const char* window,
                                          const QString& hint) {
    Item(windows, caption, hint, [this, window] { ShowWindow(window); });
  };
  panelItem("MIDI", "MIDI", "Show the MIDI panel");
  windowItem("Style-Manager", "TStyleManager", "Browse, audition and group the styles");
  windowItem("Style-Creator", "TGen",
             "Import MIDI files, find their chords and make styles of them");
  Item(windows, "Style-Events", "List and change the events of a style part",
       [this] { ShowStyleEvents(); });
  Item(windows, "Melody-Notes", "The melody's notes, to change one by one",
       [this] { SongFiles->NotesItem->trigger(); });
  panelItem("Mixer", "Mixer", "Show the Mixer panel");
  panelItem("Solo-Mute", "Solo - Mute", "Solo and mute the style's channels");
  panelItem("Keyboard", "Keyboard", "Show the Keyboard panel");
  panelItem("Song", "Song", "Show the Song panel");
  panelItem("Chordpads", "Chordpads", " Enter chords by clicking pads");
  windowItem("Instruments", "TIns", "Instruments and functions of the twelve instrument keys");
  windowItem("Editor", "TEditor", "Edit the song measure by measure and beat by beat");
  windowItem("Player", "TMP", "Plays MIDI files as they are, with a loop range, on any output");
  Item(windows, "Songlist", "The songs of a set with their settings, played one after another",
       [this] {
         ShowWindow("TMP");
         ShowWindow("TSongs");
       });
  panelItem("Memo", "Memo", "The song's memo and titles");
  panelItem("Keyboard-Split", "Keyboard-Split", "The four zones of the split keyboard");
  Item(windows, "Arrange all", "Arrange the panel windows around the main window",
       [this] { ArrangeAll(); });
  Item(windows, "Close all", "Close every window but this one", [this] { CloseOtherWindows(); });

  // The pop-up menu of the mixer's channel list.
  auto* channels = ChannelMenu = new QMenu(Mixer->Channels);
  Mixer->Channels->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(Mixer->Channels, &QWidget::customContextMenuRequested, channels,
          [channels, list = Mixer->Channels](const QPoint& at) {
            channels->popup(list->viewport()->mapToGlobal(at));
          });
  Item(channels, "Delete track", "Clear the channel's settings and notes of the style", [this] {
    {
      std::lock_guard lock(engine_->Lock);
      if (!DeleteTrack(*engine_, engine_->Live.SelChannel)) dialogs_.ShowStatus(kNoTrack);
    }
    Mixer->Refresh();
  });
  Item(channels, "Move track", "Move the channel's events and settings to another channel", [this] {
    {
      std::lock_guard lock(engine_->Lock);
      MoveTrack(*engine_, dialogs_, engine_->Live.SelChannel);
    }
    Mixer->Refresh();
  });
  restoreAllItem_ = Item(channels, "Restore all", "Undo every conversion of the style's material",
                         locked([&e] { e.Loader.RestoreOriginal(false); }));
  Item(channels, "Refresh list", "Analyse the style's parts and show the channels again", [this] {
    {
      std::lock_guard lock(engine_->Lock);
      engine_->Style.AnalyseStyleParts(0, kStylePartCount - 1, 0, "");
    }
    if (TGen* generator = Generator()) generator->Refresh();
    Mixer->Refresh();
  });
  Checked(channels, "Fix changes", "Mixer changes also change every event of the style",
          e.Mixer.FixChanges, [this] {
            bool fix;
            {
              std::lock_guard lock(engine_->Lock);
              fix = engine_->Mixer.FixChanges = !engine_->Mixer.FixChanges;
            }
            dialogs_.InformUser(std::string("Controller changes will ") + (fix ? "" : "not ") +
                                "modify the MIDI material !");
          });

  QMenu* help = menuBar()->addMenu("&Help");
  QAction* guide = Item(help, "Guide me !", "Tips on what you can do next", [this] {
    settings_.Set("SCG", MenuItems["Guide me !"]->isChecked() ? 1 : 0);
    if (MenuItems["Guide me !"]->isChecked()) {
      GuideStep(-1);
    } else if (Ttt* prompter = Prompter(); prompter && prompter->GuideMode()) {
      prompter->close();
    }
  });
  guide->setCheckable(true);
  QAction* lastTip = Item(help, "Last tip - F11", "Show the last tip again", [this] {
    if (Ttt* prompter = Prompter()) {
      prompter->Tips.FirstRun = false;
      prompter->Tips.On = true;
      prompter->GuideStep(-1);
    }
  });
  lastTip->setShortcut(Qt::Key_F11);
  // A topic opens the windows it needs and shows its tip, with or without "Guide me !".
  const auto topic = [this, help](const char* caption, const char* hint, int tip,
                                  std::function<void()> open) {
    Item(help, caption, hint, [this, tip, open] {
      open();
      if (Ttt* prompter = Prompter()) prompter->ShowGuideTip(kGuideTitle, kFirstTip + tip, false);
    });
  };
  topic("Make music ...", "Play chords and let the style accompany you", 1,
        [this] { ShowPanel("Keyboard", true); });
  topic("Make styles ...", "Turn a MIDI file into a style of your own", 2,
        [this] { ShowStyleCreator(); });
  topic("Generate chords ...", "Find the chords of a MIDI file and send them on", 3, [this] {
    {
      std::lock_guard lock(engine_->Lock);
      if (!engine_->Live.SendChordCodes) engine_->Codes.SetSending(true);
    }
    ShowWindow("TGen");
    ShowWindow("TEditor");
  });
  Item(help, "How to use Help", "The help topics and how to move between them",
       [this] { ShowHelp(kHelpIndex); });
  Item(help, "Help - F12", "Help on the window in front", [this] { HelpOnWindow(); });
  Item(help, "Text Editor", "Write and keep notes, lyrics and set lists", [this] {
    if (!textEditor_) textEditor_ = std::make_unique<TextEditor>(dialogs_);
    textEditor_->showNormal();
    textEditor_->raise();
  });
  QAction* editor = Item(help, "Instrument list editor", "Edit the instrument list", [this] {
    std::lock_guard lock(engine_->Lock);
    RunEditor(EditorPath.toStdString(), settings_.Text("Patch"), engine_->Mixer, dialogs_);
  });
  editor->setVisible(false);
  Item(help, "About ...", "About Korvel", [this] {
    TAboutBox about(this);
    about.exec();
  });

  // Whatever started or stopped meanwhile, an opened menu shows what can run now.
  for (QAction* top : menuBar()->actions()) {
    connect(top->menu(), &QMenu::aboutToShow, this, [this] {
      std::lock_guard lock(engine_->Lock);
      RefreshMenus();
    });
  }
}

}  // namespace korvel
