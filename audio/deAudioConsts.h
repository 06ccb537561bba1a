#pragma once
// The audio library's message texts.

// ---- Wave format and codec manager ----
inline constexpr const char* SWaveFormatBufferTooSmall = "The wave format buffer is too small.";
inline constexpr const char* SConversionNotPossible = "Conversion not possible.";
inline constexpr const char* SErrorSelectingFormat = "Error selecting format.";
