#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "Description.h"
#include "DisplayTestSupport.h"
#include "Forms.h"
#include "deRegister.h"

namespace {

class TDisplayForm : public TForm {
  Q_OBJECT
 public:
  explicit TDisplayForm(TComponent* owner = nullptr) : TForm(owner) {
    RegisterAudioClasses();
    RegisterHandlers<TDisplayForm>().Handler("ScopePaintBackground", &TDisplayForm::ScopePaintBackground);
  }
  void ScopePaintBackground(TComponent*, bool& handled) {
    ++BackgroundCalls;
    handled = true;
  }
  int BackgroundCalls = 0;
};

const char* const kForm = R"({"Class": "TDisplayForm", "Name": "DisplayForm", "Children": [
  {"Class": "TdeOscilloscope", "Name": "Scope", "Properties": {
    "Left": 8, "Top": 8, "Width": 465, "Height": 114, "AudioControlSource": "ControlSource",
    "Color": "clBlack", "NumberOfPoints": 50, "Transparent": false, "Layout": "olOverlay",
    "Orientation": "ooVertical", "PenLeft": {"Color": "clLime"}, "PenRight": {"Color": "clYellow", "Width": 2},
    "OnPaintBackground": "ScopePaintBackground"}},
  {"Class": "TdeAudioControlSource", "Name": "ControlSource"}]})";

QJsonObject Entry(const QByteArray& description, const QString& name) {
  for (const auto& child : QJsonDocument::fromJson(description).object()["Children"].toArray())
    if (child.toObject()["Name"].toString() == name) return child.toObject()["Properties"].toObject();
  return {};
}

TEST(DisplayDescription, PublishedPropertiesAndEventsRoundTrip) {
  TDisplayForm form;
  ReadDescription(&form, kForm);
  auto* scope = FindComponentAs<TdeOscilloscope>(&form, "Scope");
  auto* source = FindComponentAs<TdeAudioControlSource>(&form, "ControlSource");
  ASSERT_TRUE(scope && source);
  EXPECT_EQ(scope->AudioControlSource(), source) << "the reference is resolved after both exist";
  EXPECT_EQ(scope->Color(), clBlack);
  EXPECT_FALSE(scope->ParentColor());
  EXPECT_EQ(scope->NumberOfPoints(), 50);
  EXPECT_EQ(scope->Layout(), olOverlay);
  EXPECT_EQ(scope->Orientation(), ooVertical);
  EXPECT_EQ(scope->PenLeft()->Color(), clLime);
  EXPECT_EQ(scope->PenRight()->Color(), clYellow);
  EXPECT_EQ(scope->PenRight()->Width(), 2);
  Render(*scope);
  EXPECT_EQ(form.BackgroundCalls, 1);

  const QByteArray written = WriteDescription(&form);
  TDisplayForm again;
  ReadDescription(&again, written);
  EXPECT_EQ(WriteDescription(&again), written);
}

TEST(DisplayDescription, DefaultsAreNotWrittenButPointsAndTransparentAlwaysAre) {
  TDisplayForm form;
  ReadDescription(&form, R"({"Class": "TDisplayForm", "Name": "F", "Children": [
    {"Class": "TdeOscilloscope", "Name": "Scope"}, {"Class": "TdeAudioControlSource", "Name": "Src"}]})");
  const QByteArray written = WriteDescription(&form);
  const QJsonObject scope = Entry(written, "Scope");
  EXPECT_EQ(scope["NumberOfPoints"].toInt(), 200);
  EXPECT_TRUE(scope.contains("Transparent"));
  for (const char* key : {"Layout", "Orientation", "Color", "ParentColor", "PenLeft", "PenRight", "AudioControlSource"})
    EXPECT_FALSE(scope.contains(key)) << key << " in " << written.toStdString();
  EXPECT_TRUE(Entry(written, "Src").isEmpty());
}

TEST(DisplayDescription, BadValuesAreRefusedNamingTheEntry) {
  TDisplayForm form;
  try {
    ReadDescription(&form, R"({"Class": "TDisplayForm", "Name": "F", "Children": [
      {"Class": "TdeOscilloscope", "Name": "Scope", "Properties": {"NumberOfPoints": 3}}]})");
    FAIL();
  } catch (const EDescriptionError& e) {
    EXPECT_TRUE(e.Message().contains("Scope.NumberOfPoints")) << e.Message().toStdString();
  }
}

}  // namespace

#include "DisplayDescriptionTest.moc"
