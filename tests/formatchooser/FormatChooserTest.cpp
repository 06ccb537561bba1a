// The format chooser, driven with the keyboard as a user would.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <functional>

#include "PcmFormat.h"
#include "deACM.h"
#include "deFormatChooser.h"

namespace {

// Runs action on the chooser once its modal loop is running.
void WhenShown(std::function<void(TdeFormatChooser&)> action) {
  QTimer::singleShot(0, [action] {
    auto* dialog = qobject_cast<TdeFormatChooser*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->activateWindow();
    action(*dialog);
    if (dialog->isVisible()) {  // a failed step must not leave the modal loop running
      ADD_FAILURE() << "the chooser is still open";
      dialog->reject();
    }
  });
}

void Press(QWidget* w, Qt::Key key) { QTest::keyClick(w->focusWidget() ? w->focusWidget() : w, key); }

uint8_t* Bytes(TdeWaveFormat& f) { return reinterpret_cast<uint8_t*>(f.WaveFormat()); }

TEST(FormatChooser, enterOnThePreselectedFormat_acceptsItByteForByte) {
  TdeWaveFormat f, before;
  for (int i = 18; i < 512; ++i) Bytes(f)[i] = uint8_t(i);  // a tail that must survive
  before.Assign(&f);
  QString title, selected;
  WhenShown([&](TdeFormatChooser& d) {
    title = d.windowTitle();
    selected = d.AttributeList()->currentItem()->text();
    Press(&d, Qt::Key_Return);
  });
  EXPECT_TRUE(f.Choose(QStringLiteral("Recording format")));
  EXPECT_EQ(title, QStringLiteral("Recording format"));
  EXPECT_EQ(selected, QStringLiteral("11.025 kHz, 8 Bit, Stereo    22 KB/s"));
  EXPECT_TRUE(f.IsEqual(&before));
}

TEST(FormatChooser, escapeCancels_andChangesNothing) {
  TdeWaveFormat f, before;
  SetPcmFormat(f, 48000, 16, 2);
  before.Assign(&f);
  WhenShown([](TdeFormatChooser& d) {
    Press(&d, Qt::Key_Down);
    Press(&d, Qt::Key_Escape);
  });
  EXPECT_FALSE(f.Choose(QStringLiteral("x")));
  EXPECT_TRUE(f.IsEqual(&before));
}

TEST(FormatChooser, arrowsThenEnter_chooseTheNextFormat_andKeepTheTailOfTheOldBuffer) {
  TdeWaveFormat f;
  SetPcmFormat(f, 8000, 8, 1);  // the first PCM format listed
  Bytes(f)[300] = 0x5A;
  WhenShown([](TdeFormatChooser& d) {
    Press(&d, Qt::Key_Down);
    Press(&d, Qt::Key_Return);
  });
  ASSERT_TRUE(f.Choose(QStringLiteral("x")));
  EXPECT_EQ(f.SamplesPerSec(), 8000u);
  EXPECT_EQ(f.Channels(), 2);
  EXPECT_EQ(f.BlockAlign(), 2);
  EXPECT_EQ(Bytes(f)[300], 0x5A);
}

TEST(FormatChooser, anotherTag_fromTheTagList_withTabAndArrows) {
  TdeWaveFormat f;
  Bytes(f)[18] = 0x77;  // extra area of the old buffer
  QString tagName;
  WhenShown([&](TdeFormatChooser& d) {
    // Tab order: tag list, attribute list, buttons; Shift+Tab from the attributes reaches the tags.
    QTest::keyClick(d.AttributeList(), Qt::Key_Backtab);
    ASSERT_EQ(d.focusWidget(), d.TagList());
    for (int i = 0; i < d.TagList()->count() && d.TagList()->currentText() != QStringLiteral("IEEE Float"); ++i)
      QTest::keyClick(d.TagList(), Qt::Key_Down);
    tagName = d.TagList()->currentText();
    QTest::keyClick(d.TagList(), Qt::Key_Tab);
    Press(&d, Qt::Key_End);
    Press(&d, Qt::Key_Return);
  });
  ASSERT_TRUE(f.Choose(QStringLiteral("x")));
  EXPECT_EQ(tagName, QStringLiteral("IEEE Float"));
  EXPECT_EQ(f.FormatTag(), WAVE_FORMAT_IEEE_FLOAT);
  EXPECT_EQ(f.SamplesPerSec(), 48000u);
  EXPECT_EQ(f.Channels(), 2);
  EXPECT_EQ(f.ExtraSize(), 0);
  EXPECT_EQ(Bytes(f)[18], 0x77);
  EXPECT_EQ(f.Description(), QStringLiteral("IEEE Float: 48.000 kHz, 32 Bit, Stereo"));
}

TEST(FormatChooser, aFormatNotListed_isShownFirstAsItIs_andKept) {
  TdeWaveFormat f, before;
  SetPcmFormat(f, 44100, 16, 2);
  f.WaveFormat()->cbSize = 3;  // a PCM record from a file, with a stray cbSize
  before.Assign(&f);
  int rows = 0;
  QString first;
  WhenShown([&](TdeFormatChooser& d) {
    rows = d.AttributeList()->count();
    first = d.AttributeList()->item(0)->text();
    EXPECT_EQ(d.AttributeList()->currentRow(), 0);
    Press(&d, Qt::Key_Return);
  });
  ASSERT_TRUE(f.Choose(QStringLiteral("x")));
  EXPECT_EQ(rows, 11 * 4 * 2 + 1);
  EXPECT_EQ(first, QStringLiteral("44.100 kHz, 16 Bit, Stereo    172 KB/s"));
  EXPECT_TRUE(f.IsEqual(&before));
}

TEST(FormatChooser, compressedFormat_copiesItsCbSizeAndExtraBytes) {
  // Needs a driver that enumerates formats with extra bytes.
  TdeWaveFormat f;
  for (int i = 18; i < 512; ++i) Bytes(f)[i] = 0xEE;
  std::vector<uint8_t> chosen;
  WhenShown([&](TdeFormatChooser& d) {
    // Tags whose formats carry extra bytes.
    const QStringList withExtras = {QStringLiteral("IMA ADPCM"), QStringLiteral("Microsoft ADPCM"),
                                    QStringLiteral("GSM 6.10"), QStringLiteral("MPEG Layer-3")};
    for (int t = 0; t < d.TagList()->count(); ++t)
      if (withExtras.contains(d.TagList()->itemText(t))) {
        d.TagList()->setCurrentIndex(t);
        break;
      }
    Press(&d, Qt::Key_Return);
  });
  ASSERT_TRUE(f.Choose(QStringLiteral("x")));
  ASSERT_NE(f.FormatTag(), WAVE_FORMAT_PCM) << "no driver with extra bytes registered";
  ASSERT_GT(f.ExtraSize(), 0);
  EXPECT_NE(Bytes(f)[18 + f.ExtraSize() - 1], 0xEE);  // the codec's extra bytes arrived
  for (int i = 18 + f.ExtraSize(); i < 512; ++i) ASSERT_EQ(Bytes(f)[i], 0xEE);
  EXPECT_FALSE(f.Description().isEmpty());
}

TEST(FormatChooser, failingEnumeration_raisesWithTheContextLine) {
  TdeWaveFormat f, before;
  before.Assign(&f);
  f.SetChooserRestriction(TdeWaveFormat::TChooserRestriction(7));
  try {
    f.Choose(QStringLiteral("x"));
    FAIL() << "nothing raised";
  } catch (const EACMConversionError& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("Error selecting format.\r\nAt least one flag is invalid."));
  }
  EXPECT_TRUE(f.IsEqual(&before));
}

TEST(FormatChooser, everyListedTag_hasFormats_andEveryItemReadsTextThenRate) {
  alignas(8) uint8_t buffer[512] = {};
  ACMFORMATCHOOSE record = {};
  record.cbStruct = sizeof record;
  record.pwfx = reinterpret_cast<WAVEFORMATEX*>(buffer);
  record.cbwfx = sizeof buffer;
  TdeFormatChooser d(record);
  ASSERT_EQ(d.LoadResult(), 0u);
  ASSERT_GE(d.TagList()->count(), 2);
  for (int t = 0; t < d.TagList()->count(); ++t) {
    d.TagList()->setCurrentIndex(t);
    ASSERT_GT(d.AttributeList()->count(), 0) << t;
    for (int i = 0; i < d.AttributeList()->count(); ++i)
      ASSERT_TRUE(
          d.AttributeList()->item(i)->text().contains(QRegularExpression(QStringLiteral("kHz, .*    \\d+ KB/s$"))));
  }
  record.cbwfx = 10;
  TdeFormatChooser bad(record);
  EXPECT_EQ(bad.LoadResult(), MMSYSERR_INVALPARAM);
}

TEST(FormatChooser, acceptRendersTheChosenNamesIntoTheRecord) {
  alignas(8) uint8_t buffer[512] = {};
  ACMFORMATCHOOSE record = {};
  record.cbStruct = sizeof record;
  record.pwfx = reinterpret_cast<WAVEFORMATEX*>(buffer);
  record.cbwfx = sizeof buffer;
  record.pszTitle = "标题";
  TdeFormatChooser d(record);
  EXPECT_EQ(d.windowTitle(), QStringLiteral("标题"));
  d.AttributeList()->setCurrentRow(3);
  d.accept();
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_STREQ(record.szFormatTag, "PCM");
  EXPECT_STREQ(record.szFormat, "8.000 kHz, 16 Bit, Stereo");
  EXPECT_EQ(record.pwfx->nBlockAlign, 4);
}

}  // namespace
