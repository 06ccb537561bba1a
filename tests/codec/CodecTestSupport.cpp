#include "CodecTestSupport.h"

#include <cmath>
#include <cstring>
#include <numbers>
#include <random>

#include "AcmAvCodec.h"

namespace codectest {

std::vector<TNamedDriver> CodecDrivers() {
  return {{"G.711", &AcmG711Driver()},
          {"IMA ADPCM", &AcmImaAdpcmDriver()},
          {"MS ADPCM", &AcmMsAdpcmDriver()},
          {"GSM 6.10", &AcmGsm610Driver()},
          {"MP3", &AcmMp3Driver()}};
}

TFormat Pcm(uint32_t rate, uint16_t bits, uint16_t channels) {
  TFormat f;
  AcmMakeLinear(f.Wfx(), WAVE_FORMAT_PCM, rate, bits, channels);
  return f;
}

std::string Describe(const WAVEFORMATEX* wfx) {
  std::string text;
  for (const auto& d : CodecDrivers())
    if (d.Driver->Describe(wfx, text)) return std::string(d.Name) + ": " + text;
  return "tag " + std::to_string(wfx->wFormatTag) + " " + std::to_string(wfx->nSamplesPerSec) + " Hz " +
         std::to_string(wfx->nChannels) + " ch";
}

std::vector<int16_t> Sine(uint32_t rate, uint16_t channels, double seconds, double freq, double amplitude) {
  const size_t n = size_t(rate * seconds);
  std::vector<int16_t> s(n * channels);
  for (size_t i = 0; i < n; ++i)
    for (uint16_t c = 0; c < channels; ++c) {
      const double f = c == 0 ? freq : freq * 1.5;
      s[i * channels + c] = int16_t(std::lround(32767.0 * amplitude * std::sin(2 * std::numbers::pi * f * i / rate)));
    }
  return s;
}

std::vector<int16_t> SpeechLike(uint32_t rate, uint16_t channels, double seconds) {
  const size_t n = size_t(rate * seconds);
  std::vector<int16_t> s(n * channels);
  std::mt19937 rng(7);
  std::normal_distribution<double> noise(0.0, 0.01);
  // Two-pole resonators at 700 Hz and 1200 Hz (within every rate's band).
  auto coeffs = [rate](double f, double bw, double& a1, double& a2) {
    const double r = std::exp(-std::numbers::pi * bw / rate);
    a1 = 2 * r * std::cos(2 * std::numbers::pi * f / rate);
    a2 = -r * r;
  };
  double a1, a2, b1, b2;
  coeffs(700, 130, a1, a2);
  coeffs(1200, 150, b1, b2);
  for (uint16_t c = 0; c < channels; ++c) {
    double y1 = 0, y2 = 0, z1 = 0, z2 = 0;
    const double pitch = c == 0 ? 120.0 : 150.0;
    const size_t period = size_t(rate / pitch);
    for (size_t i = 0; i < n; ++i) {
      const double x = (i % period == 0 ? 1.0 : 0.0) + noise(rng);
      const double y = x + a1 * y1 + a2 * y2;
      y2 = y1;
      y1 = y;
      const double z = y + b1 * z1 + b2 * z2;
      z2 = z1;
      z1 = z;
      const double env = 0.55 + 0.45 * std::sin(2 * std::numbers::pi * 3.0 * i / rate);
      s[i * channels + c] = int16_t(std::clamp(z * env * 0.02 * 32767.0, -32768.0, 32767.0));
    }
  }
  return s;
}

Bytes ToBytes(const std::vector<int16_t>& s) {
  Bytes b(s.size() * 2);
  std::memcpy(b.data(), s.data(), b.size());
  return b;
}

std::vector<int16_t> ToSamples(const Bytes& b) {
  std::vector<int16_t> s(b.size() / 2);
  std::memcpy(s.data(), b.data(), s.size() * 2);
  return s;
}

Bytes ToU8(const std::vector<int16_t>& s) {
  Bytes b(s.size());
  for (size_t i = 0; i < s.size(); ++i) b[i] = uint8_t((s[i] >> 8) + 128);
  return b;
}

double SnrDb(const std::vector<int16_t>& ref, const std::vector<int16_t>& got, uint16_t channels, size_t lag,
             size_t skip) {
  const size_t nr = ref.size() / channels, ng = got.size() / channels;
  double sig = 0, err = 0;
  for (size_t i = skip; i < nr && i + lag < ng; ++i)
    for (uint16_t c = 0; c < channels; ++c) {
      const double r = ref[i * channels + c], g = got[(i + lag) * channels + c];
      sig += r * r;
      err += (r - g) * (r - g);
    }
  if (sig == 0) return -100;
  if (err == 0) return 200;
  return 10 * std::log10(sig / err);
}

double ToneDb(const std::vector<int16_t>& s, uint16_t channels, uint32_t rate, double freq, size_t from, size_t count) {
  const double w = 2 * std::numbers::pi * freq / rate, k = 2 * std::cos(w);
  double s1 = 0, s2 = 0;
  size_t n = 0;
  for (size_t i = from; i < from + count && i * channels < s.size(); ++i, ++n) {
    const double x = s[i * channels] / 32768.0;
    const double s0 = x + k * s1 - s2;
    s2 = s1;
    s1 = s0;
  }
  if (n == 0) return -200;
  const double power = s1 * s1 + s2 * s2 - k * s1 * s2;
  const double amplitude = 2 * std::sqrt(std::max(power, 0.0)) / n;
  return 20 * std::log10(amplitude + 1e-12);
}

double ToneSnrDb(const std::vector<int16_t>& s, uint16_t channels, uint16_t channel, uint32_t rate, double freq,
                 size_t from, size_t count) {
  const size_t end = std::min(from + count, s.size() / channels);
  if (end <= from) return -200;
  double cc = 0, ss = 0, cs = 0, xc = 0, xs = 0, xx = 0;
  for (size_t i = from; i < end; ++i) {
    const double w = 2 * std::numbers::pi * freq * i / rate, c = std::cos(w), n = std::sin(w);
    const double x = s[i * channels + channel];
    cc += c * c, ss += n * n, cs += c * n, xc += x * c, xs += x * n, xx += x * x;
  }
  const double det = cc * ss - cs * cs;
  if (det <= 0) return -200;
  const double a = (xc * ss - xs * cs) / det, b = (xs * cc - xc * cs) / det;
  const double tone = a * a * cc + b * b * ss + 2 * a * b * cs;
  const double rest = std::max(xx - tone, 1e-9);
  return 10 * std::log10(std::max(tone, 1e-9) / rest);
}

double RmsDb(const std::vector<int16_t>& s, uint16_t channels, size_t from, size_t count) {
  double sum = 0;
  size_t n = 0;
  for (size_t i = from; i < from + count && i * channels < s.size(); ++i, ++n) {
    const double x = s[i * channels] / 32768.0;
    sum += x * x;
  }
  return n ? 10 * std::log10(sum / n + 1e-24) : -240;
}

TRunResult Pump(IAcmStream& s, const Bytes& in, size_t piece, uint32_t srcBlock, bool end) {
  TRunResult r;
  Bytes held, dst;
  auto step = [&](uint32_t flags) {
    const uint32_t cap = std::max<uint32_t>(s.DestinationSize(uint32_t(held.size())), flags ? 65536 : 0);
    if (cap == 0) return uint32_t(0);
    dst.assign(cap + 16, 0xEE);
    uint32_t used = 0, produced = 0;
    const MMRESULT rc = s.Convert(held.data(), uint32_t(held.size()), dst.data(), cap, flags, used, produced);
    if (rc != 0) {
      r.Ok = false;
      r.Failure = "Convert returned " + std::to_string(rc);
    } else if (used > held.size() || used % srcBlock != 0) {
      r.Ok = false;
      r.Failure = "took " + std::to_string(used) + " of " + std::to_string(held.size()) + " bytes";
    } else if (produced > cap || dst[cap] != 0xEE) {
      r.Ok = false;
      r.Failure = "wrote past the announced size";
    }
    r.Out.insert(r.Out.end(), dst.begin(), dst.begin() + std::min(produced, cap));
    held.erase(held.begin(), held.begin() + std::min<size_t>(used, held.size()));
    return produced;
  };
  for (size_t off = 0; off < in.size() && r.Ok; off += piece) {
    held.insert(held.end(), in.begin() + off, in.begin() + std::min(in.size(), off + piece));
    step(0);
  }
  for (int i = 0; end && r.Ok && i < 64; ++i)
    if (step(ACM_STREAMCONVERTF_END) == 0) break;
  return r;
}

std::unique_ptr<IAcmStream> OpenPair(const WAVEFORMATEX* src, const WAVEFORMATEX* dst, bool realTime) {
  for (const auto& d : CodecDrivers())
    if (d.Driver->Accepts(src, dst, realTime)) {
      std::unique_ptr<IAcmStream> stream;
      d.Driver->Open(src, dst, realTime, stream);
      return stream;
    }
  return nullptr;
}

}  // namespace codectest
