#pragma once
// The audio library's core unit: the wave format, the producer/consumer
// links, the conversion step and the convertor component. The exception
// family, RaiseACMError and CanConvert come from ACMErrors.h and are part of
// this unit.
#include <QString>
#include <cstdint>
#include <functional>
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

protected:
  // Copies all 512 bytes into another wave format; other destinations are ignored.
  void AssignTo(TPersistent* dest) override;

private:
  WAVEFORMATEX* Record() { return reinterpret_cast<WAVEFORMATEX*>(FBuffer); }
  const WAVEFORMATEX* Record() const { return reinterpret_cast<const WAVEFORMATEX*>(FBuffer); }

  alignas(8) uint8_t FBuffer[WAVE_FORMAT_BUFFER_SIZE] = {};
  [[maybe_unused]] ACMFORMATCHOOSE FChooser = {};  // filled by Choose only
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
using TObserverErrorEvent = std::function<void(IdeAudioSubject* sender, IdeAudioObserver* observer,
                                               Exception& e, bool& raiseException)>;
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

// ---- Conversion ----

// ---- Codec catalogue ----

// ---- Format choice ----
