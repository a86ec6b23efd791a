#include "platform/core/WeakPtr.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace qv;

namespace {

class Tracked : public Object {
public:
    explicit Tracked(std::atomic<int>& alive) : m_alive(alive) { ++m_alive; }
    ~Tracked() override { --m_alive; }
    int value = 7;

private:
    std::atomic<int>& m_alive;
};

class Derived : public Tracked {
public:
    using Tracked::Tracked;
};

} // namespace

TEST(ObjectModel, LastStrongReferenceDestroys)
{
    std::atomic<int> alive = 0;
    {
        Ref<Tracked> first = makeRef<Tracked>(alive);
        EXPECT_EQ(first->retainCount(), 1u);
        RefPtr<Tracked> second = first;
        EXPECT_EQ(first->retainCount(), 2u);
        second = nullptr;
        EXPECT_EQ(first->retainCount(), 1u);
        EXPECT_EQ(alive, 1);
    }
    EXPECT_EQ(alive, 0);
}

TEST(ObjectModel, MovesTransferWithoutTouchingTheCount)
{
    std::atomic<int> alive = 0;
    RefPtr<Tracked> holder = makeRef<Tracked>(alive);
    RefPtr<Tracked> moved = std::move(holder);
    EXPECT_FALSE(holder);
    EXPECT_EQ(moved->retainCount(), 1u);
    RefPtr<Tracked> self = moved;
    self = self; // self-assignment keeps the object
    EXPECT_EQ(moved->retainCount(), 2u);
}

TEST(ObjectModel, WeakPointerClearsWhenObjectGoes)
{
    std::atomic<int> alive = 0;
    WeakPtr<Tracked> weak;
    {
        Ref<Tracked> strong = makeRef<Tracked>(alive);
        weak = strong;
        EXPECT_TRUE(weak);
        RefPtr<Tracked> promoted = weak.lock();
        ASSERT_TRUE(promoted);
        EXPECT_EQ(promoted->value, 7);
        EXPECT_EQ(strong->retainCount(), 2u);
    }
    EXPECT_EQ(alive, 0);
    EXPECT_FALSE(weak);
    EXPECT_FALSE(weak.lock());
    WeakPtr<Tracked> copy = weak; // copies of a dead weak pointer stay null
    EXPECT_FALSE(copy.lock());
}

// An object that hands out a weak pointer to itself from its destructor,
// as a clean-up that posts a block naming its owner does.
class WeakOfItselfWhenDying : public Object {
public:
    explicit WeakOfItselfWhenDying(WeakPtr<WeakOfItselfWhenDying>& escaped) : m_escaped(escaped) {}
    ~WeakOfItselfWhenDying() override { m_escaped = WeakPtr<WeakOfItselfWhenDying>(this); }

private:
    WeakPtr<WeakOfItselfWhenDying>& m_escaped;
};

// Weak pointers to objects that die without their count reaching zero
// (on the stack), or that are made once the count already did, read as
// null afterwards instead of reaching freed memory.
TEST(ObjectModel, WeakPointersOfObjectsGoneOtherwiseReadAsNull)
{
    std::atomic<int> alive = 0;
    WeakPtr<Tracked> ofStackObject;
    {
        Tracked onStack(alive);
        ofStackObject = &onStack;
        EXPECT_TRUE(ofStackObject.lock());
    }
    EXPECT_FALSE(ofStackObject);
    EXPECT_FALSE(ofStackObject.lock());

    WeakPtr<WeakOfItselfWhenDying> escaped;
    makeRef<WeakOfItselfWhenDying>(escaped);
    EXPECT_FALSE(escaped);
    EXPECT_FALSE(escaped.lock());
}

TEST(ObjectModel, DynamicCastAnswersNullForOtherKinds)
{
    std::atomic<int> alive = 0;
    RefPtr<Tracked> base = makeRef<Tracked>(alive);
    RefPtr<Tracked> derived = makeRef<Derived>(alive);
    EXPECT_FALSE(dynamicRefCast<Derived>(base));
    EXPECT_TRUE(dynamicRefCast<Derived>(derived));
    EXPECT_FALSE(dynamicRefCast<Derived>(RefPtr<Tracked>()));
}

// Threads promote weak pointers while the owner lets go: every promotion
// either fails or yields a live object, and the object dies exactly once.
TEST(ObjectModel, WeakPromotionRacesWithRelease)
{
    for (int round = 0; round < 200; ++round) {
        std::atomic<int> alive = 0;
        RefPtr<Tracked> strong = makeRef<Tracked>(alive);
        WeakPtr<Tracked> weak = strong;
        std::atomic<bool> go = false;
        std::vector<std::thread> threads;
        for (int i = 0; i < 4; ++i) {
            threads.emplace_back([&] {
                while (!go) { }
                for (int j = 0; j < 50; ++j) {
                    if (RefPtr<Tracked> promoted = weak.lock()) {
                        EXPECT_EQ(promoted->value, 7);
                    }
                }
            });
        }
        go = true;
        strong = nullptr;
        for (std::thread& thread : threads)
            thread.join();
        EXPECT_EQ(alive, 0);
        EXPECT_FALSE(weak.lock());
    }
}

TEST(ObjectModel, ConcurrentRetainAndRelease)
{
    std::atomic<int> alive = 0;
    Ref<Tracked> shared = makeRef<Tracked>(alive);
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([&] {
            for (int j = 0; j < 10000; ++j) {
                RefPtr<Tracked> copy = shared;
                WeakPtr<Tracked> weak = copy;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(shared->retainCount(), 1u);
    EXPECT_EQ(alive, 1);
}
