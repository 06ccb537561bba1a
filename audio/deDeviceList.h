#pragma once
// The sound devices a user can pick for recording or playback, as the device
// components open them by name (SetDeviceName).
#include <QString>
#include <vector>

struct TdeDeviceInfo {
  QString Name;         // what the device is opened by: "default", "hw:CARD=PCH,DEV=0"
  QString Description;  // what people know it by
};

// The devices the sound system lists now for input or output, its default
// one first; empty when it lists none (then it cannot say a device has gone).
std::vector<TdeDeviceInfo> AudioDeviceList(bool input);
