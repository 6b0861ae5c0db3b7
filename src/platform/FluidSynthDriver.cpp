#include "platform/FluidSynthDriver.h"

#include <cstdlib>
#include <utility>

#include "platform/FluidSynthLibrary.h"

namespace korvel {

struct FluidSynthDriver::Engine {
  explicit Engine(const FluidSynthLibrary& library) : fs(library) {}
  const FluidSynthLibrary& fs;
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  fluid_audio_driver_t* audio = nullptr;
  fluid_file_renderer_t* renderer = nullptr;
  double gain = 0.6;
  int periodSize = 64;
  long pendingFrames = 0;  // frames asked for but short of a whole period

  ~Engine() {
    // The audio driver calls into the synthesizer from its own thread: it goes first.
    if (audio) fs.delete_fluid_audio_driver(audio);
    if (renderer) fs.delete_fluid_file_renderer(renderer);  // finishes the WAV header
    if (synth) fs.delete_fluid_synth(synth);
    if (settings) fs.delete_fluid_settings(settings);
  }
};

namespace {

class SynthConnection : public MidiOutConnection {
 public:
  explicit SynthConnection(std::shared_ptr<FluidSynthDriver::Engine> engine)
      : engine_(std::move(engine)) {}

  void SendShort(uint32_t packed) override {
    const FluidSynthLibrary& fs = engine_->fs;
    fluid_synth_t* synth = engine_->synth;
    const int status = packed & 0xFF;
    const int data1 = (packed >> 8) & 0x7F;
    const int data2 = (packed >> 16) & 0x7F;
    const int channel = status & 0x0F;
    switch (status & 0xF0) {
      case 0x80:
        fs.fluid_synth_noteoff(synth, channel, data1);
        break;
      case 0x90:
        // FluidSynth treats velocity 0 as a note-off itself.
        fs.fluid_synth_noteon(synth, channel, data1, data2);
        break;
      case 0xA0:
        fs.fluid_synth_key_pressure(synth, channel, data1, data2);
        break;
      case 0xB0:
        fs.fluid_synth_cc(synth, channel, data1, data2);
        break;
      case 0xC0:
        fs.fluid_synth_program_change(synth, channel, data1);
        break;
      case 0xD0:
        fs.fluid_synth_channel_pressure(synth, channel, data1);
        break;
      case 0xE0:
        fs.fluid_synth_pitch_bend(synth, channel, data1 | (data2 << 7));
        break;
      default:
        if (status == 0xFF) fs.fluid_synth_system_reset(synth);
        // Clock, start, stop and the other real-time messages mean nothing to a synthesizer.
        break;
    }
  }

  void SendLong(std::span<const uint8_t> bytes, std::function<void()> done) override {
    // FluidSynth wants the message without its F0 and F7 framing.
    size_t begin = 0;
    size_t end = bytes.size();
    if (begin < end && bytes[begin] == 0xF0) ++begin;
    if (end > begin && bytes[end - 1] == 0xF7) --end;
    if (end > begin) {
      engine_->fs.fluid_synth_sysex(engine_->synth,
                                    reinterpret_cast<const char*>(bytes.data() + begin),
                                    static_cast<int>(end - begin), nullptr, nullptr, nullptr, 0);
    }
    done();
  }

  void SetVolume(uint16_t left, uint16_t right) override {
    const double level = (static_cast<double>(left) + right) / (2.0 * 65535.0);
    engine_->fs.fluid_synth_set_gain(engine_->synth, static_cast<float>(engine_->gain * level));
  }

 private:
  std::shared_ptr<FluidSynthDriver::Engine> engine_;
};

fluid_audio_driver_t* StartAudio(const FluidSynthLibrary& fs, fluid_settings_t* settings,
                                 fluid_synth_t* synth, const std::string& wanted,
                                 std::string& tried) {
  const std::vector<std::string> drivers =
      wanted.empty() ? std::vector<std::string>{"pulseaudio", "pipewire", "alsa", "jack", "sdl2"}
                     : std::vector<std::string>{wanted};
  for (const auto& name : drivers) {
    if (fs.fluid_settings_setstr(settings, "audio.driver", name.c_str()) != FLUID_OK) continue;
    if (auto* audio = fs.new_fluid_audio_driver(settings, synth)) return audio;
    tried += (tried.empty() ? "" : ", ") + name;
  }
  return nullptr;
}

}  // namespace

FluidSynthDriver::FluidSynthDriver(SynthSettings settings) : settings_(std::move(settings)) {
  // FluidSynth's JACK audio driver would otherwise start a JACK server of its own on the sound
  // card; Korvel only joins a server the user runs.
  setenv("JACK_NO_START_SERVER", "1", 0);
}

FluidSynthDriver::~FluidSynthDriver() = default;

std::vector<MidiDeviceCaps> FluidSynthDriver::Outputs() {
  return {{.ProductName = kSynthName,
           .DriverVersion =
               static_cast<uint32_t>(FLUIDSYNTH_VERSION_MAJOR << 8 | FLUIDSYNTH_VERSION_MINOR),
           .Technology = kTechSoftwareSynth,
           .Voices = 256,
           .Notes = 256,
           .ChannelMask = 0xFFFF,
           .Support = 1}};  // volume control
}

std::unique_ptr<MidiOutConnection> FluidSynthDriver::OpenOutput(unsigned index,
                                                                const std::string& name) {
  if (index != 0 || name != kSynthName) throw MidiDriverError(kMidiBadDeviceId);
  if (!engine_.expired()) throw MidiDriverError(kMidiAllocated);
  const FluidSynthLibrary& fs = FluidSynth(settings_.Library);
  TakeFluidSynthLog();

  auto engine = std::make_shared<Engine>(fs);
  engine->gain = settings_.Gain;
  engine->settings = fs.new_fluid_settings();
  if (!engine->settings) throw MidiDriverError(kMidiNoMemory);
  fs.fluid_settings_setnum(engine->settings, "synth.gain", settings_.Gain);
  fs.fluid_settings_setnum(engine->settings, "synth.sample-rate", settings_.SampleRate);
  const bool rendering = !settings_.RenderFile.empty();
  if (rendering) {
    fs.fluid_settings_setstr(engine->settings, "audio.file.name", settings_.RenderFile.c_str());
    fs.fluid_settings_setstr(engine->settings, "audio.file.type", "wav");
    fs.fluid_settings_setstr(engine->settings, "player.timing-source", "sample");
    fs.fluid_settings_setint(engine->settings, "synth.lock-memory", 0);
  }
  engine->synth = fs.new_fluid_synth(engine->settings);
  if (!engine->synth) throw MidiDriverError(kMidiNoMemory, "The synthesizer could not be created.");
  if (fs.fluid_synth_sfload(engine->synth, settings_.SoundFont.c_str(), 1) == FLUID_FAILED) {
    throw MidiDriverError(kMidiNoDriver, "The SoundFont \"" + settings_.SoundFont +
                                             "\" could not be loaded. Choose a SoundFont (.sf2) "
                                             "in the options, or install timgm6mb-soundfont.");
  }
  if (rendering) {
    engine->renderer = fs.new_fluid_file_renderer(engine->synth);
    if (!engine->renderer) {
      throw MidiDriverError(
          kMidiError, "The sound file \"" + settings_.RenderFile + "\" could not be written.");
    }
    fs.fluid_settings_getint(engine->settings, "audio.period-size", &engine->periodSize);
  } else {
    std::string tried;
    engine->audio = StartAudio(fs, engine->settings, engine->synth, settings_.AudioDriver, tried);
    if (!engine->audio) {
      const std::string why = TakeFluidSynthLog();
      throw MidiDriverError(kMidiNoDriver, "No audio output could be opened for the synthesizer (" +
                                               tried + ")" + (why.empty() ? "" : ": " + why) + ".");
    }
  }
  engine_ = engine;
  return std::make_unique<SynthConnection>(std::move(engine));
}

void FluidSynthDriver::RenderFrames(long frames) {
  auto engine = engine_.lock();
  if (!engine || !engine->renderer) {
    throw MidiDriverError(kMidiInvalidHandle, "The synthesizer is not rendering to a file.");
  }
  // The file renderer works in whole periods; the remainder carries over to the next call.
  engine->pendingFrames += frames;
  while (engine->pendingFrames >= engine->periodSize) {
    if (engine->fs.fluid_file_renderer_process_block(engine->renderer) != FLUID_OK) {
      throw MidiDriverError(kMidiError, "Writing the sound file failed.");
    }
    engine->pendingFrames -= engine->periodSize;
  }
}

}  // namespace korvel
