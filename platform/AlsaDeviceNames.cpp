#include "AlsaDeviceNames.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cstdlib>

namespace {

// ALSA hints its converter and effect plugins and the discarding "null" PCM
// beside the devices; none of them is a device anyone records from or plays to.
bool Offered(const std::string& name) {
  static const char* const notDevices[] = {"null", "lavrate", "samplerate", "speexrate", "speex", "upmix", "vdownmix"};
  return std::none_of(std::begin(notDevices), std::end(notDevices), [&](const char* n) { return name == n; });
}

}  // namespace

// The PCM for a device number: the default device (the one the environment
// names, else the chosen one, else ALSA's default), or a sound card by its
// place in ALSA's order. Always behind the plug layer, so any PCM format is
// served.
bool AlsaPcmName(TWaveDirection direction, uint32_t deviceID, const std::string& chosen, std::string& name) {
  if (deviceID == WAVE_MAPPER) {
    const char* env =
        std::getenv(direction == TWaveDirection::Input ? "TAMSEL_CAPTURE_DEVICE" : "TAMSEL_PLAYBACK_DEVICE");
    const std::string pcm = env && *env ? env : !chosen.empty() ? chosen : "default";
    name = pcm.find('\'') == std::string::npos ? "plug:'" + pcm + "'" : pcm;
    return true;
  }
  int card = -1;
  for (uint32_t i = 0; snd_card_next(&card) == 0 && card >= 0; ++i)
    if (i == deviceID) {
      name = "plughw:" + std::to_string(card);
      return true;
    }
  return false;
}

uint32_t AlsaCardCount() {
  uint32_t n = 0;
  int card = -1;
  while (snd_card_next(&card) == 0 && card >= 0) ++n;
  return n;
}

std::vector<TWaveDeviceInfo> AlsaDevices(TWaveDirection direction) {
  std::vector<TWaveDeviceInfo> list;
  void** hints = nullptr;
  if (snd_device_name_hint(-1, "pcm", &hints) < 0 || !hints) return list;
  const char* wanted = direction == TWaveDirection::Input ? "Input" : "Output";
  auto take = [](void* hint, const char* id) {
    char* v = snd_device_name_get_hint(hint, id);
    std::string s = v ? v : "";
    std::free(v);
    return s;
  };
  for (void** h = hints; *h; ++h) {
    const std::string name = take(*h, "NAME"), ioid = take(*h, "IOID");
    if (name.empty() || !Offered(name) || (!ioid.empty() && ioid != wanted)) continue;
    std::string description = take(*h, "DESC");
    for (size_t at; (at = description.find('\n')) != std::string::npos;)
      description.replace(at, 1, at + 1 < description.size() ? " — " : "");
    TWaveDeviceInfo info{name, description.empty() ? name : description};
    if (name == "default")
      list.insert(list.begin(), std::move(info));
    else if (std::none_of(list.begin(), list.end(), [&](const TWaveDeviceInfo& d) { return d.Name == name; }))
      list.push_back(std::move(info));
  }
  snd_device_name_free_hint(hints);
  return list;
}
