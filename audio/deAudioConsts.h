#pragma once
// The audio library's message texts.

// ---- Wave format and codec manager ----
inline constexpr const char* SWaveFormatBufferTooSmall = "The wave format buffer is too small.";
inline constexpr const char* SConversionNotPossible = "Conversion not possible.";
inline constexpr const char* SCannotDecodeFormat = "No installed codec can decode %1.";
inline constexpr const char* SCannotEncodeFormat = "No installed codec can encode %1.";
inline constexpr const char* SErrorSelectingFormat = "Error selecting format.";

// ---- Audio links ----
inline constexpr const char* SComponentCannotObserveItself = "Component cannot observe itself.";
inline constexpr const char* SNotAnAudioSubject = "The selected component is not an audio subject.";

// ---- Conversion ----
inline constexpr const char* SConversionActive = "Cannot perform this action while active.";
inline constexpr const char* SConversionNotActive = "Cannot perform this action while not active.";
inline constexpr const char* SConversionBufferOverflow = "Audio is too large to fit into conversion buffer";

// ---- Audio devices ----
inline constexpr const char* SAudioIOActive = "Cannot perform this action while active.";
inline constexpr const char* SAudioIONotActive = "Cannot perform this action while not active.";
inline constexpr const char* SInvalidInputBufferSize = "Invalid input buffer size.";
inline constexpr const char* SCannotAllocateGlobalMemory = "Cannot allocate global memory.";
inline constexpr const char* SErrorOpeningInput = "Error opening audio device for input.";
inline constexpr const char* SErrorPreparingInputHeader = "Error preparing input header.";
inline constexpr const char* SErrorAddingInputBuffer = "Error adding input buffer.";
inline constexpr const char* SErrorUnpreparingInputHeader = "Error unpreparing input header.";
inline constexpr const char* SErrorClosingInput = "Error closing input device.";
inline constexpr const char* SErrorPausingInput = "Error pausing or resuming the input device.";
inline constexpr const char* SErrorOpeningOutput = "Error opening audio device for output.";
inline constexpr const char* SErrorPreparingOutputHeader = "Error preparing output header.";
inline constexpr const char* SErrorPlayingBuffer = "Error playing buffer.";
inline constexpr const char* SErrorUnpreparingOutputHeader = "Error unpreparing output header.";
inline constexpr const char* SErrorPausingOutput = "An error occurred whilst trying to pause an output device";
inline constexpr const char* SErrorRestartingOutput = "An error occurred whilst trying to restart an output device";
inline constexpr const char* SErrorClosingOutput = "Error closing output device.";
inline constexpr const char* SErrorResettingOutput = "An error occurred whilst trying to reset an output device";
inline constexpr const char* SInputDeviceFailed =
    "The audio input device stopped working (unplugged, or the sound server stopped). The recording was stopped; "
    "everything recorded until then was kept.";
inline constexpr const char* SInputRingEmpty =
    "The recorded audio could not be processed, so the recording was stopped; everything recorded until then was "
    "kept.";
inline constexpr const char* SOutputDeviceFailed =
    "The audio output device stopped working (unplugged, or the sound server stopped). Playback was stopped.";

// ---- Codec catalogue ----
inline constexpr const char* SErrorDriverDetails = "Error retrieving driver details.";
inline constexpr const char* SErrorDriverPriority = "Error retrieving driver priority.";
inline constexpr const char* SErrorOpeningDriver = "Error opening driver.";
inline constexpr const char* SErrorClosingDriver = "Error while closing driver.";
inline constexpr const char* SErrorFormatSize = "Error while requesting size of Wave format.";
inline constexpr const char* SErrorEnumeratingFormats = "Error while enumerating formats.";
inline constexpr const char* SCodecIndexOutOfBounds = "Codec index out of bounds (%1).";

// ---- Audio files ----
inline constexpr const char* SWritePastEndOfSubStream = "Write past end of sub stream.";
inline constexpr const char* SInvalidFileFormat = "Invalid file format.";
inline constexpr const char* SAudioFileWriteError =
    "Error writing the audio file; the audio before this block was kept.";
inline constexpr const char* SAudioFilePatchError =
    "Error writing the audio file; the audio up to the last second before this block was kept.";
inline constexpr const char* SAudioFileReadShort =
    "The audio file ended before the size its header states; it was cut short or could not be read.";

// ---- Audio display ----
inline constexpr const char* SInvalidNumberOfPoints = "Invalid number of points.";
inline constexpr const char* SNotAnAudioControlSource = "The selected component is not an audio control source.";
inline constexpr const char* SOutOfMemory = "Out of memory.";

// ---- Copies in other file types ----
inline constexpr const char* SExportNotLinear = "Only linear PCM can be coded as %1.";
inline constexpr const char* SExportWriteError = "Error writing the audio file.";
inline constexpr const char* SExportNoAudio = "The take holds no audio to save.";
