#pragma once
// The devices to record from and play to. A choice holds from the next
// recording or playback on and is kept in the user's configuration; a device
// the environment names still goes first (the device layer sees to that).
#include <QString>
#include <QStringList>
#include <vector>

class QObject;

// The sound system's name of a device (empty for its default device) and the
// description shown for it.
struct TDeviceChoice {
  QString Name;
  QString Description;
};

// One line of a device menu: the default device, each listed device, and a
// chosen one that is not listed, disabled, so the user sees why the default is used.
struct TDeviceOffer {
  QString Caption;  // "-" for a separator
  TDeviceChoice Choice;
  bool Checked = false;
  bool Enabled = true;
};

// Installs the device layer's backend for this program: the sound system the
// user's configuration names (devices/system: alsa or pulse), else the sound
// server when one answers, with the names the desktop's mixer shows for us.
void InstallSoundSystem();
// The system the device layer reaches now ("pulse", "alsa").
QString SoundSystemInUse();

class TDeviceChoices {
 public:
  // Messages about a device that has gone are shown once context's current
  // event has been handled, and not at all once context is gone.
  explicit TDeviceChoices(QObject* context) : FContext(context) {}

  // Reads the choices kept in the user's configuration.
  void Load();
  const TDeviceChoice& Input() const { return FInput; }
  void SetInput(const TDeviceChoice& choice) { Choose(true, choice); }
  const TDeviceChoice& Output() const { return FOutput; }
  void SetOutput(const TDeviceChoice& choice) { Choose(false, choice); }

  // What a device menu offers now, the default device first.
  std::vector<TDeviceOffer> Offers(bool input) const;
  // The name to open: the chosen device while the sound system lists it;
  // otherwise the default, after one message naming the device that has gone.
  QString ToOpen(bool input);

 private:
  void Choose(bool input, const TDeviceChoice& choice);
  const TDeviceChoice& Chosen(bool input) const { return input ? FInput : FOutput; }

  QObject* FContext;
  TDeviceChoice FInput, FOutput;
  QStringList FMissingReported;  // gone devices already named in a message
};
