// korvel-cli: the Korvel core without a display, for scripts and checks.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <optional>
#include <thread>

#include "app/Engine.h"
#include "app/FileNames.h"
#include "app/FilePlay.h"
#include "app/HeadlessUi.h"
#include "app/MidiFileImport.h"
#include "app/MidiSystem.h"
#include "app/ProgressionPlayer.h"
#include "app/Render.h"
#include "app/SongListFile.h"
#include "app/SongSource.h"
#include "app/SongTimeline.h"
#include "app/Songs.h"
#include "app/TapTempo.h"
#include "cli/ExportCommands.h"
#include "cli/PadCommands.h"
#include "cli/SongEditCommands.h"
#include "cli/StyleCommands.h"
#include "cli/WorkCommands.h"
#include "engine/Style.h"
#include "midi/MidiPorts.h"
#include "performance/ArrangementFile.h"
#include "performance/ChordTypes.h"
#include "performance/Progression.h"
#include "platform/AtomicFile.h"
#include "platform/PacedThread.h"
#include "platform/RecordingDriver.h"
#include "stylegen/ConversionTables.h"
#include "stylegen/MidiFileWriter.h"
#include "stylegen/MidiImport.h"
#include "stylegen/StyleGenerator.h"
#include "stylegen/StyleSource.h"
#include "stylegen/WorkWalk.h"

namespace {

volatile std::sig_atomic_t interrupted = 0;

// Sleeps in small steps so Ctrl-C ends a run cleanly, with every port closed.
void RunFor(double seconds) {
  std::signal(SIGINT, [](int) { interrupted = 1; });
  std::signal(SIGTERM, [](int) { interrupted = 1; });
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!interrupted && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// A device by its list name; "synth" names the built-in synthesizer. -1 when there is none.
int FindDevice(const std::vector<std::string>& list, const std::string& name, bool outputs) {
  if (outputs && name == "synth") return static_cast<int>(list.size()) - 2;
  auto it = std::find(list.begin(), list.end(), name);
  if (it == list.end() || *it == korvel::kNoDevice) return -1;
  return static_cast<int>(it - list.begin());
}

struct ClockOptions {
  int Tempo = 120;
  double Seconds = 10;
  std::string Out = "synth";
  std::string In;
  bool Master = false;
  bool Slave = false;
  bool Metronome = false;
  bool CountIn = false;
};

int Clock(const korvel::MidiSystemSettings& settings, const ClockOptions& options) {
  korvel::MidiSystem system(settings);
  korvel::TextDialogs dialogs(&std::cerr);
  korvel::NoView view;
  korvel::Engine engine(system.Devices, system.InputSettings, dialogs, view);
  korvel::Transport& transport = engine.Transport;
  korvel::MidiPorts& ports = engine.Ports;
  {
    std::lock_guard lock(engine.Lock);
    const int out = FindDevice(ports.OutputList(), options.Out, true);
    if (out < 0) {
      std::cerr << "No MIDI output \"" << options.Out << "\"; korvel-cli devices lists them.\n";
      return 1;
    }
    ports.ComboBox5 = static_cast<int>(ports.OutputList().size()) - 1;
    ports.ComboBox1 = out;
    ports.ComboBox1Change();
    if (!ports.MidiOutput1.IsOpen()) return 1;  // the reason is printed already
    if (options.Slave) {
      ports.MidiInList = FindDevice(ports.InputList(), options.In, false);
      if (ports.MidiInList < 0) {
        std::cerr << "No MIDI input \"" << options.In << "\"; korvel-cli devices lists them.\n";
        return 1;
      }
      ports.MidiInChange();
      if (!ports.MidiInput2.IsOpen()) return 1;
    }
    if (transport.ClockState != 0) transport.ToggleClock();  // choosing an output switched it
    // Each mode switch stops playback first; switched in this order no stray Stop goes out.
    if (options.Slave) transport.SetSlaveMode(true);
    if (options.Master) transport.SetMasterMode(true);
    transport.Metronome = options.Metronome;
    transport.Tempo = options.Tempo;
    transport.ToggleClock();
    if (options.CountIn) transport.ArmCountIn();
  }
  RunFor(options.Seconds);
  std::lock_guard lock(engine.Lock);
  transport.StopCommand();
  if (transport.ClockState != 0) transport.ToggleClock();
  std::cout << "clocks " << transport.TickCount << "\n"
            << "dropped " << engine.RealtimeClock()->Dropped() << "\n"
            << "realtime " << (engine.RealtimeClock()->Realtime() ? "yes" : "no") << "\n";
  return 0;
}

int StyleInfo(const std::string& path) {
  std::string error;
  const auto bytes = korvel::ReadWholeFile(path, error);
  if (!bytes) {
    std::cerr << error << "\n";
    return 1;
  }
  korvel::Style style;
  style.Work.AllocateWork();
  const std::vector<int> damaged = style.TakeFileContents(*bytes);
  style.AnalyseStyleParts(0, korvel::kStylePartCount - 1, 1, "");
  style.StyleName = korvel::MakeStyleName(path, style.Parts);
  std::cout << korvel::StyleInfoText(style);
  for (int part : damaged) {
    std::cerr << "part " << part << " points outside the material and was left out\n";
  }
  return 0;
}

int SongInfo(const std::string& path) {
  try {
    std::cout << korvel::SongInfoText(korvel::LoadArrangementFile(path));
  } catch (const korvel::ArrangementError& e) {
    std::cerr << path << ": " << e.what() << "\n";
    return 1;
  }
  return 0;
}

// A song list, one song per line with its settings; damaged lines and settings are told on
// standard error.
int SongList(const std::string& path) {
  std::string error;
  const auto bytes = korvel::ReadWholeFile(path, error);
  if (!bytes) {
    std::cerr << error << "\n";
    return 1;
  }
  std::vector<int> lineNumbers;
  const std::vector<std::string> lines = korvel::SongListLines(*bytes, &lineNumbers);
  int number = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const int at = lineNumbers[i];
    std::string why;
    const auto read = korvel::ParseSongEntry(lines[i], &why);
    if (!read) {
      std::cerr << "line " << at << ": " << why << ", skipped\n";
      continue;
    }
    for (const std::string& field : read->BadFields)
      std::cerr << "line " << at << ": " << field << " cannot be read and is left as it is\n";
    const korvel::SongEntry& entry = read->Entry;
    std::cout << "song " << ++number << " " << entry.Title << "|" << entry.Path;
    const std::string settings = korvel::SongSettingsText(entry);
    std::cout << (settings.empty() ? "" : " ") << settings << "\n";
  }
  return 0;
}

// Reads a MIDI file as the style generator does; the reader's message when it refuses it.
int ImportMidi(const std::string& path, bool optimizeTiming, bool dump) {
  std::string error;
  const auto bytes = korvel::ReadWholeFile(path, error);
  if (!bytes) {
    std::cerr << error << "\n";
    return 1;
  }
  korvel::MidiReadSettings settings;
  settings.OptimizeTiming = optimizeTiming;
  try {
    std::cout << korvel::MidiReadText(korvel::ReadMidiFile(*bytes, settings), "4/4", dump);
  } catch (const korvel::MidiFileError& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  return 0;
}

// The generator's chord-analysis settings as the command line gives them.
struct AnalyseOptions {
  std::string Interval;  // "1/4" .. "2/1", or "1" and "2" for whole measures; empty: the file's
  int Variety = 0;       // 1..4, 0: the generator's
  int Sensitivity = 0;   // 1..4, 0: the generator's
};

// The items of "Change Chord per Measure ...".
constexpr const char* kIntervalItems[] = {"1/4", "1/2", "3/4", "1/1", "5/4", "6/4", "7/4", "2/1"};

// A headless engine holding an imported MIDI file in its generator, as "Open MIDI file" leaves it.
class GeneratorSession {
 public:
  GeneratorSession()
      : devices_(none_, nullptr),
        input_(channels_),
        engine_(devices_, input_, dialogs_, view_, korvel::Timing::Stepped,
                korvel::InputDispatch::Manual),
        import_(engine_, dialogs_, view_) {
    korvel::StyleGenerator& gen = engine_.Generator;
    import_.Hooks.SaveLiveChannelSettings = [&gen] { gen.SaveLiveChannelSettings(); };
    import_.Hooks.ResetGeneratedStyle = [&gen] { gen.ResetGeneratedStyle(); };
    import_.Hooks.NewWork = [&gen] { gen.NewWork(std::nullopt); };
    import_.Hooks.SetChordInterval = [&gen](int item) { gen.ChordIntervalIndex = item; };
    import_.Hooks.PlaceKeyboardChannel = [&gen](bool restore) {
      gen.PlaceKeyboardChannel(restore);
    };
  }

  // False, with the reader's message on standard error, when the file is refused.
  bool Import(const std::string& path, const AnalyseOptions& options) {
    std::lock_guard lock(engine_.Lock);
    if (!import_.ImportMidiFile(path, false, true)) return false;
    korvel::StyleGenerator& gen = engine_.Generator;
    if (!options.Interval.empty()) {
      const std::string item = options.Interval == "1"   ? "1/1"
                               : options.Interval == "2" ? "2/1"
                                                         : options.Interval;
      const auto* found = std::find(std::begin(kIntervalItems), std::end(kIntervalItems), item);
      if (found == std::end(kIntervalItems)) {
        std::cerr << "The interval " << options.Interval << " is none of 1/4 .. 2/1\n";
        return false;
      }
      gen.ChordIntervalIndex = static_cast<int>(found - std::begin(kIntervalItems));
    }
    if (options.Variety > 0) gen.VarietyIndex = options.Variety - 1;
    if (options.Sensitivity > 0) gen.SensitivityIndex = options.Sensitivity - 1;
    return true;
  }

  korvel::Engine& Engine() { return engine_; }

 private:
  korvel::TextDialogs dialogs_{&std::cerr};
  korvel::NoView view_;
  korvel::RecordingDriver none_{{}, {}};
  korvel::MidiDevices devices_;
  korvel::ChannelState channels_;
  korvel::InputCallbackSettings input_;
  korvel::Engine engine_;
  korvel::MidiFileImport import_;
};

// One line per chord entry of the chord memory ("chord M:B ROOT TYPE NAME"), then "end M" with
// the last measure the song holds.
void PrintChords(korvel::Engine& engine) {
  const korvel::SongTransport& song = engine.Song;
  const int ms = std::max<int>(engine.Transport.MeasureSixteenths, 4);
  for (int pos = korvel::kFirstBeatPos; pos < song.SongEnd && pos <= korvel::kLastBeatPos;
       pos += 4) {
    const korvel::ChordEntry entry = song.Memory.Entry(pos);
    if (!entry.HasChord()) continue;
    std::cout << "chord " << korvel::PositionText(pos, ms) << " " << int{entry.Root} << " "
              << int{entry.Type} << " " << engine.Chords.ChordName(entry.Root, entry.Type) << "\n";
  }
  // The end mark stands in the measure after the last one.
  std::cout << "end " << (song.Empty() ? 0 : korvel::MeasureOf(song.SongEnd, ms) - 2) << "\n";
}

int Analyse(const std::string& path, const AnalyseOptions& options) {
  GeneratorSession session;
  if (!session.Import(path, options)) return 1;
  korvel::Engine& engine = session.Engine();
  std::lock_guard lock(engine.Lock);
  engine.Generator.AnalyseChords(korvel::GeneratorSender::GenerateChords);
  PrintChords(engine);
  return 0;
}

struct ConvertOptions {
  int Mode = korvel::kDefaultConvertMode;
  std::string Chords;  // a progression; empty: the analysed chords
  std::vector<int> Measures;
  std::string Out;
};

// The chord memory takes the progression's chords, one entry where each begins.
bool WriteProgressionChords(korvel::Engine& engine, const std::string& text) {
  std::vector<korvel::ProgressionStep> steps;
  try {
    steps = korvel::ParseProgression(text);
  } catch (const std::invalid_argument& e) {
    std::cerr << e.what() << "\n";
    return false;
  }
  korvel::SongTransport& song = engine.Song;
  song.ClearChordMemory();
  song.Memory.SetControl(korvel::kFirstBeatPos, 0, 0);
  int pos = korvel::kFirstBeatPos;
  for (const auto& step : steps) {
    if (!step.Chord) continue;
    const int root = korvel::PlacedRoot(
        engine.Live.FirstKey + (step.Chord->PitchClass + engine.Chords.RootPlaceOffset()) % 12);
    song.Memory.SetEntry(
        pos, {static_cast<uint8_t>(root), static_cast<uint8_t>(step.Chord->Type), 0, 0});
    pos += 4 * step.Beats;
  }
  const int ms = std::max<int>(engine.Transport.MeasureSixteenths, 4);
  const int end = std::min(korvel::MeasureStartAtOrAfter(pos, ms), korvel::kLastBeatPos);
  song.Memory.SetControl(end, korvel::kCommandEnd, 0);
  song.SongEnd = std::min(end + ms, korvel::kChordMemorySize);
  // These are the chords to convert with: nothing finds others.
  engine.Generator.StoredSettingsCode = engine.Generator.SettingsCode();
  return true;
}

int Convert(const std::string& path, const ConvertOptions& options) {
  GeneratorSession session;
  if (!session.Import(path, {})) return 1;
  korvel::Engine& engine = session.Engine();
  std::lock_guard lock(engine.Lock);
  korvel::StyleGenerator& gen = engine.Generator;
  gen.ConvertMode = options.Mode;
  if (!options.Chords.empty() && !WriteProgressionChords(engine, options.Chords)) return 1;
  bool converted;
  if (options.Measures.empty()) {
    converted = gen.ConvertAll(korvel::GeneratorSender::ConvertAll);
  } else {
    gen.LoopRange = {options.Measures[0], 1, options.Measures[1]};
    converted = gen.ConvertAll(korvel::GeneratorSender::ConvertMeasures);
  }
  if (!converted) std::cerr << "Nothing was converted\n";
  std::vector<korvel::TimedMessage> messages;
  korvel::WalkWork(engine.Style.Work, false, [&messages](const korvel::WorkMessage& m) {
    const int kind = m.Status & 0xF0;
    if (kind == 0xC0 || kind == 0xD0) {
      messages.push_back({m.Clock, {m.Status, m.Data1}});
    } else {
      messages.push_back({m.Clock, {m.Status, m.Data1, m.Data2}});
    }
  });
  try {
    korvel::WriteFileAtomically(options.Out,
                                korvel::StandardMidiFile(messages, engine.Transport.Tempo));
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  return 0;
}

int SongTimeline(const std::string& path, korvel::SongTimelineSettings settings) {
  korvel::Arrangement song;
  try {
    song = korvel::LoadArrangementFile(path);
  } catch (const korvel::ArrangementError& e) {
    std::cerr << path << ": " << e.what() << "\n";
    return 1;
  }
  settings.MeasureSixteenths = song.MeasureSixteenths();
  settings.FirstMeasure = song.FirstMeasure();
  std::cout << korvel::SongTimeline(
      std::vector<uint8_t>(song.Chords.begin(), song.Chords.begin() + song.SongEnd), settings);
  return 0;
}

// Renders offline into FILE.mid or FILE.wav; nothing for any other name.
std::optional<korvel::RenderResult> RenderToFile(const korvel::MidiSystemSettings& settings,
                                                 const korvel::OfflineStart& start,
                                                 const std::string& out, korvel::Dialogs& dialogs,
                                                 korvel::View& view) {
  if (korvel::EndsWithNoCase(out, ".mid"))
    return korvel::RenderToMidiFile(start, out, dialogs, view);
  if (!korvel::EndsWithNoCase(out, ".wav")) return std::nullopt;
  korvel::SynthSettings synth = settings.Synth;
  synth.RenderFile = out;
  return korvel::RenderToWav(start, synth, dialogs, view);
}

int SongRender(const korvel::MidiSystemSettings& settings, korvel::SongRequest request,
               const std::string& out) {
  korvel::TextDialogs dialogs(&std::cerr);
  korvel::NoView view;
  // A song's style is looked for in the STYLES folder beside its SONGS folder.
  request.StyleFolder =
      (std::filesystem::absolute(request.Song).parent_path().parent_path() / "STYLES").string();
  const auto result =
      RenderToFile(settings, korvel::SongStart(request, dialogs, view), out, dialogs, view);
  if (!result) {
    std::cerr << "The output is a .mid or a .wav file.\n";
    return 1;
  }
  if (!result->Played) return 1;
  std::cout << "clocks " << result->Clocks << "\n";
  return 0;
}

int Play(const korvel::MidiSystemSettings& settings, const korvel::PerformanceRequest& request,
         const std::string& out) {
  korvel::TextDialogs dialogs(&std::cerr);
  korvel::NoView view;
  korvel::RenderResult result;
  if (auto rendered =
          RenderToFile(settings, korvel::ProgressionStart(request), out, dialogs, view)) {
    result = *rendered;
  } else {
    korvel::MidiSystem system(settings);
    korvel::Engine engine(system.Devices, system.InputSettings, dialogs, view);
    korvel::ProgressionPlayer performance(engine, korvel::ParseProgression(request.Chords),
                                          request.StartPart);
    {
      std::lock_guard lock(engine.Lock);
      const int index = FindDevice(engine.Ports.OutputList(), out, true);
      if (index < 0) {
        std::cerr << "No MIDI output \"" << out << "\"; korvel-cli devices lists them.\n";
        return 1;
      }
      if (!korvel::PreparePerformance(engine, index, request, performance)) return 1;
    }
    std::signal(SIGINT, [](int) { interrupted = 1; });
    std::signal(SIGTERM, [](int) { interrupted = 1; });
    while (!interrupted && !performance.Finished()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::lock_guard lock(engine.Lock);
    engine.Transport.StopCommand();
    if (engine.Transport.ClockState != 0) engine.Transport.ToggleClock();
    result = {true, static_cast<int64_t>(engine.Transport.TickCount)};
  }
  if (!result.Played) return 1;
  std::cout << "clocks " << result.Clocks << "\n";
  return 0;
}

int FilePlay(const korvel::MidiSystemSettings& settings, const korvel::FilePlayRequest& request,
             const std::string& out) {
  korvel::TextDialogs dialogs(&std::cerr);
  korvel::RenderResult result;
  std::string realtime;  // whether the pacing thread got real-time scheduling, when it ran
  if (korvel::EndsWithNoCase(out, ".mid")) {
    result = korvel::FilePlayToMidiFile(request, out, dialogs);
  } else if (korvel::EndsWithNoCase(out, ".wav")) {
    korvel::SynthSettings synth = settings.Synth;
    synth.RenderFile = out;
    result = korvel::FilePlayToWav(request, synth, dialogs);
  } else {
    korvel::NoView view;
    korvel::MidiSystem system(settings);
    korvel::Engine engine(system.Devices, system.InputSettings, dialogs, view);
    korvel::MidiFilePlayer player(engine.Ports, system.Devices, dialogs);
    korvel::PacedThread clock(
        engine.Lock, korvel::kFileSampleRate, korvel::kFileBlockFrames,
        [&player](int64_t frames) { player.Advance(frames); },
        [&player] { player.EndSoundingNotes(); });
    {
      std::lock_guard lock(engine.Lock);
      const int index = FindDevice(engine.Ports.OutputList(), out, true);
      if (index < 0) {
        std::cerr << "No MIDI output \"" << out << "\"; korvel-cli devices lists them.\n";
        return 1;
      }
      player.SelectOutput(index);
      if (!player.Output()) return 1;  // the reason is printed already
      player.RunClock = [&clock](bool run) { run ? clock.Start() : clock.Stop(); };
      if (!korvel::StartFilePlay(player, request)) return 1;
    }
    std::signal(SIGINT, [](int) { interrupted = 1; });
    std::signal(SIGTERM, [](int) { interrupted = 1; });
    while (!interrupted) {
      {
        std::lock_guard lock(engine.Lock);
        if (korvel::FilePlayDone(player, request)) break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::lock_guard lock(engine.Lock);
    player.Stop();
    result = {true, player.Frames() * 24 * player.Tempo() / 60 / korvel::kFileSampleRate};
    realtime = clock.Realtime() ? "yes" : "no";
  }
  if (!result.Played) return 1;
  std::cout << "clocks " << result.Clocks << "\n";
  if (!realtime.empty()) std::cout << "realtime " << realtime << "\n";
  return 0;
}

// Reads a readable source and hands its text to `compile`; a source error names the file.
template <typename SourceError, typename Compile>
int BuildFromSource(const std::string& source, Compile compile) {
  std::string error;
  const auto bytes = korvel::ReadWholeFile(source, error);
  if (!bytes) {
    std::cerr << error << "\n";
    return 1;
  }
  try {
    compile(std::string(bytes->begin(), bytes->end()));
  } catch (const SourceError& e) {
    std::cerr << source << ": " << e.what() << "\n";
    return 1;
  }
  return 0;
}

int StyleBuild(const std::string& source, const std::string& out) {
  return BuildFromSource<korvel::StyleSourceError>(source, [&out](const std::string& text) {
    const auto compiled = korvel::CompileStyleSource(text);
    const auto& c = compiled.Contents;
    korvel::WriteStyleFile(out, c.Channels, c.Parts, c.Material);
    std::cout << compiled.Name << " " << c.Material.size() << " bytes\n";
  });
}

int SongBuild(const std::string& source, const std::string& out) {
  return BuildFromSource<korvel::SongSourceError>(source, [&out](const std::string& text) {
    const auto song = korvel::CompileSongSource(text);
    korvel::SaveArrangementFile(out, song);
    std::cout << song.Title << " " << song.LastMeasure() << " measures\n";
  });
}

// One line per bar the taps complete; "no tempo" when none gives one.
int TapTempoCommand(const std::vector<int64_t>& times, int taps, bool eighths) {
  korvel::TapTempo bar(taps, eighths);
  bool printed = false;
  for (int64_t ms : times) {
    const auto result = bar.Tap(ms);
    if (result == korvel::TapTempo::Result::Waiting) continue;
    std::cout << (result == korvel::TapTempo::Result::Tempo ? "tempo " + std::to_string(bar.Tempo())
                                                            : std::string("no tempo"))
              << "\n";
    printed = true;
  }
  if (!printed) std::cout << "no tempo\n";
  return 0;
}

int Chord(const std::vector<int>& notes, int firstKey, bool twoFinger) {
  korvel::TextDialogs dialogs(&std::cerr);
  korvel::NoView view;
  korvel::RecordingDriver none({}, {});
  korvel::MidiDevices devices(none, nullptr);
  korvel::ChannelState channels;
  korvel::InputCallbackSettings input(channels);
  korvel::Engine engine(devices, input, dialogs, view, korvel::Timing::Stepped,
                        korvel::InputDispatch::Manual);
  std::lock_guard lock(engine.Lock);
  engine.Chords.SetFirstKey(firstKey);
  engine.Transport.TwoFingerChords = twoFinger;
  for (int note : notes) engine.Chords.ChordKeyOn(note);
  const int root = engine.Chord.EditChordRoot;
  if (root == korvel::kNoChord) {
    std::cout << "none\n";
    return 0;
  }
  std::cout << "root " << root << "\n"
            << "type " << engine.Chord.EditChordType << "\n"
            << "name " << engine.Chords.ChordName(root, engine.Chord.EditChordType) << "\n";
  return 0;
}

int Live(const korvel::MidiSystemSettings& settings, const std::string& style,
         const std::string& in, const std::string& out, const std::string& record) {
  korvel::TextDialogs dialogs(&std::cerr);
  korvel::NoView view;
  korvel::MidiSystem system(settings);
  korvel::Engine engine(system.Devices, system.InputSettings, dialogs, view);
  {
    std::lock_guard lock(engine.Lock);
    korvel::MidiPorts& ports = engine.Ports;
    const int output = FindDevice(ports.OutputList(), out, true);
    ports.ExtMidiInList = FindDevice(ports.InputList(), in, false);
    if (output < 0 || ports.ExtMidiInList < 0) {
      std::cerr << "No MIDI " << (output < 0 ? "output \"" + out : "input \"" + in)
                << "\"; korvel-cli devices lists them.\n";
      return 1;
    }
    ports.ComboBox5 = static_cast<int>(ports.OutputList().size()) - 1;
    ports.ComboBox1 = output;
    ports.ComboBox1Change();
    ports.ExtMidiInChange();
    if (!ports.MidiOutput1.IsOpen() || !ports.MidiInput1.IsOpen()) return 1;
    if (engine.Transport.ClockState != 0) engine.Transport.ToggleClock();
    engine.Transport.TempoDetection = true;
    engine.Style.StyleFileName = style;
    engine.Loader.LoadStyle(false);  // switches the clock on: the first chord starts the style
    if (!engine.Style.StyleLoaded) return 1;
    if (!record.empty()) {
      engine.Melody.ToggleRecord(dialogs, engine.Live.SelChannel);
      engine.Song.Record();  // the song's first measure begins; the first chord starts the style
      if (!engine.Song.Running()) return 1;
    }
  }
  std::cout << (record.empty() ? "playing; Ctrl-C ends\n" : "recording; Ctrl-C ends and saves\n")
            << std::flush;
  RunFor(1e9);
  std::lock_guard lock(engine.Lock);
  // Stopping the song closes the take (its end mark and last measure) before it is saved.
  engine.Song.Stop();
  if (engine.Transport.ClockState != 0) engine.Transport.ToggleClock();
  if (record.empty()) return 0;
  korvel::Songs songs(engine, dialogs, view);
  if (!songs.SaveArrangement(record)) return 1;
  std::cout << "saved " << record << "\n";
  return 0;
}

korvel::MidiSystemSettings SystemSettings(const std::string& api, const std::string& soundFont) {
  korvel::MidiSystemSettings settings;
  settings.Api = korvel::ParseMidiApiChoice(api);
  if (!soundFont.empty()) settings.Synth.SoundFont = soundFont;
  return settings;
}

int Devices(const korvel::MidiSystemSettings& settings) {
  korvel::MidiSystem system(settings);
  korvel::TextDialogs dialogs(&std::cerr);
  korvel::MidiPorts ports(system.Devices, system.InputSettings, dialogs,
                          korvel::InputDispatch::Manual);
  std::cout << "system " << system.Ports->ApiName() << "\n";
  const auto& outputs = ports.OutputList();
  for (size_t i = 0; i < outputs.size(); ++i) std::cout << "out " << i << " " << outputs[i] << "\n";
  const auto& inputs = ports.InputList();
  for (size_t i = 0; i < inputs.size(); ++i) std::cout << "in " << i << " " << inputs[i] << "\n";
  if (!system.Ports->Problem().empty()) std::cerr << system.Ports->Problem() << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Korvel, a MIDI arranger, without a display."};
  app.require_subcommand(1);
  std::string api = "auto";
  std::string soundFont;
  app.add_option("--midi-api", api, "MIDI system: auto, alsa or jack (KORVEL_MIDI_API overrides)")
      ->check(CLI::IsMember({"auto", "alsa", "jack"}, CLI::ignore_case));
  app.add_option("--soundfont", soundFont, "SoundFont of the built-in synthesizer");

  auto* devices = app.add_subcommand(
      "devices", "List the MIDI output and input devices as the main window lists them");

  ClockOptions clockOptions;
  auto* clock = app.add_subcommand("clock", "Run the clock: MIDI clock, metronome, count-in");
  clock->add_option("--tempo", clockOptions.Tempo, "Beats per minute")
      ->check(CLI::Range(korvel::kMinTempo, korvel::kMaxTempo));
  clock->add_option("--seconds", clockOptions.Seconds, "How long to run")
      ->check(CLI::PositiveNumber);
  clock->add_option("--out", clockOptions.Out, "MIDI output by its list name, or synth");
  clock->add_flag("--master", clockOptions.Master, "Send MIDI clock (Master Mode)");
  clock->add_flag("--metronome", clockOptions.Metronome, "Click every beat");
  clock->add_flag("--count-in", clockOptions.CountIn, "Count in before the first beat");
  auto* slave = clock->add_flag("--slave", clockOptions.Slave,
                                "Follow the MIDI clock of another program (Slave Mode)");
  clock->add_option("--in", clockOptions.In, "MIDI input that carries the external clock")
      ->needs(slave);
  slave->needs(clock->get_option("--in"));

  korvel::cli::StyleCommands styleCommands;
  korvel::cli::AddStyleCommands(app, styleCommands);

  std::string styleFile;
  auto* styleInfo = app.add_subcommand("style-info", "Describe a style file, one field per line");
  styleInfo->add_option("FILE", styleFile, "Style file (.kvs)")->required();

  std::string songFile;
  auto* songInfo =
      app.add_subcommand("song-info", "Describe an arrangement file, one field per line");
  songInfo->add_option("FILE", songFile, "Arrangement file (.kva)")->required();

  std::string songListFile;
  auto* songList =
      app.add_subcommand("songlist", "List the songs of a song list with their settings");
  songList->add_option("FILE", songListFile, "Song list (.kvl)")->required();

  std::string midiFile;
  bool optimizeTiming = false;
  bool midiDump = false;
  auto* importMidi = app.add_subcommand(
      "import-midi", "Read a Standard MIDI File as the style generator does and describe it");
  importMidi->add_option("FILE", midiFile, "MIDI file (.mid)")->required();
  importMidi->add_flag("--optimize-timing", optimizeTiming,
                       "Leave out whole measures of leading silence (\"Try to optimize timing\")");
  importMidi->add_flag("--dump", midiDump, "List every channel message of the material");

  std::string analyseFile;
  AnalyseOptions analyseOptions;
  auto* analyse = app.add_subcommand(
      "analyse", "Import a MIDI file and find its chords as \"Generate Chords\" does");
  analyse->add_option("FILE", analyseFile, "MIDI file (.mid)")->required();
  analyse->add_option("--interval", analyseOptions.Interval,
                      "Change Chord per Measure: 1/4, 1/2, 3/4, 1 (1/1), 5/4, 6/4, 7/4, 2 (2/1)");
  analyse->add_option("--variety", analyseOptions.Variety, "1 Major .. 4 Special")
      ->check(CLI::Range(1, 4));
  analyse->add_option("--sensitivity", analyseOptions.Sensitivity, "1 Low .. 4 Extreme")
      ->check(CLI::Range(1, 4));

  std::string convertFile;
  ConvertOptions convertOptions;
  auto* convert = app.add_subcommand(
      "convert", "Import a MIDI file, convert it to C major over its chords and write it");
  convert->add_option("FILE", convertFile, "MIDI file (.mid)")->required();
  convert->add_option("--mode", convertOptions.Mode, "Convertmode 0..6")
      ->required()
      ->check(CLI::Range(0, 6));
  convert->add_option("--chords", convertOptions.Chords,
                      "The chords, e.g. \"D 4 | G 2 A7 2\"; without it they are analysed");
  convert->add_option("--measures", convertOptions.Measures, "Only measures A-B")
      ->delimiter('-')
      ->expected(2)
      ->check(CLI::Range(1, 999));
  convert->add_option("--out", convertOptions.Out, "The converted MIDI file")->required();

  std::string timelineFile;
  korvel::SongTimelineSettings timeline;
  std::vector<int> timelineLoop;
  auto* songTimeline = app.add_subcommand(
      "song-timeline", "Play an arrangement's chords on a silent clock, one line per beat");
  songTimeline->add_option("FILE", timelineFile, "Arrangement file (.kva)")->required();
  songTimeline->add_option("--beats", timeline.Beats, "Beats to play at most")
      ->check(CLI::Range(1, 100000));
  songTimeline->add_option("--loop", timelineLoop, "Loop over measures FIRST to LAST")
      ->expected(2)
      ->check(CLI::Range(1, 500));
  songTimeline->add_option("--start-measure", timeline.StartMeasure, "Measure to start at")
      ->check(CLI::Range(-500, 500));

  korvel::SongRequest renderRequest;
  std::string renderOut;
  auto* songRender = app.add_subcommand(
      "song-render", "Play an arrangement with its style into a .mid or a .wav file");
  songRender->add_option("FILE", renderRequest.Song, "Arrangement file (.kva)")->required();
  songRender->add_option("--style", renderRequest.Style, "Style file (default: the song's)");
  songRender->add_option("--tempo", renderRequest.Tempo, "Beats per minute (default: the song's)")
      ->check(CLI::Range(korvel::kMinTempo, korvel::kMaxTempo));
  songRender->add_option("--out", renderOut, "FILE.mid or FILE.wav")->required();

  korvel::cli::ExportStyleOptions exportStyle;
  auto* exportStyleSub = korvel::cli::AddExportStyleCommand(app, exportStyle);

  std::string songSource;
  std::string songOut;
  auto* songBuild =
      app.add_subcommand("song-build", "Compile a song source into an arrangement file");
  songBuild->add_option("SOURCE", songSource, "Song source (.kss)")->required();
  songBuild->add_option("-o,--out", songOut, "Arrangement file to write (.kva)")->required();

  std::string editFile;
  std::vector<std::string> editOperations;
  std::string editOut;
  auto* songEdit =
      app.add_subcommand("song-edit", "Apply song editor operations to an arrangement and save it");
  songEdit->add_option("FILE", editFile, "Arrangement file (.kva)")->required();
  songEdit
      ->add_option("OPERATION", editOperations,
                   "copy-measures F L D | insert-measures AT N | delete-measure M | "
                   "set-beat M:B CHORD | set-command M:B COMMAND VALUE | paste-beat M:B FROM-M:B")
      ->required();
  songEdit->add_option("-o,--out", editOut, "Arrangement file to write (.kva)")->required();

  std::string buildSource;
  std::string buildOut;
  auto* styleBuild = app.add_subcommand("style-build", "Compile a style source into a style file");
  styleBuild->add_option("SOURCE", buildSource, "Style source (.kst)")->required();
  styleBuild->add_option("-o,--out", buildOut, "Style file to write (.kvs)")->required();

  std::vector<int> chordNotes;
  int firstKey = 40;
  bool twoFinger = false;
  korvel::cli::PadCommands padCommands(app);
  korvel::cli::WorkCommands workCommands(app);
  auto* chord = app.add_subcommand("chord", "Recognise the chord of held notes");
  chord->add_option("NOTES", chordNotes, "Note numbers, in the order they are pressed")
      ->required()
      ->check(CLI::Range(0, 127));
  chord->add_option("--first-key", firstKey, "Lowest key of the accompaniment section")
      ->check(CLI::Range(0, 127));
  chord->add_flag("--two-finger", twoFinger, "Two-finger chords");

  std::string liveStyle;
  std::string liveIn;
  std::string liveOut = "synth";
  std::vector<int64_t> tapTimes;
  int tapsPerBar = 4;
  bool tapEighths = false;
  auto* tapTempo = app.add_subcommand("tap-tempo", "The tempo a bar of taps gives");
  tapTempo->add_option("MS", tapTimes, "Tap times in milliseconds")->required();
  tapTempo->add_option("--taps", tapsPerBar, "Taps per bar (the metronome's accent period)")
      ->check(CLI::Range(2, 16));
  tapTempo->add_flag("--eighths", tapEighths, "The taps are eighths (an eighth-note metre)");

  auto* live = app.add_subcommand("live", "Play a style from a MIDI keyboard, without a display");
  live->add_option("--style", liveStyle, "Style file (.kvs)")->required();
  live->add_option("--in", liveIn, "MIDI input of the keyboard")->required();
  live->add_option("--out", liveOut, "synth or a MIDI output by its list name");
  std::string liveRecord;
  live->add_option("--record", liveRecord,
                   "Record chords and melody into this arrangement file (.kva), saved at Ctrl-C");

  korvel::PerformanceRequest playRequest;
  std::string playOut = "synth";
  auto* play = app.add_subcommand(
      "play", "Play a style over a chord progression to a device, a .mid or a .wav file");
  play->add_option("STYLE", playRequest.Style, "Style file (.kvs)")->required();
  play->add_option("--chords", playRequest.Chords,
                   "Progression, e.g. \"C 4 | G7 4 | Am 2 F 2 | [Fill] C 4 | [Ending]\"")
      ->required();
  play->add_option("--tempo", playRequest.Tempo, "Beats per minute (default: the style's)")
      ->check(CLI::Range(korvel::kMinTempo, korvel::kMaxTempo));
  play->add_option("--start-part", playRequest.StartPart,
                   "Start with this part: 0 Intro, 1 Basic, 2 Extended, 3 Ending, 4 Fill in Basic, "
                   "5 Fill in Extended, 6 To Extended, 7 To Basic")
      ->check(CLI::Range(0, 7));
  play->add_option("--out", playOut, "synth, a MIDI output by its list name, FILE.mid or FILE.wav");

  korvel::FilePlayRequest filePlay;
  std::string filePlayOut = "synth";
  std::string filePlayLoop;
  auto* filePlaySub = app.add_subcommand(
      "file-play", "Play a MIDI file through the file player to a device, a .mid or a .wav file");
  filePlaySub->add_option("FILE", filePlay.File, "Standard MIDI File (.mid)")->required();
  filePlaySub->add_option("--loop", filePlayLoop, "Loop range in file ticks, FROM:TO");
  filePlaySub->add_option("--passes", filePlay.Passes, "How often the loop or the song plays")
      ->check(CLI::Range(1, 10000));
  filePlaySub->add_option("--tempo", filePlay.Tempo, "Beats per minute (default: the file's)")
      ->check(CLI::Range(korvel::kMinTempo, korvel::kMaxTempo));
  filePlaySub->add_option("--out", filePlayOut,
                          "synth, a MIDI output by its list name, FILE.mid or FILE.wav");

  CLI11_PARSE(app, argc, argv);
  try {
    const auto settings = SystemSettings(api, soundFont);
    if (*devices) return Devices(settings);
    if (*clock) return Clock(settings, clockOptions);
    if (*styleInfo) return StyleInfo(styleFile);
    if (const auto code = korvel::cli::RunStyleCommands(styleCommands)) return *code;
    if (*songInfo) return SongInfo(songFile);
    if (*songList) return SongList(songListFile);
    if (*importMidi) return ImportMidi(midiFile, optimizeTiming, midiDump);
    if (*analyse) return Analyse(analyseFile, analyseOptions);
    if (*convert) return Convert(convertFile, convertOptions);
    if (*songTimeline) {
      if (!timelineLoop.empty()) {
        timeline.LoopFirst = timelineLoop[0];
        timeline.LoopLast = std::max(timelineLoop[0], timelineLoop[1]);
      }
      return SongTimeline(timelineFile, timeline);
    }
    if (*exportStyleSub) return korvel::cli::ExportStyle(exportStyle);
    if (*songRender) return SongRender(settings, renderRequest, renderOut);
    if (*songEdit) return korvel::SongEdit(editFile, editOperations, editOut);
    if (*play) return Play(settings, playRequest, playOut);
    if (*filePlaySub) {
      if (!filePlayLoop.empty()) {
        const auto colon = filePlayLoop.find(':');
        const char* text = filePlayLoop.data();
        const char* end = text + filePlayLoop.size();
        if (colon == std::string::npos ||
            std::from_chars(text, text + colon, filePlay.LoopFrom).ptr != text + colon ||
            std::from_chars(text + colon + 1, end, filePlay.LoopTo).ptr != end) {
          std::cerr << "--loop takes FROM:TO in file ticks.\n";
          return 1;
        }
      }
      return FilePlay(settings, filePlay, filePlayOut);
    }
    if (*styleBuild) return StyleBuild(buildSource, buildOut);
    if (*songBuild) return SongBuild(songSource, songOut);
    if (*chord) return Chord(chordNotes, firstKey, twoFinger);
    if (*tapTempo) return TapTempoCommand(tapTimes, tapsPerBar, tapEighths);
    if (const auto code = padCommands.Run()) return *code;
    if (const auto code = workCommands.Run(settings)) return *code;
    if (*live) return Live(settings, liveStyle, liveIn, liveOut, liveRecord);
  } catch (const std::exception& e) {
    std::cerr << "korvel-cli: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
