#include "UIKitTestSupport.h"

#include "platform/Foundation/VirtualClock.h"
#include "platform/UIKit/UIActivityIndicatorView.h"
#include "platform/UIKit/UIButton.h"
#include "platform/UIKit/UIRefreshControl.h"
#include "platform/UIKit/UISegmentedControl.h"
#include "platform/UIKit/UIStepper.h"
#include "platform/UIKit/UISwitch.h"
#include "platform/UIKit/UITouchDriver.h"
#include "platform/core/CoreTesting.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace qv;

namespace {

class Receiver : public virtual Object {
public:
    explicit Receiver(std::vector<std::string>& log, std::string name = "receiver") : m_log(log), m_name(std::move(name)) { }
    void tapped() { m_log.push_back(m_name + " tapped"); }
    void fromButton(UIButton* sender) { m_log.push_back(m_name + (sender ? " from a button" : " from another control")); }
    void withEvent(UIControl*, UIEvent* event) { m_log.push_back(m_name + (event ? " with an event" : " without an event")); }

private:
    std::vector<std::string>& m_log;
    std::string m_name;
};

const std::pair<uint64_t, const char*> touchEventNames[] = {
    { UIControlEventTouchDown, "TouchDown" },
    { UIControlEventTouchDownRepeat, "TouchDownRepeat" },
    { UIControlEventTouchDragInside, "DragInside" },
    { UIControlEventTouchDragOutside, "DragOutside" },
    { UIControlEventTouchDragEnter, "DragEnter" },
    { UIControlEventTouchDragExit, "DragExit" },
    { UIControlEventTouchUpInside, "UpInside" },
    { UIControlEventTouchUpOutside, "UpOutside" },
    { UIControlEventTouchCancel, "Cancel" },
    { UIControlEventValueChanged, "ValueChanged" },
};

// Writes the name of every event the control sends.
void recordEvents(UIControl& control, std::vector<std::string>& log)
{
    for (const auto& [event, name] : touchEventNames)
        control.addTarget(nullptr, [&log, name = std::string(name)](UIControl&, UIEvent*) { log.push_back(name); }, event);
}

class ControlTest : public ::testing::Test {
protected:
    VirtualClock clock { 0.0 };
    UITouchDriver& driver = UITouchDriver::shared();
    Ref<UIWindow> window = qv::uikittest::makeWindow();
    std::vector<std::string> log;

    void TearDown() override { driver.cancelAllTouches(); }
};

} // namespace

TEST_F(ControlTest, TargetsRunInTheOrderAddedAndAreNotRetained)
{
    Ref<UIButton> button = UIButton::buttonWithType(UIButtonTypeSystem);
    Ref<Receiver> first = makeRef<Receiver>(log, "first");
    RefPtr<Receiver> second = makeRef<Receiver>(log, "second");
    button->addTarget(first.ptr(), &Receiver::tapped, UIControlEventTouchUpInside);
    button->addTarget(second.get(), &Receiver::fromButton, UIControlEventTouchUpInside | UIControlEventTouchDown);
    button->addTarget(first.ptr(), &Receiver::withEvent, UIControlEventTouchUpInside);
    button->addTarget(nullptr, [&](UIControl&, UIEvent*) { log.push_back("callback"); }, UIControlEventTouchUpInside);

    button->sendActionsForControlEvents(UIControlEventTouchUpInside);
    EXPECT_EQ(log, (std::vector<std::string> { "first tapped", "second from a button", "first without an event", "callback" }));
    EXPECT_EQ(button->allTargets().size(), 2u);
    EXPECT_EQ(button->allControlEvents(), uint64_t(UIControlEventTouchUpInside | UIControlEventTouchDown));

    // A target that went away is skipped; a typed sender of another type
    // arrives as null.
    log.clear();
    second = nullptr;
    button->sendActionsForControlEvents(UIControlEventTouchUpInside);
    EXPECT_EQ(log, (std::vector<std::string> { "first tapped", "first without an event", "callback" }));
    Ref<UISwitch> toggle = makeRef<UISwitch>();
    Ref<Receiver> third = makeRef<Receiver>(log, "third");
    toggle->addTarget(third.ptr(), &Receiver::fromButton, UIControlEventValueChanged);
    log.clear();
    toggle->sendActionsForControlEvents(UIControlEventValueChanged);
    EXPECT_EQ(log, (std::vector<std::string> { "third from another control" }));

    // Removing a target takes only the events named.
    log.clear();
    button->removeTarget(first.ptr(), UIControlEventTouchUpInside);
    button->sendActionsForControlEvents(UIControlEventTouchUpInside);
    EXPECT_EQ(log, (std::vector<std::string> { "callback" }));
    button->removeTarget(nullptr, UIControlEventAllEvents);
    EXPECT_EQ(button->allControlEvents(), 0u);
}

// The events a finger makes on a 50-point button at (100, 100).
TEST_F(ControlTest, TouchEventsFollowTheFinger)
{
    struct Step {
        enum Kind { Down, Move, Up, Cancel, Wait } kind;
        CGPoint point {};
    };
    struct Case {
        const char* title;
        std::vector<Step> steps;
        std::vector<std::string> events;
    };
    const Case cases[] = {
        { "tap", { { Step::Down, { 125, 125 } }, { Step::Up } }, { "TouchDown", "UpInside" } },
        { "drag within the 70-point slop", { { Step::Down, { 125, 125 } }, { Step::Move, { 215, 125 } }, { Step::Up } },
            { "TouchDown", "DragInside", "UpInside" } },
        { "out and back in", { { Step::Down, { 125, 125 } }, { Step::Move, { 225, 125 } }, { Step::Move, { 140, 125 } }, { Step::Up } },
            { "TouchDown", "DragOutside", "DragExit", "DragInside", "DragEnter", "UpInside" } },
        { "up outside", { { Step::Down, { 125, 125 } }, { Step::Move, { 300, 300 } }, { Step::Up } },
            { "TouchDown", "DragOutside", "DragExit", "UpOutside" } },
        { "cancelled", { { Step::Down, { 125, 125 } }, { Step::Cancel } }, { "TouchDown", "Cancel" } },
        { "double tap", { { Step::Down, { 125, 125 } }, { Step::Up }, { Step::Wait }, { Step::Down, { 126, 126 } }, { Step::Up } },
            { "TouchDown", "UpInside", "TouchDown", "TouchDownRepeat", "UpInside" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        Ref<UIButton> button = UIButton::buttonWithType(UIButtonTypeSystem);
        button->setFrame(CGRectMake(100, 100, 50, 50));
        window->addSubview(button);
        std::vector<std::string> events;
        recordEvents(button, events);
        for (const Step& step : c.steps) {
            switch (step.kind) {
            case Step::Down: driver.touchDown(window, step.point); break;
            case Step::Move: driver.touchMove(step.point); break;
            case Step::Up: driver.touchUp(); break;
            case Step::Cancel: driver.cancelAllTouches(); break;
            case Step::Wait: clock.advance(0.1); break;
            }
        }
        EXPECT_EQ(events, c.events);
        EXPECT_FALSE(button->highlighted());
        EXPECT_FALSE(button->tracking());
        button->removeFromSuperview();
        clock.advance(1); // no multiple tap across cases
    }
}

TEST_F(ControlTest, HighlightFollowsTheFingerAndTheButtonShowsItsState)
{
    Ref<UIButton> button = UIButton::buttonWithType(UIButtonTypeSystem);
    button->setFrame(CGRectMake(100, 100, 50, 24));
    window->addSubview(button);
    button->setTitle("Save", UIControlStateNormal);
    button->setTitleColor(UIColor::whiteColor(), UIControlStateHighlighted);
    button->setTitle("Saved", UIControlStateSelected);
    const Ref<UIColor> blue = button->currentTitleColor();
    EXPECT_EQ(*blue, *UIColor::colorWithRed(0, 0.478, 1, 1));

    driver.touchDown(window, CGPointMake(110, 110));
    EXPECT_TRUE(button->highlighted());
    EXPECT_EQ(button->state(), uint64_t(UIControlStateHighlighted));
    EXPECT_EQ(button->currentTitle(), "Save"); // falls back to the normal title
    EXPECT_EQ(*button->titleLabel()->textColor(), *UIColor::whiteColor());
    driver.touchMove(CGPointMake(400, 400));
    EXPECT_FALSE(button->highlighted());
    EXPECT_EQ(*button->titleLabel()->textColor(), *blue);
    driver.touchMove(CGPointMake(120, 110));
    EXPECT_TRUE(button->highlighted());
    driver.touchUp();
    EXPECT_FALSE(button->highlighted());

    button->setSelected(true);
    EXPECT_EQ(button->titleLabel()->text(), "Saved");
    button->setSelected(false);
    button->setEnabled(false);
    EXPECT_EQ(button->state(), uint64_t(UIControlStateDisabled));
    EXPECT_EQ(button->titleLabel()->text(), "Save");
    EXPECT_EQ(button->titleForState(UIControlStateSelected | UIControlStateHighlighted), "Save");

    // A disabled button tracks nothing.
    std::vector<std::string> events;
    recordEvents(button, events);
    driver.tap(window, CGPointMake(110, 110));
    EXPECT_TRUE(events.empty());
}

TEST_F(ControlTest, ButtonTypes)
{
    Ref<UIButton> add = UIButton::buttonWithType(UIButtonTypeContactAdd);
    EXPECT_EQ(add->buttonType(), UIButtonTypeContactAdd);
    EXPECT_EQ(add->frame(), CGRectMake(0, 0, 22, 22));
    EXPECT_EQ(UIButton::buttonWithType(UIButtonTypeRoundedRect)->buttonType(), UIButtonTypeSystem);
    EXPECT_EQ(UIButton::buttonWithType(UIButtonTypeSystem)->frame(), CGRectZero);
    Ref<UIButton> custom = makeRef<UIButton>(CGRectMake(1, 2, 3, 4));
    EXPECT_EQ(custom->buttonType(), UIButtonTypeCustom);
    EXPECT_EQ(*custom->currentTitleColor(), *UIColor::whiteColor());
    EXPECT_EQ(custom->currentTitle(), "");
    EXPECT_FALSE(custom->currentImage());
}

TEST_F(ControlTest, ASwitchTurnsOverOnlyForTheUser)
{
    Ref<UISwitch> toggle = makeRef<UISwitch>(CGRectMake(10, 10, 200, 200));
    EXPECT_EQ(toggle->frame(), CGRectMake(10, 10, 51, 31)); // its natural size
    window->addSubview(toggle);
    recordEvents(toggle, log);
    toggle->setOn(true, true);
    EXPECT_TRUE(toggle->on());
    EXPECT_TRUE(log.empty());

    driver.tapView(toggle);
    EXPECT_FALSE(toggle->on());
    EXPECT_EQ(std::count(log.begin(), log.end(), "ValueChanged"), 1);
    // A finger that leaves before lifting changes nothing.
    log.clear();
    driver.touchDown(window, CGPointMake(20, 20));
    driver.touchMove(CGPointMake(300, 300));
    driver.touchUp();
    EXPECT_FALSE(toggle->on());
    EXPECT_EQ(std::count(log.begin(), log.end(), "ValueChanged"), 0);
}

TEST_F(ControlTest, AStepperStepsWithinItsLimits)
{
    Ref<UIStepper> stepper = makeRef<UIStepper>(CGRectMake(52, 80, 10, 10));
    EXPECT_EQ(stepper->frame(), CGRectMake(52, 80, 94, 29));
    window->addSubview(stepper);
    stepper->setMinimumValue(2);
    stepper->setMaximumValue(10);
    stepper->setValue(9);
    recordEvents(stepper, log);

    EXPECT_TRUE(stepper->pressPlus());
    EXPECT_EQ(stepper->value(), 10);
    EXPECT_EQ(std::count(log.begin(), log.end(), "ValueChanged"), 1);
    stepper->pressPlus(); // at the maximum: nothing changes, nothing is sent
    EXPECT_EQ(stepper->value(), 10);
    EXPECT_EQ(std::count(log.begin(), log.end(), "ValueChanged"), 1);
    stepper->pressMinus();
    stepper->pressMinus();
    EXPECT_EQ(stepper->value(), 8);
    EXPECT_EQ(std::count(log.begin(), log.end(), "ValueChanged"), 3);

    // From code: pinned, and nobody hears of it.
    log.clear();
    stepper->setValue(200);
    EXPECT_EQ(stepper->value(), 10);
    stepper->setValue(NAN);
    EXPECT_EQ(stepper->value(), 2);
    stepper->setMaximumValue(5);
    stepper->setValue(9);
    EXPECT_EQ(stepper->value(), 5);
    EXPECT_TRUE(log.empty());

    LogCapture capture;
    stepper->setMinimumValue(6);
    stepper->setMaximumValue(1);
    stepper->setStepValue(0);
    EXPECT_EQ(capture.lines().size(), 3u);
    EXPECT_EQ(stepper->minimumValue(), 2);
    EXPECT_EQ(stepper->maximumValue(), 5);
    EXPECT_EQ(stepper->stepValue(), 1);
}

TEST_F(ControlTest, ASegmentedControlChangesOnlyForTheUser)
{
    Ref<UISegmentedControl> control = makeRef<UISegmentedControl>(std::vector<std::string> { "All", "Per-Page" });
    EXPECT_EQ(control->frame().size, CGSizeMake(120, 29));
    EXPECT_EQ(control->selectedSegmentIndex(), UISegmentedControl::noSegment);
    window->addSubview(control);
    recordEvents(control, log);
    control->setSelectedSegmentIndex(0);
    EXPECT_TRUE(log.empty());

    EXPECT_TRUE(control->tapSegment(1));
    EXPECT_EQ(control->selectedSegmentIndex(), 1);
    EXPECT_EQ(std::count(log.begin(), log.end(), "ValueChanged"), 1);
    control->tapSegment(1); // already selected
    EXPECT_EQ(std::count(log.begin(), log.end(), "ValueChanged"), 1);

    LogCapture capture;
    control->setSelectedSegmentIndex(2);
    EXPECT_FALSE(control->tapSegment(5));
    EXPECT_EQ(capture.lines().size(), 2u);
    EXPECT_EQ(control->selectedSegmentIndex(), 1);

    control->insertSegmentWithTitle("First", 0, false);
    EXPECT_EQ(control->selectedSegmentIndex(), 2);
    EXPECT_EQ(control->titleForSegmentAtIndex(2), "Per-Page");
    control->removeSegmentAtIndex(2, false);
    EXPECT_EQ(control->selectedSegmentIndex(), UISegmentedControl::noSegment);
    EXPECT_EQ(control->numberOfSegments(), 2u);
}

TEST_F(ControlTest, ARefreshControlRefreshesOnAPull)
{
    Ref<UIRefreshControl> refresh = makeRef<UIRefreshControl>();
    recordEvents(refresh, log);
    refresh->beginRefreshing();
    EXPECT_TRUE(refresh->refreshing());
    EXPECT_FALSE(refresh->pullToRefresh()); // already refreshing
    refresh->endRefreshing();
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(refresh->pullToRefresh());
    EXPECT_TRUE(refresh->refreshing());
    EXPECT_EQ(log, (std::vector<std::string> { "ValueChanged" }));
}

TEST_F(ControlTest, AnActivityIndicatorHidesWhenStopped)
{
    Ref<UIActivityIndicatorView> gray = makeRef<UIActivityIndicatorView>(UIActivityIndicatorViewStyleGray);
    EXPECT_EQ(gray->frame(), CGRectMake(0, 0, 20, 20));
    EXPECT_EQ(makeRef<UIActivityIndicatorView>(UIActivityIndicatorViewStyleWhiteLarge)->frame(), CGRectMake(0, 0, 37, 37));
    EXPECT_TRUE(gray->hidden());
    gray->startAnimating();
    EXPECT_TRUE(gray->isAnimating());
    EXPECT_FALSE(gray->hidden());
    gray->stopAnimating();
    EXPECT_FALSE(gray->isAnimating());
    EXPECT_TRUE(gray->hidden());
    gray->setHidesWhenStopped(false);
    EXPECT_FALSE(gray->hidden());
    gray->startAnimating();
    gray->stopAnimating();
    EXPECT_FALSE(gray->hidden());
}
