#pragma once
// Real ALSA devices without a sound card. TFilePcms writes a private ALSA
// configuration with file-plugin PCMs (exact bytes, not paced) and points
// ALSA at it; TPulseServer starts a private sound server with a null sink
// behind ALSA's "default" (paced in real time), or says why it cannot.
#include <QString>
#include <QStringList>
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

// A private sound server with a null sink "vnull" (paced in real time), made
// this process's server, and its sink and the sink's monitor the default
// devices, through the environment; or the reason it could not start.
class TSoundServer {
 public:
  virtual ~TSoundServer();
  bool Running() const { return FRunning; }
  const QString& Why() const { return FWhy; }
  // Plays a raw 44100 Hz 16-bit stereo file into the null sink (in the background),
  // in place of what it played before.
  void PlayIntoSink(const QString& rawFile, int latencyMs = 50);
  // Stops the server as if the device vanished.
  virtual void Kill() = 0;
  // pactl on this server: its exit code, and what it printed in out.
  int Pactl(const QStringList& args, QByteArray* out = nullptr) const;
  QString RuntimeDir() const { return FRuntime.path(); }
  // Ends a record stream as the server does when it takes a device away
  // from a program (pactl has no command for it).
  bool KillSourceOutput(uint32_t index) const;
  // Another null sink, 44100 Hz stereo, named name.
  virtual bool LoadNullSink(const QString& name);
  // A source of silence named name, shown as description; module is what unloads it.
  virtual bool LoadNullSource(const QString& name, const QString& description, QString& module);

 protected:
  TSoundServer();
  // Waits for the server to answer and points this process at it.
  bool Answers();
  void Forget();
  QTemporaryDir FRuntime;
  bool FRunning = false;
  QString FWhy;
  qint64 FPlayer = 0;
};

// PulseAudio itself.
class TPulseServer final : public TSoundServer {
 public:
  TPulseServer();
  ~TPulseServer() override;
  void Kill() override;
};

// PipeWire with its PulseAudio server and WirePlumber, on a private session bus.
class TPipeWireServer final : public TSoundServer {
 public:
  TPipeWireServer();
  ~TPipeWireServer() override;
  void Kill() override;
  // Lingering, or its monitor records nothing.
  bool LoadNullSink(const QString& name) override;
  // Its server has no null source: a virtual source made the same way.
  bool LoadNullSource(const QString& name, const QString& description, QString& module) override;

 private:
  qint64 FGroup = 0;  // the session bus and the three daemons
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
