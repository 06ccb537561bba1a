#pragma once
// Helpers for the device-component tests: notice delivery and a recording observer.
#include <QCoreApplication>
#include <functional>
#include <memory>
#include <vector>

#include "deACM.h"

// Delivers every notice already posted.
inline void Pump() {
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

// An observer component attached to a producer that keeps what it got.
class TRecordingObserver {
 public:
  explicit TRecordingObserver(TComponent* source) : Controller(nullptr), Observer(&Controller) {
    Observer.OnAudioData = [this](IdeAudioSubject*, const void* data, int32_t size) {
      const auto* p = static_cast<const uint8_t*>(data);
      Blocks.emplace_back(p, p + size);
      if (OnBlock) OnBlock();
    };
    Observer.SetAudioSource(source);
  }
  TQComponent Controller;
  TdeAudioObserver Observer;
  std::vector<std::vector<uint8_t>> Blocks;
  std::function<void()> OnBlock;
};
