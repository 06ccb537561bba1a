// The registration table: every codec driver, in priority order.
#include "AcmDriver.h"

std::span<const IAcmDriver* const> AcmDrivers() {
  static const IAcmDriver* const table[] = {
      &AcmPcmDriver(),     &AcmFloatDriver(),  &AcmG711Driver(), &AcmImaAdpcmDriver(),
      &AcmMsAdpcmDriver(), &AcmGsm610Driver(), &AcmMp3Driver(),
  };
  return table;
}
