#include "ACMErrors.h"

namespace {

const char* CodeText(MMRESULT code) {
  switch (code) {
    case MMSYSERR_BADDEVICEID: return "Bad device ID.";
    case MMSYSERR_NOTENABLED: return "Driver not enabled.";
    case MMSYSERR_ALLOCATED: return "Device already allocated.";
    case MMSYSERR_INVALHANDLE: return "The specified handle is invalid.";
    case MMSYSERR_NODRIVER: return "A suitable driver is not available to provide valid format selections.";
    case MMSYSERR_NOMEM: return "The system is unable to allocate resources.";
    case MMSYSERR_NOTSUPPORTED: return "Function not supported.";
    case MMSYSERR_INVALFLAG: return "At least one flag is invalid.";
    case MMSYSERR_INVALPARAM: return "At least one parameter is invalid.";
    case MMSYSERR_HANDLEBUSY: return "Device handle in use.";
    case WAVERR_BADFORMAT: return "The selected audio format is not supported on this machine.";
    case WAVERR_STILLPLAYING: return "Audio device is still playing.";
    case WAVERR_UNPREPARED: return "Cannot perform this action on a header that has not been prepared.";
    case WAVERR_SYNC: return "Device is synchronous.";
    case ACMERR_NOTPOSSIBLE: return "The requested operation cannot be performed.";
    case ACMERR_BUSY: return "The conversion stream is already in use.";
    case ACMERR_UNPREPARED: return "Cannot perform this action on a header that has not been prepared.";
    default: return nullptr;
  }
}

}  // namespace

QString ACMErrorMessage(MMRESULT code, const QString& prefix) {
  QString text = prefix.isEmpty() ? QString() : prefix + QStringLiteral("\r\n");
  if (const char* known = CodeText(code)) return text + QString::fromLatin1(known);
  return text + QStringLiteral("An unexpected error has occurred (code #%1).").arg(code);
}

QString DetailLine(const std::string& detail) {
  return detail.empty() ? QString() : QStringLiteral("\r\n") + QString::fromLocal8Bit(detail.c_str());
}

bool CanConvert(const WAVEFORMATEX* source, const WAVEFORMATEX* dest, bool realTime) {
  if (!source || !dest) return false;
  const uint32_t flags = ACM_STREAMOPENF_QUERY | (realTime ? 0 : ACM_STREAMOPENF_NONREALTIME);
  return acmStreamOpen(nullptr, nullptr, source, dest, nullptr, 0, 0, flags) == MMSYSERR_NOERROR;
}
