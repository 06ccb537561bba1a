// The producer/consumer links: role queries, linking, delivery order and errors.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "deACM.h"
#include "deAudioConsts.h"

namespace {

// A producer as the library's components are: owns a subject delegate and
// answers the role query with it; fires its own event after Notify.
class TProducer : public TQComponent {
 public:
  explicit TProducer(TComponent* owner) : TQComponent(owner) {
    FSubject = std::make_unique<TdeAudioSubject>(this, &Format);
    FSubject->OnObserverError = [this](IdeAudioSubject* s, IdeAudioObserver* o, Exception& e, bool& raise) {
      if (OnObserverError) OnObserverError(s, o, e, raise);
    };
  }
  ~TProducer() override { FSubject.reset(); }
  void* QueryInterface(const TGUID& iid) override {
    if (void* role = QueryAudioRole(iid, FSubject.get(), nullptr)) return role;
    return TQComponent::QueryInterface(iid);
  }
  void Deliver(const void* data, int32_t size) {
    FSubject->Notify(GetInterface<IdeAudioSubject>(), data, size);
    ++EventsFired;
  }
  TdeAudioSubject& Subject() { return *FSubject; }
  void FreeSubject() { FSubject.reset(); }

  TdeWaveFormat Format;
  TObserverErrorEvent OnObserverError;
  int EventsFired = 0;

 private:
  std::unique_ptr<TdeAudioSubject> FSubject;
};

struct TBlock {
  IdeAudioSubject* Sender;
  const void* Data;
  int32_t Size;
};

// A consumer: owns an observer delegate and records what reaches it.
class TConsumer : public TQComponent {
 public:
  explicit TConsumer(TComponent* owner) : TQComponent(owner) {
    FObserver = std::make_unique<TdeAudioObserver>(this);
    FObserver->OnAudioData = [this](IdeAudioSubject* s, const void* d, int32_t n) {
      Blocks.push_back({s, d, n});
      if (OnBlock) OnBlock();
    };
  }
  ~TConsumer() override { FObserver.reset(); }
  void* QueryInterface(const TGUID& iid) override {
    if (void* role = QueryAudioRole(iid, nullptr, FObserver.get())) return role;
    return TQComponent::QueryInterface(iid);
  }
  TComponent* AudioSource() const { return FObserver->AudioSource(); }
  void SetAudioSource(TComponent* c) { FObserver->SetAudioSource(c); }
  IdeAudioObserver* Role() { return GetInterface<IdeAudioObserver>(); }

  std::vector<TBlock> Blocks;
  std::function<void()> OnBlock;

 private:
  std::unique_ptr<TdeAudioObserver> FObserver;
};

class LinkTest : public ::testing::Test {
 protected:
  TQComponent Form{nullptr};
};

template <class E, class F>
QString MessageOf(F&& f) {
  try {
    f();
  } catch (const E& e) {
    return e.Message();
  }
  return QStringLiteral("<no exception>");
}

}  // namespace

TEST_F(LinkTest, RolesAreFoundThroughEitherDelegateAndVanishWithIt) {
  auto* both = new TProducer(&Form);
  auto* subject = both->GetInterface<IdeAudioSubject>();
  ASSERT_NE(subject, nullptr);
  EXPECT_EQ(both->GetInterface<IdeAudioObserver>(), nullptr);
  EXPECT_EQ(&subject->GetFormat(), &both->Format);  // the live format, not a copy
  // From the delegate one reaches the controller's other interfaces (none here).
  EXPECT_EQ(both->Subject().QueryInterface(IdeAudioObserver::IID), nullptr);
  EXPECT_EQ(both->Subject().QueryInterface(IdeAudioSubject::IID), subject);

  both->FreeSubject();
  EXPECT_EQ(both->GetInterface<IdeAudioSubject>(), nullptr);
  TQComponent plain(nullptr);
  EXPECT_EQ(plain.GetInterface<IdeAudioSubject>(), nullptr);
}

TEST_F(LinkTest, DelegatesNeedTheirControllerAndFormat) {
  TdeWaveFormat format;
  EXPECT_THROW(TdeAudioSubject(nullptr, &format), EAssertionFailed);
  EXPECT_THROW(TdeAudioObserver(nullptr), EAssertionFailed);
  EXPECT_EQ(MessageOf<EAssertionFailed>([&] { TdeAudioSubject s(&Form, nullptr); }).contains("deACM"), true);
  EXPECT_EQ(Form.ComponentCount(), 0);  // the failed delegate did not stay with its controller
}

TEST_F(LinkTest, LinkingChecksTheSourceAndKeepsTheOldLinkOnFailure) {
  auto* producer = new TProducer(&Form);
  auto* consumer = new TConsumer(&Form);
  auto* plain = new TQComponent(&Form);

  consumer->SetAudioSource(producer);
  EXPECT_EQ(consumer->AudioSource(), producer);
  EXPECT_EQ(MessageOf<EACMError>([&] { consumer->SetAudioSource(consumer); }),
            QString::fromUtf8(SComponentCannotObserveItself));
  EXPECT_EQ(MessageOf<EACMError>([&] { consumer->SetAudioSource(plain); }), QString::fromUtf8(SNotAnAudioSubject));
  EXPECT_EQ(consumer->AudioSource(), producer);
  ASSERT_EQ(producer->Subject().ObserverCount(), 1);

  // Setting the same source again moves the observer to the end, never duplicates it.
  auto* other = new TConsumer(&Form);
  other->SetAudioSource(producer);
  consumer->SetAudioSource(producer);
  ASSERT_EQ(producer->Subject().ObserverCount(), 2);
  EXPECT_EQ(producer->Subject().Observer(0), other->Role());
  EXPECT_EQ(producer->Subject().Observer(1), consumer->Role());

  consumer->SetAudioSource(nullptr);
  EXPECT_EQ(consumer->AudioSource(), nullptr);
  EXPECT_EQ(producer->Subject().ObserverCount(), 1);
}

TEST_F(LinkTest, DestroyingEitherSideUnlinks) {
  auto* producer = new TProducer(&Form);
  auto* a = new TConsumer(&Form);
  auto* b = new TConsumer(&Form);
  a->SetAudioSource(producer);
  b->SetAudioSource(producer);

  delete b;  // detaches itself
  ASSERT_EQ(producer->Subject().ObserverCount(), 1);
  EXPECT_EQ(producer->Subject().Observer(0), a->Role());

  // The source's list is gone first; the sanitizer build catches any call into it.
  auto* c = new TConsumer(&Form);
  c->SetAudioSource(producer);
  delete producer;
  EXPECT_EQ(a->AudioSource(), nullptr);
  EXPECT_EQ(c->AudioSource(), nullptr);

  // Also when the source is not owned by the same form.
  auto* loose = new TProducer(nullptr);
  a->SetAudioSource(loose);
  delete loose;
  EXPECT_EQ(a->AudioSource(), nullptr);
}

TEST_F(LinkTest, DestroyingTheFormWithLinksInBothDirections) {
  auto* form = new TQComponent(nullptr);
  auto* consumer = new TConsumer(form);
  auto* producer = new TProducer(form);
  consumer->SetAudioSource(producer);
  auto* late = new TConsumer(form);
  late->SetAudioSource(producer);
  // Links that cross the form's edge, both ways: one of its consumers on a
  // producer that stays, one consumer that stays on its producer.
  TProducer outerProducer(nullptr);
  auto* inner = new TConsumer(form);
  inner->SetAudioSource(&outerProducer);
  TConsumer outerConsumer(nullptr);
  outerConsumer.SetAudioSource(producer);
  int innerBlocks = 0;
  for (TConsumer* c : {consumer, late, inner}) c->OnBlock = [&innerBlocks] { ++innerBlocks; };
  ASSERT_EQ(outerProducer.Subject().ObserverCount(), 1);

  delete form;  // newest first: inner, the late consumer, the producer, the first consumer

  EXPECT_EQ(outerProducer.Subject().ObserverCount(), 0) << "no freed consumer stays registered";
  EXPECT_EQ(outerConsumer.AudioSource(), nullptr) << "the freed producer is forgotten";
  const char block[4] = {1, 2, 3, 4};
  outerProducer.Deliver(block, 4);  // would call into a freed consumer
  EXPECT_EQ(innerBlocks, 0);
  EXPECT_EQ(outerProducer.EventsFired, 1);
  // Both survivors link anew.
  outerConsumer.SetAudioSource(&outerProducer);
  outerProducer.Deliver(block, 4);
  ASSERT_EQ(outerConsumer.Blocks.size(), 1u);
  EXPECT_EQ(outerConsumer.Blocks[0].Size, 4);
}

TEST_F(LinkTest, NotifyReachesEveryObserverInOrderAndSkipsNone) {
  auto* producer = new TProducer(&Form);
  std::vector<TConsumer*> consumers;
  for (int i = 0; i < 4; ++i) {
    consumers.push_back(new TConsumer(&Form));
    consumers.back()->SetAudioSource(producer);
  }
  std::vector<TConsumer*> order;
  for (auto* c : consumers) c->OnBlock = [&order, c] { order.push_back(c); };
  // The second leaves during its Update: the third moves into its place and must still get the block.
  consumers[1]->OnBlock = [&order, c = consumers[1]] {
    order.push_back(c);
    c->SetAudioSource(nullptr);
  };
  // One attached during the pass gets the block in the same pass.
  auto* late = new TConsumer(&Form);
  late->OnBlock = [&order, late] { order.push_back(late); };
  consumers[3]->OnBlock = [&, c = consumers[3]] {
    order.push_back(c);
    if (late->AudioSource() == nullptr) late->SetAudioSource(producer);
  };

  const char block[3] = {1, 2, 3};
  producer->Deliver(block, 3);
  EXPECT_EQ(order, (std::vector<TConsumer*>{consumers[0], consumers[1], consumers[2], consumers[3], late}));
  for (auto* c : {consumers[0], consumers[2], consumers[3], late}) {
    ASSERT_EQ(c->Blocks.size(), 1u);
    EXPECT_EQ(c->Blocks[0].Data, block);  // handed on, not copied
    EXPECT_EQ(c->Blocks[0].Size, 3);
    EXPECT_EQ(c->Blocks[0].Sender, producer->GetInterface<IdeAudioSubject>());
  }
  EXPECT_EQ(producer->EventsFired, 1);

  // With nobody attached the producer still fires its own event.
  auto* lonely = new TProducer(&Form);
  lonely->Deliver(block, 3);
  EXPECT_EQ(lonely->EventsFired, 1);
}

TEST_F(LinkTest, ObserverErrorsReachTheCallerUnlessTheHandlerClearsThem) {
  auto* producer = new TProducer(&Form);
  auto* failing = new TConsumer(&Form);
  auto* after = new TConsumer(&Form);
  failing->SetAudioSource(producer);
  after->SetAudioSource(producer);
  failing->OnBlock = [] { throw EACMError("disk full"); };

  // No handler: the exception leaves Notify, later observers and the event miss the block.
  const char block[1] = {0};
  EXPECT_THROW(producer->Deliver(block, 1), EACMError);
  EXPECT_TRUE(after->Blocks.empty());
  EXPECT_EQ(producer->EventsFired, 0);

  // A handler sees the subject, the failing observer, the exception and the default;
  // clearing it lets the block go on.
  IdeAudioObserver* seen = nullptr;
  bool defaultSeen = false;
  producer->OnObserverError = [&](IdeAudioSubject* s, IdeAudioObserver* o, Exception& e, bool& raise) {
    EXPECT_EQ(s, producer->GetInterface<IdeAudioSubject>());
    EXPECT_EQ(e.Message(), "disk full");
    seen = o;
    defaultSeen = raise;
    raise = false;
  };
  producer->Deliver(block, 1);
  EXPECT_EQ(seen, failing->Role());
  EXPECT_TRUE(defaultSeen);
  EXPECT_EQ(after->Blocks.size(), 1u);
  EXPECT_EQ(producer->EventsFired, 1);

  // A handler that leaves it set re-raises; with RaiseObserverErrors off and no handler the error is dropped.
  producer->OnObserverError = [](IdeAudioSubject*, IdeAudioObserver*, Exception&, bool&) {};
  EXPECT_THROW(producer->Deliver(block, 1), EACMError);
  producer->Subject().RaiseObserverErrors = false;
  producer->OnObserverError = nullptr;
  EXPECT_NO_THROW(producer->Deliver(block, 1));
  EXPECT_EQ(after->Blocks.size(), 2u);

  // An observer that leaves the list and then fails is the one reported, and the next one is not skipped.
  producer->Subject().RaiseObserverErrors = true;
  failing->OnBlock = [failing] {
    failing->SetAudioSource(nullptr);
    throw EACMError("gone");
  };
  producer->OnObserverError = [&](IdeAudioSubject*, IdeAudioObserver* o, Exception&, bool& raise) {
    seen = o;
    raise = false;
  };
  seen = nullptr;
  producer->Deliver(block, 1);
  EXPECT_EQ(seen, failing->Role());
  EXPECT_EQ(after->Blocks.size(), 3u);
}

TEST_F(LinkTest, ForeignExceptionsAreNotHandled) {
  auto* producer = new TProducer(&Form);
  auto* consumer = new TConsumer(&Form);
  consumer->SetAudioSource(producer);
  consumer->OnBlock = [] { throw std::runtime_error("not ours"); };
  bool called = false;
  producer->OnObserverError = [&](IdeAudioSubject*, IdeAudioObserver*, Exception&, bool& raise) {
    called = true;
    raise = false;
  };
  const char block[1] = {0};
  EXPECT_THROW(producer->Deliver(block, 1), std::runtime_error);
  EXPECT_FALSE(called);
}
