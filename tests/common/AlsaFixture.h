#pragma once
// Real ALSA devices without a sound card. TFilePcms writes a private ALSA
// configuration with file-plugin PCMs (exact bytes, not paced) and points
// ALSA at it; TPulseServer starts a private sound server with a null sink
// behind ALSA's "default" (paced in real time), or says why it cannot.
#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "NotifyChannel.h"

class TFilePcms {
 public:
  // The capture PCM "tamselcap" serves infile (44100 Hz 16-bit stereo raw)
  // through a plug layer; "tamselplay" writes what is played to outfile. Both
  // are made the default devices through the environment.
  explicit TFilePcms(const std::vector<uint8_t>& infile);
  ~TFilePcms();
  std::vector<uint8_t> Played() const;
  std::string Dir() const { return FDir.path().toStdString(); }

 private:
  QTemporaryDir FDir;
};

class TPulseServer {
 public:
  TPulseServer();
  ~TPulseServer();
  bool Running() const { return FRunning; }
  const QString& Why() const { return FWhy; }
  // Plays a raw 44100 Hz 16-bit stereo file into the null sink (in the background),
  // in place of what it played before.
  void PlayIntoSink(const QString& rawFile);
  // Stops the server as if the device vanished.
  void Kill();

 private:
  QTemporaryDir FRuntime;
  bool FRunning = false;
  QString FWhy;
  qint64 FPlayer = 0;
};

// Collects the notices of one channel.
struct TNoticeLog {
  TNoticeLog();
  std::vector<TMessage> Messages;
  std::function<void(const TMessage&)> OnMessage;  // called after recording each notice
  TNotifyChannel Channel;
  TNotifyHandle Handle() const { return Channel.Handle(); }
  size_t Count(uint32_t msg) const;
};

// Runs the event loop until done() holds or timeoutMs passes; returns done().
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 10000);

// A known signal: frames of 16-bit stereo, each sample a function of its index.
std::vector<uint8_t> TestSignal(size_t frames, uint32_t seed = 1);
