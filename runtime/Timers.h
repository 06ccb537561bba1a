#pragma once
// The window timer: raises OnTimer every Interval milliseconds on the UI
// thread while Enabled, Interval > 0 and a handler is set.
#include "Classes.h"

#include <QTimer>

class TTimer : public TQComponent {
  Q_OBJECT
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
  Q_PROPERTY(int Interval READ Interval WRITE SetInterval)
  Q_CLASSINFO("Default:Enabled", "true")
  Q_CLASSINFO("Default:Interval", "1000")
 public:
  explicit TTimer(TComponent* owner);

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  int Interval() const { return FInterval; }
  void SetInterval(int value);
  const TNotifyEvent& OnTimer() const { return FOnTimer; }
  void SetOnTimer(TNotifyEvent handler);
  // True while the timer is actually ticking.
  bool Running() const { return FTimer.isActive(); }

 protected:
  virtual void Timer();

 private:
  void UpdateTimer();
  QTimer FTimer;
  bool FEnabled = true;
  int FInterval = 1000;
  TNotifyEvent FOnTimer;
};
