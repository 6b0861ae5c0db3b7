#include "app/Options.h"

#include <charconv>

#include "app/Configuration.h"
#include "performance/ChordTypes.h"

namespace korvel {

namespace {

constexpr std::array<const char*, kOptionKeyCount> kKeyNames = {"FillIn",  "Ending",   "ToAdv",
                                                                "ToBasic", "FirstKey", "LastKey"};
constexpr std::array<const char*, kOptionKeyCount> kOctaveNames = {
    "Oct_Fillin", "Oct_Ending", "Oct_ToAdv", "Oct_ToBasic", "Oct_FirstKey", "Oct_LastKey"};
constexpr int kFirstKeyType = 2;  // "min": the list has no "maj"
constexpr int kLastKeyType = 17;

}  // namespace

Options Options::From(const Configuration& settings) {
  Options o;
  for (int i = 0; i < kOptionKeyCount; ++i) {
    o.KeyNotes[static_cast<size_t>(i)] = settings.Integer(kKeyNames[static_cast<size_t>(i)]);
    o.KeyOctaves[static_cast<size_t>(i)] = settings.Integer(kOctaveNames[static_cast<size_t>(i)]);
  }
  o.AccChannel = settings.Integer("AccChannel");
  o.Redirect = settings.Boolean("Redirect");
  o.Quantize = settings.Integer("Quantize");
  o.Metrum = settings.Integer("Metrum");
  o.Sync = settings.Integer("Sync");
  o.Patch = settings.Text("Patch");
  o.KeyboardLayout = settings.Integer("K_Layout");
  o.ChordTypes = settings.Text("ChordTypes");
  o.Color = settings.Integer("Color");
  o.Picture = settings.Text("Picture");
  o.PictureVisible = settings.Boolean("PicVis");
  for (int i = 0; i < 4; ++i)
    o.TempoPresets[static_cast<size_t>(i)] = settings.Integer("Tempo" + std::to_string(i + 1));
  o.AutoConnect = settings.Boolean("AutoConnect");
  o.AutoSave = settings.Boolean("Autoload");
  o.ProgramName = settings.Text("P-Name");
  o.ProgramPath = settings.Text("Connection");
  return o;
}

void Options::To(Configuration& settings) const {
  for (int i = 0; i < kOptionKeyCount; ++i) {
    settings.Set(kKeyNames[static_cast<size_t>(i)], KeyNotes[static_cast<size_t>(i)]);
    settings.Set(kOctaveNames[static_cast<size_t>(i)], KeyOctaves[static_cast<size_t>(i)]);
  }
  settings.Set("AccChannel", AccChannel);
  settings.Set("Redirect", Redirect ? 1 : 0);
  settings.Set("Quantize", Quantize);
  settings.Set("Metrum", Metrum);
  settings.Set("Sync", Sync);
  settings.Set("Patch", Patch);
  settings.Set("K_Layout", KeyboardLayout);
  settings.Set("ChordTypes", ChordTypes);
  settings.Set("Color", Color);
  settings.Set("Picture", Picture);
  settings.Set("PicVis", PictureVisible ? 1 : 0);
  for (int i = 0; i < 4; ++i)
    settings.Set("Tempo" + std::to_string(i + 1), TempoPresets[static_cast<size_t>(i)]);
  settings.Set("AutoConnect", AutoConnect ? 1 : 0);
  settings.Set("Autoload", AutoSave ? 1 : 0);
  settings.Set("P-Name", ProgramName);
  settings.Set("Connection", ProgramPath);
}

int Options::ChordKeyType(int key) const {
  const size_t at = static_cast<size_t>(key) * 2;
  int type = 0;
  if (key < 0 || key >= kChordKeyCount || at + 2 > ChordTypes.size()) return 0;
  const char* text = ChordTypes.data() + at;
  if (std::from_chars(text, text + 2, type).ptr != text + 2) return 0;
  return type >= kFirstKeyType && type <= kLastKeyType ? type : 0;
}

bool Options::SetChordKey(int key, int typeIndex) {
  const int type = typeIndex + kFirstKeyType;
  if (key < 0 || key >= kChordKeyCount || type < kFirstKeyType || type > kLastKeyType) return false;
  // A string the settings could not read is filled with the start values first.
  if (ChordTypes.size() != 2 * kChordKeyCount) ChordTypes = "02030405060708091011";
  ChordTypes[static_cast<size_t>(key) * 2] = static_cast<char>('0' + type / 10);
  ChordTypes[static_cast<size_t>(key) * 2 + 1] = static_cast<char>('0' + type % 10);
  return true;
}

std::string Options::ChordKeyLine(int key) const {
  const int type = ChordKeyType(key);
  return std::to_string((key + 1) % 10) + " = " +
         (type ? ChordTypeTable[static_cast<size_t>(type)].Name : "?");
}

}  // namespace korvel
