#include "AcmLinear.h"

std::unique_ptr<IAcmStream> AcmOpenLinearStream(const TAcmLinearFormat&, const TAcmLinearFormat&) {
  return nullptr;
}

std::unique_ptr<IAcmStream> AcmOpenLinearStream(const WAVEFORMATEX* src, const WAVEFORMATEX* dst) {
  TAcmLinearFormat s, d;
  if (!AcmParseLinear(src, s) || !AcmParseLinear(dst, d)) return nullptr;
  return AcmOpenLinearStream(s, d);
}
