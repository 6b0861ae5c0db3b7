#include "app/Configuration.h"

// Values stay UTF-8 bytes as written: no wide-character conversion is needed.
#define SI_NO_CONVERSION
#include <SimpleIni.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdexcept>

#include "app/Engine.h"
#include "platform/AtomicFile.h"

namespace korvel {

namespace {

constexpr const char* kOptions = "Options";
constexpr const char* kInstrumentSets = "Ins-Set";

std::optional<long> ParseInteger(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || end == text.c_str() || *end != '\0') return std::nullopt;
  return value;
}

// The file's bytes. A file with NUL bytes in it (what a crash may leave behind) holds no
// settings either.
std::optional<std::vector<uint8_t>> ReadSettingsFile(const std::string& path, std::string& error) {
  auto bytes = ReadWholeFile(path, error);
  if (bytes && std::find(bytes->begin(), bytes->end(), 0) != bytes->end()) {
    error = path + " is not a text file";
    return std::nullopt;
  }
  return bytes;
}

// Lets `change` set keys in the file as it is now (empty when there is none) and writes the
// result back atomically; everything else in the file stays. A file that is there but cannot
// be read is left alone.
void Rewrite(const std::string& path, const std::function<void(CSimpleIniA&)>& change) {
  CSimpleIniA ini;
  std::error_code missing;
  if (std::filesystem::exists(path, missing)) {
    std::string error;
    const auto bytes = ReadSettingsFile(path, error);
    if (!bytes) throw std::runtime_error("The settings could not be saved: " + error + ".");
    ini.LoadData(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  }
  change(ini);
  std::string text;
  if (ini.Save(text) < 0) throw std::runtime_error("The settings could not be put together.");
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  WriteFileAtomically(
      path, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

// Every setting and every stored set.
void PutAll(CSimpleIniA& ini, const Configuration& settings) {
  for (const auto& spec : settings.Keys())
    ini.SetValue(kOptions, spec.Key, settings.Text(spec.Key).c_str());
  for (const auto& [set, value] : settings.InstrumentSets) {
    ini.SetValue(kInstrumentSets, set.c_str(), value.c_str());
  }
}

// Where a stored device stands in `list` now: its name finds it wherever it has moved; a named
// device that is absent gives "<None>", the last entry.
int DevicePosition(const std::vector<std::string>& list, size_t devices, const std::string& name) {
  const auto end = list.begin() + static_cast<std::ptrdiff_t>(devices);
  const auto at = std::find(list.begin(), end, name);
  return at == end ? static_cast<int>(list.size()) - 1 : static_cast<int>(at - list.begin());
}

}  // namespace

bool NoCase::operator()(const std::string& a, const std::string& b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) <
           std::tolower(static_cast<unsigned char>(y));
  });
}

Configuration::Configuration(const std::string& programDir) {
  using T = SettingType;
  const std::string songs = programDir + "/SONGS";
  keys_ = {
      // A fresh install plays through the built-in synthesizer, the mapper entry.
      {"MIDI-OUT", T::Integer, -1000000, 1000000, "-1", "0"},
      {"MIDI-IN", T::Integer, -1000000, 1000000, "0", "0"},
      {"MIDISUB-OUT", T::Integer, -1000000, 1000000, "-2", "-2"},
      {"MIDISUB-IN", T::Integer, -1000000, 1000000, "-2", "-2"},
      {"MCI-OUT", T::Integer, -1000000, 1000000, "-1", "-1"},
      {"FillIn", T::Integer, 0, 11, "0", "0"},
      {"Ending", T::Integer, 0, 11, "2", "2"},
      {"ToAdv", T::Integer, 0, 11, "3", "1"},
      {"ToBasic", T::Integer, 0, 11, "1", "3"},
      {"FirstKey", T::Integer, 0, 11, "4", "4"},
      {"LastKey", T::Integer, 0, 11, "11", "11"},
      {"Oct_Fillin", T::Integer, 0, 9, "3", "3"},
      {"Oct_Ending", T::Integer, 0, 9, "3", "3"},
      {"Oct_ToAdv", T::Integer, 0, 9, "3", "3"},
      {"Oct_ToBasic", T::Integer, 0, 9, "3", "3"},
      {"Oct_FirstKey", T::Integer, 0, 9, "3", "3"},
      {"Oct_LastKey", T::Integer, 0, 9, "4", "4"},
      {"Quantize", T::Integer, 0, 9, "0", "0"},
      {"Metrum", T::Integer, 0, 8, "2", "0"},
      {"K_Layout", T::Integer, 0, 1, "1", "0"},
      {"AccChannel", T::Integer, 0, 16, "0", "0"},
      {"Redirect", T::Boolean, 0, 1, "1", "0"},
      {"K_Smart", T::Boolean, 0, 1, "0", "0"},
      {"E_Keyb", T::Integer, 0, 3, "0", "0"},
      {"P-Name", T::Text, 0, 0, "", ""},
      {"Connection", T::Text, 0, 0, "", ""},
      {"AutoConnect", T::Boolean, 0, 1, "1", "1"},
      {"Autoload", T::Boolean, 0, 1, "1", "1"},
      {"PatchMode", T::Integer, 0, 2, "0", "0"},
      {"Patch", T::Text, 0, 0, "", ""},
      {"Dir", T::Text, 0, 0, songs, songs},
      {"StyleDir", T::Text, 0, 0, programDir + "/STYLES", programDir + "/STYLES"},
      {"SongL", T::Text, 0, 0, songs + "/DEMO.KVL", songs + "/DEMO.KVL"},
      {"Tempo1", T::Integer, 25, 250, "60", "60"},
      {"Tempo2", T::Integer, 25, 250, "90", "90"},
      {"Tempo3", T::Integer, 25, 250, "120", "120"},
      {"Tempo4", T::Integer, 25, 250, "150", "150"},
      {"VelOffset", T::Integer, -20, 20, "0", "0"},
      {"View", T::Integer, 0, 9, "0", "0"},
      {"Buttons", T::Boolean, 0, 1, "0", "1"},
      {"TabSet", T::Boolean, 0, 1, "1", "1"},
      {"BackGrd", T::Boolean, 0, 1, "1", "1"},
      {"Color", T::Integer, -2147483647, 2147483647, "-2147483647", "-2147483647"},
      {"Picture", T::Text, 0, 0, programDir + "/korvel.bmp", programDir + "/korvel.bmp"},
      {"PicVis", T::Boolean, 0, 1, "1", "1"},
      {"Sync", T::Integer, 1, 10, "5", "8"},
      {"NV", T::Integer, 1, 127, "100", "127"},
      {"ADLIB", T::Boolean, 0, 1, "0", "0"},
      {"2FingerChords", T::Boolean, 0, 1, "0", "0"},
      {"Adjust", T::Boolean, 0, 1, "0", "0"},
      {"NVDef", T::Boolean, 0, 1, "0", "0"},
      {"Reverb", T::Boolean, 0, 1, "0", "0"},
      {"RevDef", T::Boolean, 0, 1, "0", "0"},
      {"RevV", T::Integer, 0, 127, "0", "0"},
      {"Rev10V", T::Integer, 0, 127, "0", "0"},
      {"ChordTypes", T::Text, 0, 0, "02030405060708091011", ""},
      {"MCIPl", T::Boolean, 0, 1, "0", "1"},
      // Chord codes: " Send Chord Codes", its channel 1..16, "Receive Chord Codes" and the
      // output they go to (0 "MIDI out", 1 "Korvel out").
      {"SendCodes", T::Boolean, 0, 1, "0", "0"},
      {"CodeChannel", T::Integer, 1, 16, "10", "10"},
      {"ReceiveCodes", T::Boolean, 0, 1, "0", "0"},
      {"CodesOut", T::Integer, 0, 1, "0", "0"},
      {"SCG", T::Boolean, 0, 1, "1", "1"},
      {"MPU", T::Boolean, 0, 1, "1", "1"},
      // The names of the chosen devices: a device found again by name wherever it stands in
      // the lists, and remembered while it is absent.
      {"MIDI-OUT-Device", T::Text, 0, 0, "", ""},
      {"MIDI-IN-Device", T::Text, 0, 0, "", ""},
      {"MIDISUB-OUT-Device", T::Text, 0, 0, "", ""},
      {"MIDISUB-IN-Device", T::Text, 0, 0, "", ""},
  };
  for (const auto& spec : keys_) values_[spec.Key] = spec.Start;
}

const SettingSpec* Configuration::Find(const std::string& key) const {
  for (const auto& spec : keys_) {
    if (!NoCase()(key, spec.Key) && !NoCase()(spec.Key, key)) return &spec;
  }
  return nullptr;
}

bool Configuration::LoadSettings(const std::string& path, std::string& error) {
  path_ = path;
  unreadable_ = false;
  for (const auto& spec : keys_) values_[spec.Key] = spec.Start;
  std::error_code exists;
  FirstRun = !std::filesystem::exists(path, exists);
  if (!FirstRun) {
    const auto bytes = ReadSettingsFile(path, error);
    CSimpleIniA ini;
    if (!bytes || ini.LoadData(reinterpret_cast<const char*>(bytes->data()), bytes->size()) < 0) {
      unreadable_ = true;
      error = "The settings cannot be read (" + (bytes ? path : error) +
              "): Korvel starts with its start values and leaves the file as it is.";
      return false;
    }
    for (const auto& spec : keys_) {
      const char* raw = ini.GetValue(kOptions, spec.Key, nullptr);
      std::string value = raw ? raw : spec.Absent;
      if (raw && spec.Type != SettingType::Text) {
        // A value of the wrong form or out of range reads as the default.
        const auto number = ParseInteger(value);
        if (!number ||
            (spec.Type == SettingType::Integer && (*number < spec.Low || *number > spec.High))) {
          value = spec.Absent;
        } else if (spec.Type == SettingType::Boolean) {
          value = *number != 0 ? "1" : "0";
        }
      }
      values_[spec.Key] = value;
    }
    InstrumentSets.clear();
    for (int set = 1; set <= 10; ++set) {
      if (const char* raw = ini.GetValue(kInstrumentSets, std::to_string(set).c_str(), nullptr)) {
        InstrumentSets[std::to_string(set)] = raw;
      }
    }
  }
  // The folders and the song list are never left empty.
  for (const char* key : {"Dir", "StyleDir", "SongL"}) {
    if (Text(key).empty()) values_[key] = Find(key)->Start;
  }
  return true;
}

void Configuration::SaveSettings(const std::string& path) const {
  if (!Boolean("Autoload") || unreadable_) return;
  Rewrite(path, [this](CSimpleIniA& ini) { PutAll(ini, *this); });
}

void Configuration::StoreInstrumentSet(int number, const std::string& set) {
  const std::string key = std::to_string(number);
  InstrumentSets[key] = set;
  if (path_.empty()) return;  // no file behind these settings
  // A file made here is the next start's whole configuration: with the set alone, every
  // other setting would read its absent default instead of the value in force.
  std::error_code missing;
  const bool fresh = !std::filesystem::exists(path_, missing);
  Rewrite(path_, [this, fresh, &key, &set](CSimpleIniA& ini) {
    if (fresh) {
      PutAll(ini, *this);
    } else {
      ini.SetValue(kInstrumentSets, key.c_str(), set.c_str());
    }
  });
}

int Configuration::Integer(const std::string& key) const {
  const auto number = ParseInteger(Text(key));
  return number ? static_cast<int>(*number) : 0;
}

bool Configuration::Boolean(const std::string& key) const {
  return Integer(key) != 0;
}

const std::string& Configuration::Text(const std::string& key) const {
  static const std::string kEmpty;
  const auto it = values_.find(key);
  return it == values_.end() ? kEmpty : it->second;
}

void Configuration::Set(const std::string& key, const std::string& value) {
  if (Find(key)) values_[key] = value;
}

void Configuration::Set(const std::string& key, int value) {
  Set(key, std::to_string(value));
}

void Configuration::ApplySettings(Engine& engine, bool loadInstruments) const {
  ControlKeys& keys = engine.Keys;
  keys.FillInKey = Integer("FillIn") + 12 * Integer("Oct_Fillin");
  keys.EndingKey = Integer("Ending") + 12 * Integer("Oct_Ending");
  keys.ToAdvKey = Integer("ToAdv") + 12 * Integer("Oct_ToAdv");
  keys.ToBasicKey = Integer("ToBasic") + 12 * Integer("Oct_ToBasic");
  engine.Chords.SetFirstKey(Integer("FirstKey") + 12 * Integer("Oct_FirstKey"));
  engine.Input.LastKey = Integer("LastKey") + 12 * Integer("Oct_LastKey");
  engine.Transport.SetMetre(Integer("Metrum"));
  engine.Transport.SetQuantize(Integer("Quantize"));
  engine.Keyboard.Layout = Integer("K_Layout");
  engine.Input.ChordChannel = Integer("AccChannel");
  engine.Input.UnchangedExtIn = Boolean("Redirect");
  engine.Transport.StaticChordKeys = Boolean("K_Smart");
  for (int i = 0; i < 4; ++i)
    engine.Keyboard.TempoPresets[static_cast<size_t>(i)] = Integer("Tempo" + std::to_string(i + 1));
  engine.Input.VelocityOffset = Integer("VelOffset");
  engine.Transport.SyncSpeed = Integer("Sync");
  engine.Input.MelodyAdLib = Boolean("ADLIB");
  engine.Transport.TwoFingerChords = Boolean("2FingerChords");
  if (Boolean("Adjust") != engine.Live.AdjustOctave) engine.Player.ToggleAdjustOctave();
  engine.Loader.Settings.NormalizeVolume = Boolean("NVDef");
  engine.Loader.Settings.MaxVolume = Integer("NV");
  engine.Live.ReverbOff = Boolean("Reverb");
  engine.Live.ReverbDefined = Boolean("RevDef");
  engine.Chords.SetChordTypesString(Text("ChordTypes"));  // anything else leaves the table
  engine.Live.SendChordCodes = Boolean("SendCodes");
  engine.Live.ChordCodeChannel = Integer("CodeChannel") - 1;
  engine.Live.ReceiveChordCodes = Boolean("ReceiveCodes");
  engine.Ports.ChordsoutClick(Integer("CodesOut"));
  engine.Loader.Settings.StyleFolder = Text("StyleDir");
  engine.Mixer.DefinedReverb = Integer("RevV");
  engine.Mixer.DefinedReverbDrums = Integer("Rev10V");
  engine.Mixer.Keys.StoredSetNumber = Integer("View") + 1;
  if (!loadInstruments) return;
  const auto set = InstrumentSets.find(std::to_string(Integer("View") + 1));
  engine.Mixer.LoadInstrumentList(Text("Patch"), set == InstrumentSets.end() ? "" : set->second);
}

std::vector<std::string> Configuration::ApplyDevices(Engine& engine) const {
  MidiPorts& ports = engine.Ports;
  std::vector<std::string> absent;
  const auto found = [&absent](int position, const std::vector<std::string>& list,
                               const std::string& name) {
    if (position == static_cast<int>(list.size()) - 1) absent.push_back(name);
    return position;
  };
  const auto& outputs = ports.OutputList();  // devices, the mapper entry, "<None>"
  const auto& inputs = ports.InputList();    // devices, "<None>"
  const auto output = [&](const std::string& key) {
    const std::string& name = Text(key + "-Device");
    return Integer(key) < 0 || name.empty()
               ? ports.OutputSelectionFor(Integer(key))
               : found(DevicePosition(outputs, outputs.size() - 2, name), outputs, name);
  };
  const auto input = [&](const std::string& key) {
    const std::string& name = Text(key + "-Device");
    return Integer(key) < 0 || name.empty()
               ? ports.InputSelectionFor(Integer(key))
               : found(DevicePosition(inputs, inputs.size() - 1, name), inputs, name);
  };
  ports.ComboBox1 = output("MIDI-OUT");
  ports.ComboBox5 = output("MIDISUB-OUT");
  ports.ExtMidiInList = input("MIDI-IN");
  ports.MidiInList = input("MIDISUB-IN");
  ports.ComboBox1Change();
  ports.ComboBox5Change();
  ports.ExtMidiInChange();
  ports.MidiInChange();
  return absent;
}

void Configuration::TakeDevices(const MidiPorts& ports) {
  const auto take = [this](const std::string& key, const std::vector<std::string>& list,
                           size_t devices, int selection, int stored) {
    const std::string nameKey = key + "-Device";
    const auto end = list.begin() + static_cast<std::ptrdiff_t>(devices);
    const std::string& kept = Text(nameKey);
    const bool none = selection == static_cast<int>(list.size()) - 1;
    if (none && !kept.empty() && std::find(list.begin(), end, kept) == end) return;
    Set(key, stored);
    Set(nameKey, selection >= 0 && selection < static_cast<int>(devices)
                     ? list[static_cast<size_t>(selection)]
                     : std::string());
  };
  const auto& outputs = ports.OutputList();
  const auto& inputs = ports.InputList();
  const auto inputSelection = [&inputs](int selection) {
    return selection == static_cast<int>(inputs.size()) - 1 ? -2 : selection;
  };
  take("MIDI-OUT", outputs, outputs.size() - 2, ports.ComboBox1,
       ports.StoredOutputSelection(ports.ComboBox1));
  take("MIDISUB-OUT", outputs, outputs.size() - 2, ports.ComboBox5,
       ports.StoredOutputSelection(ports.ComboBox5));
  take("MIDI-IN", inputs, inputs.size() - 1, ports.ExtMidiInList,
       inputSelection(ports.ExtMidiInList));
  take("MIDISUB-IN", inputs, inputs.size() - 1, ports.MidiInList, inputSelection(ports.MidiInList));
}

void Configuration::TakeSettings(const Engine& engine) {
  TakeDevices(engine.Ports);
  const ControlKeys& keys = engine.Keys;
  const auto key = [this](const char* name, const char* octave, int note) {
    Set(name, note % 12);
    Set(octave, note / 12);
  };
  key("FillIn", "Oct_Fillin", keys.FillInKey);
  key("Ending", "Oct_Ending", keys.EndingKey);
  key("ToAdv", "Oct_ToAdv", keys.ToAdvKey);
  key("ToBasic", "Oct_ToBasic", keys.ToBasicKey);
  key("FirstKey", "Oct_FirstKey", engine.Live.FirstKey);
  key("LastKey", "Oct_LastKey", engine.Input.LastKey);
  Set("Quantize", engine.Transport.QuantizeIndex);
  Set("Metrum", engine.Transport.MetreIndex);
  Set("K_Layout", engine.Keyboard.Layout);
  Set("AccChannel", engine.Input.ChordChannel);
  Set("Redirect", engine.Input.UnchangedExtIn ? 1 : 0);
  Set("K_Smart", engine.Transport.StaticChordKeys ? 1 : 0);
  for (int i = 0; i < 4; ++i)
    Set("Tempo" + std::to_string(i + 1), engine.Keyboard.TempoPresets[static_cast<size_t>(i)]);
  Set("VelOffset", engine.Input.VelocityOffset);
  Set("Sync", engine.Transport.SyncSpeed);
  Set("ADLIB", engine.Input.MelodyAdLib ? 1 : 0);
  Set("2FingerChords", engine.Transport.TwoFingerChords ? 1 : 0);
  Set("Adjust", engine.Live.AdjustOctave ? 1 : 0);
  Set("NVDef", engine.Loader.Settings.NormalizeVolume ? 1 : 0);
  Set("NV", engine.Loader.Settings.MaxVolume);
  Set("Reverb", engine.Live.ReverbOff ? 1 : 0);
  Set("RevDef", engine.Live.ReverbDefined ? 1 : 0);
  Set("ChordTypes", engine.Chords.ChordTypesString());
  Set("SendCodes", engine.Live.SendChordCodes ? 1 : 0);
  Set("CodeChannel", engine.Live.ChordCodeChannel + 1);
  Set("ReceiveCodes", engine.Live.ReceiveChordCodes ? 1 : 0);
  Set("CodesOut", engine.Ports.ChordsOutGroup);
  Set("PatchMode", engine.Mixer.List.Mode);
  Set("RevV", engine.Mixer.DefinedReverb);
  Set("Rev10V", engine.Mixer.DefinedReverbDrums);
  Set("View", engine.Mixer.Keys.StoredSetNumber - 1);
}

std::string Configuration::InstalledData(const std::string& programPath) {
  const auto share =
      std::filesystem::path(programPath).parent_path().parent_path() / "share" / "korvel";
  std::error_code error;
  return std::filesystem::is_directory(share / "STYLES", error) ? share.string() : std::string();
}

std::string Configuration::DataFolder(const std::string& programPath) {
  const std::string installed = InstalledData(programPath);
  if (!installed.empty()) return installed;
  return (std::filesystem::path(programPath).parent_path() / "data").string();
}

std::string Configuration::FilePath(const std::string& programPath) {
  const std::filesystem::path program(programPath);
  const std::string name = program.stem().string() + ".ini";
  if (InstalledData(programPath).empty() && access(program.parent_path().c_str(), W_OK) == 0)
    return (program.parent_path() / name).string();
  std::filesystem::path folder;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
    folder = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    folder = std::filesystem::path(home) / ".config";
  } else {
    folder = std::filesystem::temp_directory_path();
  }
  return (folder / "korvel" / name).string();
}

}  // namespace korvel
