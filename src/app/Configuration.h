// The configuration file: one file in the profile ("INI") format, section Options with every
// setting and section Ins-Set with the stored instrument sets. Read once at start-up, written
// at exit (atomically), the values living in the engine and the windows in between; a stored
// instrument set is written at once.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace korvel {

class Engine;
class MidiPorts;

enum class SettingType { Integer, Boolean, Text };

struct SettingSpec {
  const char* Key;
  SettingType Type;
  int Low;
  int High;
  std::string Start;   // in force when no configuration file exists
  std::string Absent;  // when the file exists but lacks the key (or holds nonsense)
};

// Case-insensitive key order, as the profile format matches names.
struct NoCase {
  bool operator()(const std::string& a, const std::string& b) const;
};

class Configuration {
 public:
  // `programDir` is the folder of the program: the default song and style folders lie there.
  explicit Configuration(const std::string& programDir);

  // Every key of section Options, in the order the writer emits them.
  const std::vector<SettingSpec>& Keys() const { return keys_; }

  // Reads `path`, which becomes the file of this configuration. A missing file gives the
  // start values and sets FirstRun; a value of the wrong form or out of range reads as the
  // key's default. False with the reason in `error` when the file exists but cannot be read:
  // the start values hold, and the file is never written, so nothing in it is lost.
  bool LoadSettings(const std::string& path, std::string& error);
  // Writes `path` atomically, keeping other sections and keys; nothing when "Auto-save
  // settings" is off or the file could not be read. Throws std::runtime_error with a message
  // in words.
  void SaveSettings(const std::string& path) const;
  // "Save as No.": stores the set under key `number` of section Ins-Set and writes that one
  // key to the file at once, whatever "Auto-save settings" says. Throws std::runtime_error
  // when the file cannot be read or written; the set is kept in memory either way.
  void StoreInstrumentSet(int number, const std::string& set);

  int Integer(const std::string& key) const;
  bool Boolean(const std::string& key) const;
  const std::string& Text(const std::string& key) const;
  void Set(const std::string& key, const std::string& value);
  void Set(const std::string& key, int value);

  // The engine takes the values (control keys, section, quantize, metre, chord types, ...);
  // with `loadInstruments` also the instrument list and its stored instrument keys.
  void ApplySettings(Engine& engine, bool loadInstruments = true) const;
  // The device lists select the stored devices and the ports open, as at start-up. Returns
  // the names of stored devices that are not there now (their lists show "<None>").
  std::vector<std::string> ApplyDevices(Engine& engine) const;
  // The engine's current values go back into the settings (before saving).
  void TakeSettings(const Engine& engine);
  // The device choices alone. A device that is merely absent (unplugged, switched off) keeps
  // its stored choice, so it opens again at the next start where it is back.
  void TakeDevices(const MidiPorts& ports);

  bool FirstRun = false;
  // Section Ins-Set: keys "1".."10" as stored.
  std::map<std::string, std::string, NoCase> InstrumentSets;

  // Where the file lives: for an installed program (one with InstalledData) in
  // $XDG_CONFIG_HOME/korvel/ (or ~/.config/korvel/); otherwise next to the program when its
  // folder is writable (portable use), else there too.
  static std::string FilePath(const std::string& programPath);
  // The styles, songs and instrument lists of an installed program: PREFIX/share/korvel beside
  // PREFIX/bin; empty when the program runs where it was built.
  static std::string InstalledData(const std::string& programPath);
  // Where the program's own files are: the installed ones, else data/ beside the built program.
  static std::string DataFolder(const std::string& programPath);

 private:
  const SettingSpec* Find(const std::string& key) const;
  std::vector<SettingSpec> keys_;
  std::map<std::string, std::string, NoCase> values_;
  std::string path_;
  bool unreadable_ = false;
};

}  // namespace korvel
