// The skin gallery: every picture of every style and the skinned controls in
// each style. With --shot DIR it writes skin-gallery-STYLE.png per style
// (and skin-gallery-shared.png) and quits; run it under a display
// (xvfb-run -a) or with QT_QPA_PLATFORM=offscreen. QT_SCALE_FACTOR=2 shows
// the fine pictures.
#include "Application.h"
#include "Forms.h"
#include "GalleryPage.h"
#include "SUIAccessible.h"
#include "SampleWindow.h"

#include <QDir>
#include <QMetaEnum>
#include <QScrollArea>
#include <QTabWidget>
#include <cstdio>

int main(int argc, char** argv) {
  TApplication app(argc, argv);
  InstallSkinAccessibility();
  QString shotDir;
  for (int i = 1; i < argc; ++i) {
    if (QString::fromLocal8Bit(argv[i]) == QLatin1String("--shot") && i + 1 < argc) {
      shotDir = QString::fromLocal8Bit(argv[++i]);
    } else {
      std::fprintf(stderr, "usage: tamsel-skin-gallery [--shot DIR]\n");
      return 2;
    }
  }
  const TsuiUIStyle styles[] = {Protein, MacOS, WinXP, DeepBlue, BlueGlass, Custom};
  if (!shotDir.isEmpty()) {
    if (!QDir().mkpath(shotDir)) {
      std::fprintf(stderr, "tamsel-skin-gallery: cannot create %s\n", qPrintable(shotDir));
      return 1;
    }
    // A sample window whose description no longer reads fails the shot, not just its picture.
    QString why;
    if (!MakeSampleWindow(Protein, nullptr, &why)) {
      std::fprintf(stderr, "tamsel-skin-gallery: the sample window: %s\n", qPrintable(why));
      return 1;
    }
    bool ok = true;
    for (TsuiUIStyle style : styles) {
      TGalleryPage page(style);
      page.resize(page.sizeHint());
      page.show();
      QCoreApplication::processEvents();
      const QString key = style == Custom
                              ? QStringLiteral("shared")
                              : QString::fromLatin1(QMetaEnum::fromType<TsuiUIStyle>().valueToKey(style)).toLower();
      const QString file = shotDir + QStringLiteral("/skin-gallery-") + key + QStringLiteral(".png");
      if (!page.grab().save(file)) {
        std::fprintf(stderr, "tamsel-skin-gallery: cannot write %s\n", qPrintable(file));
        ok = false;
      }
    }
    return ok ? 0 : 1;
  }
  QTabWidget tabs;
  tabs.setWindowTitle(QStringLiteral("Skin gallery"));
  for (TsuiUIStyle style : styles) {
    auto* scroll = new QScrollArea;
    scroll->setWidget(new TGalleryPage(style));
    tabs.addTab(scroll, style == Custom ? QStringLiteral("Shared")
                                        : QString::fromLatin1(QMetaEnum::fromType<TsuiUIStyle>().valueToKey(style)));
  }
  tabs.resize(940, 800);
  tabs.show();
  return app.exec();
}
