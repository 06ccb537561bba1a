#pragma once
// The conversion step and the convertor component of the deACM unit (defined
// in deACMConvertor.cpp).
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

#include "Classes.h"
#include "Platform.h"
// The wave format and the links; deACM.h includes this header after both.
#include "deACM.h"

// One codec-manager stream between two fixed formats. Accumulates its input,
// converts whole source blocks and keeps the rest for the next call. The first
// call that can produce output fixes both buffers for the rest of the opening
// (input: three times that call's input, at least one second of source audio;
// output: the codec's worst case for a full input buffer), so a running stream
// never allocates.
class TMiniConvertor {
 public:
  TMiniConvertor(const TdeWaveFormat& source, const TdeWaveFormat& destination);
  ~TMiniConvertor();
  TMiniConvertor(const TMiniConvertor&) = delete;
  TMiniConvertor& operator=(const TMiniConvertor&) = delete;

  void Open(bool realTime);
  // Discards held input and frees the buffers; never fails.
  void Close();
  // Appends the data and converts; returns the bytes now at the start of
  // OutputBuffer() (0 when the held input cannot produce output yet). Raises
  // EACMConversionError "Audio is too large to fit into conversion buffer"
  // (keeping what it holds) when the fixed input buffer would overflow.
  // setFPU masks floating-point exceptions around the codec call.
  int32_t Convert(const void* audioData, int32_t audioDataSize, bool setFPU, uint32_t flags);
  // Drops held input (a partial source block); the buffers stay.
  void DiscardInput() { FInputFill = 0; }
  // Drops held input and what the codec holds; its state starts afresh, as at Open.
  void Restart();

  const uint8_t* OutputBuffer() const { return FOutput.get(); }
  bool Active() const { return FActive; }
  bool IsPrepared() const { return (FHeader.fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED) != 0; }

 private:
  void ResetBuffers();
  void GrowInput(int64_t capacity);
  void AppendInput(const void* audioData, int32_t audioDataSize);
  bool Prepare();

  std::unique_ptr<uint8_t[]> FOutput;
  uint32_t FOutputCapacity = 0;
  alignas(8) uint8_t FSource[WAVE_FORMAT_BUFFER_SIZE];
  alignas(8) uint8_t FDestination[WAVE_FORMAT_BUFFER_SIZE];
  bool FActive = false;
  std::unique_ptr<uint8_t[]> FInput;
  int32_t FInputCapacity = 0;
  int32_t FInputFill = 0;
  ACMSTREAMHEADER FHeader{};
  HACMSTREAM FHandle = nullptr;
};

// Converts a stream of blocks from FormatIn to FormatOut through a chain of
// at most four formats (PCM in the middle, as the codec manager suggests), one
// TMiniConvertor per neighbouring pair. Blocks come from AudioSource (the
// convertor opens itself on the first one and re-plans when the producer's
// format changes) or from Convert; the result goes to the observers and then
// to OnAudioConverted. OutputData points into the last step's buffer and is
// valid until the next Convert.
class TdeAudioConvertor : public TQComponent {
  Q_OBJECT
  Q_PROPERTY(TComponent* AudioSource READ AudioSource WRITE SetAudioSource)
  Q_PROPERTY(TdeWaveFormat* FormatIn READ FormatIn WRITE SetFormatIn)
  Q_PROPERTY(TdeWaveFormat* FormatOut READ FormatOut WRITE SetFormatOut)
  Q_PROPERTY(bool RequestRealTime READ RequestRealTime WRITE SetRequestRealTime)
  Q_PROPERTY(bool Set8087FPUFlag READ Set8087FPUFlag WRITE SetSet8087FPUFlag)
  Q_CLASSINFO("Default:RequestRealTime", "false")
  Q_CLASSINFO("Default:Set8087FPUFlag", "true")

 public:
  explicit TdeAudioConvertor(TComponent* owner);
  ~TdeAudioConvertor() override;

  void Open();
  void Close();
  bool Active() const { return FActive; }
  void SetActive(bool value);
  // Pushes one block through the chain and delivers what comes out; the caller
  // keeps the block.
  void Convert(const void* audioData, int32_t audioDataSize);
  // The same for a block that must stand on its own (the display's): what the
  // steps hold from earlier blocks is dropped, codec state starts afresh and
  // everything the block yields is flushed out, resampler delay included.
  void ConvertAlone(const void* audioData, int32_t audioDataSize);
  // The last block of a stream (it may be empty): every step gives up what it
  // still holds (a codec's held frames, a resampler's delay, a partial last
  // frame padded with silence), so the output lasts as long as the input. It
  // may be delivered in several blocks. The steps start afresh afterwards.
  void ConvertLast(const void* audioData, int32_t audioDataSize);
  // Starts the chain afresh for a stream entered elsewhere: what the steps
  // hold is dropped and every codec's state restarts with the next block.
  // The first dropFrames sample frames (at FormatIn's rate) that come out
  // after it are not delivered: a decoder warming up on blocks before the
  // entry point.
  void Restart(int64_t dropFrames = 0);
  // Appends one line per chain format, in chain order (the format's Description).
  void GetConversionSteps(QStringList* strings) const;

  TComponent* AudioSource() const { return FObserver->AudioSource(); }
  void SetAudioSource(TComponent* value) { FObserver->SetAudioSource(value); }
  TdeWaveFormat* FormatIn() const { return FFormatIn.get(); }
  void SetFormatIn(TdeWaveFormat* value) { FFormatIn->Assign(value); }
  TdeWaveFormat* FormatOut() const { return FFormatOut.get(); }
  void SetFormatOut(TdeWaveFormat* value) { FFormatOut->Assign(value); }
  bool RequestRealTime() const { return FRequestRealTime; }
  void SetRequestRealTime(bool value);
  bool Set8087FPUFlag() const { return FSet8087FPUFlag; }
  void SetSet8087FPUFlag(bool value) { FSet8087FPUFlag = value; }

  const void* OutputData() const { return FOutputData; }
  int32_t OutputSize() const { return FOutputSize; }
  // The planned chain (FormatIn's copy first, FormatOut's last); kept after a failed Open.
  int FormatCount() const { return static_cast<int>(FFormats.size()); }
  const TdeWaveFormat& Formats(int index) const { return *FFormats.at(index); }

  const TAbortableBufferEvent& OnAudioConverted() const { return FOnAudioConverted; }
  void SetOnAudioConverted(TAbortableBufferEvent handler) { FOnAudioConverted = std::move(handler); }
  // Kept for stored descriptions; never fired.
  const TNotifyEvent& OnAudioStreamConverted() const { return FOnAudioStreamConverted; }
  void SetOnAudioStreamConverted(TNotifyEvent handler) { FOnAudioStreamConverted = std::move(handler); }
  const TObserverErrorEvent& OnObserverError() const { return FOnObserverError; }
  void SetOnObserverError(TObserverErrorEvent handler) { FOnObserverError = std::move(handler); }

  void* QueryInterface(const TGUID& iid) override;

 protected:
  virtual void HandleAudioData(IdeAudioSubject* sender, const void* audioData, int32_t audioDataSize);
  virtual void HandleObserverError(IdeAudioSubject* sender, IdeAudioObserver* observer, Exception& e,
                                   bool& raiseException);

 private:
  void PlanChain();
  void ClearChain();
  enum class TRun { Normal, Alone, Last };
  void RunChain(const void* audioData, int32_t audioDataSize, TRun run);
  void RunSteps(size_t index, const void* data, int32_t size, TRun run);

  bool FAborted = false;
  bool FActive = false;
  int64_t FDropBytes = 0;  // output still to leave out after a Restart
  std::unique_ptr<TdeAudioObserver> FObserver;
  std::unique_ptr<TdeAudioSubject> FSubject;
  const void* FOutputData = nullptr;
  int32_t FOutputSize = 0;
  std::vector<std::unique_ptr<TdeWaveFormat>> FFormats;
  std::vector<std::unique_ptr<TMiniConvertor>> FSteps;
  std::unique_ptr<TdeWaveFormat> FFormatIn;
  std::unique_ptr<TdeWaveFormat> FFormatOut;
  TAbortableBufferEvent FOnAudioConverted;
  TNotifyEvent FOnAudioStreamConverted;
  TObserverErrorEvent FOnObserverError;
  bool FRequestRealTime = false;
  bool FSet8087FPUFlag = true;
};
