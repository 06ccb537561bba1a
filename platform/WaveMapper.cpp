#include "WaveDevice.h"

MMRESULT OpenMappedWaveDevice(TWaveBackend&, TWaveDirection, uint32_t, const WAVEFORMATEX&, const TNotifyHandle&,
                              std::unique_ptr<TWaveDevice>&) {
  return WAVERR_BADFORMAT;
}
