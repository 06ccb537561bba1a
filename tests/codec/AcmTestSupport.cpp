#include "AcmTestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cmath>
#include <cstdlib>
#include <cstring>

TFormatBuffer Linear(uint32_t rate, uint16_t bits, uint16_t channels, uint16_t tag) {
  TFormatBuffer b;
  WAVEFORMATEX* f = b.Wfx();
  f->wFormatTag = tag;
  f->nChannels = channels;
  f->nSamplesPerSec = rate;
  f->wBitsPerSample = bits;
  f->nBlockAlign = uint16_t(channels * bits / 8);
  f->nAvgBytesPerSec = rate * f->nBlockAlign;
  return b;
}

TFormatBuffer Extensible(uint32_t rate, uint16_t bits, uint16_t channels, bool isFloat) {
  TFormatBuffer b = Linear(rate, bits, channels, WAVE_FORMAT_EXTENSIBLE);
  WAVEFORMATEXTENSIBLE ext;
  std::memcpy(&ext, b.Bytes, sizeof ext);
  ext.Format.cbSize = WAVE_FORMAT_EXTENSIBLE_EXTRA;
  ext.wValidBitsPerSample = bits;
  ext.dwChannelMask = channels == 1 ? 0x4 : 0x3;
  std::memcpy(ext.SubFormat, isFloat ? KSDATAFORMAT_SUBTYPE_IEEE_FLOAT : KSDATAFORMAT_SUBTYPE_PCM, 16);
  std::memcpy(b.Bytes, &ext, sizeof ext);
  return b;
}

namespace {

bool IsFloat(const WAVEFORMATEX* f) {
  if (f->wFormatTag == WAVE_FORMAT_IEEE_FLOAT) return true;
  if (f->wFormatTag != WAVE_FORMAT_EXTENSIBLE) return false;
  return reinterpret_cast<const WAVEFORMATEXTENSIBLE*>(f)->SubFormat[0] == 3;
}

void Put(const WAVEFORMATEX* f, uint8_t* p, double v) {
  v = std::clamp(v, -1.0, 1.0);
  if (IsFloat(f)) {
    const float x = float(v);
    std::memcpy(p, &x, 4);
    return;
  }
  switch (f->wBitsPerSample) {
    case 8: *p = uint8_t(std::clamp<long>(std::lround(v * 128) + 128, 0, 255)); break;
    case 16: {
      const int16_t x = int16_t(std::clamp<long>(std::lround(v * 32768), -32768, 32767));
      std::memcpy(p, &x, 2);
      break;
    }
    case 24: {
      const int32_t x = int32_t(std::clamp<long>(std::lround(v * 8388608), -8388608, 8388607));
      p[0] = uint8_t(x);
      p[1] = uint8_t(x >> 8);
      p[2] = uint8_t(x >> 16);
      break;
    }
    case 32: {
      const int32_t x = int32_t(std::clamp<long long>(std::llround(v * 2147483648.0), INT32_MIN, INT32_MAX));
      std::memcpy(p, &x, 4);
      break;
    }
  }
}

double Get(const WAVEFORMATEX* f, const uint8_t* p) {
  if (IsFloat(f)) {
    float x;
    std::memcpy(&x, p, 4);
    return x;
  }
  switch (f->wBitsPerSample) {
    case 8: return (int(*p) - 128) / 128.0;
    case 16: {
      int16_t x;
      std::memcpy(&x, p, 2);
      return x / 32768.0;
    }
    case 24: return int32_t(uint32_t(p[0]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 24) / 2147483648.0;
    case 32: {
      int32_t x;
      std::memcpy(&x, p, 4);
      return x / 2147483648.0;
    }
  }
  return 0;
}

}  // namespace

std::vector<uint8_t> Sine(const WAVEFORMATEX* f, double hz, double amplitude, size_t frames) {
  std::vector<uint8_t> data(frames * f->nBlockAlign);
  const int bytes = f->wBitsPerSample / 8;
  for (size_t i = 0; i < frames; ++i) {
    const double v = amplitude * std::sin(2 * M_PI * hz * double(i) / f->nSamplesPerSec);
    for (int c = 0; c < f->nChannels; ++c) Put(f, &data[i * f->nBlockAlign + c * bytes], v);
  }
  return data;
}

std::vector<double> Channel(const WAVEFORMATEX* f, const std::vector<uint8_t>& data, int ch) {
  std::vector<double> x;
  const int bytes = f->wBitsPerSample / 8;
  for (size_t i = 0; i + f->nBlockAlign <= data.size(); i += f->nBlockAlign) x.push_back(Get(f, &data[i + ch * bytes]));
  return x;
}

ACMSTREAMHEADER StreamHeader(uint8_t* src, uint32_t srcLength, uint8_t* dst, uint32_t dstLength) {
  ACMSTREAMHEADER h = {};
  h.cbStruct = sizeof h;
  h.pbSrc = src;
  h.cbSrcLength = srcLength;
  h.pbDst = dst;
  h.cbDstLength = dstLength;
  return h;
}

TConversion ConvertAll(const WAVEFORMATEX* src, const WAVEFORMATEX* dst, const std::vector<uint8_t>& data,
                       uint32_t blockBytes, bool flush) {
  TConversion out;
  HACMSTREAM has = nullptr;
  if ((out.Result = acmStreamOpen(&has, nullptr, src, dst, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME))) return out;
  const uint32_t inCap = 3 * blockBytes + 64;
  uint32_t outCap = 0;
  acmStreamSize(has, inCap, &outCap, ACM_STREAMSIZEF_SOURCE);
  std::vector<uint8_t> in(inCap), res(outCap + 16, 0xEE);
  ACMSTREAMHEADER h = StreamHeader(in.data(), inCap, res.data(), outCap);
  if ((out.Result = acmStreamPrepareHeader(has, &h, 0))) {
    acmStreamClose(has, 0);
    return out;
  }
  uint32_t fill = 0;
  for (size_t pos = 0; pos < data.size() || (pos == data.size() && flush);) {
    const uint32_t n = uint32_t(std::min<size_t>(blockBytes, data.size() - pos));
    if (fill + n > inCap) {
      out.Result = 0xBEEF;  // the stream stopped consuming
      break;
    }
    std::memcpy(in.data() + fill, data.data() + pos, n);
    fill += n;
    pos += n;
    const bool last = pos >= data.size();
    h.cbSrcLength = fill;
    if ((out.Result =
             acmStreamConvert(has, &h, ACM_STREAMCONVERTF_BLOCKALIGN | (last && flush ? ACM_STREAMCONVERTF_END : 0))))
      break;
    for (size_t g = outCap; g < res.size(); ++g)
      if (res[g] != 0xEE) out.Result = 0xDEAD;  // wrote past cbDstLength
    out.Output.insert(out.Output.end(), res.begin(), res.begin() + h.cbDstLengthUsed);
    std::memmove(in.data(), in.data() + h.cbSrcLengthUsed, fill - h.cbSrcLengthUsed);
    fill -= h.cbSrcLengthUsed;
    if (last) break;
  }
  h.cbSrcLength = inCap;
  acmStreamUnprepareHeader(has, &h, 0);
  acmStreamClose(has, 0);
  return out;
}

TSineFit FitSine(const std::vector<double>& x, double rate, double hz, size_t skip) {
  // Least squares for x = a*sin + b*cos + c through the 3x3 normal equations.
  double m[3][4] = {};
  for (size_t i = skip; i + skip < x.size(); ++i) {
    const double basis[3] = {std::sin(2 * M_PI * hz * i / rate), std::cos(2 * M_PI * hz * i / rate), 1.0};
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 3; ++c) m[r][c] += basis[r] * basis[c];
      m[r][3] += basis[r] * x[i];
    }
  }
  TSineFit fit;
  for (int p = 0; p < 3; ++p) {
    if (std::fabs(m[p][p]) < 1e-12) return fit;
    for (int r = 0; r < 3; ++r) {
      if (r == p) continue;
      const double f = m[r][p] / m[p][p];
      for (int c = 0; c < 4; ++c) m[r][c] -= f * m[p][c];
    }
  }
  const double a = m[0][3] / m[0][0], b = m[1][3] / m[1][1], mean = m[2][3] / m[2][2];
  double residual = 0, signal = 0;
  for (size_t i = skip; i + skip < x.size(); ++i) {
    const double model = a * std::sin(2 * M_PI * hz * i / rate) + b * std::cos(2 * M_PI * hz * i / rate);
    residual += (x[i] - mean - model) * (x[i] - mean - model);
    signal += model * model;
  }
  fit.Amplitude = std::sqrt(a * a + b * b);
  fit.SnrDb = 10 * std::log10(signal / std::max(residual, 1e-30));
  return fit;
}

bool RunCommand(const QString& command) { return std::system(command.toLocal8Bit().constData()) == 0; }

QString TempPath(const QString& name) {
  const QString dir =
      QDir::tempPath() + QStringLiteral("/tamsel-codec-tests-%1").arg(QCoreApplication::applicationPid());
  QDir().mkpath(dir);
  return dir + QLatin1Char('/') + name;
}

std::vector<uint8_t> ReadFile(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  const QByteArray all = f.readAll();
  return std::vector<uint8_t>(all.begin(), all.end());
}

bool ReadWave(const QString& path, TFormatBuffer& fmt, std::vector<uint8_t>& data) {
  const std::vector<uint8_t> file = ReadFile(path);
  if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) || std::memcmp(file.data() + 8, "WAVE", 4)) return false;
  bool haveFmt = false;
  for (size_t pos = 12; pos + 8 <= file.size();) {
    uint32_t size;
    std::memcpy(&size, &file[pos + 4], 4);
    const size_t body = pos + 8, avail = std::min<size_t>(size, file.size() - body);
    if (!std::memcmp(&file[pos], "fmt ", 4)) {
      std::memcpy(fmt.Bytes, &file[body], std::min<size_t>(avail, sizeof fmt.Bytes));
      haveFmt = true;
    } else if (!std::memcmp(&file[pos], "data", 4)) {
      data.assign(file.begin() + body, file.begin() + body + avail);
      return haveFmt;
    }
    pos = body + size + (size & 1);
  }
  return false;
}
