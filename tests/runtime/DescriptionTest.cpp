#include "DescriptionTestTypes.h"

#include <gtest/gtest.h>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const char* kDescription = R"({
  "Class": "TTestForm", "Name": "Form1",
  "Properties": {"Caption": "Tamsel录音机", "Width": 490, "Height": 395, "Position": "poScreenCenter",
                 "Font": {"Name": "宋体", "Height": -12}, "MinWidth": 130,
                 "OnClose": "FormClose"},
  "Children": [
    {"Class": "TTestPanel", "Name": "Panel1", "Properties": {"Left": 1, "Top": 0, "Width": 480, "Height": 367},
     "Children": [
       {"Class": "TTestComponent", "Name": "First",
        "Properties": {"Source": "Second", "Timer": "tmStatus", "Color": 9783603, "Style": "psDot",
                       "Styles": ["fsItalic", "fsUnderline"], "Text": "a \"quoted\" text",
                       "Lines": ["one", "two"], "PenLeft": {"Color": "clRed", "Width": 2},
                       "Format": {"FormatBuffer": "0100020044AC0000", "Tag": 3},
                       "Items": [{"Caption": "min"}, {"Caption": "max", "Width": 20}],
                       "OnChange": "ThingChange", "Count": 0, "Active": true}},
       {"Class": "TTestPanel", "Name": "Inner", "Properties": {"Caption": "x", "Left": 5, "Top": 6, "Width": 7, "Height": 8}}
     ]},
    {"Class": "TTestComponent", "Name": "Second", "Properties": {"Source": "Form1"}},
    {"Class": "TTimer", "Name": "tmStatus", "Properties": {"Enabled": false, "Interval": 250}}
  ]
})";

std::unique_ptr<TTestForm> Load(const QByteArray& json) {
  auto form = std::make_unique<TTestForm>(nullptr);
  ReadDescription(form.get(), json);
  return form;
}

QString ErrorOf(const QByteArray& json) {
  try {
    Load(json);
  } catch (const EDescriptionError& e) {
    return e.Message();
  }
  return QStringLiteral("(no error)");
}

}  // namespace

TEST(Description, ReadsEveryKindOfProperty) {
  auto form = Load(kDescription);
  EXPECT_EQ(form->Name(), "Form1");
  EXPECT_EQ(form->Caption(), QString::fromUtf8("Tamsel录音机"));
  EXPECT_EQ(form->width(), 490);
  EXPECT_EQ(form->Position(), poScreenCenter);
  EXPECT_EQ(form->Font()->Name(), QString::fromUtf8("宋体"));
  EXPECT_EQ(form->Font()->Height(), -12);
  EXPECT_EQ(form->minimumWidth(), 130);
  ASSERT_EQ(form->ComponentCount(), 5);

  auto* first = FindComponentAs<TTestComponent>(form.get(), "First");
  auto* second = FindComponentAs<TTestComponent>(form.get(), "Second");
  auto* panel = FindComponentAs<TTestPanel>(form.get(), "Panel1");
  auto* inner = FindComponentAs<TTestPanel>(form.get(), "Inner");
  auto* timer = FindComponentAs<TTimer>(form.get(), "tmStatus");
  EXPECT_EQ(panel->parentWidget(), form.get());
  EXPECT_EQ(inner->parentWidget(), panel);
  EXPECT_EQ(inner->geometry(), QRect(5, 6, 7, 8));
  EXPECT_EQ(first->Color().Value, 0x954933);
  EXPECT_EQ(first->Style(), psDot);
  EXPECT_EQ(first->Styles(), fsItalic | fsUnderline);
  EXPECT_EQ(first->Text(), "a \"quoted\" text");
  EXPECT_EQ(first->Lines(), (QStringList{"one", "two"}));
  EXPECT_EQ(first->PenLeft()->Color(), clRed);
  EXPECT_EQ(first->PenLeft()->Width(), 2);
  EXPECT_EQ(first->Format()->Buffer, QByteArray::fromHex("0100020044AC0000"));
  EXPECT_EQ(first->Format()->Tag(), 3);
  ASSERT_EQ(first->Items()->Count(), 2);
  EXPECT_EQ(first->Items()->ItemAs<TTestItem>(1)->Caption(), "max");
  EXPECT_EQ(first->Items()->ItemAs<TTestItem>(0)->Width(), 10);
  EXPECT_EQ(first->Count(), 0);
  EXPECT_TRUE(first->Active());
  EXPECT_FALSE(timer->Enabled());
  EXPECT_EQ(timer->Interval(), 250);
  EXPECT_EQ(first->Timer(), timer);
  EXPECT_EQ(second->Source(), form.get()) << "a reference may name the form itself";

  first->Change();
  EXPECT_EQ(form->Changed, std::vector<TComponent*>{first});
  EXPECT_FALSE(form->close()) << "OnClose bound to the form's handler refuses";
}

TEST(Description, ReferencesResolveAfterAllComponentsExistAndBeforeLoaded) {
  auto form = Load(kDescription);
  auto* first = FindComponentAs<TTestComponent>(form.get(), "First");
  auto* second = FindComponentAs<TTestComponent>(form.get(), "Second");
  EXPECT_EQ(first->Source(), second) << "Second comes later in the description";
  EXPECT_EQ(first->SourceAtLoaded, second);
  EXPECT_FALSE(first->Loading());
  EXPECT_FALSE(form->Loading());
}

TEST(Description, WriteReadWriteGivesTheSameText) {
  auto form = Load(kDescription);
  const QByteArray once = WriteDescription(form.get());
  auto again = Load(once);
  const QByteArray twice = WriteDescription(again.get());
  EXPECT_EQ(once.toStdString(), twice.toStdString());
  // Spot checks on what was written.
  const QJsonObject root = QJsonDocument::fromJson(once).object();
  const QJsonObject props = root["Properties"].toObject();
  EXPECT_EQ(props["OnClose"].toString(), "FormClose");
  EXPECT_FALSE(props.contains("Hint")) << "the empty hint is the default";
  // Non-visual components are written under the form, whatever control they were listed in.
  const QJsonArray children = root["Children"].toArray();
  ASSERT_EQ(children.size(), 4);
  EXPECT_EQ(children[0].toObject()["Children"].toArray()[0].toObject()["Name"].toString(), "Inner");
  const QJsonObject first = children[1].toObject();
  EXPECT_EQ(first["Name"].toString(), "First");
  const QJsonObject fp = first["Properties"].toObject();
  EXPECT_EQ(fp["Source"].toString(), "Second");
  EXPECT_EQ(fp["PenLeft"].toObject()["Color"].toString(), "clRed");
  EXPECT_FALSE(fp["PenLeft"].toObject().contains("Style")) << "psSolid is the pen's default";
  EXPECT_EQ(fp["Format"].toObject()["FormatBuffer"].toString(), "0100020044AC0000");
  EXPECT_EQ(fp["Styles"].toArray().size(), 2);
  EXPECT_EQ(fp["Items"].toArray()[0].toObject().size(), 1) << "item Width 10 is the default";
}

TEST(Description, ValuesEqualToTheirDefaultAreNotWritten) {
  TTestForm form(nullptr);
  form.SetName("Form1");
  auto* c = new TTestComponent(&form);
  c->SetName("C");
  c->SetCount(5);  // the stored default, not the constructor's 7
  c->Format()->Stored = false;
  const QJsonObject props = QJsonDocument::fromJson(WriteDescription(&form))
                                .object()["Children"]
                                .toArray()[0]
                                .toObject()["Properties"]
                                .toObject();
  EXPECT_FALSE(props.contains("Count"));
  EXPECT_FALSE(props.contains("Active"));
  EXPECT_FALSE(props.contains("Color"));
  EXPECT_FALSE(props.contains("Styles"));
  EXPECT_FALSE(props.contains("Text")) << "an empty string without a default is not written";
  EXPECT_FALSE(props.contains("Format")) << "nothing to write: has-data flag off, Tag at default";
  EXPECT_TRUE(props["Font"].toObject().contains("Height")) << "no default: always written";

  // Read back, the component gets its constructor's value.
  auto back = Load(WriteDescription(&form));
  EXPECT_EQ(FindComponentAs<TTestComponent>(back.get(), "C")->Count(), 7);
}

TEST(Description, ErrorsNameTheEntry) {
  auto replaced = [](const char* from, const char* to) {
    QByteArray d(kDescription);
    EXPECT_TRUE(d.contains(from)) << from;
    return d.replace(from, to);
  };
  struct TCase {
    QByteArray Json;
    QString Expected;
  };
  const TCase cases[] = {
      {"{\"Class\": \"TTestForm\",", "Error reading description: "},
      {"[1]", "the root must be an object"},
      {replaced("\"TTimer\"", "\"TNoSuchClass\""), "Error reading Form1.tmStatus: Class TNoSuchClass not found."},
      {replaced("\"Interval\"", "\"Intervall\""), "Error reading Form1.tmStatus.Intervall: Property does not exist."},
      {replaced("\"Interval\": 250", "\"Interval\": \"fast\""),
       "Error reading Form1.tmStatus.Interval: Invalid property value."},
      {replaced("\"Interval\": 250", "\"Interval\": 2.5"), "Form1.tmStatus.Interval: Invalid property value."},
      {replaced("\"Height\": -12", "\"Height\": true"), "Error reading Form1.Font.Height: Invalid property value."},
      {replaced("\"psDot\"", "\"psDotty\""), "Error reading Form1.First.Style: Invalid enumeration value \"psDotty\"."},
      {replaced("\"fsItalic\"", "\"fsSlanted\""), "Form1.First.Styles: Invalid set element \"fsSlanted\"."},
      {replaced("9783603", "\"clPaleBlue\""), "Form1.First.Color: Invalid colour value."},
      {replaced("0100020044AC0000", "01XY"), "Form1.First.Format.FormatBuffer: Invalid binary value"},
      {replaced("\"Source\": \"Second\"", "\"Source\": \"Third\""),
       "Error reading Form1.First.Source: Component Third not found."},
      {replaced("\"Timer\": \"tmStatus\"", "\"Timer\": \"Second\""), "Form1.First.Timer: Second is not a TTimer."},
      {replaced("\"ThingChange\"", "\"NoHandler\""), "Form1.First.OnChange: Handler NoHandler not found in TTestForm."},
      {replaced("\"OnClose\": \"FormClose\"", "\"OnClose\": \"ThingChange\""),
       "Form1.OnClose: Handler ThingChange does not fit this event."},
      {replaced("\"Count\": 0", "\"Count\": -1"), "Error reading Form1.First.Count: Invalid count."},
      {replaced("\"Name\": \"Second\"", "\"Name\": \"First\""), "Form1.First: A component named First already exists."},
      {replaced("\"Class\": \"TTestForm\"", "\"Class\": \"TOtherForm\""),
       "The description is of class TOtherForm, not TTestForm."},
      {replaced("{\"Caption\": \"min\"}", "\"min\""), "Form1.First.Items[0]: An item is written as an object."},
      {replaced("\"Text\": \"a \\\"quoted\\\" text\"", "\"Text\": \"fail in Loaded\""),
       "Error reading Form1.First: Loaded refused."},
      {replaced("\"Children\": [\n       {", "\"Kids\": [\n       {"), "Form1.Panel1: Unknown entry \"Kids\"."},
  };
  for (const TCase& c : cases) {
    const QString message = ErrorOf(c.Json);
    EXPECT_TRUE(message.contains(c.Expected))
        << "got: " << message.toStdString() << "\nwanted: " << c.Expected.toStdString();
  }
}

TEST(Description, MissingFieldComponentIsNamed) {
  auto form = Load(kDescription);
  try {
    FindComponentAs<TTimer>(form.get(), "First");
    FAIL();
  } catch (const EDescriptionError& e) {
    EXPECT_EQ(e.Message(), "Form1 has no component First of class TTimer.");
  }
}
