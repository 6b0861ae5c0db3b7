// Reads a PCM WAV file far enough to judge what a rendering sounds like.
#pragma once

#include <string>
#include <vector>

namespace korvel::test {

struct WavSummary {
  int Channels = 0;
  int SampleRate = 0;
  int BitsPerSample = 0;
  size_t Frames = 0;
  double Rms = 0;   // over all samples, full scale = 1
  double Peak = 0;  // largest magnitude, full scale = 1
  size_t ClippedSamples = 0;
};

// Throws std::runtime_error with the reason when the file is no 16-bit or float PCM WAV.
WavSummary ReadWav(const std::string& path, double fromSeconds = 0, double toSeconds = 1e9);

}  // namespace korvel::test
