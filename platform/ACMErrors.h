#pragma once
// The audio library's exception family, its one translation of sound-service
// result codes into exceptions, and the conversion query asked before any
// conversion stream is opened.
#include <QString>
#include <string>
#include <type_traits>

#include "Exceptions.h"
#include "Platform.h"

TAMSEL_DECLARE_EXCEPTION(EACMError, Exception);
TAMSEL_DECLARE_EXCEPTION(EACMConversionError, EACMError);
TAMSEL_DECLARE_EXCEPTION(EACMCodecError, EACMError);
TAMSEL_DECLARE_EXCEPTION(EACMAudioIOError, EACMError);
TAMSEL_DECLARE_EXCEPTION(EACMAudioInError, EACMAudioIOError);
TAMSEL_DECLARE_EXCEPTION(EACMAudioOutError, EACMAudioIOError);
TAMSEL_DECLARE_EXCEPTION(EACMAudioStreamError, EACMError);
TAMSEL_DECLARE_EXCEPTION(EACMAudioReadError, EACMAudioStreamError);
TAMSEL_DECLARE_EXCEPTION(EACMControlError, EACMError);
TAMSEL_DECLARE_EXCEPTION(EOscilloscopeError, EACMControlError);
// A window onto another stream fails as a stream, not as audio.
TAMSEL_DECLARE_EXCEPTION(ESubStreamError, Exception);

// The message for a non-zero code: prefix (when not empty) and CR LF, then the
// code's text; unknown codes read "An unexpected error has occurred (code #N)."
QString ACMErrorMessage(MMRESULT code, const QString& prefix = QString());

// "\r\n" and detail, to follow a message; empty for an empty detail.
QString DetailLine(const std::string& detail);

// Returns when code is 0, otherwise throws Kind with ACMErrorMessage(code, prefix).
// The kind is the template argument:
//   RaiseACMError<EACMAudioInError>(waveInOpen(...), "Error opening audio device for input.");
//   RaiseACMError<EACMConversionError>(acmStreamConvert(...));   // no prefix
// A device error kind also gets the sound system's own account of the
// failed call (waveGetErrorDetail) on a line after the code's text.
template <class Kind = EACMError>
inline void RaiseACMError(MMRESULT code, const QString& prefix = QString()) {
  if (code == MMSYSERR_NOERROR) return;
  QString message = ACMErrorMessage(code, prefix);
  if constexpr (std::is_base_of_v<EACMAudioIOError, Kind>) message += DetailLine(waveGetErrorDetail());
  throw Kind(message);
}

// True when the codec manager can open a stream from source to dest (with the
// real-time requirement when realTime); asks acmStreamOpen in query form, so
// nothing stays open and nothing is raised. Null formats answer false.
// deACM adds the overload on wave format values.
bool CanConvert(const WAVEFORMATEX* source, const WAVEFORMATEX* dest, bool realTime);
