// Choosing a device by the name the sound system lists it under, on a private
// ALSA configuration: the list with its descriptions, the default first, and
// the named device opened in place of the default unless the environment
// names one.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>

#include "AlsaFixture.h"
#include "Platform.h"
#include "WaveDevice.h"

namespace {

class DeviceChoice : public ::testing::Test {
 protected:
  void SetUp() override {
    const QString dir = Dir.path();
    const QString conf = QStringLiteral(
                             "<confdir:alsa.conf>\n"
                             "pcm.!default { type file slave.pcm \"null\" file \"%1/default.raw\" format \"raw\" "
                             "  hint { show on description \"Sound server\" } }\n"
                             "pcm.desk { type file slave.pcm \"null\" file \"%1/desk.raw\" format \"raw\" "
                             "  hint { show on description \"USB Audio Device\nDesk speakers\" } }\n"
                             "pcm.!null { type null hint { show on description \"Discard all samples\" } }\n")
                             .arg(dir);
    QFile file(dir + "/asound.conf");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(conf.toUtf8());
    file.close();
    qputenv("ALSA_CONFIG_PATH", (dir + "/asound.conf").toLocal8Bit());
    qputenv("TAMSEL_AUDIO", "alsa");
  }
  void TearDown() override {
    qunsetenv("ALSA_CONFIG_PATH");
    qunsetenv("TAMSEL_PLAYBACK_DEVICE");
    qunsetenv("TAMSEL_AUDIO");
  }
  // Plays one buffer of size bytes on the device opened with name and returns
  // the open's result. The file plugin starts its file afresh at each open.
  MMRESULT PlayOn(const char* name, uint32_t size) {
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = 1;
    f.nSamplesPerSec = 8000;
    f.wBitsPerSample = 16;
    f.nBlockAlign = 2;
    f.nAvgBytesPerSec = 16000;
    TNoticeLog log;
    const TNotifyHandle target = log.Handle();
    HWAVEOUT h = nullptr;
    if (MMRESULT rc = waveOutOpenNamed(&h, name, &f, &target, 0, CALLBACK_WINDOW)) return rc;
    std::vector<char> data(size, 0x11);
    WAVEHDR hdr{};
    hdr.lpData = data.data();
    hdr.dwBufferLength = static_cast<uint32_t>(data.size());
    EXPECT_EQ(MMSYSERR_NOERROR, waveOutPrepareHeader(h, &hdr, sizeof hdr));
    EXPECT_EQ(MMSYSERR_NOERROR, waveOutWrite(h, &hdr, sizeof hdr));
    EXPECT_TRUE(WaitFor([&] { return log.Count(MM_WOM_DONE) == 1; }));
    waveOutUnprepareHeader(h, &hdr, sizeof hdr);
    waveOutClose(h);
    return MMSYSERR_NOERROR;
  }
  qint64 Written(const char* file) const { return QFileInfo(Dir.path() + "/" + file).size(); }

  QTemporaryDir Dir;
};

TEST_F(DeviceChoice, listsTheHintedDevicesWithTheirDescriptions_defaultFirst_withoutTheDiscardingOne) {
  for (TWaveDirection direction : {TWaveDirection::Output, TWaveDirection::Input}) {
    const std::vector<TWaveDeviceInfo> list = WaveDeviceList(direction);
    ASSERT_FALSE(list.empty());
    EXPECT_EQ((TWaveDeviceInfo{"default", "Sound server"}), list.front());
    auto named = [&](const char* name) {
      return std::find_if(list.begin(), list.end(), [&](const TWaveDeviceInfo& d) { return d.Name == name; });
    };
    ASSERT_NE(list.end(), named("desk")) << "a device without a direction serves both";
    EXPECT_EQ("USB Audio Device — Desk speakers", named("desk")->Description);
    EXPECT_EQ(list.end(), named("null"));
    EXPECT_EQ(list.end(), named("lavrate")) << "a rate converter is not a device";
    EXPECT_EQ(1, std::count_if(list.begin(), list.end(), [](const TWaveDeviceInfo& d) { return d.Name == "default"; }));
  }
}

TEST_F(DeviceChoice, theNamedDeviceReplacesTheDefault_theEnvironmentStillGoesFirst_andAGoneOneIsNoDevice) {
  ASSERT_EQ(MMSYSERR_NOERROR, PlayOn("desk", 1600));
  EXPECT_EQ(1600, Written("desk.raw"));
  EXPECT_EQ(0, Written("default.raw"));

  ASSERT_EQ(MMSYSERR_NOERROR, PlayOn("", 800));
  EXPECT_EQ(800, Written("default.raw"));

  qputenv("TAMSEL_PLAYBACK_DEVICE", "default");
  ASSERT_EQ(MMSYSERR_NOERROR, PlayOn("desk", 400));
  EXPECT_EQ(400, Written("default.raw"));
  EXPECT_EQ(1600, Written("desk.raw"));
  qunsetenv("TAMSEL_PLAYBACK_DEVICE");

  EXPECT_EQ(MMSYSERR_BADDEVICEID, PlayOn("unplugged", 400));
}

}  // namespace
