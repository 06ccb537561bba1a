// Times what a skinned window does on every paint: loading a skin picture,
// the nine-part stretch of a recorder button (90 x 25) on a plain and on a
// dense (2x) target, and the title strip (left piece, stretched middle, right
// piece) of a 480-pixel window, and one whole paint of a skinned recorder
// button. Prints this thread's CPU microseconds per operation.
#include "SUIButton.h"
#include "SUIPublic.h"
#include "SUIThemes.h"

#include <QApplication>
#include <QPainter>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>

namespace {

// This thread's CPU time, so that other work on the machine does not count.
double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

void Time(const char* what, int rounds, const std::function<void()>& step) {
  step();  // warm up
  const double start = ThreadSeconds();
  for (int i = 0; i < rounds; ++i) step();
  std::printf("%-44s %9.1f us CPU\n", what, (ThreadSeconds() - start) * 1e6 / rounds);
}

QImage Target(int w, int h, qreal ratio) {
  QImage image(int(w * ratio), int(h * ratio), QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(ratio);
  image.fill(Qt::white);
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
  const QString buttonName = GetThemeString(Protein, teButtonNormal);

  Time("LoadSkinBitmap PROTEIN_BUTTON_NORMAL", rounds, [&] {
    TBitmap b;
    LoadSkinBitmap(b, 0, buttonName);
  });
  TBitmap button;
  LoadSkinBitmap(button, 0, buttonName);
  for (qreal ratio : {1.0, 2.0}) {
    QImage target = Target(90, 25, ratio);
    const QByteArray label = QByteArray("DrawNinePart 74x21 into 90x25 at ") + (ratio > 1 ? "2x" : "1x");
    Time(label.constData(), rounds, [&] {
      QPainter p(&target);
      DrawNinePart(button, p, QRect(0, 0, 90, 25), false);
    });
  }
  TBitmap left, client, right;
  LoadSkinBitmap(left, 0, GetThemeString(Protein, teTitleLeft));
  LoadSkinBitmap(client, 0, GetThemeString(Protein, teTitleClient));
  LoadSkinBitmap(right, 0, GetThemeString(Protein, teTitleRight));
  for (qreal ratio : {1.0, 2.0}) {
    QImage target = Target(480, 23, ratio);
    const QByteArray label = QByteArray("title strip 480x23 at ") + (ratio > 1 ? "2x" : "1x");
    Time(label.constData(), rounds, [&] {
      QPainter p(&target);
      left.Draw(p, 0, 0);
      client.StretchDraw(p, QRect(left.Width(), 0, 480 - left.Width() - right.Width(), 23));
      right.Draw(p, 480 - right.Width(), 0);
    });
  }
  // The whole paint as the window system asks for it: picture, frame, caption.
  TsuiButton recorderButton(nullptr);
  recorderButton.SetUIStyle(Protein);
  recorderButton.SetCaption(QStringLiteral("Record"));
  recorderButton.resize(90, 25);
  for (qreal ratio : {1.0, 2.0}) {
    QImage target = Target(90, 25, ratio);
    const QByteArray label = QByteArray("button paint 90x25 at ") + (ratio > 1 ? "2x" : "1x");
    Time(label.constData(), rounds, [&] { recorderButton.render(&target); });
  }
  return 0;
}
