#pragma once
// The conversion engine for uncompressed audio, shared by the PCM and float
// drivers (and usable by codec drivers for their PCM side): any sample layout,
// 1 or 2 channels and any rate of TAcmLinearFormat to any other, in one pass.
// Rate changes go through libswresample with the soxr engine.
#include <memory>

#include "AcmDriver.h"

// Opens a stream between two formats that AcmParseLinear accepted;
// nullptr when the resampler cannot be set up (out of memory).
std::unique_ptr<IAcmStream> AcmOpenLinearStream(const TAcmLinearFormat& src, const TAcmLinearFormat& dst);
// The same for two format records (nullptr when either is not linear).
std::unique_ptr<IAcmStream> AcmOpenLinearStream(const WAVEFORMATEX* src, const WAVEFORMATEX* dst);
