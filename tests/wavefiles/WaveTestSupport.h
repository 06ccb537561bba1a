#pragma once
// Building blocks for the audio file tests: hand-made RIFF files, formats,
// and running the peer programs.
#include "SparseFileStream.h"
#include "Streams.h"
#include "deACM.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace wavetest {

// Appends a chunk: id, little-endian size (the given one, or the payload's
// length), payload, and a pad byte when pad is set and the payload is odd.
class RiffBuilder {
 public:
  RiffBuilder& Raw(const std::string& bytes);
  RiffBuilder& U32(uint32_t v);
  RiffBuilder& U16(uint16_t v);
  RiffBuilder& Chunk(const std::string& id, const std::string& payload, bool pad = true);
  RiffBuilder& ChunkWithSize(const std::string& id, uint32_t size, const std::string& payload);
  // "RIFF" <size of what follows> "WAVE" + chunks; riffSize overrides the size.
  std::string Wave(int64_t riffSize = -1) const;
  const std::string& Bytes() const { return FBytes; }

 private:
  std::string FBytes;
};

// A 16-byte PCM format chunk payload.
std::string PcmFmt(uint16_t channels, uint32_t rate, uint16_t bits);
void SetPcm(TdeWaveFormat& f, uint16_t channels, uint32_t rate, uint16_t bits);

TMemoryStream MemoryOf(const std::string& bytes);
std::string BytesOf(TMemoryStream& s);
std::string ReadFile(const QString& name);
void WriteFile(const QString& name, const std::string& bytes);

// Runs program with arguments and environment entries ("NAME=value") added to
// ours; returns its exit code (-1 when it could not run) and its output.
int RunPeer(const QString& program, const QStringList& args, QByteArray* out = nullptr, QByteArray* err = nullptr,
            const QStringList& environment = {});
bool HavePeer(const QString& program);
// ffprobe's value of one stream entry (codec_name, sample_rate, channels, ...).
QString Probe(const QString& file, const QString& entry);

// Runs take in a child process, which calls its tick after each block, and
// kills it with SIGKILL after ticks of them. True when it was killed so.
bool KillAfterTicks(int ticks, const std::function<void(const std::function<void()>& tick)>& take);

// A 16-bit test signal: a sine per channel (different frequencies) with some noise.
std::vector<int16_t> Signal16(int frames, int channels, uint32_t rate);

}  // namespace wavetest
