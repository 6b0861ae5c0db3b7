#include "cli/WorkCommands.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <iostream>
#include <thread>

#include "app/Engine.h"
#include "app/HeadlessUi.h"
#include "app/WorkFiles.h"
#include "platform/AtomicFile.h"
#include "stylegen/WorkFile.h"

namespace korvel::cli {

namespace {

volatile std::sig_atomic_t stopRequested = 0;

}  // namespace

WorkCommands::WorkCommands(CLI::App& app) {
  workInfo_ = app.add_subcommand("work-info", "Describe a work file");
  workInfo_->add_option("FILE", file_, "Work file (.kvw)")->required();

  capture_ =
      app.add_subcommand("capture",
                         "Record what another program plays on a MIDI input, on its Start and MIDI "
                         "clock, and save it as a work file");
  capture_->add_option("--in", in_, "MIDI input by its list name")->required();
  capture_->add_option("--measures", measures_, "Measures to record")
      ->check(CLI::Range(1, kMaxCaptureMeasure));
  capture_->add_option("--timeout", timeout_, "Seconds to wait for the recording to end")
      ->check(CLI::PositiveNumber);
  capture_->add_option("-o,--out", out_, "The work file (.kvw)")->required();
}

std::optional<int> WorkCommands::Run(const MidiSystemSettings& settings) const {
  if (*workInfo_) return WorkInfo();
  if (*capture_) return Capture(settings);
  return std::nullopt;
}

int WorkCommands::WorkInfo() const {
  std::string error;
  const auto bytes = ReadWholeFile(file_, error);
  if (!bytes) {
    std::cerr << error << "\n";
    return 1;
  }
  const auto contents = ParseWorkFile(*bytes, error);
  if (!contents) {
    std::cerr << error << "\n";
    return 1;
  }
  if (!contents->Cut.empty()) std::cerr << contents->Cut << "\n";
  std::cout << WorkInfoText(*contents);
  return 0;
}

int WorkCommands::Capture(const MidiSystemSettings& settings) const {
  TextDialogs dialogs(&std::cerr);
  NoView view;
  MidiSystem system(settings);
  Engine engine(system.Devices, system.InputSettings, dialogs, view);
  {
    std::lock_guard lock(engine.Lock);
    MidiPorts& ports = engine.Ports;
    const auto& inputs = ports.InputList();
    const auto found = std::find(inputs.begin(), inputs.end(), in_);
    if (found == inputs.end() || *found == kNoDevice) {
      std::cerr << "No MIDI input \"" << in_ << "\"; korvel-cli devices lists them.\n";
      return 1;
    }
    ports.MidiInList = static_cast<int>(found - inputs.begin());
    ports.MidiInChange();
    if (!ports.MidiInput2.IsOpen()) return 1;  // the reason is printed already
    // The other program is started by its user: the clock waits for its Start.
    Transport& transport = engine.Transport;
    if (transport.ClockState != 0) transport.ToggleClock();
    transport.SetSlaveMode(true);
    transport.ToggleClock();
    if (!engine.Recorder.ArmRecording(false)) return 1;
    engine.Recorder.MeasureLimit = measures_;
  }
  std::cout << kReadyToRecord << "\n" << std::flush;
  std::signal(SIGINT, [](int) { stopRequested = 1; });
  std::signal(SIGTERM, [](int) { stopRequested = 1; });
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeout_);
  bool armed = true;
  while (armed && !stopRequested && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::lock_guard lock(engine.Lock);
    armed = engine.Recorder.Armed();
  }
  std::lock_guard lock(engine.Lock);
  const bool complete = !engine.Recorder.Armed();
  const int64_t clocks = engine.Recorder.ClocksRecorded();
  // Stop ends a recording cut short and saves what it holds.
  engine.Transport.StopCommand();
  if (clocks == 0) {
    std::cerr << "Nothing was recorded: no Start and MIDI clock came from \"" << in_ << "\"\n";
    return 1;
  }
  WorkFiles files(engine, dialogs);
  try {
    files.WriteWorkFile(out_);
  } catch (const std::runtime_error& error) {
    std::cerr << error.what() << "\n";
    return 1;
  }
  if (!complete) std::cerr << "Recording stopped before " << measures_ << " measures\n";
  std::cout << "saved " << out_ << "\n";
  return complete ? 0 : 1;
}

}  // namespace korvel::cli
