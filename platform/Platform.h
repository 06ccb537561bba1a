#pragma once
// The one boundary between the audio library and the sound services of the
// machine: the device layer (ALSA, or a scripted backend in tests) and the
// codec manager (drivers on libavcodec/libswresample). Records keep the
// classic wave-audio layouts because stored formats (512-byte buffers) and
// the library's arithmetic depend on them.
#include <cstddef>
#include <cstdint>
#include <string>

#include "NotifyChannel.h"

using MMRESULT = uint32_t;

// ---- Result codes ----
constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_ERROR = 1;
constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
constexpr MMRESULT MMSYSERR_NOTENABLED = 3;
constexpr MMRESULT MMSYSERR_ALLOCATED = 4;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_NODRIVER = 6;
constexpr MMRESULT MMSYSERR_NOMEM = 7;
constexpr MMRESULT MMSYSERR_NOTSUPPORTED = 8;
constexpr MMRESULT MMSYSERR_BADERRNUM = 9;
constexpr MMRESULT MMSYSERR_INVALFLAG = 10;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT MMSYSERR_HANDLEBUSY = 12;
constexpr MMRESULT WAVERR_BADFORMAT = 32;
constexpr MMRESULT WAVERR_STILLPLAYING = 33;
constexpr MMRESULT WAVERR_UNPREPARED = 34;
constexpr MMRESULT WAVERR_SYNC = 35;
constexpr MMRESULT ACMERR_NOTPOSSIBLE = 512;
constexpr MMRESULT ACMERR_BUSY = 513;
constexpr MMRESULT ACMERR_UNPREPARED = 514;
constexpr MMRESULT ACMERR_CANCELED = 515;

// ---- Formats ----
#pragma pack(push, 1)
struct WAVEFORMATEX {
  uint16_t wFormatTag;
  uint16_t nChannels;
  uint32_t nSamplesPerSec;
  uint32_t nAvgBytesPerSec;
  uint16_t nBlockAlign;
  uint16_t wBitsPerSample;
  uint16_t cbSize;  // extra bytes that follow the record
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);

constexpr uint16_t WAVE_FORMAT_UNKNOWN = 0x0000;
constexpr uint16_t WAVE_FORMAT_PCM = 0x0001;
constexpr uint16_t WAVE_FORMAT_ADPCM = 0x0002;
constexpr uint16_t WAVE_FORMAT_IEEE_FLOAT = 0x0003;
constexpr uint16_t WAVE_FORMAT_ALAW = 0x0006;
constexpr uint16_t WAVE_FORMAT_MULAW = 0x0007;
constexpr uint16_t WAVE_FORMAT_IMA_ADPCM = 0x0011;
constexpr uint16_t WAVE_FORMAT_GSM610 = 0x0031;
constexpr uint16_t WAVE_FORMAT_MPEGLAYER3 = 0x0055;
constexpr uint16_t WAVE_FORMAT_EXTENSIBLE = 0xFFFE;

// Every call that takes a format buffer size is given this (the format value's buffer).
constexpr uint32_t WAVE_FORMAT_BUFFER_SIZE = 512;
// The largest cbSize a format buffer can carry.
constexpr uint32_t WAVE_FORMAT_MAX_EXTRA = WAVE_FORMAT_BUFFER_SIZE - sizeof(WAVEFORMATEX);

// WAVE_FORMAT_EXTENSIBLE: cbSize >= 22; the sub-format says what the samples are.
#pragma pack(push, 1)
struct WAVEFORMATEXTENSIBLE {
  WAVEFORMATEX Format;
  uint16_t wValidBitsPerSample;
  uint32_t dwChannelMask;
  uint8_t SubFormat[16];  // a GUID in its stored byte order
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEXTENSIBLE) == 40);
constexpr uint16_t WAVE_FORMAT_EXTENSIBLE_EXTRA = sizeof(WAVEFORMATEXTENSIBLE) - sizeof(WAVEFORMATEX);
// The sub-formats differ only in their first two bytes (the classic tag).
constexpr uint8_t KSDATAFORMAT_SUBTYPE_PCM[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                                  0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
constexpr uint8_t KSDATAFORMAT_SUBTYPE_IEEE_FLOAT[16] = {0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                                         0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// ---- Device layer ----
// Device buffers cross as these headers; the layer keeps its own state in dwFlags
// and reserved and never touches lpData outside prepare..unprepare.
struct WAVEHDR {
  char* lpData;
  uint32_t dwBufferLength;
  uint32_t dwBytesRecorded;
  uintptr_t dwUser;
  uint32_t dwFlags;
  uint32_t dwLoops;
  WAVEHDR* lpNext;
  uintptr_t reserved;
};

constexpr uint32_t WHDR_DONE = 0x01;
constexpr uint32_t WHDR_PREPARED = 0x02;
constexpr uint32_t WHDR_BEGINLOOP = 0x04;
constexpr uint32_t WHDR_ENDLOOP = 0x08;
constexpr uint32_t WHDR_INQUEUE = 0x10;

struct TWaveDevice;  // opaque, owned by the device layer between open and close
using HWAVEIN = TWaveDevice*;
using HWAVEOUT = TWaveDevice*;

constexpr uint32_t WAVE_MAPPER = 0xFFFFFFFFu;  // the default device (device number -1)
constexpr uint32_t CALLBACK_WINDOW = 0x00010000;
constexpr uint32_t WAVE_FORMAT_QUERY = 0x0001;
constexpr uint32_t WAVE_MAPPED = 0x0004;

// Notices posted to the component's channel: wParam is the device handle,
// lParam the header's address (done notices) or 0.
constexpr uint32_t MM_WOM_OPEN = 0x3BB;
constexpr uint32_t MM_WOM_CLOSE = 0x3BC;
constexpr uint32_t MM_WOM_DONE = 0x3BD;
constexpr uint32_t MM_WIM_OPEN = 0x3BE;
constexpr uint32_t MM_WIM_CLOSE = 0x3BF;
constexpr uint32_t MM_WIM_DATA = 0x3C0;
// An unrecoverable device error (unplugged, I/O error): wParam the device handle,
// lParam the result code. Posted at most once per open device, before the close notice.
constexpr uint32_t MM_DEVICE_ERROR = 0x3C8;

// The notification target: the channel's handle, copied by the device layer.
MMRESULT waveInOpen(HWAVEIN* phwi, uint32_t uDeviceID, const WAVEFORMATEX* pwfx, const TNotifyHandle* callback,
                    uintptr_t instance, uint32_t flags);
MMRESULT waveInPrepareHeader(HWAVEIN hwi, WAVEHDR* pwh, uint32_t cbwh);
MMRESULT waveInUnprepareHeader(HWAVEIN hwi, WAVEHDR* pwh, uint32_t cbwh);
MMRESULT waveInAddBuffer(HWAVEIN hwi, WAVEHDR* pwh, uint32_t cbwh);
MMRESULT waveInStart(HWAVEIN hwi);
MMRESULT waveInStop(HWAVEIN hwi);
// Returns the buffer being filled with what the device has captured up to
// now (a compressed device: up to its last whole block) and goes on
// recording into the next queued one. A buffer with nothing in it stays.
MMRESULT waveInFlush(HWAVEIN hwi);
MMRESULT waveInReset(HWAVEIN hwi);
MMRESULT waveInClose(HWAVEIN hwi);
uint32_t waveInGetNumDevs();
// waveInOpen on the default device (WAVE_MAPPER), but on the device the sound
// system knows by name (WaveDeviceList) instead of its own default one; an
// empty name is the default. A device the environment names goes first.
MMRESULT waveInOpenNamed(HWAVEIN* phwi, const char* name, const WAVEFORMATEX* pwfx, const TNotifyHandle* callback,
                         uintptr_t instance, uint32_t flags);
// The overruns an input device recovered from since it opened (each a gap in
// what it delivered) and the frames they cost.
MMRESULT waveInGetLoss(HWAVEIN hwi, uint32_t* overruns, uint64_t* lostFrames);
// Whether the sound system moved the input to another device since it opened
// (MMSYSERR_ERROR when it did not): the frame of the last move and the device
// it went to.
MMRESULT waveInGetReroute(HWAVEIN hwi, uint64_t* frame, std::string* to);

MMRESULT waveOutOpen(HWAVEOUT* phwo, uint32_t uDeviceID, const WAVEFORMATEX* pwfx, const TNotifyHandle* callback,
                     uintptr_t instance, uint32_t flags);
MMRESULT waveOutPrepareHeader(HWAVEOUT hwo, WAVEHDR* pwh, uint32_t cbwh);
MMRESULT waveOutUnprepareHeader(HWAVEOUT hwo, WAVEHDR* pwh, uint32_t cbwh);
MMRESULT waveOutWrite(HWAVEOUT hwo, WAVEHDR* pwh, uint32_t cbwh);
MMRESULT waveOutPause(HWAVEOUT hwo);
MMRESULT waveOutRestart(HWAVEOUT hwo);
MMRESULT waveOutReset(HWAVEOUT hwo);
MMRESULT waveOutClose(HWAVEOUT hwo);
uint32_t waveOutGetNumDevs();
MMRESULT waveOutOpenNamed(HWAVEOUT* phwo, const char* name, const WAVEFORMATEX* pwfx, const TNotifyHandle* callback,
                          uintptr_t instance, uint32_t flags);

// The sound system's own account of the last wave call of this thread that
// failed ("snd_pcm_open plug:'default': Connection refused"), empty when it
// gave none; every wave call clears it first, as errno is used.
std::string waveGetErrorDetail();
// The same for the failure an MM_DEVICE_ERROR reported, while the device is open.
std::string waveGetFailureDetail(TWaveDevice* handle);

// ---- Codec manager ----
// Drivers behind these functions are listed in AcmDriver.h. Conventions:
// - Every record's cbStruct is sizeof(that record) on this machine (an
//   ACMSTREAMHEADER is 144 bytes here, not 84); a smaller cbStruct answers
//   MMSYSERR_INVALPARAM.
// - A format argument points at a buffer of WAVE_FORMAT_BUFFER_SIZE bytes, or at
//   least 18 + cbSize bytes. Formats are untrusted: an absurd one is refused
//   with a code (ACMERR_NOTPOSSIBLE when no driver takes it, MMSYSERR_INVALPARAM
//   when cbSize exceeds WAVE_FORMAT_MAX_EXTRA for a tag that has extra bytes),
//   never read past 18 + cbSize.
// - acmStreamOpen with ACM_STREAMOPENF_QUERY answers 0 exactly when the same
//   call without the flag opens a stream (memory permitting).
// - acmStreamConvert consumes whole source blocks only (with or without
//   ACM_STREAMCONVERTF_BLOCKALIGN): the caller keeps a partial block and hands
//   it in again with more data. It never writes past cbDstLength; when the
//   destination is too small it consumes less.
// - Handles are checked for null and for being of the right kind (code 5);
//   a handle used after close is the caller's fault.
// The bytes of a format that mean something: the 18-byte record, and for a
// tag other than PCM its cbSize extra bytes (at most WAVE_FORMAT_MAX_EXTRA).
uint32_t WaveFormatMeaningfulSize(const WAVEFORMATEX* wfx);

struct TAcmDriverId;  // a registered driver
struct TAcmDriver;    // an opened driver instance
struct TAcmStream;    // an open conversion stream
using HACMDRIVERID = TAcmDriverId*;
using HACMDRIVER = TAcmDriver*;
using HACMSTREAM = TAcmStream*;

struct ACMSTREAMHEADER {
  uint32_t cbStruct;  // sizeof(ACMSTREAMHEADER)
  uint32_t fdwStatus;
  uintptr_t dwUser;
  uint8_t* pbSrc;
  uint32_t cbSrcLength;
  uint32_t cbSrcLengthUsed;
  uintptr_t dwSrcUser;
  uint8_t* pbDst;
  uint32_t cbDstLength;
  uint32_t cbDstLengthUsed;
  uintptr_t dwDstUser;
  uintptr_t dwReservedDriver[10];
};

constexpr uint32_t ACMSTREAMHEADER_STATUSF_DONE = 0x00010000;
constexpr uint32_t ACMSTREAMHEADER_STATUSF_PREPARED = 0x00020000;
constexpr uint32_t ACMSTREAMHEADER_STATUSF_INQUEUE = 0x00100000;

constexpr uint32_t ACM_STREAMOPENF_QUERY = 0x00000001;
constexpr uint32_t ACM_STREAMOPENF_ASYNC = 0x00000002;
constexpr uint32_t ACM_STREAMOPENF_NONREALTIME = 0x00000004;
constexpr uint32_t ACM_STREAMSIZEF_SOURCE = 0x00000000;
constexpr uint32_t ACM_STREAMSIZEF_DESTINATION = 0x00000001;
constexpr uint32_t ACM_STREAMCONVERTF_BLOCKALIGN = 0x00000004;
constexpr uint32_t ACM_STREAMCONVERTF_START = 0x00000010;
constexpr uint32_t ACM_STREAMCONVERTF_END = 0x00000020;

constexpr uint32_t ACM_FORMATSUGGESTF_WFORMATTAG = 0x00010000;
constexpr uint32_t ACM_FORMATSUGGESTF_NCHANNELS = 0x00020000;
constexpr uint32_t ACM_FORMATSUGGESTF_NSAMPLESPERSEC = 0x00040000;
constexpr uint32_t ACM_FORMATSUGGESTF_WBITSPERSAMPLE = 0x00080000;

constexpr int ACMFORMATTAGDETAILS_FORMATTAG_CHARS = 48;
constexpr int ACMFORMATDETAILS_FORMAT_CHARS = 128;
constexpr int ACMDRIVERDETAILS_SHORTNAME_CHARS = 32;
constexpr int ACMDRIVERDETAILS_LONGNAME_CHARS = 128;
constexpr int ACMDRIVERDETAILS_COPYRIGHT_CHARS = 80;
constexpr int ACMDRIVERDETAILS_LICENSING_CHARS = 128;
constexpr int ACMDRIVERDETAILS_FEATURES_CHARS = 512;

constexpr uint32_t ACM_FORMATTAGDETAILSF_INDEX = 0x00000000;
constexpr uint32_t ACM_FORMATTAGDETAILSF_FORMATTAG = 0x00000001;
constexpr uint32_t ACM_FORMATTAGDETAILSF_LARGESTSIZE = 0x00000002;
constexpr uint32_t ACM_FORMATDETAILSF_INDEX = 0x00000000;
constexpr uint32_t ACM_FORMATDETAILSF_FORMAT = 0x00000001;
constexpr uint32_t ACM_FORMATENUMF_WFORMATTAG = 0x00010000;
constexpr uint32_t ACM_FORMATENUMF_NCHANNELS = 0x00020000;
constexpr uint32_t ACM_FORMATENUMF_NSAMPLESPERSEC = 0x00040000;
constexpr uint32_t ACM_FORMATENUMF_WBITSPERSAMPLE = 0x00080000;
// INPUT: formats a recording can be converted into (from PCM);
// OUTPUT: formats that can be converted to PCM for playback.
constexpr uint32_t ACM_FORMATENUMF_INPUT = 0x00800000;
constexpr uint32_t ACM_FORMATENUMF_OUTPUT = 0x01000000;

// Display names are UTF-8.
struct ACMFORMATTAGDETAILS {
  uint32_t cbStruct;
  uint32_t dwFormatTagIndex;
  uint32_t dwFormatTag;
  uint32_t cbFormatSize;
  uint32_t fdwSupport;
  uint32_t cStandardFormats;
  char szFormatTag[ACMFORMATTAGDETAILS_FORMATTAG_CHARS];
};

struct ACMFORMATDETAILS {
  uint32_t cbStruct;
  uint32_t dwFormatIndex;
  uint32_t dwFormatTag;
  uint32_t fdwSupport;
  WAVEFORMATEX* pwfx;
  uint32_t cbwfx;
  char szFormat[ACMFORMATDETAILS_FORMAT_CHARS];
};

struct ACMDRIVERDETAILS {
  uint32_t cbStruct;
  uint32_t fccType;
  uint32_t fccComp;
  uint16_t wMid;
  uint16_t wPid;
  uint32_t vdwACM;
  uint32_t vdwDriver;
  uint32_t fdwSupport;
  uint32_t cFormatTags;
  uint32_t cFilterTags;
  char szShortName[ACMDRIVERDETAILS_SHORTNAME_CHARS];
  char szLongName[ACMDRIVERDETAILS_LONGNAME_CHARS];
  char szCopyright[ACMDRIVERDETAILS_COPYRIGHT_CHARS];
  char szLicensing[ACMDRIVERDETAILS_LICENSING_CHARS];
  char szFeatures[ACMDRIVERDETAILS_FEATURES_CHARS];
};

constexpr uint32_t ACMDRIVERDETAILS_SUPPORTF_CODEC = 0x00000001;
constexpr uint32_t ACMDRIVERDETAILS_SUPPORTF_CONVERTER = 0x00000002;
constexpr uint32_t ACMDRIVERDETAILS_SUPPORTF_DISABLED = 0x80000000;
constexpr uint32_t ACM_DRIVERENUMF_NOLOCAL = 0x40000000;
constexpr uint32_t ACM_DRIVERENUMF_DISABLED = 0x80000000;

constexpr uint32_t ACM_METRIC_COUNT_DRIVERS = 1;
constexpr uint32_t ACM_METRIC_MAX_SIZE_FORMAT = 50;
constexpr uint32_t ACM_METRIC_DRIVER_SUPPORT = 100;
constexpr uint32_t ACM_METRIC_DRIVER_PRIORITY = 101;

// The chooser record (our chooser dialog reads it the way the platform's did).
constexpr uint32_t ACMFORMATCHOOSE_STYLEF_INITTOWFXSTRUCT = 0x00000040;
struct ACMFORMATCHOOSE {
  uint32_t cbStruct;
  uint32_t fdwStyle;
  void* hwndOwner;  // the owner widget, or nullptr
  WAVEFORMATEX* pwfx;
  uint32_t cbwfx;
  const char* pszTitle;  // UTF-8, nullptr for the default title
  char szFormatTag[ACMFORMATTAGDETAILS_FORMATTAG_CHARS];
  char szFormat[ACMFORMATDETAILS_FORMAT_CHARS];
  char* pszName;
  uint32_t cchName;
  uint32_t fdwEnum;
  WAVEFORMATEX* pwfxEnum;
  void* hInstance;
  const char* pszTemplateName;
  intptr_t lCustData;
  void* pfnHook;
};

using ACMDRIVERENUMCB = bool (*)(HACMDRIVERID hadid, uintptr_t instance, uint32_t fdwSupport);
using ACMFORMATTAGENUMCB = bool (*)(HACMDRIVERID hadid, ACMFORMATTAGDETAILS* paftd, uintptr_t instance,
                                    uint32_t fdwSupport);
using ACMFORMATENUMCB = bool (*)(HACMDRIVERID hadid, ACMFORMATDETAILS* pafd, uintptr_t instance, uint32_t fdwSupport);

MMRESULT acmStreamOpen(HACMSTREAM* phas, HACMDRIVER had, const WAVEFORMATEX* pwfxSrc, const WAVEFORMATEX* pwfxDst,
                       const void* pwfltr, uintptr_t callback, uintptr_t instance, uint32_t fdwOpen);
MMRESULT acmStreamSize(HACMSTREAM has, uint32_t cbInput, uint32_t* pdwOutputBytes, uint32_t fdwSize);
MMRESULT acmStreamPrepareHeader(HACMSTREAM has, ACMSTREAMHEADER* pash, uint32_t fdwPrepare);
MMRESULT acmStreamUnprepareHeader(HACMSTREAM has, ACMSTREAMHEADER* pash, uint32_t fdwUnprepare);
MMRESULT acmStreamConvert(HACMSTREAM has, ACMSTREAMHEADER* pash, uint32_t fdwConvert);
MMRESULT acmStreamReset(HACMSTREAM has, uint32_t fdwReset);
MMRESULT acmStreamClose(HACMSTREAM has, uint32_t fdwClose);

MMRESULT acmFormatSuggest(HACMDRIVER had, const WAVEFORMATEX* pwfxSrc, WAVEFORMATEX* pwfxDst, uint32_t cbwfxDst,
                          uint32_t fdwSuggest);
MMRESULT acmFormatTagDetails(HACMDRIVER had, ACMFORMATTAGDETAILS* paftd, uint32_t fdwDetails);
MMRESULT acmFormatDetails(HACMDRIVER had, ACMFORMATDETAILS* pafd, uint32_t fdwDetails);

MMRESULT acmDriverEnum(ACMDRIVERENUMCB fnCallback, uintptr_t instance, uint32_t fdwEnum);
MMRESULT acmDriverDetails(HACMDRIVERID hadid, ACMDRIVERDETAILS* padd, uint32_t fdwDetails);
MMRESULT acmMetrics(void* hao, uint32_t uMetric, void* pMetric);
MMRESULT acmDriverOpen(HACMDRIVER* phad, HACMDRIVERID hadid, uint32_t fdwOpen);
MMRESULT acmDriverClose(HACMDRIVER had, uint32_t fdwClose);
MMRESULT acmFormatEnum(HACMDRIVER had, ACMFORMATDETAILS* pafd, ACMFORMATENUMCB fnCallback, uintptr_t instance,
                       uint32_t fdwEnum);
// One callback per format tag (each tag once, from the first driver offering it when had is null).
MMRESULT acmFormatTagEnum(HACMDRIVER had, ACMFORMATTAGDETAILS* paftd, ACMFORMATTAGENUMCB fnCallback, uintptr_t instance,
                          uint32_t fdwEnum);
