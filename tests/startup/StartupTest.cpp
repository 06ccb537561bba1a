// The program's start: the stored window description makes the recorder's
// window, titled, with every component bound and nothing running.
#include "Application.h"
#include "Description.h"
#include "Forms.h"
#include "MainForm.h"
#include "SUIButton.h"
#include "StoredWindow.h"
#include "WaveScripted.h"
#include "deACM.h"
#include "deAudioIO.h"

#include <gtest/gtest.h>
#include <QFile>
#include <memory>

TEST(Startup, theStoredDescriptionMakesTheTitledWindowWithNothingRunning) {
  TScriptedWave wave;  // a device opened at start would show here
  auto form = CreateStoredWindow();

  EXPECT_EQ(form->windowTitle(), QString::fromUtf8("Tamsel录音机"));
  EXPECT_EQ(form->Position(), poScreenCenter);
  // Loaded bound every component the window works with.
  for (const void* c : std::initializer_list<const void*>{form->suiForm1,
                                                          form->deOscilloscope1,
                                                          form->btnRecord,
                                                          form->btnStop,
                                                          form->btnPlay,
                                                          form->btnFormat,
                                                          form->lbSteps,
                                                          form->suiButton2,
                                                          form->Label1,
                                                          form->Label2,
                                                          form->sbStatus,
                                                          form->pbPlayback,
                                                          form->suiButton3,
                                                          form->suiButton4,
                                                          form->deAudioIn,
                                                          form->deAudioOut,
                                                          form->RecordConvert,
                                                          form->PlayConvert,
                                                          form->deAudioControlSource,
                                                          form->tmStatusBar,
                                                          form->SaveDialog1})
    EXPECT_NE(c, nullptr);
  EXPECT_EQ(form->FileName(), WorkingFileName());

  // Nothing opens at start; without a take only Record and Format (and the
  // always-available buttons) can be pressed.
  EXPECT_EQ(TForm1::Stopped, form->State());
  EXPECT_FALSE(form->deAudioIn->Active());
  EXPECT_FALSE(form->deAudioOut->Active());
  EXPECT_TRUE(wave.Calls().empty());
  EXPECT_FALSE(form->tmStatusBar->Enabled());
  EXPECT_TRUE(form->btnRecord->Enabled());
  EXPECT_FALSE(form->btnStop->Enabled());
  EXPECT_FALSE(form->btnPlay->Enabled());
  EXPECT_TRUE(form->btnFormat->Enabled());
  EXPECT_TRUE(form->suiButton2->Enabled());
  EXPECT_TRUE(form->suiButton3->Enabled());
  EXPECT_TRUE(form->suiButton4->Enabled());
  EXPECT_EQ(form->sbStatus->Panel(0)->Text(), QStringLiteral("已停止"));
  // The first recording is PCM 11025 Hz 8-bit stereo.
  const TdeWaveFormat* first = form->RecordConvert->FormatOut();
  EXPECT_EQ(first->FormatTag(), WAVE_FORMAT_PCM);
  EXPECT_EQ(first->SamplesPerSec(), 11025u);
  EXPECT_EQ(first->BitsPerSample(), 8);
  EXPECT_EQ(first->Channels(), 2);

  form->show();
  EXPECT_TRUE(form->isVisible());
  EXPECT_TRUE(form->close());
  EXPECT_FALSE(form->isVisible());
}
