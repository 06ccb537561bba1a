#pragma once
// The one way the tests make a PCM format: the three numbers given, the
// derived fields (block align, data rate) filled in and no extra bytes. The
// rest of the buffer is left as it was.
#include "deACM.h"

inline void SetPcmFormat(TdeWaveFormat& f, uint32_t rate, uint16_t bits, uint16_t channels) {
  f.SetFormatTag(WAVE_FORMAT_PCM);
  f.SetSamplesPerSec(rate);
  f.SetBitsPerSample(bits);
  f.SetChannels(channels);
  f.SetBlockAlign(static_cast<uint16_t>(bits / 8 * channels));
  f.SetAvgBytesPerSec(rate * f.BlockAlign());
  f.SetExtraSize(0);
}
