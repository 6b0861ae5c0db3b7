// Whatever a MIDI device sends, in any order and length, the input port filters, buffers and
// hands out without reading or writing out of bounds, and never holds more than it can.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "midi/MidiDevices.h"
#include "midi/TMidiInput.h"
#include "platform/RecordingDriver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  korvel::RecordingDriver driver({}, {"Keys"});
  korvel::MidiDevices devices(driver, nullptr);
  korvel::ChannelState channels;
  korvel::InputCallbackSettings settings(channels);
  korvel::TMidiInput in(devices, settings, korvel::InputDispatch::Manual);
  const uint8_t setup = data[0];
  settings.SetThinning(setup & 1);
  settings.SetPassActiveSensing(setup & 2);
  settings.SetClockForwarding((setup >> 2) & 1, nullptr);
  in.SetSysexOnly(setup & 8);
  in.SetSysexBufferCount(static_cast<uint16_t>((setup >> 4) & 3));
  in.SetSysexBufferSize(static_cast<uint16_t>(data[1] % 64));
  in.Open();
  in.Start();

  size_t pos = 2;
  while (pos < size) {
    const uint8_t op = data[pos++];
    const size_t length = std::min<size_t>(op & 0x3F, size - pos);
    switch (op >> 6) {
      case 0:
      case 1: {
        uint32_t packed = 0;
        for (size_t i = 0; i < std::min<size_t>(length, 3); ++i) packed |= data[pos + i] << (8 * i);
        driver.Inject("Keys", packed, static_cast<uint32_t>(pos));
        pos += std::min<size_t>(length, 3);
        break;
      }
      case 2:
        driver.InjectLong("Keys", std::vector<uint8_t>(data + pos, data + pos + length));
        pos += length;
        break;
      default:
        for (size_t i = 0; i < length; ++i) {
          auto event = in.GetMidiEvent();
          if (!event) break;
          if (event->SysexLength() > in.SysexBufferSize()) std::abort();
        }
        break;
    }
    if (in.MessageCount() > korvel::TMidiInput::kCapacity) std::abort();
  }
  in.ProcessNotifications();
  return 0;
}
