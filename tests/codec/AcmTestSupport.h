#pragma once
// Helpers for the codec manager and linear converter tests: formats, signals
// in any linear layout, a stream driven the way the conversion step drives
// it, and a fit of a sine.
#include <QString>
#include <cstdint>
#include <vector>

#include "Platform.h"

struct TFormatBuffer {
  alignas(8) uint8_t Bytes[WAVE_FORMAT_BUFFER_SIZE] = {};
  WAVEFORMATEX* Wfx() { return reinterpret_cast<WAVEFORMATEX*>(Bytes); }
  const WAVEFORMATEX* Wfx() const { return reinterpret_cast<const WAVEFORMATEX*>(Bytes); }
};

TFormatBuffer Linear(uint32_t rate, uint16_t bits, uint16_t channels, uint16_t tag = WAVE_FORMAT_PCM);
// WAVE_FORMAT_EXTENSIBLE with a PCM (or float) sub-format.
TFormatBuffer Extensible(uint32_t rate, uint16_t bits, uint16_t channels, bool isFloat = false);

// Frames of a sine (amplitude of full scale, per channel phase offset 0) in format f.
std::vector<uint8_t> Sine(const WAVEFORMATEX* f, double hz, double amplitude, size_t frames);
// Samples of channel ch as -1..1.
std::vector<double> Channel(const WAVEFORMATEX* f, const std::vector<uint8_t>& data, int ch);

// A stream header over the two buffers, not yet prepared.
ACMSTREAMHEADER StreamHeader(uint8_t* src, uint32_t srcLength, uint8_t* dst, uint32_t dstLength);

// Converts data in blocks of blockBytes through one stream, keeping the
// unconsumed tail as the conversion step does; END at the last block when flush.
struct TConversion {
  MMRESULT Result = 0;
  std::vector<uint8_t> Output;
};
TConversion ConvertAll(const WAVEFORMATEX* src, const WAVEFORMATEX* dst, const std::vector<uint8_t>& data,
                       uint32_t blockBytes, bool flush = true);

// Least-squares fit of a sine at hz over x[skip .. size-skip): amplitude and
// signal-to-residual ratio in dB.
struct TSineFit {
  double Amplitude = 0;
  double SnrDb = 0;
};
TSineFit FitSine(const std::vector<double>& x, double rate, double hz, size_t skip);

// Runs a command line; true when it exits 0.
bool RunCommand(const QString& command);
QString TempPath(const QString& name);
std::vector<uint8_t> ReadFile(const QString& path);
// The fmt record and the data of a RIFF WAVE file (empty data when not found).
bool ReadWave(const QString& path, TFormatBuffer& fmt, std::vector<uint8_t>& data);
