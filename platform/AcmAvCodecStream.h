#pragma once
// One libavcodec encoder (PCM in, coded blocks out) or decoder (coded blocks
// in, PCM out) behind IAcmStream, for the compressed-codec drivers.
#include <cstdint>
#include <functional>
#include <memory>

#include "AcmDriver.h"

struct AVCodec;
struct AVCodecContext;

// How to run one libavcodec codec for one stream.
struct TAvCodecSetup {
  const char* Codec = nullptr;  // libavcodec encoder or decoder name
  bool Encode = false;
  uint32_t Rate = 0;
  uint16_t Channels = 0;
  uint16_t PcmBits = 16;  // the PCM side: 16 (signed) or 8 (unsigned)
  // Coded side. A block codec carries FrameSamples samples per channel in one
  // block of BlockAlign bytes (an encoder's packets may be smaller, never larger
  // than MaxPacketBytes). FrameSamples 0: a sample codec (G.711), BlockAlign
  // bytes per sample frame, any whole number of them.
  uint32_t BlockAlign = 0;
  uint32_t FrameSamples = 0;
  uint32_t MaxPacketBytes = 0;
  // Decoding self-delimiting frames (MP3): every byte is taken and the
  // libavcodec parser finds the frames. MaxSamplesPerByte bounds the output of
  // the densest frame at this rate; MaxFrameSamples the samples of one frame.
  bool Parse = false;
  double MaxSamplesPerByte = 0;
  uint32_t MaxFrameSamples = 0;
  // An encoder that keeps frames back (delay) holds at most this many packets.
  uint32_t HeldPackets = 0;
  int64_t BitRate = 0;
  std::function<void(AVCodecContext*)> Configure;  // codec options, before opening
};

// Opens the stream: MMSYSERR_NOMEM when out of memory, ACMERR_NOTPOSSIBLE
// when libavcodec lacks the codec or refuses the setup.
MMRESULT AvCodecOpenStream(const TAvCodecSetup& setup, std::unique_ptr<IAcmStream>& stream);
// libavcodec's encoder or decoder of that name, nullptr when it has none.
const AVCodec* AvFindCodec(const char* name, bool encoder);
