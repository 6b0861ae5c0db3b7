#include "platform/MidiDriver.h"

namespace korvel {

std::string MidiErrorText(uint16_t code) {
  switch (code) {
    case kMidiOk:
      return "The specified command was carried out.";
    case kMidiError:
      return "Undefined external error.";
    case kMidiBadDeviceId:
      return "A device ID has been used that is out of range for your system.";
    case kMidiNotEnabled:
      return "The driver was not enabled.";
    case kMidiAllocated:
      return "The specified device is already in use. Wait until it is free, and then try again.";
    case kMidiInvalidHandle:
      return "The specified device handle is invalid.";
    case kMidiNoDriver:
      return "There is no driver installed on your system.";
    case kMidiNoMemory:
      return "There is not enough memory available for this task.";
    case kMidiNotSupported:
      return "This function is not supported.";
    default:
      return "Specified error number is out of range";
  }
}

size_t ShortMessageLength(uint8_t status) {
  if (status < 0xF0) return (status & 0xE0) == 0xC0 ? 2 : 3;
  if (status == 0xF1 || status == 0xF3) return 2;
  if (status == 0xF2) return 3;
  return 1;
}

}  // namespace korvel
