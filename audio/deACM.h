#pragma once
// The audio library's core unit: the wave format, the producer/consumer
// links, the conversion step and the convertor component. The exception
// family, RaiseACMError and CanConvert come from ACMErrors.h and are part of
// this unit.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "ACMErrors.h"
#include "Classes.h"
#include "Exceptions.h"
#include "Platform.h"

// ---- Wave format ----

// An audio format: a WAVEFORMATEX record in a fixed 512-byte buffer, so that
// compressed formats with extra bytes fit without reallocation. Copied,
// compared and streamed as all 512 bytes (bytes past cbSize included).
// New objects hold PCM, 11025 Hz, 8-bit, stereo; the rest of the buffer is zero.
class TdeWaveFormat : public TPersistent {
  Q_OBJECT
 public:
  // Which formats the chooser offers; nothing in the program changes it from crNone.
  enum TChooserRestriction : uint8_t { crNone = 0, crInput = 1, crOutput = 2 };

  explicit TdeWaveFormat(QObject* parent = nullptr);

  // Plain field access; setters never recompute another field.
  uint16_t FormatTag() const { return Record()->wFormatTag; }
  void SetFormatTag(uint16_t value) { Record()->wFormatTag = value; }
  uint16_t Channels() const { return Record()->nChannels; }
  void SetChannels(uint16_t value) { Record()->nChannels = value; }
  uint32_t SamplesPerSec() const { return Record()->nSamplesPerSec; }
  void SetSamplesPerSec(uint32_t value) { Record()->nSamplesPerSec = value; }
  uint32_t AvgBytesPerSec() const { return Record()->nAvgBytesPerSec; }
  void SetAvgBytesPerSec(uint32_t value) { Record()->nAvgBytesPerSec = value; }
  uint16_t BlockAlign() const { return Record()->nBlockAlign; }
  void SetBlockAlign(uint16_t value) { Record()->nBlockAlign = value; }
  uint16_t BitsPerSample() const { return Record()->wBitsPerSample; }
  void SetBitsPerSample(uint16_t value) { Record()->wBitsPerSample = value; }
  // cbSize, read clamped to 494 (a loaded buffer may carry anything); writing
  // more than 494 raises EACMError "The wave format buffer is too small.".
  uint16_t ExtraSize() const;
  void SetExtraSize(uint16_t value);
  // The buffer, for calls that take a WAVEFORMATEX and a size of 512.
  WAVEFORMATEX* WaveFormat() { return Record(); }
  const WAVEFORMATEX* WaveFormat() const { return Record(); }
  static constexpr uint32_t BufferSize = WAVE_FORMAT_BUFFER_SIZE;

  TChooserRestriction ChooserRestriction() const { return FRestriction; }
  void SetChooserRestriction(TChooserRestriction value) { FRestriction = value; }

  virtual void SetDefault();
  // Becomes plain PCM of that rate, sample size and channels, with block
  // align and byte rate to match; the rest of the buffer is zero.
  void SetPcm(uint32_t samplesPerSec, uint16_t bitsPerSample, uint16_t channels);
  // Byte-for-byte equality of the 512-byte buffers.
  virtual bool IsEqual(const TdeWaveFormat* other) const;
  // One binary property "FormatBuffer", always stored: exactly the 512 bytes.
  void DefineProperties(TFiler& filer) override;

  // "PCM: 11.025 kHz, 8 Bit, Stereo"; without the tag part when the tag is
  // unknown, empty when the format cannot be described. Never raises.
  QString Description() const;
  // Becomes the PCM format the codec manager proposes for source (which may be
  // this object). Raises EACMConversionError and keeps the old buffer when the
  // manager has no proposal or cannot convert to it.
  void SuggestPCM(const TdeWaveFormat* source);
  // Shows the format chooser on this format under title. True when the user
  // accepted a format (now in the buffer), false when cancelled (unchanged);
  // a chooser failure raises EACMConversionError "Error selecting format." and the reason.
  bool Choose(const QString& title);

 protected:
  // Copies all 512 bytes into another wave format; other destinations are ignored.
  void AssignTo(TPersistent* dest) override;

 private:
  WAVEFORMATEX* Record() { return reinterpret_cast<WAVEFORMATEX*>(FBuffer); }
  const WAVEFORMATEX* Record() const { return reinterpret_cast<const WAVEFORMATEX*>(FBuffer); }

  alignas(8) uint8_t FBuffer[WAVE_FORMAT_BUFFER_SIZE] = {};
  ACMFORMATCHOOSE FChooser = {};  // filled by Choose only
  TChooserRestriction FRestriction = crNone;
};

// CanConvert on wave format values (see ACMErrors.h).
inline bool CanConvert(const TdeWaveFormat* source, const TdeWaveFormat* dest, bool realTime) {
  return source && dest && CanConvert(source->WaveFormat(), dest->WaveFormat(), realTime);
}

// ---- Audio links ----
// A producer (subject) hands every block to each attached consumer (observer);
// the consumer reads the block's format from the producer. Components do not
// implement the roles themselves: they own delegates and answer the role query
// (TComponent::QueryInterface / GetInterface<I>()) with them, so a role is gone
// as soon as its delegate is freed. References between roles never own.

class IdeAudioObserver;

class IdeAudioSubject {
 public:
  static constexpr TGUID IID{0xBE271F37, 0xAA0D, 0x4718, {0xAE, 0x4E, 0xF5, 0xC4, 0x6E, 0x34, 0xBF, 0x76}};
  // Adds observer to the end of the list (no duplicate check).
  virtual void Attach(IdeAudioObserver* observer) = 0;
  // Removes the first entry equal to observer; nothing when it is not listed.
  virtual void Detach(IdeAudioObserver* observer) = 0;
  // The live format of every block this subject hands out (not a copy).
  virtual TdeWaveFormat& GetFormat() = 0;

 protected:
  ~IdeAudioSubject() = default;  // lifetime is the owning component's business
};

class IdeAudioObserver {
 public:
  static constexpr TGUID IID{0xFF60D1E0, 0x9D22, 0x47BF, {0x95, 0xAB, 0x80, 0x7D, 0xEC, 0xAD, 0xFF, 0x1D}};
  // One block in sender->GetFormat(); valid only during the call.
  virtual void Update(IdeAudioSubject* sender, const void* audioData, int32_t audioDataSize) = 0;

 protected:
  ~IdeAudioObserver() = default;
};

// Sender is the producing component.
using TBufferEvent = std::function<void(TComponent* sender, const void* audioData, int32_t audioDataSize)>;
using TAbortableBufferEvent =
    std::function<void(TComponent* sender, const void* audioData, int32_t audioDataSize, bool& abort)>;
// Clearing raiseException drops the observer's exception and lets the others have the block.
using TObserverErrorEvent =
    std::function<void(IdeAudioSubject* sender, IdeAudioObserver* observer, Exception& e, bool& raiseException)>;
// The observer delegate's callback: the arguments of Update.
using TAudioDataEvent = std::function<void(IdeAudioSubject* sender, const void* audioData, int32_t audioDataSize)>;

// The producer role. Owned by its controller, which gives it the format it
// describes its blocks with (owned by the controller, never freed here).
class TdeAudioSubject : public TComponent, public IdeAudioSubject {
 public:
  TdeAudioSubject(TComponent* controller, TdeWaveFormat* format);
  ~TdeAudioSubject() override;

  void Attach(IdeAudioObserver* observer) override;
  void Detach(IdeAudioObserver* observer) override;
  TdeWaveFormat& GetFormat() override;

  // Hands the block to every observer in list order. An observer that detaches
  // itself during Update does not make the next one miss the block; observers
  // attached during the pass get it too. A failing observer goes to
  // OnObserverError; unless that clears raiseException, the exception leaves
  // Notify and later observers miss this block.
  void Notify(IdeAudioSubject* sender, const void* audioData, int32_t audioDataSize);

  void* QueryInterface(const TGUID& iid) override;

  TComponent* Controller() const { return FController; }
  int ObserverCount() const;
  IdeAudioObserver* Observer(int index) const;  // nullptr when out of range

  bool RaiseObserverErrors = true;  // initial raiseException of OnObserverError
  TObserverErrorEvent OnObserverError;

 private:
  TdeWaveFormat* FFormat;
  mutable std::mutex FLock;  // each list operation on its own; Notify never holds it across Update
  std::vector<IdeAudioObserver*> FObservers;
  TComponent* FController;
};

// The consumer role: follows the producer named by AudioSource and forwards
// its blocks to OnAudioData.
class TdeAudioObserver : public TComponent, public IdeAudioObserver {
 public:
  explicit TdeAudioObserver(TComponent* controller);
  ~TdeAudioObserver() override;

  TComponent* AudioSource() const { return FAudioSource; }
  // Detaches from the old source and attaches to value (also when it is the same).
  // Raises EACMError for the controller itself or a component that is no producer.
  void SetAudioSource(TComponent* value);

  void Update(IdeAudioSubject* sender, const void* audioData, int32_t audioDataSize) override;
  void Notification(TComponent* component, TOperation operation) override;
  void* QueryInterface(const TGUID& iid) override;

  TComponent* Controller() const { return FController; }

  TAudioDataEvent OnAudioData;

 private:
  TComponent* FAudioSource = nullptr;
  TComponent* FController;
};

// A controller's answer to a role query: the delegate that plays the role, or
// nullptr when it does not exist (never made, or already freed) or iid is no
// role. Controllers return this when it is not nullptr, else ask their base.
void* QueryAudioRole(const TGUID& iid, TdeAudioSubject* subject, TdeAudioObserver* observer);

// ---- Conversion ----

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

// ---- Codec catalogue ----

// One installed codec driver with its names, support flags, priority and every
// format it offers. Built from the codec manager's answers; a failing step
// raises EACMCodecError with the step's context line. Each object adds itself
// to the catalogue at the end of its construction and removes itself when
// destroyed; the catalogue owns its entries.
class TdeCodec {
 public:
  // Bits 0..6 of Support, in this order.
  enum TSupportFlag : uint8_t {
    sfCodec = 0x01,
    sfConverter = 0x02,
    sfFilter = 0x04,
    sfHardware = 0x08,
    sfAsync = 0x10,
    sfLocal = 0x20,
    sfDisabled = 0x40
  };
  struct TFormat {
    QString Name;                // the format's display text
    std::vector<uint8_t> Block;  // MaxFormatSize bytes: the WAVEFORMATEX, 18 + cbSize of them meaningful
    const WAVEFORMATEX* Format() const { return reinterpret_cast<const WAVEFORMATEX*>(Block.data()); }
  };

  explicit TdeCodec(HACMDRIVERID driverId);
  ~TdeCodec();
  TdeCodec(const TdeCodec&) = delete;
  TdeCodec& operator=(const TdeCodec&) = delete;

  uint8_t Support() const { return FSupport; }
  const QString& Notice() const { return FNotice; }
  const ACMDRIVERDETAILS& Details() const { return FDetails; }
  HACMDRIVERID DriverID() const { return FDriverID; }
  uint32_t Priority() const { return FPriority; }
  const QString& Features() const { return FFeatures; }
  const std::vector<TFormat>& Formats() const { return FFormats; }
  const QString& Licensing() const { return FLicensing; }
  const QString& LongName() const { return FLongName; }
  const QString& ShortName() const { return FShortName; }
  uint32_t MaxFormatSize() const { return FMaxFormatSize; }
  uint32_t MaxExtraSize() const { return FMaxExtraSize; }

 private:
  static bool FormatCallback(HACMDRIVERID, ACMFORMATDETAILS* details, uintptr_t instance, uint32_t);

  uint8_t FSupport = 0;
  QString FNotice;
  ACMDRIVERDETAILS FDetails{};
  HACMDRIVERID FDriverID = nullptr;
  HACMDRIVER FHandle = nullptr;
  uint32_t FPriority = 0;
  QString FFeatures;
  std::vector<TFormat> FFormats;
  bool FOpened = false;
  QString FLicensing;
  QString FLongName;
  QString FShortName;
  uint32_t FMaxFormatSize = 0;
  uint32_t FMaxExtraSize = 0;
};

// The process-wide catalogue, built from the enabled drivers on first use.
int CodecCount();
TdeCodec* Codecs(int index);  // 0-based, in enumeration order; EACMCodecError out of range
// Frees every entry; the (empty) catalogue stays, so it is not built again until RefreshCodecs.
void ClearCodecs();
// Clears, then builds the catalogue anew; drivers that fail are left out.
void RefreshCodecs();

// ---- Format choice ----

// Runs the format chooser modally for one Choose and keeps its outcome.
class TFormatSelector {
 public:
  explicit TFormatSelector(const ACMFORMATCHOOSE& record) : FRecord(record) {}
  // Shows the chooser over the active window; returns the chooser's code:
  // 0 accepted, ACMERR_CANCELED, or why it failed.
  MMRESULT Execute();
  MMRESULT Result() const { return FResult; }
  const ACMFORMATCHOOSE& Record() const { return FRecord; }

 private:
  ACMFORMATCHOOSE FRecord;
  MMRESULT FResult = ACMERR_CANCELED;
};
