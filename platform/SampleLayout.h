#pragma once
// How the samples of an uncompressed format lie in memory, read from its format
// record, and the two things done to such samples outside a conversion: fading
// them and measuring their peak. The codec drivers, the wave devices and the
// audio components all read a layout here, each adding its own rules on top.
#include <cstdint>

#include "Platform.h"

// Uncompressed sample layouts; S24 is packed little-endian 3-byte samples.
enum class TAcmSampleKind : uint8_t { None, U8, S16, S24, S32, F32, F64 };

struct TAcmLinearFormat {
  TAcmSampleKind Kind = TAcmSampleKind::None;
  uint16_t Channels = 0;
  uint32_t Rate = 0;
  uint16_t BlockAlign = 0;  // bytes per frame
  bool Extensible = false;
};

// Bytes of one sample of the kind, 0 for None.
uint32_t SampleBytes(TAcmSampleKind kind);

// The layout a format record describes, read from its tag, its bits per
// sample, an extensible format's sub-format and its channels: PCM of 8, 16, 24
// or 32 bits, IEEE float of 32 or 64 bits, or either as the sub-format of
// WAVE_FORMAT_EXTENSIBLE (cbSize 22 or more). Kind None for anything else, every
// compressed format included, and for a frame too large for 16 bits. Rate is
// copied; BlockAlign is the frame the kind and the channels make, not the
// record's. Nothing else is checked: rates, channel limits and the record's
// block align are each user's own rules (AcmParseLinear for the codec drivers,
// PcmFrameBytes for the devices). Reads no more than 18 + cbSize bytes.
TAcmLinearFormat SampleLayout(const WAVEFORMATEX* wfx);

// Fades the whole frames of size bytes in place, linearly over all of them: in
// from silence (frame i of n scaled by i/n) or out towards it (by (n - i)/n).
// Unsigned 8-bit samples fade towards 128, the others towards 0. Kind None is
// left alone, and so is a tail shorter than a frame; 0 channels count as 1.
void FadeSamples(const TAcmLinearFormat& layout, void* data, uint32_t size, bool fadeIn);

// The loudest sample of a block as a fraction of full scale, and whether any
// sample sits at full scale (either end of an integer range; a float of
// magnitude 1 or more), which says the input clipped.
struct TSamplePeak {
  double Peak = 0;
  bool Clipped = false;
};
// Every whole sample of the block counts, whatever its channel; kind None and
// a null block measure 0.
TSamplePeak MeasureSamplePeak(TAcmSampleKind kind, const void* data, uint32_t size);
