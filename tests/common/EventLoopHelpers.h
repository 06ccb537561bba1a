#pragma once
// Event-loop helpers for tests. Deadlines only stop a broken test from
// hanging; tests never assert on time.
#include "Application.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QStringList>

template <class Pred>
bool ProcessEventsUntil(Pred done, int safetyMs = 20000) {
  QDeadlineTimer deadline(safetyMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
  }
  return true;
}

// The hook every test program starts with: an exception reaching the loop fails the test.
inline void FailOnLoopException() {
  TApplication::Instance()->SetOnException(
      [](const QString& message) { ADD_FAILURE() << "Exception reached the event loop: " << message.toStdString(); });
}

// While alive, exceptions reaching the event loop are collected instead of failing the test.
struct TExceptionCapture {
  QStringList Messages;
  TExceptionCapture() {
    TApplication::Instance()->SetOnException([this](const QString& m) { Messages << m; });
  }
  ~TExceptionCapture() { FailOnLoopException(); }
  TExceptionCapture(const TExceptionCapture&) = delete;
  TExceptionCapture& operator=(const TExceptionCapture&) = delete;
};
