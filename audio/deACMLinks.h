#pragma once
// The producer/consumer links of the deACM unit (defined in deACMLinks.cpp).
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "Classes.h"
#include "Exceptions.h"

// Links hand formats by reference only, so the declaration is enough here.
class TdeWaveFormat;

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
