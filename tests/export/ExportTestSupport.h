#pragma once
// Takes in the recorder's encodings, and what the peer programs (ffprobe,
// ffmpeg) make of the copies saved from them.
#include "PeerProgram.h"
#include "deACM.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace exporttest {

// Two tones a channel (other ones in channel 1, so a swap shows) and a little noise.
std::vector<int16_t> Tones(uint32_t rate, uint16_t channels, double seconds);

// Writes a take as the recorder does: 16-bit PCM of rate and channels through
// the codec chain into a WAVE file of the codec manager's format for tag
// (PCM: the samples as they are).
void WriteTake(const QString& name, const std::vector<int16_t>& pcm, uint32_t rate, uint16_t channels, uint16_t tag);
// The take as the recorder plays it: decoded by the codec chain into the PCM
// format the codec manager proposes (16-bit for every compressed encoding).
std::vector<int16_t> PlayedPcm(const QString& take);
// Writes linear samples (any size) as they are into a WAVE file.
void WriteLinearTake(const QString& name, const QByteArray& samples, const TdeWaveFormat& format);

// ffprobe's stream and format entries of the first audio stream, by name
// ("codec_name", "sample_rate", "channels", "format_name", "title", "date").
QMap<QString, QString> Probe(const QString& file);
// The seconds of audio a player gets: the samples of every decoded frame.
double ProbedSeconds(const QString& file);
// ffmpeg's decoding as 16-bit samples at rate and channels.
std::vector<int16_t> Decoded(const QString& file, uint32_t rate, uint16_t channels);
// ffmpeg's decoding in its own raw sample format ("s16le", "s24le", "u8").
QByteArray DecodedRaw(const QString& file, const QString& format);

// The largest normalised correlation of b against a over shifts of up to
// maxShift sample frames either way (codecs may delay or trim differently).
double BestCorrelation(const std::vector<int16_t>& a, const std::vector<int16_t>& b, uint16_t channels,
                       int maxShift = 2400);

}  // namespace exporttest
