// The convertor in a window description: references resolved after all
// components exist, formats as their binary buffer, defaults left out.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "Description.h"
#include "LinkTestSupport.h"
#include "deACM.h"
#include "deRegister.h"

namespace {

QByteArray Hex(const TdeWaveFormat& f) {
  return QByteArray(reinterpret_cast<const char*>(f.WaveFormat()), TdeWaveFormat::BufferSize).toHex();
}

class TConvertorForm : public TQComponent {
 public:
  TConvertorForm() : TQComponent(nullptr) { SetName("Form1"); }
  TdeAudioConvertor* Convertor(const char* name) const {
    return dynamic_cast<TdeAudioConvertor*>(FindComponent(QString::fromLatin1(name)));
  }
};

}  // namespace

TEST(ConvertorDescription, ReadsLinksFormatsAndFlagsAndWritesThemBack) {
  RegisterAudioClasses();
  auto out = Pcm(22050, 16, 1);
  // The consumer comes first and names a producer made after it.
  const QByteArray json = R"({"Class": "TQComponent", "Name": "Form1", "Children": [
      {"Class": "TdeAudioConvertor", "Name": "cvDisplay",
       "Properties": {"AudioSource": "cvRecord", "FormatOut": {"FormatBuffer": ")" +
                          Hex(*out) + R"("}, "RequestRealTime": true, "Set8087FPUFlag": false}},
      {"Class": "TdeAudioConvertor", "Name": "cvRecord"}]})";
  TConvertorForm form;
  ReadDescription(&form, json);
  TdeAudioConvertor* display = form.Convertor("cvDisplay");
  TdeAudioConvertor* record = form.Convertor("cvRecord");
  ASSERT_TRUE(display && record);
  EXPECT_EQ(display->AudioSource(), record);
  EXPECT_TRUE(display->FormatOut()->IsEqual(out.get()));
  EXPECT_TRUE(display->RequestRealTime());
  EXPECT_FALSE(display->Set8087FPUFlag());
  EXPECT_FALSE(display->Active());  // nothing opens at load

  // Blocks flow along the link that was read.
  record->SetFormatIn(Pcm(11025, 16, 1).get());
  record->SetFormatOut(Pcm(11025, 16, 1).get());
  record->Open();
  const auto block = PcmSine(*record->FormatIn(), 440, 1000);
  record->Convert(block.data(), int32_t(block.size()));
  EXPECT_TRUE(display->Active());

  const QJsonObject written = QJsonDocument::fromJson(WriteDescription(&form)).object();
  const QJsonArray children = written.value("Children").toArray();
  ASSERT_EQ(children.size(), 2);
  const QJsonObject props = children[0].toObject().value("Properties").toObject();
  EXPECT_EQ(props.value("AudioSource").toString(), "cvRecord");
  EXPECT_EQ(props.value("RequestRealTime").toBool(), true);
  EXPECT_EQ(props.value("Set8087FPUFlag").toBool(true), false);
  EXPECT_EQ(props.value("FormatOut").toObject().value("FormatBuffer").toString().toLower().toLatin1(), Hex(*out));
  // Defaults are not stored.
  const QJsonObject plain = children[1].toObject().value("Properties").toObject();
  EXPECT_FALSE(plain.contains("RequestRealTime"));
  EXPECT_FALSE(plain.contains("Set8087FPUFlag"));
}

TEST(ConvertorDescription, RefusesALinkToItselfOrToANonProducer) {
  RegisterAudioClasses();
  RegisterClass<TQComponent>();
  TConvertorForm self;
  EXPECT_THROW(ReadDescription(&self, R"({"Class": "TQComponent", "Name": "Form1", "Children": [
      {"Class": "TdeAudioConvertor", "Name": "cv", "Properties": {"AudioSource": "cv"}}]})"),
               EDescriptionError);
  TConvertorForm plain;
  try {
    ReadDescription(&plain, R"({"Class": "TQComponent", "Name": "Form1", "Children": [
        {"Class": "TdeAudioConvertor", "Name": "cv", "Properties": {"AudioSource": "Form1"}}]})");
    ADD_FAILURE() << "no error";
  } catch (const EDescriptionError& e) {
    EXPECT_TRUE(e.Message().contains("The selected component is not an audio subject.")) << e.Message().toStdString();
  }
}
