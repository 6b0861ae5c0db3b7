#include "cli/StyleCommands.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iostream>
#include <mutex>

#include "app/Engine.h"
#include "app/FileNames.h"
#include "app/GeneratorCommands.h"
#include "app/HeadlessUi.h"
#include "app/MidiFileImport.h"
#include "app/PartSetImport.h"
#include "engine/Style.h"
#include "platform/AtomicFile.h"
#include "platform/RecordingDriver.h"

namespace korvel::cli {

namespace {

// A headless engine whose generator imports files as the generator window does, without
// playing anything.
class StyleSession {
 public:
  StyleSession()
      : devices_(none_, nullptr),
        input_(channels_),
        engine_(devices_, input_, dialogs_, view_, Timing::Stepped, InputDispatch::Manual),
        import_(engine_, dialogs_, view_) {
    ConnectImportToGenerator(import_, engine_);
    engine_.StyleParts.Hooks.Play = nullptr;
  }

  Engine& engine() { return engine_; }
  MidiFileImport& import() { return import_; }
  Dialogs& dialogs() { return dialogs_; }

 private:
  TextDialogs dialogs_{&std::cerr};
  NoView view_;
  RecordingDriver none_{{}, {}};
  MidiDevices devices_;
  ChannelState channels_;
  InputCallbackSettings input_;
  Engine engine_;
  MidiFileImport import_;
};

std::string Lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The part a name stands for ("Basic", "fill in basic", "To Extended"), or -1.
int PartNamed(const std::string& name) {
  for (int part = 0; part < kStylePartCount; ++part) {
    if (Lowered(StylePartName(part)) == " " + Lowered(name)) return part;
  }
  return -1;
}

// Writes the style, reads it back as a style file and describes it.
int WriteAndDescribe(Engine& engine, const std::string& out) {
  WriteGeneratedStyle(engine, out);
  std::string error;
  const auto bytes = ReadWholeFile(out, error);
  if (!bytes) {
    std::cerr << error << "\n";
    return 1;
  }
  Style written;
  written.Work.AllocateWork();
  written.TakeFileContents(*bytes);
  written.AnalyseStyleParts(0, kStylePartCount - 1, 1, "");
  written.StyleName = MakeStyleName(out, written.Parts);
  std::cout << StyleInfoText(written);
  return 0;
}

int MakeStyle(const StyleCommands& c) {
  struct Request {
    int Part;
    int First;
    int Last;
  };
  std::vector<Request> requests;
  for (const std::string& text : c.Parts) {
    const auto equals = text.find('=');
    const auto dash = text.find('-', equals == std::string::npos ? 0 : equals);
    Request r{-1, 0, 0};
    if (equals != std::string::npos && dash != std::string::npos) {
      r.Part = PartNamed(text.substr(0, equals));
      try {
        r.First = std::stoi(text.substr(equals + 1, dash - equals - 1));
        r.Last = std::stoi(text.substr(dash + 1));
      } catch (const std::exception&) {
        r.Part = -1;
      }
    }
    if (r.Part < 0 || r.First < 1 || r.Last < r.First || r.Last > 999) {
      std::cerr << "--part takes NAME=A-B with a part name (Intro, Basic, Extended, Ending, "
                   "\"Fill in Basic\", \"Fill in Extended\", \"To Extended\", \"To Basic\") "
                   "and measures 1 <= A <= B <= 999, not \""
                << text << "\"\n";
      return 1;
    }
    requests.push_back(r);
  }
  StyleSession session;
  Engine& engine = session.engine();
  std::lock_guard lock(engine.Lock);
  if (!session.import().ImportMidiFile(c.MidiFile, false, true)) return 1;
  StyleGenerator& gen = engine.Generator;
  if (c.ConvertMode >= 0) gen.ConvertMode = c.ConvertMode;
  if (!gen.ConvertAll(GeneratorSender::ConvertAll)) std::cerr << "Nothing was converted\n";
  for (const Request& r : requests) {
    engine.Style.SelectedPart = r.Part;
    gen.LoopRange = {r.First, 1, r.Last};
    const PartSender sender = c.Auto ? PartSender::SetMenu : PartSender::None;
    const StylePart set = engine.Style.Parts.Part(r.Part);
    if (!engine.StyleParts.SetStylePart(sender) || set.Empty()) {
      std::cerr << "The part " << StylePartName(r.Part) + 1 << " was not set\n";
      return 1;
    }
    // A part beyond the material would be an empty part in the style.
    if (set.StartPos() >= set.EndPos()) {
      std::cerr << "The part " << StylePartName(r.Part) + 1 << " holds no material: " << c.MidiFile
                << " ends before measure " << r.First << "\n";
      return 1;
    }
  }
  return WriteAndDescribe(engine, c.Out);
}

int StyleSet(const StyleCommands& c) {
  std::string item = c.SetItem;
  if (item.empty()) {
    for (const char* candidate : kPartSetItems) {
      const std::string probe = std::string("sty") + candidate[0] + "_v" + (candidate + 4) + ".mid";
      if (FindFileByName(probe, c.Folder)) {
        item = candidate;
        break;
      }
    }
  }
  StyleSession session;
  Engine& engine = session.engine();
  std::lock_guard lock(engine.Lock);
  PartSetImport set(engine, session.import(), session.dialogs());
  const PartSetReport report = set.ImportFromFolder(c.Folder, item);
  if (!report.Imported) {
    std::cerr << "No set of style parts in " << c.Folder << "\n";
    return 1;
  }
  for (int part = 0; part < kStylePartCount; ++part) {
    const std::string& file = report.Files[static_cast<size_t>(part)];
    std::cout << "part" << StylePartName(part) << ": " << (file.empty() ? "-" : file) << "\n";
  }
  return WriteAndDescribe(engine, c.Out);
}

}  // namespace

void AddStyleCommands(CLI::App& app, StyleCommands& c) {
  c.MakeStyle = app.add_subcommand(
      "make-style", "Import a MIDI file, convert it and cut it into style parts; write the style");
  c.MakeStyle->add_option("FILE", c.MidiFile, "MIDI file (.mid)")->required();
  c.MakeStyle->add_option("--part", c.Parts, "NAME=A-B: the part from measure A to B")->required();
  c.MakeStyle->add_option("--convert-mode", c.ConvertMode, "Convertmode 0..6")
      ->check(CLI::Range(0, 6));
  c.MakeStyle->add_flag("--auto", c.Auto, "Add the automatic transitions and fills");
  c.MakeStyle->add_option("-o,--out", c.Out, "The style file (.kvs)")->required();

  c.StyleSet = app.add_subcommand("style-set", "Import a set of style-part MIDI files as a style");
  c.StyleSet->add_option("FOLDER", c.Folder, "Folder of the part files")->required();
  c.StyleSet->add_option("--set", c.SetItem, "\"1 - 11\" .. \"4 - 21\"; default: the first found")
      ->check(CLI::IsMember(std::vector<std::string>(kPartSetItems.begin(), kPartSetItems.end())));
  c.StyleSet->add_option("-o,--out", c.Out, "The style file (.kvs)")->required();
}

std::optional<int> RunStyleCommands(const StyleCommands& c) {
  if (c.MakeStyle && *c.MakeStyle) return MakeStyle(c);
  if (c.StyleSet && *c.StyleSet) return StyleSet(c);
  return std::nullopt;
}

}  // namespace korvel::cli
