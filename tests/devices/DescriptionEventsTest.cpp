// Every event the audio components publish can be bound from a window
// description, and the bound handler is the one that runs.
#include <gtest/gtest.h>

#include <QStringList>

#include "ComponentSupport.h"
#include "Description.h"
#include "WaveScripted.h"
#include "deAudioControls.h"
#include "deAudioIO.h"
#include "deRegister.h"

namespace {

class TEventForm : public TQComponent {
  Q_OBJECT
 public:
  TEventForm() : TQComponent(nullptr) {
    SetName("Form1");
    RegisterClass<TQComponent>();
    RegisterAudioClasses();
    RegisterHandlers<TEventForm>()
        .Handler("Notify", &TEventForm::Notify)
        .Handler("Buffer", &TEventForm::Buffer)
        .Handler("AbortableBuffer", &TEventForm::AbortableBuffer)
        .Handler("ObserverError", &TEventForm::ObserverError)
        .Handler("Handled", &TEventForm::Handled);
  }
  void Notify(TComponent* sender) { Calls << "Notify " + sender->Name(); }
  void Buffer(TComponent* sender, const void*, int32_t) { Calls << "Buffer " + sender->Name(); }
  void AbortableBuffer(TComponent* sender, const void*, int32_t, bool&) {
    Calls << "AbortableBuffer " + sender->Name();
  }
  void ObserverError(IdeAudioSubject*, IdeAudioObserver*, Exception&, bool&) { Calls << "ObserverError"; }
  void Handled(TComponent* sender, bool&) { Calls << "Handled " + sender->Name(); }
  template <class T>
  T* Find(const char* name) {
    return dynamic_cast<T*>(FindComponent(QString::fromLatin1(name)));
  }
  QStringList Calls;
};

const QByteArray kForm = R"({"Class": "TEventForm", "Name": "Form1", "Children": [
  {"Class": "TdeAudioIn", "Name": "In", "Properties": {"AutoOpen": false,
    "BeforeOpen": "Notify", "AfterOpen": "Notify", "BeforeClose": "Notify", "AfterClose": "Notify",
    "OnAudioRecorded": "Buffer", "OnObserverError": "ObserverError"}},
  {"Class": "TdeAudioOut", "Name": "Out", "Properties": {"AutoOpen": false,
    "BeforeOpen": "Notify", "AfterOpen": "Notify", "BeforeClose": "Notify", "AfterClose": "Notify",
    "OnAudioPlayed": "Buffer", "OnObserverError": "ObserverError"}},
  {"Class": "TdeAudioConvertor", "Name": "Conv", "Properties": {"AudioSource": "In",
    "OnAudioConverted": "AbortableBuffer", "OnAudioStreamConverted": "Notify"}},
  {"Class": "TdeAudioControlSource", "Name": "Source", "Properties": {"AudioSource": "In",
    "OnDataChanged": "Notify", "OnObserverError": "ObserverError"}},
  {"Class": "TdeOscilloscope", "Name": "Scope", "Properties": {"AudioControlSource": "Source",
    "OnPaintBackground": "Handled"}}]})";

}  // namespace

TEST(DescriptionEvents, everyPublishedEventBinds_andTheBoundHandlerRuns) {
  TScriptedWave wave;
  TEventForm form;
  ASSERT_NO_THROW(ReadDescription(&form, kForm));
  auto* in = form.Find<TdeAudioIn>("In");
  auto* out = form.Find<TdeAudioOut>("Out");
  ASSERT_TRUE(in && out);
  EXPECT_TRUE(in->OnObserverError() && out->OnObserverError());

  in->Open();
  ASSERT_TRUE(wave.Complete());
  Pump();
  in->Close();
  EXPECT_EQ(form.Calls, (QStringList{"Notify In", "Notify In", "AbortableBuffer Conv", "Notify Source", "Buffer In",
                                     "Notify In", "Notify In"}));

  form.Calls.clear();
  out->SetBufferCount(0);
  out->Open();
  const uint8_t block[400] = {};
  out->Write(block, sizeof block);
  ASSERT_TRUE(wave.Complete());
  Pump();
  out->Close();
  EXPECT_EQ(form.Calls, (QStringList{"Notify Out", "Notify Out", "Buffer Out", "Notify Out", "Notify Out"}));

  form.Calls.clear();
  auto* scope = form.Find<TdeOscilloscope>("Scope");
  ASSERT_TRUE(scope);
  scope->resize(40, 20);
  scope->grab();
  EXPECT_TRUE(form.Calls.contains("Handled Scope"));
}

#include "DescriptionEventsTest.moc"
