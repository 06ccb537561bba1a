// The codec manager's contract: query-before-open, result codes, details,
// enumeration and suggestions over the registered drivers.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "AcmTestSupport.h"
#include "VectorState.h"

namespace {

MMRESULT Query(const WAVEFORMATEX* a, const WAVEFORMATEX* b, bool realTime = false) {
  return acmStreamOpen(nullptr, nullptr, a, b, nullptr, 0, 0,
                       ACM_STREAMOPENF_QUERY | (realTime ? 0 : ACM_STREAMOPENF_NONREALTIME));
}

MMRESULT OpenAndClose(const WAVEFORMATEX* a, const WAVEFORMATEX* b, bool realTime = false) {
  HACMSTREAM has = nullptr;
  const MMRESULT r = acmStreamOpen(&has, nullptr, a, b, nullptr, 0, 0, realTime ? 0 : ACM_STREAMOPENF_NONREALTIME);
  if (r == 0)
    EXPECT_EQ(acmStreamClose(has, 0), 0u);
  else
    EXPECT_EQ(has, nullptr);
  return r;
}

struct TEnumerated {
  HACMDRIVERID Driver;
  TFormatBuffer Format;
  std::string Text;
};

std::vector<TEnumerated> EnumerateAll(uint32_t flags = 0, const WAVEFORMATEX* want = nullptr) {
  std::vector<TEnumerated> list;
  TFormatBuffer work;
  if (want) std::memcpy(work.Bytes, want, sizeof(WAVEFORMATEX));
  ACMFORMATDETAILS d = {};
  d.cbStruct = sizeof d;
  d.pwfx = work.Wfx();
  d.cbwfx = WAVE_FORMAT_BUFFER_SIZE;
  auto cb = [](HACMDRIVERID id, ACMFORMATDETAILS* pafd, uintptr_t inst, uint32_t) {
    auto& out = *reinterpret_cast<std::vector<TEnumerated>*>(inst);
    TEnumerated e{id, {}, pafd->szFormat};
    std::memcpy(e.Format.Bytes, pafd->pwfx, sizeof(WAVEFORMATEX) + pafd->pwfx->cbSize);
    EXPECT_EQ(pafd->dwFormatTag, pafd->pwfx->wFormatTag);
    out.push_back(e);
    return true;
  };
  EXPECT_EQ(acmFormatEnum(nullptr, &d, cb, reinterpret_cast<uintptr_t>(&list), flags), 0u);
  return list;
}

TEST(AcmManager, everyEnumeratedLinearFormat_isConsistentAndRoundTripsThroughItsPcmSuggestion) {
  const auto all = EnumerateAll();
  size_t pcm = 0, flt = 0;
  for (const TEnumerated& e : all) {
    const WAVEFORMATEX* f = e.Format.Wfx();
    if (f->wFormatTag != WAVE_FORMAT_PCM && f->wFormatTag != WAVE_FORMAT_IEEE_FLOAT) continue;
    (f->wFormatTag == WAVE_FORMAT_PCM ? pcm : flt)++;
    SCOPED_TRACE(e.Text);
    EXPECT_EQ(f->nBlockAlign, f->nChannels * f->wBitsPerSample / 8);
    EXPECT_EQ(f->nAvgBytesPerSec, f->nSamplesPerSec * f->nBlockAlign);
    EXPECT_EQ(f->cbSize, 0);
    TFormatBuffer suggested;
    suggested.Wfx()->wFormatTag = WAVE_FORMAT_PCM;
    ASSERT_EQ(acmFormatSuggest(nullptr, f, suggested.Wfx(), WAVE_FORMAT_BUFFER_SIZE, ACM_FORMATSUGGESTF_WFORMATTAG),
              0u);
    if (f->wFormatTag == WAVE_FORMAT_PCM) {
      EXPECT_EQ(std::memcmp(suggested.Bytes, f, sizeof(WAVEFORMATEX)), 0);
    }
    // Content through format -> PCM -> format, in quarter-second blocks.
    const auto data = Sine(f, 440, 0.5, f->nSamplesPerSec / 2);
    const TConversion there = ConvertAll(f, suggested.Wfx(), data, f->nAvgBytesPerSec / 4);
    ASSERT_EQ(there.Result, 0u);
    const TConversion back = ConvertAll(suggested.Wfx(), f, there.Output, suggested.Wfx()->nAvgBytesPerSec / 4);
    ASSERT_EQ(back.Result, 0u);
    ASSERT_EQ(back.Output.size(), data.size());
    const TSineFit fit = FitSine(Channel(f, back.Output, f->nChannels - 1), f->nSamplesPerSec, 440, 0);
    EXPECT_NEAR(fit.Amplitude, 0.5, 0.01);
    EXPECT_GT(fit.SnrDb, f->wBitsPerSample == 8 ? 30 : 70);
  }
  EXPECT_EQ(pcm, 11u * 4 * 2);
  EXPECT_EQ(flt, 9u * 2);
}

TEST(AcmManager, formatTexts_haveTheSharedShape) {
  const auto all = EnumerateAll();
  ASSERT_FALSE(all.empty());
  EXPECT_EQ(all.front().Text, "8.000 kHz, 8 Bit, Mono");
  bool seen = false;
  for (const TEnumerated& e : all) seen |= e.Text == "11.025 kHz, 8 Bit, Stereo";
  EXPECT_TRUE(seen);
  ACMFORMATTAGDETAILS t = {};
  t.cbStruct = sizeof t;
  t.dwFormatTag = WAVE_FORMAT_IEEE_FLOAT;
  ASSERT_EQ(acmFormatTagDetails(nullptr, &t, ACM_FORMATTAGDETAILSF_FORMATTAG), 0u);
  EXPECT_STREQ(t.szFormatTag, "IEEE Float");
  EXPECT_EQ(t.cStandardFormats, 18u);
  t.dwFormatTag = 0x7777;
  EXPECT_EQ(acmFormatTagDetails(nullptr, &t, ACM_FORMATTAGDETAILSF_FORMATTAG), ACMERR_NOTPOSSIBLE);
}

TEST(AcmManager, enumerationRestrictions_filterByTagAndFields) {
  TFormatBuffer want = Linear(44100, 16, 1);
  const auto mono44 =
      EnumerateAll(ACM_FORMATENUMF_WFORMATTAG | ACM_FORMATENUMF_NCHANNELS | ACM_FORMATENUMF_NSAMPLESPERSEC, want.Wfx());
  ASSERT_EQ(mono44.size(), 4u);  // 8, 16, 24 and 32 bits
  for (const TEnumerated& e : mono44) EXPECT_EQ(e.Format.Wfx()->nChannels, 1);
  want.Wfx()->wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
  EXPECT_EQ(EnumerateAll(ACM_FORMATENUMF_WFORMATTAG, want.Wfx()).size(), 18u);
  EXPECT_EQ(EnumerateAll(ACM_FORMATENUMF_INPUT | ACM_FORMATENUMF_OUTPUT).size(), EnumerateAll().size());
}

TEST(AcmManager, queryAnswersZero_exactlyWhenOpenSucceeds) {
  std::vector<TFormatBuffer> formats = {Linear(8000, 8, 1),
                                        Linear(192000, 32, 2),
                                        Linear(44100, 16, 2, WAVE_FORMAT_IEEE_FLOAT),
                                        Linear(44100, 32, 2, WAVE_FORMAT_IEEE_FLOAT),
                                        Extensible(48000, 24, 2),
                                        Extensible(96000, 32, 1, true),
                                        Linear(7999, 16, 1),
                                        Linear(192001, 16, 1),
                                        Linear(44100, 12, 1),
                                        Linear(44100, 16, 3),
                                        Linear(44100, 16, 0),
                                        Linear(44100, 0, 2)};
  TFormatBuffer badAlign = Linear(44100, 16, 2);
  badAlign.Wfx()->nBlockAlign = 3;
  TFormatBuffer badRate = Linear(44100, 16, 2);
  badRate.Wfx()->nAvgBytesPerSec = 1;
  TFormatBuffer unknown = Linear(44100, 16, 2, 0x5555);
  formats.insert(formats.end(), {badAlign, badRate, unknown});
  int opened = 0;
  for (auto& a : formats)
    for (auto& b : formats)
      for (bool rt : {false, true}) {
        const MMRESULT q = Query(a.Wfx(), b.Wfx(), rt);
        EXPECT_EQ(q, OpenAndClose(a.Wfx(), b.Wfx(), rt));
        EXPECT_TRUE(q == 0 || q == ACMERR_NOTPOSSIBLE) << q;
        opened += q == 0;
      }
  // Valid: two PCM, one float (16-bit float is not), two extensible. PCM goes to
  // PCM and float, float to PCM and float, extensible to PCM only.
  EXPECT_EQ(opened, 2 * (2 * 3 + 1 * 3 + 2 * 2));
}

TEST(AcmManager, badArguments_answerTheirCodes) {
  TFormatBuffer pcm = Linear(22050, 16, 1);
  TFormatBuffer alaw = Linear(8000, 8, 1, WAVE_FORMAT_ALAW);
  alaw.Wfx()->cbSize = 495;  // more extra bytes than a format buffer carries
  EXPECT_EQ(Query(nullptr, pcm.Wfx()), MMSYSERR_INVALPARAM);
  EXPECT_EQ(Query(alaw.Wfx(), pcm.Wfx()), MMSYSERR_INVALPARAM);
  pcm.Wfx()->cbSize = 0xFFFF;  // never read for PCM
  EXPECT_EQ(Query(pcm.Wfx(), pcm.Wfx()), 0u);
  EXPECT_EQ(acmStreamOpen(nullptr, nullptr, pcm.Wfx(), pcm.Wfx(), nullptr, 0, 0, 0), MMSYSERR_INVALPARAM);
  EXPECT_EQ(acmStreamOpen(nullptr, nullptr, pcm.Wfx(), pcm.Wfx(), nullptr, 0, 0, 0x80), MMSYSERR_INVALFLAG);
  EXPECT_EQ(acmStreamOpen(nullptr, nullptr, pcm.Wfx(), pcm.Wfx(), nullptr, 0, 0,
                          ACM_STREAMOPENF_QUERY | ACM_STREAMOPENF_ASYNC),
            MMSYSERR_NOTSUPPORTED);

  uint32_t size;
  EXPECT_EQ(acmStreamSize(nullptr, 100, &size, 0), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(acmStreamClose(nullptr, 0), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(acmStreamReset(reinterpret_cast<HACMSTREAM>(&size), 0), MMSYSERR_INVALHANDLE);

  HACMSTREAM has;
  ASSERT_EQ(acmStreamOpen(&has, nullptr, pcm.Wfx(), pcm.Wfx(), nullptr, 0, 0, 0), 0u);
  EXPECT_EQ(acmStreamSize(has, 100, &size, 7), MMSYSERR_INVALFLAG);
  uint8_t src[64] = {}, dst[64] = {};
  ACMSTREAMHEADER h = {};
  h.cbStruct = 84;  // the size on a 32-bit machine is not this record's size here
  h.pbSrc = src;
  h.cbSrcLength = sizeof src;
  h.pbDst = dst;
  h.cbDstLength = sizeof dst;
  EXPECT_EQ(acmStreamPrepareHeader(has, &h, 0), MMSYSERR_INVALPARAM);
  h.cbStruct = sizeof h;
  EXPECT_EQ(acmStreamConvert(has, &h, ACM_STREAMCONVERTF_BLOCKALIGN), ACMERR_UNPREPARED);
  EXPECT_EQ(acmStreamUnprepareHeader(has, &h, 0), ACMERR_UNPREPARED);
  ASSERT_EQ(acmStreamPrepareHeader(has, &h, 0), 0u);
  EXPECT_TRUE(h.fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED);
  h.cbSrcLength = sizeof src + 1;  // larger than prepared
  EXPECT_EQ(acmStreamConvert(has, &h, 0), MMSYSERR_INVALPARAM);
  h.cbSrcLength = sizeof src;
  h.pbDst = dst + 1;  // another buffer than prepared
  EXPECT_EQ(acmStreamConvert(has, &h, 0), MMSYSERR_INVALPARAM);
  h.pbDst = dst;
  EXPECT_EQ(acmStreamConvert(has, &h, 0x1000), MMSYSERR_INVALFLAG);
  EXPECT_EQ(acmStreamConvert(has, &h, ACM_STREAMCONVERTF_BLOCKALIGN), 0u);
  EXPECT_EQ(h.cbSrcLengthUsed, 64u);
  EXPECT_TRUE(h.fdwStatus & ACMSTREAMHEADER_STATUSF_DONE);
  EXPECT_EQ(acmStreamUnprepareHeader(has, &h, 0), 0u);
  EXPECT_FALSE(h.fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED);
  EXPECT_EQ(acmStreamClose(has, 0), 0u);

  TFormatBuffer out;
  EXPECT_EQ(acmFormatSuggest(nullptr, pcm.Wfx(), out.Wfx(), 17, 0), MMSYSERR_INVALPARAM);
  EXPECT_EQ(acmFormatSuggest(nullptr, pcm.Wfx(), out.Wfx(), 512, 1), MMSYSERR_INVALFLAG);
  out.Wfx()->wFormatTag = 0x5555;
  EXPECT_EQ(acmFormatSuggest(nullptr, pcm.Wfx(), out.Wfx(), 512, ACM_FORMATSUGGESTF_WFORMATTAG), ACMERR_NOTPOSSIBLE);
}

// Code that returns with the upper halves of the vector registers in use
// slows every SSE instruction of the codecs after it, whoever called it
// between blocks; a conversion clears them first.
#if defined(__x86_64__)
TEST(AcmManager, aConversionStartsWithTheUpperVectorStateClear) {
  if (!__builtin_cpu_supports("avx2")) GTEST_SKIP() << "no 256-bit vector registers";
  TFormatBuffer pcm = Linear(44100, 16, 2);
  HACMSTREAM has;
  ASSERT_EQ(acmStreamOpen(&has, nullptr, pcm.Wfx(), pcm.Wfx(), nullptr, 0, 0, 0), 0u);
  uint8_t src[64] = {}, dst[64] = {};
  ACMSTREAMHEADER h = StreamHeader(src, sizeof src, dst, sizeof dst);
  ASSERT_EQ(acmStreamPrepareHeader(has, &h, 0), 0u);
  for (int block = 0; block < 2; ++block) {
    __asm__ volatile("vpcmpeqd %%ymm1, %%ymm1, %%ymm1" ::: "xmm1");
    ASSERT_TRUE(UpperVectorStateInUse()) << "the processor does not report the state it is in";
    EXPECT_EQ(acmStreamConvert(has, &h, ACM_STREAMCONVERTF_BLOCKALIGN), 0u);
    EXPECT_FALSE(UpperVectorStateInUse()) << "block " << block;
  }
  EXPECT_EQ(std::memcmp(src, dst, sizeof src), 0);
  EXPECT_EQ(acmStreamUnprepareHeader(has, &h, 0), 0u);
  EXPECT_EQ(acmStreamClose(has, 0), 0u);
}
#endif

TEST(AcmManager, suggestion_keepsTheFieldsTheFlagsFix) {
  TFormatBuffer src = Linear(44100, 16, 2), out;
  out.Wfx()->wFormatTag = WAVE_FORMAT_PCM;
  out.Wfx()->nSamplesPerSec = 8000;
  out.Wfx()->nChannels = 1;
  ASSERT_EQ(acmFormatSuggest(
                nullptr, src.Wfx(), out.Wfx(), 512,
                ACM_FORMATSUGGESTF_WFORMATTAG | ACM_FORMATSUGGESTF_NSAMPLESPERSEC | ACM_FORMATSUGGESTF_NCHANNELS),
            0u);
  EXPECT_EQ(std::memcmp(out.Bytes, Linear(8000, 16, 1).Bytes, 18), 0);
  // Float to PCM and back proposes 16-bit PCM and 32-bit float; extensible 24-bit proposes plain 24-bit.
  TFormatBuffer f = Linear(48000, 32, 2, WAVE_FORMAT_IEEE_FLOAT), p;
  p.Wfx()->wFormatTag = WAVE_FORMAT_PCM;
  ASSERT_EQ(acmFormatSuggest(nullptr, f.Wfx(), p.Wfx(), 512, ACM_FORMATSUGGESTF_WFORMATTAG), 0u);
  EXPECT_EQ(std::memcmp(p.Bytes, Linear(48000, 16, 2).Bytes, 18), 0);
  TFormatBuffer e = Extensible(96000, 24, 1), q;
  q.Wfx()->wFormatTag = WAVE_FORMAT_PCM;
  ASSERT_EQ(acmFormatSuggest(nullptr, e.Wfx(), q.Wfx(), 512, ACM_FORMATSUGGESTF_WFORMATTAG), 0u);
  EXPECT_EQ(std::memcmp(q.Bytes, Linear(96000, 24, 1).Bytes, 18), 0);
  // A fixed field the drivers cannot serve gives no suggestion.
  out.Wfx()->nSamplesPerSec = 4000;
  EXPECT_EQ(acmFormatSuggest(nullptr, src.Wfx(), out.Wfx(), 512,
                             ACM_FORMATSUGGESTF_WFORMATTAG | ACM_FORMATSUGGESTF_NSAMPLESPERSEC),
            ACMERR_NOTPOSSIBLE);
}

TEST(AcmManager, drivers_enumerateWithDetailsMetricsAndOpenHandles) {
  std::vector<HACMDRIVERID> ids;
  ASSERT_EQ(acmDriverEnum(
                [](HACMDRIVERID id, uintptr_t inst, uint32_t) {
                  reinterpret_cast<std::vector<HACMDRIVERID>*>(inst)->push_back(id);
                  return true;
                },
                reinterpret_cast<uintptr_t>(&ids), 0),
            0u);
  uint32_t count = 0;
  ASSERT_EQ(acmMetrics(nullptr, ACM_METRIC_COUNT_DRIVERS, &count), 0u);
  ASSERT_EQ(ids.size(), count);
  ASSERT_GE(count, 2u);
  uint32_t priority = 0, lastPriority = 0, largest = 0;
  for (HACMDRIVERID id : ids) {
    ACMDRIVERDETAILS d = {};
    d.cbStruct = sizeof d;
    ASSERT_EQ(acmDriverDetails(id, &d, 0), 0u);
    EXPECT_GT(std::strlen(d.szShortName), 0u);
    EXPECT_GE(d.cFormatTags, 1u);
    ASSERT_EQ(acmMetrics(id, ACM_METRIC_DRIVER_PRIORITY, &priority), 0u);
    EXPECT_GT(priority, lastPriority);
    lastPriority = priority;
    HACMDRIVER had;
    ASSERT_EQ(acmDriverOpen(&had, id, 0), 0u);
    ASSERT_EQ(acmMetrics(had, ACM_METRIC_MAX_SIZE_FORMAT, &largest), 0u);
    EXPECT_GE(largest, 18u);
    EXPECT_EQ(acmDriverClose(had, 0), 0u);
  }
  EXPECT_EQ(acmDriverDetails(nullptr, nullptr, 0), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(acmMetrics(nullptr, 12345, &count), MMSYSERR_NOTSUPPORTED);

  // A stream opened on a driver keeps it busy; another driver's formats are refused on it.
  HACMDRIVER pcm;
  ASSERT_EQ(acmDriverOpen(&pcm, ids[0], 0), 0u);
  TFormatBuffer a = Linear(8000, 16, 1), f = Linear(8000, 32, 1, WAVE_FORMAT_IEEE_FLOAT);
  HACMSTREAM has;
  ASSERT_EQ(acmStreamOpen(&has, pcm, a.Wfx(), a.Wfx(), nullptr, 0, 0, 0), 0u);
  EXPECT_EQ(acmStreamOpen(nullptr, pcm, f.Wfx(), a.Wfx(), nullptr, 0, 0, ACM_STREAMOPENF_QUERY), ACMERR_NOTPOSSIBLE);
  EXPECT_EQ(acmDriverClose(pcm, 0), ACMERR_BUSY);
  EXPECT_EQ(acmStreamClose(has, 0), 0u);
  EXPECT_EQ(acmDriverClose(pcm, 0), 0u);
}

}  // namespace
