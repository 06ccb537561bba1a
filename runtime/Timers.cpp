#include "Timers.h"

TTimer::TTimer(TComponent* owner) : TQComponent(owner) {
  FTimer.setTimerType(Qt::CoarseTimer);
  QObject::connect(&FTimer, &QTimer::timeout, this, [this] { Timer(); });
}

void TTimer::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  UpdateTimer();
}

void TTimer::SetInterval(int value) {
  if (value == FInterval) return;
  FInterval = value;
  UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
  FOnTimer = std::move(handler);
  UpdateTimer();
}

// Setting any of the three restarts the period, as a user of the status bar expects.
void TTimer::UpdateTimer() {
  FTimer.stop();
  if (FEnabled && FInterval > 0 && FOnTimer) FTimer.start(FInterval);
}

void TTimer::Timer() {
  // Keep the handler alive even if it replaces itself.
  TNotifyEvent handler = FOnTimer;
  if (handler) handler(this);
}
