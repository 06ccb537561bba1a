// Draws every skin picture of every style, plain and twice as fine, from the
// vector code below, and writes them with a resource list for the skin
// library: tamsel-skinpics OUTDIR. The output depends on nothing but this
// code, so each build draws the same pixels.
#include "SkinArt.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTextStream>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tamsel-skinpics OUTDIR\n");
    return 2;
  }
  const QString dir = QString::fromLocal8Bit(argv[1]);
  if (!QDir().mkpath(dir)) {
    std::fprintf(stderr, "tamsel-skinpics: cannot create %s\n", argv[1]);
    return 1;
  }
  QString qrc;
  QTextStream list(&qrc);
  list << "<RCC>\n  <qresource prefix=\"/skin\">\n";
  for (const SkinArt::TPicture& picture : SkinArt::AllPictures()) {
    for (int scale : {1, 2}) {
      const QImage image = SkinArt::Render(picture, scale);
      const QString file = picture.Name + (scale == 2 ? QStringLiteral("@2x.bmp") : QStringLiteral(".bmp"));
      if (!image.save(dir + QLatin1Char('/') + file, "BMP")) {
        std::fprintf(stderr, "tamsel-skinpics: cannot write %s\n", qPrintable(file));
        return 1;
      }
      list << "    <file>" << file << "</file>\n";
    }
  }
  list << "  </qresource>\n</RCC>\n";
  QFile out(dir + QStringLiteral("/tamsel_skin_pictures.qrc"));
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(qrc.toUtf8()) < 0) {
    std::fprintf(stderr, "tamsel-skinpics: cannot write the resource list\n");
    return 1;
  }
  return 0;
}
