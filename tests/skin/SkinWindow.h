#pragma once
// A plain window holding the skinned controls under test, shown so that real
// mouse and key events reach them and a grab shows what a user sees.
#include "Forms.h"
#include "Graphics.h"

#include <gtest/gtest.h>
#include <QImage>
#include <QRect>
#include <QTest>
#include <optional>

struct TSkinWindow {
  TForm Form{nullptr};
  // Where a control goes when the test gives no bounds of its own.
  QRect ControlBounds;

  // A width x height window at (100, 100), in colour when one is given.
  explicit TSkinWindow(int width, int height, std::optional<TColor> colour = std::nullopt,
                       QRect controlBounds = QRect())
      : ControlBounds(controlBounds) {
    Form.SetBounds(100, 100, width, height);
    if (colour) Form.SetColor(*colour);
  }

  // A control on the window, not placed yet.
  template <class T>
  T* Make(const QString& name = {}) {
    auto* c = new T(&Form);
    c->setParent(&Form);
    c->SetName(name);
    return c;
  }
  template <class T>
  static void Place(T* c, QRect bounds) {
    c->SetBounds(bounds.x(), bounds.y(), bounds.width(), bounds.height());
  }
  template <class T>
  T* Add(QRect bounds, const QString& name = {}) {
    T* c = Make<T>(name);
    Place(c, bounds);
    return c;
  }
  template <class T>
  T* Add(const QString& name = {}) {
    return Add<T>(ControlBounds, name);
  }

  void Show() {
    Form.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&Form));
  }
};

inline QImage Shot(QWidget* w) { return w->grab().toImage().convertToFormat(QImage::Format_RGB32); }
inline QRgb Rgb(TColor c) { return ToQColor(c).rgb(); }
