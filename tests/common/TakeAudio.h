#pragma once
// The audio bytes of a take, as its WAVE reader hands them out.
#include <QByteArray>
#include <QString>

#include "Streams.h"
#include "deAudioStreams.h"

inline QByteArray TakeAudio(const QString& fileName) {
  TFileStream stream(fileName, fmOpenRead);
  TdeRIFFAudioReader reader(&stream);
  QByteArray data(static_cast<qsizetype>(reader.GetStreamSize(0)), Qt::Uninitialized);
  data.resize(reader.ReadStream(0, data.data(), static_cast<int32_t>(data.size())));
  return data;
}
