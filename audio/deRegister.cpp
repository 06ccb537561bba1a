#include "deRegister.h"

#include "Description.h"
#include "deACM.h"
#include "deAudioControls.h"
#include "deAudioIO.h"

namespace {

// The open/close events both device components publish.
template <class T>
TClassRegistration<T>& DeviceEvents(TClassRegistration<T>& r) {
  return r.Event("AfterClose", &TdeAudioIO::SetAfterClose)
      .Event("AfterOpen", &TdeAudioIO::SetAfterOpen)
      .Event("BeforeClose", &TdeAudioIO::SetBeforeClose)
      .Event("BeforeOpen", &TdeAudioIO::SetBeforeOpen);
}

}  // namespace

void RegisterAudioClasses() {
  static const bool done = [] {
    auto in = RegisterClass<TdeAudioIn>();
    DeviceEvents(in)
        .Event("OnAudioRecorded", &TdeCustomAudioIn::SetOnAudioRecorded)
        .Event("OnObserverError", &TdeAbstractAudioIn::SetOnObserverError);
    auto out = RegisterClass<TdeAudioOut>();
    DeviceEvents(out)
        .Event("OnAudioPlayed", &TdeCustomAudioOut::SetOnAudioPlayed)
        .Event("OnObserverError", &TdeAbstractAudioOut::SetOnObserverError);
    RegisterClass<TdeAudioConvertor>()
        .Event("OnAudioConverted", &TdeAudioConvertor::SetOnAudioConverted)
        .Event("OnAudioStreamConverted", &TdeAudioConvertor::SetOnAudioStreamConverted);
    RegisterClass<TdeAudioControlSource>()
        .Event("OnDataChanged", &TdeAudioControlSource::SetOnDataChanged)
        .Event("OnObserverError", &TdeAudioControlSource::SetOnObserverError);
    RegisterClass<TdeOscilloscope>().Event("OnPaintBackground", &TdeAudioControl::SetOnPaintBackground);
    return true;
  }();
  (void)done;
}
