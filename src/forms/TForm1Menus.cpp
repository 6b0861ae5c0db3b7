// The main window's menus: each item calls an operation of the core or opens a window.
#include <QMenuBar>
#include <filesystem>
#include <mutex>

#include "app/SongMidiExport.h"
#include "forms/MenuItem.h"
#include "forms/MidiPanel.h"
#include "forms/SoloMutePanel.h"
#include "forms/SongMenus.h"
#include "forms/SongPanel.h"
#include "forms/TForm1.h"
#include "forms/TGen.h"
#include "forms/TTempo.h"

namespace korvel {

QAction* TForm1::Item(QMenu* menu, const QString& caption, const QString& hint,
                      std::function<void()> action) {
  QAction* item = MakeItem(menu->addAction(caption), hint, this, [this, action] {
    action();
    RefreshControls();
  });
  // A caption used twice ("Metronome") is known by its menu too.
  QString key = QString(caption).remove('&');
  if (MenuItems.count(key)) key = menu->title().remove('&') + "/" + key;
  MenuItems[key] = item;
  return item;
}

QAction* TForm1::Checked(QMenu* menu, const QString& caption, const QString& hint,
                         const bool& field, std::function<void()> action) {
  return Choice(
      menu, caption, hint, [&field] { return field; }, std::move(action));
}

QAction* TForm1::Choice(QMenu* menu, const QString& caption, const QString& hint,
                        std::function<bool()> checked, std::function<void()> action) {
  QAction* item = Item(menu, caption, hint, std::move(action));
  item->setCheckable(true);
  marks_.emplace_back(item, std::move(checked));
  return item;
}

QAction* TForm1::Toggle(QMenu* menu, const QString& caption, const QString& hint, bool& field,
                        std::function<void()> after) {
  return Checked(menu, caption, hint, field, [this, &field, after] {
    {
      std::lock_guard lock(engine_->Lock);
      field = !field;
    }
    if (after) after();
  });
}

void TForm1::BuildMenus() {
  Engine& e = *engine_;
  // Runs `action` under the engine lock.
  const auto locked = [&e](std::function<void()> action) {
    return [&e, action] {
      std::lock_guard lock(e.Lock);
      action();
    };
  };
  const auto silenceLiveChannel =
      locked([&e] { e.Player.ChannelSoundOff(*e.Ports.PlayPort, e.Live.SelChannel); });

  SongFiles = new SongMenus(e, dialogs_, view_, *Song);
  connect(SongFiles, &SongMenus::Changed, this, [this] { RefreshControls(); });
  QMenu* file = menuBar()->addMenu("&File");
  // The song's commands are the song panel's, so that an item and its button agree.
  const auto songItem = [this, file](QAction* item) {
    file->addAction(item);
    MenuItems[item->text().remove('&')] = item;
  };
  songItem(Song->NewItem);
  songItem(Song->ClearItem);
  file->addSeparator();
  // The style's "Open ..." keeps the short name the speed button uses.
  file->addAction(SongFiles->OpenItem);
  MenuItems["File/Open ..."] = SongFiles->OpenItem;
  file->addAction(SongFiles->SaveItem);
  MenuItems["Save"] = SongFiles->SaveItem;
  file->addAction(SongFiles->SaveAsItem);
  MenuItems["File/Save as ..."] = SongFiles->SaveAsItem;
  whileStopped_.insert(whileStopped_.end(),
                       {SongFiles->OpenItem, SongFiles->SaveItem, SongFiles->SaveAsItem});
  file->addSeparator();
  // A MIDI file becomes the generator's song: it shows the generator.
  whileStopped_.push_back(Item(file, "&Import MIDI ...", "Import a MIDI file as a song", [this] {
    bool imported;
    {
      std::lock_guard lock(engine_->Lock);
      imported = import_->ImportMidiFile("", true, false);
    }
    if (imported) ShowWindow("TGen");
  }));
  whileStopped_.push_back(
      Item(file, kExportTitle, "Save the song with its style as a MIDI file", [this] {
        std::lock_guard lock(engine_->Lock);
        if (ExportSongMidiAs(*engine_, SongFiles->Files, dialogs_, SongFiles->Files.SongFolder))
          dialogs_.ShowStatus("The MIDI file is written.");
      }));
  addMelodyItem_ =
      Item(file, "&Add Melody-Track", " Add recorded track to current midifile", [this] {
        const std::string scratch =
            (std::filesystem::path(settingsFile_).parent_path() / "KORVEL.KV$").string();
        std::lock_guard lock(engine_->Lock);
        if (AddMelodyTrack(*engine_, *import_, scratch))
          dialogs_.ShowStatus("The melody is part of the MIDI song now.");
      });
  file->addSeparator();
  for (QAction* item : {Song->PlayItem, Song->StopItem, Song->RecordItem, Song->StepRecordItem,
                        Song->PunchInItem, Song->PlayOverwriteItem})
    songItem(item);
  connect(Song->StepRecordItem, &QAction::triggered, this, [this] { ShowPanel("Song", true); });
  connect(Song->PlayOverwriteItem, &QAction::triggered, this, [this] {
    bool running;
    {
      std::lock_guard lock(engine_->Lock);
      running = engine_->Song.Running();
    }
    if (running) GuideStep(26);
  });
  file->addSeparator();
  Item(file, "E&xit", "End Korvel", [this] { close(); });
  connect(file, &QMenu::aboutToShow, this, [this] { GuideStep(20); });

  QMenu* style = menuBar()->addMenu("&Style");
  // The generated style's commands are the generator window's own.
  const auto generatorItem = [this](QMenu* menu, const QString& caption, const QString& hint,
                                    QAction* TGen::*item) {
    generatorItems_.emplace_back(Item(menu, caption, hint,
                                      [this, item] {
                                        if (TGen* generator = Generator())
                                          (generator->*item)->trigger();
                                      }),
                                 item);
  };
  whileStopped_.push_back(
      Item(style, "&Open ...", "Load a style", locked([&e] { e.Loader.LoadStyle(true); })));
  generatorItem(style, "&Save as ...", "Save the generated style", &TGen::SaveItem);
  style->addSeparator();
  whileStopped_.push_back(Item(
      style, "&Record ...", "Record what an external sequencer plays into the generator", [this] {
        ShowStyleCreator();
        if (TGen* generator = Generator(); generator && generator->ArmRecording())
          dialogs_.InformUser(kReadyToRecord);
      }));
  whileStopped_.push_back(
      Item(style, "&Capture ...", "Record style parts from an external sequencer", [this] {
        if (TGen* generator = Generator()) generator->ShowCapture();
        GuideStep(27);
      }));
  generatorItem(style, "&Delete", "Clear the selected part of the generated style",
                &TGen::ClearStyleItem);
  generatorItem(style, "R&estore", "Bring the imported material back as it was read",
                &TGen::RestoreStyleItem);
  style->addSeparator();
  Item(style, "Style-&Mode", " Select song mode or style mode", [this] {
    if (TGen* generator = Generator()) {
      bool styleMode;
      {
        std::lock_guard lock(engine_->Lock);
        styleMode = engine_->Style.StyleMode;
      }
      generator->SwitchMode(!styleMode);
    }
  });
  syncStartItem_ = Item(style, "Sy&nc. Start", "The style starts with the first chord",
                        locked([&e] { e.Transport.SyncStart1Click(); }));
  // Each part of the generated style played alone, while the generator holds material.
  QMenu* parts = style->addMenu("Play Parts");
  const char* const partCaptions[] = {"&Intro",       "&Basic",         "&Extended",
                                      "&Ending",      "&Fill in Basic", "Fi&ll in Extended",
                                      "To E&xtended", "To Ba&sic"};
  for (int part = 0; part < static_cast<int>(std::size(partCaptions)); ++part) {
    Item(parts, partCaptions[part], "Play this part of the generated style", [this, part] {
      TGen* generator = Generator();
      if (!generator || !generator->PlayPart(part))
        dialogs_.ShowStatus("This part of the generated style is not set.");
    });
  }
  playPartsMenu_ = parts;
  style->addSeparator();
  Item(style, "Style-M&anager ...", "Browse, audition and group the styles",
       [this] { ShowWindow("TStyleManager"); });
  Item(style, "Style-Crea&tor ...", "Import MIDI files, find their chords and make styles of them",
       [this] { ShowStyleCreator(); });
  Item(style, "Style-E&vents ...", "List and change the events of a style part",
       [this] { ShowStyleEvents(); });

  menuBar()->addMenu(SongFiles->Melody);
  for (QAction* item : SongFiles->Melody->actions())
    if (!item->menu()) MenuItems["Melody/" + item->text().remove('&')] = item;
  for (QAction* item : SongFiles->QuantizeItems) MenuItems["Quantize/" + item->text()] = item;

  QMenu* commands = menuBar()->addMenu("&Commands");
  Item(commands, "Tap Tempo", "Tap one bar's beats to set the tempo", [this] {
    TTempo tap(*engine_, *TempoEdit1, this);
    tap.exec();
  });
  Item(commands, "All Notes Off", "Silence every channel", locked([&e] {
         e.Mixer.AllNotesOff();
         e.Chords.ChordTypeOverride = 0;
       }));
  Item(commands, "Reset Controllers", "Reset the controllers of all channels", locked([&e] {
         e.Mixer.ControllerReset();
         e.Chords.ChordTypeOverride = 0;
       }));
  Item(commands, "Send Voice Messages", "Send the live channel's instrument and mixer values",
       locked([&e] { e.Mixer.SendValues(); }));
  Item(commands, "Set Startvalues", "Reset the controllers and set up the live channels",
       locked([&e] {
         e.Mixer.ControllerReset();
         e.Chords.ChordTypeOverride = 0;
         e.Mixer.LiveSetUp();
       }));
  QMenu* reset = commands->addMenu("MIDI Reset ...");
  Item(reset, "GM", "General MIDI System On",
       locked([&e] { e.Mixer.StartDeviceReset(DeviceReset::Gm); }));
  Item(reset, "GS", "GS Reset", locked([&e] { e.Mixer.StartDeviceReset(DeviceReset::Gs); }));
  Item(reset, "XG", "XG System On", locked([&e] { e.Mixer.StartDeviceReset(DeviceReset::Xg); }));

  QMenu* keyboard = menuBar()->addMenu("&Keyboard");
  Checked(keyboard, "Accompaniment", "The chord section plays chords", e.Input.Chords, [this, &e] {
    {
      std::lock_guard lock(e.Lock);
      e.SetAccompaniment(!e.Input.Chords);
    }
    GuideStep(28);
  });
  Toggle(keyboard, "2-Finger-Chords", "Chords from two keys", e.Transport.TwoFingerChords);
  Checked(keyboard, "Adjust Octave", "Keep the voicing near the played chord", e.Live.AdjustOctave,
          locked([&e] { e.Player.ToggleAdjustOctave(); }));
  Checked(keyboard, "Play Chords", "The chord keys sound as chords", e.Transport.PlayChordsMode,
          locked([&e] { e.Chords.SetPlayChords(!e.Transport.PlayChordsMode); }));
  Toggle(keyboard, "Major <> Minor", "Play major chords as minor and minor as major",
         e.Chords.MajorMinor);
  Toggle(keyboard, "Harmonic Pad", "The pad channel holds the chord", e.Live.HarmonicPad,
         silenceLiveChannel);
  Toggle(keyboard, "Melody Ad Lib", "Melody notes follow the chord", e.Input.MelodyAdLib,
         [this, &e] {
           {
             std::lock_guard lock(e.Lock);
             e.Player.ChannelSoundOff(*e.Ports.PlayPort, e.Live.SelChannel);
             e.Codes.SendAdLib(e.Input.MelodyAdLib);
           }
           GuideStep(30);
         });
  // The two play-along modes are the solo/mute panel's: the panel keeps them apart.
  const auto playAlong = [this](QCheckBox* box) {
    box->click();
    bool on;
    {
      std::lock_guard lock(engine_->Lock);
      on = engine_->Live.MinusOne || engine_->Live.ReplaceOne;
    }
    if (on) ShowPanel("Solo - Mute", true);
  };
  Checked(keyboard, "Minus One", "The style leaves out its notes on the selected channel",
          e.Live.MinusOne, [this, playAlong] { playAlong(SoloMute->MinusOne); });
  Checked(keyboard, "Replace One", "Your playing replaces the style on the selected channel",
          e.Live.ReplaceOne, [this, playAlong] { playAlong(SoloMute->ReplaceOne); });
  Toggle(keyboard, "12 Instruments", "The function-key octave selects instruments",
         e.Input.InstrumentSwitch, [this] { GuideStep(28); });
  Toggle(keyboard, "Keyboardsplit", "Split the keyboard into zones", e.Input.KeyboardSplit);

  QMenu* options = menuBar()->addMenu("&Options");
  Toggle(options, "Metronome", "Click on every beat", e.Transport.Metronome, locked([&e] {
           e.Transport.ClickCounter = static_cast<int16_t>(e.Transport.ClickAccentPeriod + 1);
           if (!e.Ports.PlayPort->IsOpen()) return;
           e.Ports.PlayPort->PutShort(0x99, 56, 0);
           e.Ports.PlayPort->PutShort(0x99, static_cast<uint8_t>(e.Transport.ClickNote), 0);
         }));
  Toggle(options, "Count in", "One measure of clicks before playing", e.Transport.CountIn);
  Toggle(options, "Ignore Tempi", "Songs play at the tempo set here", e.Song.IgnoreTempi);
  Toggle(options, "Ignore Loops", "Songs play their repeats once", e.Song.IgnoreLoops);
  QMenu* styleOptions = options->addMenu("Style, Intro && Ending");
  Toggle(styleOptions, "Autoload", " Load song and style together", SongFiles->Files.Autoload);
  Toggle(styleOptions, "Intro Detection", "A style starts at its stored start measure",
         e.Transport.IntroDetection);
  Toggle(styleOptions, "Tempo Detection", "A style brings its tempo", e.Transport.TempoDetection);
  Toggle(styleOptions, "Normalize Volume", "Bring the loudest channel of a style to 100",
         e.Loader.Settings.NormalizeVolume);
  Toggle(styleOptions, "Reverb off", "Styles play without reverb", e.Live.ReverbOff, locked([&e] {
           if (e.Live.ReverbOff) e.Live.ReverbDefined = false;
         }));
  Toggle(styleOptions, "Reverb defined", "Styles play with the defined reverb",
         e.Live.ReverbDefined, locked([&e] {
           if (e.Live.ReverbDefined) e.Live.ReverbOff = false;
         }));
  Checked(styleOptions, "Play Intro", "A new style starts with its intro", e.Generator.PlayIntro,
          [this] {
            if (TGen* generator = Generator()) generator->PlayIntroItem->trigger();
          });
  // How the measures before "First measure" sound.
  styleOptions->addSeparator();
  const std::pair<const char*, LeadInMute> leadIns[] = {
      {"Mute None ", LeadInMute::MuteNone},
      {"Mute All", LeadInMute::MuteAll},
      {"Drums", LeadInMute::Drums},
      {"Drums L.M.", LeadInMute::DrumsLastMeasure},
      {"Metronome", LeadInMute::Metronome}};
  const char* const leadInHints[] = {
      "The lead-in plays every channel", "The lead-in is silent", "The lead-in plays the drums",
      "The lead-in plays the drums in its last measure", "The lead-in clicks the metronome"};
  for (size_t i = 0; i < std::size(leadIns); ++i) {
    const LeadInMute mute = leadIns[i].second;
    Choice(
        styleOptions, leadIns[i].first, leadInHints[i],
        [&e, mute] { return e.Song.LeadIn == mute; },
        locked([&e, mute] { e.Song.SetLeadIn(mute); }));
  }
  styleOptions->addSeparator();
  Toggle(styleOptions, "Play Ending", "The Ending key plays the ending; off, the style fades out",
         e.Player.PlayEnding);
  Checked(options, "Send Chord Codes ", "Send each chord as controller 19 or 20",
          e.Live.SendChordCodes, [this, &e] {
            {
              std::lock_guard lock(e.Lock);
              e.Codes.SetSending(!e.Live.SendChordCodes);
            }
            Midi->Refresh();
          });
  Checked(options, "Receive Chord Codes", "Take chords and Ad Lib from controllers 19 and 20",
          e.Live.ReceiveChordCodes,
          locked([&e] { e.Codes.SetReceiving(!e.Live.ReceiveChordCodes); }));

  Checked(options, "Master Mode", "Send MIDI clock to Korvel out", e.Transport.MasterMode,
          locked([&e] { e.Transport.SetMasterMode(!e.Transport.MasterMode); }));
  Checked(options, "Slave Mode", "Follow the MIDI clock from MIDI in", e.Transport.SlaveMode,
          locked([&e] { e.Transport.SetSlaveMode(!e.Transport.SlaveMode); }));
  BuildWindowMenus();
}

}  // namespace korvel
