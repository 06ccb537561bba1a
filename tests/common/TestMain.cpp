// Test programs run with the application object on the offscreen platform,
// so widget tests can render and notification channels have an event loop.
// An exception that reaches the event loop fails the running test instead
// of opening a message box nobody can close.
#include "Application.h"
#include "EventLoopHelpers.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  // Tests keep away from the user's own configuration and data.
  QTemporaryDir config, data;
  qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
  qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
  TApplication app(argc, argv);
  FailOnLoopException();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
