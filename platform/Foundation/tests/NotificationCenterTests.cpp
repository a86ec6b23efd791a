#include "platform/Foundation/NSNotificationCenter.h"
#include "platform/Foundation/NSNumber.h"

#include <gtest/gtest.h>

#include <vector>

using namespace qv;

namespace {

class Observer : public Object {
public:
    explicit Observer(std::string name, std::vector<std::string>& log) : m_name(std::move(name)), m_log(log) {}
    void observe(NSNotificationCenter& center, std::optional<std::string> name, const NSObject* object)
    {
        center.addObserver(*this, [this](NSNotification& notification) { m_log.push_back(m_name + ":" + notification.name()); }, std::move(name), object);
    }

private:
    std::string m_name;
    std::vector<std::string>& m_log;
};

class Sender : public NSObject { };


} // namespace

TEST(NotificationCenter, DeliversByNameAndObjectInOrderOfAdding)
{
    std::vector<std::string> log;
    Ref<NSNotificationCenter> center = NSNotificationCenter::defaultCenter();
    auto sender = makeRef<Sender>();
    auto other = makeRef<Sender>();
    auto byName = makeRef<Observer>("byName", log);
    auto everything = makeRef<Observer>("everything", log);
    auto bySender = makeRef<Observer>("bySender", log);
    byName->observe(center, "Changed", nullptr);
    everything->observe(center, std::nullopt, nullptr);
    bySender->observe(center, "Changed", sender.ptr());

    center->postNotificationName("Changed", sender);
    center->postNotificationName("Changed", other);
    center->postNotificationName("Other", nullptr);
    EXPECT_EQ(log, (std::vector<std::string> { "byName:Changed", "everything:Changed", "bySender:Changed",
        "byName:Changed", "everything:Changed", "everything:Other" }));

    auto notification = NSNotification::notificationWithName("Changed", sender);
    EXPECT_EQ(notification->object(), sender.ptr());
    for (auto* observer : { byName.ptr(), everything.ptr(), bySender.ptr() })
        center->removeObserver(*observer);
    log.clear();
    center->postNotification(notification);
    EXPECT_TRUE(log.empty());
}

TEST(NotificationCenter, NotificationCarriesItsUserInfo)
{
    Ref<NSNotificationCenter> center = NSNotificationCenter::defaultCenter();
    std::vector<std::string> log;
    auto observer = makeRef<Observer>("o", log);
    RefPtr<NSDictionary> seen;
    center->addObserver(observer, [&](NSNotification& notification) { seen = notification.userInfo(); }, "Info", nullptr);
    center->postNotificationName("Info", nullptr, NSDictionary::create({ { "page", 3 } }));
    ASSERT_TRUE(seen);
    EXPECT_EQ(seen->numberForKey("page")->intValue(), 3);
    center->postNotificationName("Info", nullptr);
    EXPECT_FALSE(seen);
    center->removeObserver(observer);
}

TEST(NotificationCenter, RemovingByNameKeepsTheObserversOtherNames)
{
    std::vector<std::string> log;
    Ref<NSNotificationCenter> center = NSNotificationCenter::defaultCenter();
    auto observer = makeRef<Observer>("o", log);
    observer->observe(center, "A", nullptr);
    observer->observe(center, "B", nullptr);
    center->removeObserver(observer, std::string("A"), nullptr);
    center->postNotificationName("A", nullptr);
    center->postNotificationName("B", nullptr);
    EXPECT_EQ(log, (std::vector<std::string> { "o:B" }));
    center->removeObserver(observer);
}

// An observer removed by an earlier one during a post is not called in
// that post; one added during the post waits for the next.
TEST(NotificationCenter, ObserverRemovedDuringAPostIsNotCalledAfterwards)
{
    std::vector<std::string> log;
    Ref<NSNotificationCenter> center = NSNotificationCenter::defaultCenter();
    auto first = makeRef<Observer>("first", log);
    auto second = makeRef<Observer>("second", log);
    auto late = makeRef<Observer>("late", log);
    center->addObserver(first, [&](NSNotification&) {
        log.push_back("first");
        center->removeObserver(second);
        late->observe(center, "Tick", nullptr);
    }, "Tick", nullptr);
    second->observe(center, "Tick", nullptr);
    center->postNotificationName("Tick", nullptr);
    EXPECT_EQ(log, (std::vector<std::string> { "first" }));
    center->removeObserver(first);
    center->postNotificationName("Tick", nullptr);
    EXPECT_EQ(log, (std::vector<std::string> { "first", "late:Tick" }));
    center->removeObserver(late);
}

// Observers and object filters are held weakly: a gone observer is not
// called, and a gone filter object matches nothing.
TEST(NotificationCenter, GoneObserversAndFiltersMatchNothing)
{
    std::vector<std::string> log;
    Ref<NSNotificationCenter> center = NSNotificationCenter::defaultCenter();
    auto keeper = makeRef<Observer>("keeper", log);
    {
        auto transient = makeRef<Observer>("transient", log);
        transient->observe(center, "Tick", nullptr);
        auto sender = makeRef<Sender>();
        keeper->observe(center, "Tick", sender.ptr());
        center->postNotificationName("Tick", sender);
        EXPECT_EQ(log, (std::vector<std::string> { "transient:Tick", "keeper:Tick" }));
    }
    log.clear();
    center->postNotificationName("Tick", nullptr);
    center->postNotificationName("Tick", makeRef<Sender>());
    EXPECT_TRUE(log.empty());
    center->removeObserver(keeper);
}

namespace {

// Takes its observer out of the center when it goes, as objects that
// observe do in their destructors.
class SelfRemoving : public Object {
public:
    SelfRemoving(Ref<NSNotificationCenter> center, bool& gone) : m_center(std::move(center)), m_gone(gone) {}
    ~SelfRemoving() override
    {
        m_center->removeObserver(*this);
        m_gone = true;
    }

private:
    Ref<NSNotificationCenter> m_center;
    bool& m_gone;
};

} // namespace

// The center forgets the registrations of gone observers while it removes
// others; what their callbacks held goes after the center lets go of its
// lock, so a destructor that removes observers in turn does not lock it up.
TEST(NotificationCenter, CallbacksOfGoneObserversAreReleasedOutsideTheCenter)
{
    std::vector<std::string> log;
    Ref<NSNotificationCenter> center = NSNotificationCenter::defaultCenter();
    auto keeper = makeRef<Observer>("keeper", log);
    keeper->observe(center, "Tick", nullptr);
    bool gone = false;
    {
        auto transient = makeRef<Observer>("transient", log);
        center->addObserver(transient, [held = makeRef<SelfRemoving>(center, gone)](NSNotification&) { }, "Tick", nullptr);
    }
    EXPECT_FALSE(gone);
    center->removeObserver(keeper);
    EXPECT_TRUE(gone);
    center->postNotificationName("Tick", nullptr);
    EXPECT_TRUE(log.empty());
}
