#pragma once
// Test support for the skinned window frame: a recorder of the window
// system requests the frame makes, solid pictures, and answering the
// modal messages that refused values show.
#include "Graphics.h"
#include "SUITitleBar.h"

#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <vector>

class TRecordedRequests : public TsuiWindowRequests {
 public:
  bool StartMove(QWidget* window) override {
    Moves.push_back(window);
    return true;
  }
  bool StartResize(QWidget* window, Qt::Edges edges) override {
    Resizes.push_back(edges);
    Windows.push_back(window);
    return true;
  }
  std::vector<QWidget*> Moves;
  std::vector<Qt::Edges> Resizes;
  std::vector<QWidget*> Windows;
};

// A picture of one colour, with a 2x version of the same colour.
inline void FillPicture(TBitmap* picture, QSize size, QColor colour) {
  QImage one(size, QImage::Format_ARGB32);
  one.fill(colour);
  picture->SetImage(one);
}

// Runs action and answers the modal message it shows; returns its text
// (empty when none was shown).
inline QString AnswerMessage(const std::function<void()>& action) {
  QString text;
  QTimer timer;  // gone with this call, so it never fires later
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      text = box->text();
      box->accept();
    }
  });
  timer.start(0);
  action();
  return text;
}
