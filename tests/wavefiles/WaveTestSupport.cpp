#include "WaveTestSupport.h"

#include "PcmFormat.h"
#include "PeerProgram.h"

#include <sys/wait.h>
#include <unistd.h>
#include <QFile>
#include <QStandardPaths>
#include <cmath>
#include <csignal>

namespace wavetest {

namespace {
std::string Le(uint32_t v, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  return s;
}
}  // namespace

RiffBuilder& RiffBuilder::Raw(const std::string& bytes) {
  FBytes += bytes;
  return *this;
}
RiffBuilder& RiffBuilder::U32(uint32_t v) { return Raw(Le(v, 4)); }
RiffBuilder& RiffBuilder::U16(uint16_t v) { return Raw(Le(v, 2)); }

RiffBuilder& RiffBuilder::Chunk(const std::string& id, const std::string& payload, bool pad) {
  Raw(id).U32(static_cast<uint32_t>(payload.size())).Raw(payload);
  if (pad && payload.size() % 2) FBytes.push_back('\0');
  return *this;
}

RiffBuilder& RiffBuilder::ChunkWithSize(const std::string& id, uint32_t size, const std::string& payload) {
  return Raw(id).U32(size).Raw(payload);
}

std::string RiffBuilder::Wave(int64_t riffSize) const {
  const uint32_t size = riffSize >= 0 ? static_cast<uint32_t>(riffSize) : static_cast<uint32_t>(FBytes.size() + 4);
  return "RIFF" + Le(size, 4) + "WAVE" + FBytes;
}

std::string PcmFmt(uint16_t channels, uint32_t rate, uint16_t bits) {
  const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
  return Le(1, 2) + Le(channels, 2) + Le(rate, 4) + Le(rate * align, 4) + Le(align, 2) + Le(bits, 2);
}

void SetPcm(TdeWaveFormat& f, uint16_t channels, uint32_t rate, uint16_t bits) {
  SetPcmFormat(f, rate, bits, channels);
}

TMemoryStream MemoryOf(const std::string& bytes) {
  TMemoryStream s;
  s.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  s.SetPosition(0);
  return s;
}

std::string BytesOf(TMemoryStream& s) {
  return std::string(reinterpret_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size()));
}

std::string ReadFile(const QString& name) {
  QFile f(name);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll().toStdString();
}

void WriteFile(const QString& name, const std::string& bytes) {
  QFile f(name);
  if (f.open(QIODevice::WriteOnly)) f.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

int RunPeer(const QString& program, const QStringList& args, QByteArray* out, QByteArray* err,
            const QStringList& environment) {
  return RunProgram(program, args, out, err, environment);
}

bool HavePeer(const QString& program) { return !QStandardPaths::findExecutable(program).isEmpty(); }

QString Probe(const QString& file, const QString& entry) {
  QByteArray out;
  RunPeer("ffprobe",
          {"-v", "error", "-select_streams", "a:0", "-show_entries", "stream=" + entry, "-of",
           "default=noprint_wrappers=1:nokey=1", file},
          &out);
  return QString::fromUtf8(out).trimmed();
}

std::vector<int16_t> Signal16(int frames, int channels, uint32_t rate) {
  std::vector<int16_t> s(static_cast<size_t>(frames) * channels);
  uint32_t noise = 12345;
  for (int i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c) {
      noise = noise * 1103515245u + 12345u;
      const double v = 12000.0 * std::sin(2 * M_PI * (440.0 + 220.0 * c) * i / rate) + ((noise >> 16) % 512) - 256;
      s[static_cast<size_t>(i) * channels + c] = static_cast<int16_t>(std::lround(v));
    }
  return s;
}

bool KillAfterTicks(int ticks, const std::function<void(const std::function<void()>& tick)>& take) {
  int pipefd[2];
  if (pipe(pipefd) != 0) return false;
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    close(pipefd[0]);
    take([&] {
      const char tick = 1;
      if (write(pipefd[1], &tick, 1) != 1) _exit(3);
    });
    _exit(0);
  }
  close(pipefd[1]);
  char tick;
  int seen = 0;
  while (seen < ticks && read(pipefd[0], &tick, 1) == 1) ++seen;
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  close(pipefd[0]);
  return seen == ticks && WIFSIGNALED(status);
}

}  // namespace wavetest
