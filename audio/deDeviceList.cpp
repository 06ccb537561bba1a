#include "deDeviceList.h"

#include "WaveDevice.h"

std::vector<TdeDeviceInfo> AudioDeviceList(bool input) {
  const std::vector<TWaveDeviceInfo> devices = WaveDeviceList(input ? TWaveDirection::Input : TWaveDirection::Output);
  std::vector<TdeDeviceInfo> list;
  list.reserve(devices.size());
  for (const TWaveDeviceInfo& d : devices)
    list.push_back({QString::fromStdString(d.Name), QString::fromStdString(d.Description)});
  return list;
}
