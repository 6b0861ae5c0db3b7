#include "app/Engine.h"

#include <mutex>

#include "app/GeneratorCommands.h"

namespace korvel {

Engine::Engine(MidiDevices& devices, InputCallbackSettings& input, Dialogs& dialogs, View& view,
               Timing timing, InputDispatch dispatch)
    : devices_(devices),
      clock_(timing == Timing::Realtime
                 ? std::unique_ptr<ClockTimer>(new ClockThread(
                       Lock, [this] { Tick(); },
                       [&dialogs](const std::string& error) { dialogs.ReportError(error); },
                       [this] { Transport.ClockStalled(); }))
                 : std::unique_ptr<ClockTimer>(new SteppedClock)),
      realtime_(dynamic_cast<ClockThread*>(clock_.get())),
      stepped_(dynamic_cast<SteppedClock*>(clock_.get())),
      Transport(Ports, input, *clock_, view),
      Player(Style, Transport, Ports, input.Channels(), Chord, Keys, Notes, Live, view),
      Chords(Chord, Live, Transport, Player, Style, Ports),
      Loader(Style, Transport, dialogs),
      Input(Chords, Player, Transport, Style, Ports, input.Channels(), Chord, Keys, Notes, Live),
      Keyboard(Input, Chords, Player, Transport, Style, Chord, Keys, Live),
      Pads(Input, Chords, Player, Transport, Style, Chord, Keys),
      Song(Transport, Player, Chords, Input, Style, Ports, Chord, Keys, Notes, Live, dialogs, view),
      Codes(Chords, Input, Chord, Live, Ports, Transport, view),
      Generator(Style, Transport, Player, Song, Chords, Chord, Notes, Live, input.Channels(), Ports,
                dialogs),
      StyleParts(Style, Generator, Transport, Player, Notes, dialogs),
      Recorder(Style, Transport, Generator, StyleParts, Player, Ports, input, dialogs),
      InputSettings(input),
      Sent(input.Channels()),
      Mixer(*this, dialogs),
      Ports(devices, input, dialogs, dispatch) {
  Style.Work.AllocateWork();
  Transport.InitClock();
  Player.AttachTo(Transport);
  Song.Attach();
  Recorder.Attach();
  Recorder.Hooks.TransmitControllers = [this] { return Live.TransmitControllers; };
  Recorder.Hooks.SetTransmitControllers = [this](bool on) { SetTransmitControllers(on); };
  Recorder.Hooks.ControllerReset = [this] { Mixer.ControllerReset(); };
  Recorder.Hooks.ReleaseAll = [this] { Pads.ReleaseAll(); };
  AttachMelody();
  Song.Hooks.AccompanimentOn = [this] { SetAccompaniment(true); };
  Song.Hooks.ResendChannelSettings = [this] { Player.SendStyleChannelSettings(); };
  Song.Hooks.SendPadSettings = [this] { Mixer.SendChannelRecord(Live.PadChannel()); };
  Input.Hooks.SendPadSettings = Song.Hooks.SendPadSettings;
  Keyboard.Hooks.Play = [this] { Song.Play(); };
  StyleParts.Hooks.Play = [this] { StartGeneratorPlay(*this); };
  // Whatever stops the player ends the generator's playback too, so that a main accompaniment
  // started later is never taken for it.
  Player.Hooks.ClearGeneratorFlags = [this] { Generator.Playing = false; };
  Keyboard.Hooks.SongActive = [this] { return Song.Running() || Song.Paused(); };
  Loader.Hooks.ChordMemoryBusy = [this] { return Song.Running(); };
  Transport.Hooks.ResetChordState = [this] {
    Chord.Clear();
    Chords.ChordTypeOverride = 0;
    Pads.ReleaseAll();
    Codes.Reset();
  };
  Player.Hooks.ChordVoiced = [this](int root, int type) { Codes.ChordVoiced(root, type); };
  Transport.Hooks.AnnounceChord = [this] { Codes.Announce(); };
  Transport.Hooks.ReceiveChordCode = [this](int channel, uint8_t controller, uint8_t value) {
    return Codes.Receive(channel, controller, value);
  };
  Codes.SongChordAhead = [this]() -> std::optional<ComingChord> {
    const bool playing =
        Song.TransportMode == kSongPlaying || Song.TransportMode == kSongPlayingFromEditor;
    if (!playing || Song.SongPos < Song.LoopStart) return std::nullopt;
    const ChordEntry entry = Song.ComingEntry();
    if (!entry.HasChord()) return std::nullopt;
    return ComingChord{entry.Root, entry.PlayableType(), Song.SongTranspose};
  };
  Codes.GeneratorPlaysStyle = [this] { return Generator.Playing && Style.StyleMode; };
  Codes.AdLibSwitched = [this](bool) { Mixer.SendChannelRecord(Live.SelChannel); };
  Pads.Hooks.EditChecked = [this] { return Song.Overwrite; };
  Transport.Hooks.ClearHeldNotes = [this] { Chords.ClearHeldNotes(); };
  Transport.Hooks.EndPlayedNotes = [this] {
    Player.EndBookedNotes(16);
    Melody.ReleaseSounding(*Ports.PlayPort);
  };
  Player.Hooks.ClearHeldNotes = [this] { Chords.ClearHeldNotes(); };
  Player.Hooks.SetChordFinal = [this](int root, int type) {
    Chords.SetChord(root, type, kFinalRoot);
  };
  Player.Hooks.ShowChord = [this, &view](int root, int type) {
    view.ChordPanel(Chords.ChordName(root, type));
    view.Title(Chords.TitleText(root, type));
  };
  Transport.Hooks.ResetChordDisplay = [&view] { view.ChordPanel(""); };
  // The intro muting of chord memory borrows the solo channel; the "Solo" choice takes it back.
  Transport.Hooks.ResetSoloChannel = [this] { Notes.SoloChannel = Notes.SoloSelection; };
  Ports.Hooks.ToggleClock = [this] { Transport.ToggleClock(); };
  Ports.Hooks.ResetAllControllers = [this] { Mixer.ControllerReset(); };
  Ports.Hooks.SilencePort = [this](TMidiOutput& port) { Player.AllSoundOff(port); };
  for (TMidiOutput* port : {&Ports.MidiOutput1, &Ports.MidiOutput2})
    port->Onmidioutput = [this](TMidiOutput&) { Mixer.SysexPlayed(); };
  Transport.Hooks.TransmitControllersOn = [this] { SetTransmitControllers(true); };
  Input.Hooks.SelectInstrumentPreset = [this](int preset) {
    // While the accompaniment plays, an instrument change waits for the next beat so that it
    // lands in time with the music.
    if (Player.Playing && Input.Chords)
      pendingPreset_ = preset;
    else
      Mixer.PlaySlot(preset);
  };
  Keyboard.Hooks.StorePreset = [this](int preset) { Mixer.StoreSlot(preset); };
  Keyboard.Hooks.Intro = [this] { Pads.IntroAction(); };
  // A chosen file that is no style stops the music and asks for help.
  Loader.Hooks.ShowHelp = [&dialogs](int) { dialogs.InformUser(kNoHelp); };
  Loader.Hooks.StopPlayback = [this] {
    if (Player.Playing) Player.StopPlayback();
  };
  Loader.Hooks.NormalizeVolumes = [this] { Mixer.NormalizeStyleVolume(Loader.Settings.MaxVolume); };
  Loader.Hooks.DistributeToMixer = [this] { Mixer.TakeStyleChannels(); };
  Generator.Hooks.ControllerReset = [this] { Mixer.ControllerReset(); };
  Loader.Hooks.ApplyReverbOptions = [this] {
    if (Live.ReverbOff) {
      Mixer.ReverbStep(128);
    } else if (Live.ReverbDefined) {
      Mixer.ReverbStep(129);
    }
  };
  Ports.MidiInput1.OnMidiInput = [this](TMidiInput& port) {
    std::lock_guard lock(Lock);
    Input.OnMidiKeyboardInput(port);
  };
  Ports.MidiInput2.OnMidiInput = [this](TMidiInput& port) {
    std::lock_guard lock(Lock);
    Transport.MidiInput2MidiInput(port);
  };
}

Engine::~Engine() {
  std::lock_guard lock(Lock);
  Transport.DoneClock();
  Ports.MidiInput1.Close();
  Ports.MidiInput2.Close();
}

void Engine::Tick() {
  if (BeforeTick) BeforeTick();
  Transport.ClockTick();
  if (Transport.ClockInBeat == 1) ApplyPendingPreset();
}

void Engine::ApplyPendingPreset() {
  if (pendingPreset_ < 0) return;
  Mixer.PlaySlot(pendingPreset_);
  pendingPreset_ = -1;
}

void Engine::AttachMelody() {
  SongTransportHooks& song = Song.Hooks;
  song.ClearMelody = [this] { Melody.Clear(); };
  song.MelodyEmpty = [this] { return Melody.Empty(); };
  song.StartMelody = [this] {
    // A take records on the clock of the place it starts at, from measure 1 or later, fresh or
    // resumed. Playback has the melody's clock only from the song's beginning: repeats and
    // loops before a later start leave no place to find.
    const int pos = Song.SongPos;
    melodyFollows_ = Song.TransportMode > 0 || pos <= kFirstBeatPos;
    SongClock = pos > kFirstBeatPos ? (pos - kFirstBeatPos) / 4 * Transport.ClocksPerBeat - 1 : -1;
    Melody.Seek(static_cast<uint32_t>(SongClock + 1));
    melodyMarks_ = {};
  };
  song.SaveMelody = [this](MelodyMark mark) {
    melodyMarks_[static_cast<size_t>(mark)] = {Melody.Position(), SongClock};
  };
  song.RestoreMelody = [this](MelodyMark mark) {
    const MelodyPlace place = melodyMarks_[static_cast<size_t>(mark)];
    if (place.Position < 0) {
      // A jump to a place the melody never passed: it cannot follow.
      Melody.JumpBack(Melody.Position(), *Ports.PlayPort);
      melodyFollows_ = false;
      return;
    }
    Melody.JumpBack(place.Position, *Ports.PlayPort);
    SongClock = place.Clock;
  };
  song.PlayMelody = [this](bool play) {
    if (Melody.Playing != play) Melody.TogglePlay(*Ports.PlayPort);
  };
  song.PauseMelody = [this] {
    Melody.ReleaseSounding(*Ports.PlayPort);
    melodyFollows_ = false;
  };
  Transport.Hooks.StopMelodyAndPads = [this] {
    ApplyPendingPreset();  // a choice made just before Stop is not lost
    Melody.TransportStopped(*Ports.PlayPort);
    melodyFollows_ = false;
    SongClock = -1;
  };
  Transport.Hooks.MelodyTick = [this] { MelodyTick(); };
  Input.Hooks.RecordMelody = [this](uint8_t status, uint8_t data1, uint8_t data2, int transposed) {
    if (melodyFollows_ && SongClock >= 0 && Song.Running()) {
      Melody.RecordMelodyEvent(static_cast<uint32_t>(SongClock), status, data1, data2, transposed);
    }
  };
}

void Engine::MelodyTick() {
  if (!melodyFollows_ || !Song.Running()) return;
  // The song clock starts with the first measure's first beat; a count-in before it is not
  // part of the song.
  if (Song.SongPos <= kFirstBeatPos) return;
  ++SongClock;
  Melody.PlayMelodyTick(static_cast<uint32_t>(SongClock), *Ports.PlayPort, Live,
                        Input.KeyTranspose());
}

void Engine::SetAccompaniment(bool on) {
  Input.Chords = on;
  Keyboard.Accompaniment = on;
  Player.EndBookedNotes(16);
  Player.ChannelSoundOff(*Ports.PlayPort, Live.SelChannel);
}

void Engine::SetTransmitControllers(bool on) {
  Live.TransmitControllers = on;
  InputSettings.SetThinning(!on);
}

bool Engine::CheckDevices(const std::function<void()>& beforeChange) {
  MidiDevices::Listing now = devices_.List();
  std::lock_guard lock(Lock);
  if (beforeChange) beforeChange();
  return Ports.CheckDevices(std::move(now));
}

bool Engine::Step() {
  std::lock_guard lock(Lock);
  if (!stepped_ || !stepped_->Running()) return false;
  Tick();
  return true;
}

}  // namespace korvel
