#include "app/MidiFilePlayer.h"

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

#include "app/FileNames.h"
#include "platform/FluidSynthLibrary.h"

namespace korvel {

struct MidiFilePlayer::Fluid {
  explicit Fluid(const FluidSynthLibrary& library) : fs(library) {}
  const FluidSynthLibrary& fs;
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  fluid_player_t* player = nullptr;
  std::array<float, kFileBlockFrames> discard{};  // the silent synthesizer's sound

  ~Fluid() {
    if (player) fs.delete_fluid_player(player);
    if (synth) fs.delete_fluid_synth(synth);
    if (settings) fs.delete_fluid_settings(settings);
  }
};

// FluidSynth calls these from inside fluid_synth_write_float, that is inside Advance, on the
// thread that holds the engine lock. Nothing may leave them as an exception.
struct PlayerCallbacks {
  static int Event(void* data, fluid_midi_event_t* event) {
    auto& self = *static_cast<MidiFilePlayer*>(data);
    const FluidSynthLibrary& fs = self.fluid_->fs;
    const int type = fs.fluid_midi_event_get_type(event);
    if (type == 0x01) {  // a text event: one of the marks
      void* text = nullptr;
      int size = 0;
      EventMark mark;
      if (fs.fluid_midi_event_get_text(event, &text, &size) != FLUID_OK || text == nullptr ||
          !ReadEventMark({static_cast<const uint8_t*>(text), static_cast<size_t>(size)}, mark)) {
        return FLUID_OK;
      }
      if (mark.Sysex) {
        self.SendSysex(mark.Tick, mark.Index);
      } else {
        self.markedTick_ = mark.Tick;
      }
      return FLUID_OK;
    }
    const int64_t tick = std::exchange(self.markedTick_, -1);
    if (tick < 0) return FLUID_OK;
    if (type >= 0x80 && type < 0xF0) {
      self.SendEvent(tick, type, fs.fluid_midi_event_get_channel(event),
                     fs.fluid_midi_event_get_control(event), fs.fluid_midi_event_get_value(event));
    }
    return FLUID_OK;
  }

  static int Tick(void* data, int tick) {
    auto& self = *static_cast<MidiFilePlayer*>(data);
    if (self.deferredSeek_ >= 0) return FLUID_OK;
    self.position_ = tick;
    if (tick >= self.loopEnd_) self.reached_ = true;
    return FLUID_OK;
  }
};

MidiFilePlayer::MidiFilePlayer(MidiPorts& ports, MidiDevices& devices, Dialogs& dialogs)
    : ports_(ports), dialogs_(dialogs), own_(devices) {}

MidiFilePlayer::~MidiFilePlayer() {
  RunClock = nullptr;  // the pacing thread may be gone already
  Halt();
}

int64_t MidiFilePlayer::Length() const {
  return file_ ? file_->Length : 0;
}

int MidiFilePlayer::FileTempo() const {
  if (!file_) return 120;
  const int tempo = static_cast<int>(std::lround(60'000'000.0 / file_->FirstTempoUs));
  return tempo >= 25 && tempo <= 250 ? tempo : 120;
}

bool MidiFilePlayer::Open(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::path found = path;
  if (!fs::is_regular_file(found, error)) {
    const auto named = SongsFolder.empty() ? std::nullopt : FindFileByName(path, SongsFolder);
    if (!named) {
      dialogs_.InformUser(kFileNotFound);
      return false;
    }
    found = *named;
  }
  std::ifstream in(found, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) {
    dialogs_.InformUser("Can't read " + found.string());
    return false;
  }
  auto file = std::make_unique<PlayableMidiFile>();
  try {
    *file = PrepareMidiFile(bytes);
  } catch (const PlayableMidiFileError& refused) {
    dialogs_.InformUser(found.filename().string() + ": " + refused.what());
    return false;
  }
  std::unique_ptr<Fluid> fluid;
  try {
    fluid = std::make_unique<Fluid>(FluidSynth());
  } catch (const MidiDriverError& missing) {
    dialogs_.InformUser(missing.what());
    return false;
  }
  const FluidSynthLibrary& lib = fluid->fs;
  fluid->settings = lib.new_fluid_settings();
  if (fluid->settings) {
    lib.fluid_settings_setstr(fluid->settings, "player.timing-source", "sample");
    lib.fluid_settings_setint(fluid->settings, "synth.lock-memory", 0);
    lib.fluid_settings_setnum(fluid->settings, "synth.sample-rate", kFileSampleRate);
    lib.fluid_settings_setint(fluid->settings, "synth.polyphony", 16);
    fluid->synth = lib.new_fluid_synth(fluid->settings);
  }
  if (fluid->synth) fluid->player = lib.new_fluid_player(fluid->synth);
  if (!fluid->player || lib.fluid_player_add_mem(fluid->player, file->Marked.data(),
                                                 file->Marked.size()) != FLUID_OK) {
    dialogs_.InformUser("The MIDI file player could not be started.");
    return false;
  }
  lib.fluid_player_set_playback_callback(fluid->player, PlayerCallbacks::Event, this);
  lib.fluid_player_set_tick_callback(fluid->player, PlayerCallbacks::Tick, this);

  Halt();
  fluid_ = std::move(fluid);
  file_ = std::move(file);
  path_ = found.string();
  started_ = false;
  loaded_ = false;
  deferredSeek_ = -1;
  position_ = 0;
  seekTarget_ = 0;
  loopStart_ = 0;
  loopEnd_ = file_->Length;
  frames_ = 0;
  passes_ = 0;
  reached_ = false;
  completed_ = false;
  markedTick_ = -1;
  usedChannels_.reset();
  silenceDue_ = false;
  tempo_ = FileTempo();
  if (AutoStart) Play();
  return true;
}

void MidiFilePlayer::Play() {
  if (!file_) return;
  loopStart_ = 0;
  loopEnd_ = file_->Length;
  ResolveOutput();
  Seek(0);
  passes_ = 0;
  StartPlaying();
}

void MidiFilePlayer::Pause() {
  if (!file_) return;
  if (playing_) {
    Halt();
  } else {
    if (position_ >= loopEnd_) Seek(loopStart_);
    StartPlaying();
  }
}

void MidiFilePlayer::Stop() {
  if (!file_) return;
  Halt();
  loopStart_ = 0;
  loopEnd_ = file_->Length;
}

void MidiFilePlayer::Step() {
  if (file_ && position_ + StepSize() < file_->Length) Seek(position_ + StepSize());
}

void MidiFilePlayer::Back() {
  if (file_ && position_ - StepSize() > 0) Seek(position_ - StepSize());
}

void MidiFilePlayer::MoveTo(int64_t tick) {
  if (file_) Seek(std::clamp<int64_t>(tick, 0, std::max<int64_t>(file_->Length - 1, 0)));
}

void MidiFilePlayer::LoopStartClick() {
  if (!file_) return;
  if (position_ >= loopEnd_) {
    dialogs_.InformUser(kBadLoopRange);
    return;
  }
  loopStart_ = position_;
}

void MidiFilePlayer::LoopEndClick() {
  if (!file_) return;
  if (loopEnd_ == file_->Length) {
    if (position_ <= loopStart_) {
      dialogs_.InformUser(kBadLoopRange);
      return;
    }
    loopEnd_ = position_;
    Seek(loopStart_);
  } else {
    const int64_t former = loopEnd_;
    loopEnd_ = file_->Length;
    Seek(former);
  }
  StartPlaying();
}

bool MidiFilePlayer::SetLoop(int64_t from, int64_t to) {
  if (!file_ || from < 0 || from >= to || to > file_->Length) {
    dialogs_.InformUser(kBadLoopRange);
    return false;
  }
  loopStart_ = from;
  loopEnd_ = to;
  if (position_ < from || position_ >= to) Seek(from);
  return true;
}

void MidiFilePlayer::SetTempo(int bpm) {
  if (bpm <= 0) return;
  tempo_ = bpm;
  if (fluid_) {
    fluid_->fs.fluid_player_set_tempo(fluid_->player, FLUID_PLAYER_TEMPO_INTERNAL,
                                      static_cast<double>(bpm) / FileTempo());
  }
}

void MidiFilePlayer::SelectOutput(int selection) {
  OutputSelection = selection;
  ResolveOutput();
}

void MidiFilePlayer::ResolveOutput() {
  const auto& list = ports_.OutputList();
  const int count = static_cast<int>(list.size());
  const int wanted = OutputSelection < 0 || OutputSelection >= count ? count - 2 : OutputSelection;
  const int device = wanted == count - 2 ? kMapperId : wanted;
  if (out_ && out_->IsOpen() && out_->DeviceID() == device && wanted != count - 1) return;
  if (out_) Silence();
  out_ = nullptr;
  if (own_.IsOpen()) own_.Close();
  if (wanted == count - 1) return;  // "<None>"
  for (TMidiOutput* shared : {&ports_.MidiOutput1, &ports_.MidiOutput2}) {
    if (shared->IsOpen() && shared->DeviceID() == device) {
      out_ = shared;
      return;
    }
  }
  try {
    own_.SetDeviceID(device);
    own_.Open();
    out_ = &own_;
  } catch (const EmidioutputError& e) {
    dialogs_.InformUser("Can't open " + list[static_cast<size_t>(wanted)]);
    if (*e.what() != '\0') dialogs_.ShowStatus(e.what());
  }
}

void MidiFilePlayer::Seek(int64_t tick) {
  Silence();
  position_ = tick;
  seekTarget_ = tick;
  reached_ = false;
  // The player takes no seek before it has read its file, in its first block.
  if (!loaded_) {
    deferredSeek_ = tick;
    return;
  }
  const FluidSynthLibrary& fs = fluid_->fs;
  fluid_player_t* player = fluid_->player;
  // A seek the player has not carried out yet cannot be replaced while it plays: it is
  // stopped for the moment, which lets any position be set.
  if (fs.fluid_player_seek(player, static_cast<int>(tick)) != FLUID_OK) {
    fs.fluid_player_stop(player);
    fs.fluid_player_seek(player, static_cast<int>(tick));
    fs.fluid_player_play(player);
  }
}

void MidiFilePlayer::StartPlaying() {
  if (!file_ || playing_) return;
  if (!started_) {
    fluid_->fs.fluid_player_play(fluid_->player);
    started_ = true;
  }
  failure_.clear();  // a port that failed while stopped is tried again
  playing_ = true;
  if (RunClock) RunClock(true);
}

void MidiFilePlayer::Halt() {
  if (playing_ && RunClock) RunClock(false);
  playing_ = false;
  pendingFrames_ = 0;
  Silence();
}

void MidiFilePlayer::EndSoundingNotes() {
  for (uint8_t channel = 0; channel < 16; ++channel) {
    for (uint8_t note = 0; note < 128; ++note) {
      if (sounding_[channel].test(note)) Send(0x80 | channel, note, 0);
    }
    sounding_[channel].reset();
  }
}

void MidiFilePlayer::Silence() {
  if (!silenceDue_) return;
  silenceDue_ = false;
  EndSoundingNotes();
  for (uint8_t channel = 0; channel < 16; ++channel) {
    if (!usedChannels_.test(channel)) continue;
    Send(0xB0 | channel, 64, 0);
    Send(0xB0 | channel, 120, 0);
  }
}

void MidiFilePlayer::Send(uint8_t status, uint8_t data1, uint8_t data2) {
  if (!out_ || !out_->IsOpen() || !failure_.empty()) return;
  try {
    out_->PutShort(status, data1, data2);
  } catch (const EmidioutputError& e) {
    failure_ = e.what();
  }
}

bool MidiFilePlayer::PastLoopEnd(int64_t tick) {
  // The events at the song's last tick end it; at a loop end inside the song they begin what
  // the loop leaves out.
  const bool past = tick > loopEnd_ || (tick == loopEnd_ && loopEnd_ < file_->Length);
  if (past) reached_ = true;
  return past;
}

void MidiFilePlayer::SendEvent(int64_t tick, int type, int channel, int data1, int data2) {
  if (PastLoopEnd(tick)) return;
  // While the player catches up after a seek it hands over what came before the new position:
  // controllers and programs are sent so the sound is right; notes never come then.
  const bool catchingUp = tick < seekTarget_;
  if (catchingUp && (type == 0x80 || type == 0x90)) return;
  const auto status = static_cast<uint8_t>(type | (channel & 0x0F));
  const auto low = static_cast<uint8_t>(channel & 0x0F);
  if (type == 0xE0) {
    // FluidSynth hands over the bend as one 14-bit value.
    Send(status, static_cast<uint8_t>(data1 & 0x7F), static_cast<uint8_t>((data1 >> 7) & 0x7F));
  } else if (type == 0xC0 || type == 0xD0) {
    Send(status, static_cast<uint8_t>(data1 & 0x7F), 0);
  } else {
    Send(status, static_cast<uint8_t>(data1 & 0x7F), static_cast<uint8_t>(data2 & 0x7F));
  }
  usedChannels_.set(low);
  silenceDue_ = true;
  if (type == 0x90 && data2 > 0) sounding_[low].set(static_cast<size_t>(data1 & 0x7F));
  if (type == 0x80 || (type == 0x90 && data2 == 0)) {
    sounding_[low].reset(static_cast<size_t>(data1 & 0x7F));
  }
}

void MidiFilePlayer::SendSysex(int64_t tick, uint32_t index) {
  if (PastLoopEnd(tick)) return;
  // A system-exclusive message before a new position is not sent again: it may reset the
  // device, and what it set is still set.
  if (tick < seekTarget_ || index >= file_->Sysex.size()) return;
  if (!out_ || !out_->IsOpen() || !failure_.empty()) return;
  const auto& message = file_->Sysex[index];
  try {
    out_->PutLong(message.data(), message.size());
  } catch (const EmidioutputError& e) {
    failure_ = e.what();
  }
}

void MidiFilePlayer::Advance(int64_t frames) {
  if (!playing_) return;
  pendingFrames_ += frames;
  while (playing_ && pendingFrames_ >= kFileBlockFrames) {
    float* discard = fluid_->discard.data();
    fluid_->fs.fluid_synth_write_float(fluid_->synth, kFileBlockFrames, discard, 0, 1, discard, 0,
                                       1);
    pendingFrames_ -= kFileBlockFrames;
    frames_ += kFileBlockFrames;
    if (!loaded_) {
      loaded_ = true;
      if (deferredSeek_ > 0) {
        fluid_->fs.fluid_player_seek(fluid_->player, static_cast<int>(deferredSeek_));
      }
      deferredSeek_ = -1;
    }
    if (!failure_.empty()) {
      // The notes that sound are still ended, in case the output took only some messages.
      const std::string failure = std::exchange(failure_, {});
      Halt();
      failure_.clear();
      dialogs_.ShowStatus(failure);
      return;
    }
    if (reached_) ReachedLoopEnd();
  }
}

void MidiFilePlayer::ReachedLoopEnd() {
  ++passes_;
  if (Repeat && loopEnd_ > loopStart_) {
    Seek(loopStart_);
    return;
  }
  Halt();
  position_ = loopEnd_;
  reached_ = false;
  completed_ = true;
  if (Completed) Completed();
}

bool MidiFilePlayer::TakeCompleted() {
  return std::exchange(completed_, false);
}

}  // namespace korvel
