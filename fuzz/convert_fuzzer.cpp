// Any bytes as work material, with generator settings taken from the first bytes: finding the
// chords and every kind of conversion end, read nothing outside the material and the chord
// memory, and leave every note in 0..127.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "app/Engine.h"
#include "app/HeadlessUi.h"
#include "platform/RecordingDriver.h"
#include "stylegen/WorkWalk.h"

namespace {

// Answers from a bit pattern, so that both answers of every question are taken.
class BitDialogs : public korvel::TextDialogs {
 public:
  BitDialogs() : TextDialogs(nullptr) {}
  uint32_t Bits = 0;
  bool AskYesNo(const std::string&) override {
    const bool yes = Bits & 1;
    Bits = (Bits >> 1) | (yes ? 0x80000000u : 0);
    return yes;
  }
};

constexpr size_t kSettingsBytes = 12;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static korvel::RecordingDriver driver({"Module"}, {});
  static korvel::MidiDevices devices(driver, nullptr);
  static korvel::ChannelState channels;
  static korvel::InputCallbackSettings input(channels);
  static BitDialogs dialogs;
  static korvel::NoView view;
  static korvel::Engine* engine = [] {
    auto* e = new korvel::Engine(devices, input, dialogs, view, korvel::Timing::Stepped,
                                 korvel::InputDispatch::Manual);
    e->Ports.ComboBox1 = 0;
    e->Ports.ComboBox1Change();
    return e;
  }();
  if (size < kSettingsBytes) return 0;
  std::lock_guard lock(engine->Lock);
  korvel::StyleGenerator& gen = engine->Generator;
  korvel::WorkMaterial& work = engine->Style.Work;
  const uint8_t* s = data;
  data += kSettingsBytes;
  size -= kSettingsBytes;

  work.ClearWork();
  gen.NewWork(std::nullopt);
  engine->Song.ClearChordMemory();
  gen.ChordIntervalIndex = s[0] % 8;
  gen.VarietyIndex = s[1] % 4;
  gen.SensitivityIndex = (s[1] >> 2) % 4;
  gen.ConvertMode = s[2] % 7;
  gen.AdjustOctave = s[2] & 0x80;
  gen.ConfirmNewChords = s[2] & 0x40;
  const auto sender = static_cast<korvel::GeneratorSender>(s[3] % 11);
  gen.SongRange = {1 + s[4] % 8, 1 + (s[4] >> 4) % 4, s[5] % 12};
  gen.LoopRange = {1 + s[6] % 8, 1 + (s[6] >> 4) % 4, s[7] % 12};
  gen.SourceChannel = s[8] % 16;
  gen.DestinationChannel = (s[8] >> 4) % 16;
  engine->Notes.SoloChannel = static_cast<int16_t>(s[9] % 20 < 17 ? s[9] % 20 : 0);
  engine->Style.Parts.Part(korvel::kBasic)
      .Set(korvel::kBasic, 1 + s[10] % 4, 1 + s[10] / 64, 0, 10);
  dialogs.Bits = s[11] | (uint32_t{s[11]} << 8);

  // The material as raw chunk bytes with a terminating 0; the second half goes to a second
  // chunk when the first bit of byte 10 says so, and the chord memory takes bytes of its own
  // when its second bit does.
  const size_t firstLength = std::min<size_t>(size, korvel::kChunkFill);
  const size_t chained = (s[10] & 1) ? firstLength / 2 : firstLength;
  std::memcpy(work.Chunk(0).data(), data, chained);
  work.Chunk(0)[chained] = 0;
  work.Chunks[0].UsedLength = static_cast<uint32_t>(chained);
  work.WorkLength = static_cast<int32_t>(chained);
  if (chained < firstLength && work.ChainNextChunk(static_cast<int32_t>(chained)) == 0) {
    std::memcpy(work.Current().data(), data + chained, firstLength - chained);
    work.Chunks[1].UsedLength = static_cast<uint32_t>(firstLength - chained);
    work.WorkLength += static_cast<int32_t>(firstLength - chained);
    work.CurrentChunk = 0;
  }
  if (s[10] & 2) work.KeepRestoreCopy();
  if (s[10] & 4) engine->Song.LoadSong(data, size);

  // A conversion writes only notes in 0..127: no more notes outside it than the input had.
  const auto notesOutside = [&work] {
    int count = 0;
    korvel::WalkWork(work, false, [&count](const korvel::WorkMessage& m) {
      count += korvel::IsNoteMessage(m.Status) && m.Data1 > 127;
    });
    return count;
  };
  const int outsideBefore = notesOutside();
  if (s[3] & 0x80) gen.AnalyseChords(korvel::GeneratorSender::GenerateChords);
  switch (sender) {
    case korvel::GeneratorSender::ConvertAll:
    case korvel::GeneratorSender::ConvertMeasures:
      gen.ConvertAll(sender);
      break;
    case korvel::GeneratorSender::ConvertStyle:
      gen.ConvertStyle();
      break;
    default:
      gen.ConvertWork(sender);
      break;
  }
  if (notesOutside() > outsideBefore) std::abort();
  driver.ClearSent();
  return 0;
}
