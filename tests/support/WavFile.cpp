#include "support/WavFile.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace korvel::test {
namespace {

uint32_t Le32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24;
}
uint16_t Le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}

}  // namespace

WavSummary ReadWav(const std::string& path, double fromSeconds, double toSeconds) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot open " + path);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                             std::istreambuf_iterator<char>());
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
      std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
    throw std::runtime_error(path + " is no WAV file");
  }
  WavSummary summary;
  int format = 0;
  size_t pos = 12;
  while (pos + 8 <= bytes.size()) {
    const uint32_t size = Le32(bytes.data() + pos + 4);
    const uint8_t* body = bytes.data() + pos + 8;
    const size_t available = std::min<size_t>(size, bytes.size() - pos - 8);
    if (std::memcmp(bytes.data() + pos, "fmt ", 4) == 0 && available >= 16) {
      format = Le16(body);
      summary.Channels = Le16(body + 2);
      summary.SampleRate = static_cast<int>(Le32(body + 4));
      summary.BitsPerSample = Le16(body + 14);
    } else if (std::memcmp(bytes.data() + pos, "data", 4) == 0) {
      if (summary.Channels == 0) throw std::runtime_error(path + ": data before format");
      const size_t sampleBytes = static_cast<size_t>(summary.BitsPerSample / 8);
      const size_t frameBytes = sampleBytes * static_cast<size_t>(summary.Channels);
      summary.Frames = available / frameBytes;
      const auto first = static_cast<size_t>(fromSeconds * summary.SampleRate);
      const size_t last =
          std::min(summary.Frames, static_cast<size_t>(toSeconds * summary.SampleRate));
      double sum = 0;
      size_t count = 0;
      for (size_t frame = first; frame < last; ++frame) {
        for (int ch = 0; ch < summary.Channels; ++ch) {
          const uint8_t* s = body + frame * frameBytes + static_cast<size_t>(ch) * sampleBytes;
          double v;
          if (format == 3 && sampleBytes == 4) {
            float f;
            std::memcpy(&f, s, 4);
            v = f;
          } else if (format == 1 && sampleBytes == 2) {
            v = static_cast<int16_t>(Le16(s)) / 32768.0;
          } else {
            throw std::runtime_error(path + ": unsupported sample format");
          }
          sum += v * v;
          summary.Peak = std::max(summary.Peak, std::fabs(v));
          if (std::fabs(v) >= 0.999) ++summary.ClippedSamples;
          ++count;
        }
      }
      summary.Rms = count ? std::sqrt(sum / static_cast<double>(count)) : 0;
      return summary;
    }
    pos += 8 + size + (size & 1);
  }
  throw std::runtime_error(path + " has no data chunk");
}

}  // namespace korvel::test
