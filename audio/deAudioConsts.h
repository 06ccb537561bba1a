#pragma once
// The audio library's message texts.

// ---- Wave format and codec manager ----
inline constexpr const char* SWaveFormatBufferTooSmall = "The wave format buffer is too small.";
inline constexpr const char* SConversionNotPossible = "Conversion not possible.";
inline constexpr const char* SErrorSelectingFormat = "Error selecting format.";

// ---- Audio links ----
inline constexpr const char* SComponentCannotObserveItself = "Component cannot observe itself.";
inline constexpr const char* SNotAnAudioSubject = "The selected component is not an audio subject.";

// ---- Conversion ----
inline constexpr const char* SConversionActive = "Cannot perform this action while active.";
inline constexpr const char* SConversionNotActive = "Cannot perform this action while not active.";
inline constexpr const char* SConversionBufferOverflow = "Audio is too large to fit into conversion buffer";
