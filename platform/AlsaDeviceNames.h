#pragma once
// Names of ALSA devices: the PCM a device number opens, and the devices the
// sound system offers for a direction, default first.
#include <cstdint>
#include <string>
#include <vector>

#include "WaveDevice.h"

// False when deviceID names no sound card.
bool AlsaPcmName(TWaveDirection direction, uint32_t deviceID, const std::string& chosen, std::string& name);
uint32_t AlsaCardCount();
std::vector<TWaveDeviceInfo> AlsaDevices(TWaveDirection direction);
