// The kept corpus of odd files: each is read or refused the way a user may see.
#include "deAudioStreams.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>

TEST(RiffCorpus, EveryOddFileIsReadOrRefusedWithTheKnownMessages) {
  const QDir dir(QStringLiteral(TAMSEL_SOURCE_DIR "/tests/corpus/fuzz_riff_reader"));
  const QStringList files = dir.entryList(QDir::Files);
  ASSERT_GE(files.size(), 10);
  int accepted = 0;
  for (const QString& name : files) {
    SCOPED_TRACE(name.toStdString());
    TFileStream f(dir.filePath(name), fmOpenRead);
    try {
      TdeRIFFAudioReader r(&f);
      auto window = r.OpenStream(0);
      char buf[1024];
      while (window->Read(buf, sizeof buf) > 0) {
      }
      EXPECT_EQ(window->Position(), window->Size());
      ++accepted;
    } catch (const EACMAudioReadError& e) {
      // Anything else (an assertion above all) would reach the user as a programming error.
      EXPECT_EQ(e.Message(), "Invalid file format.");
    }
  }
  EXPECT_GE(accepted, 5);  // the peers' files and the odd but valid ones
}
