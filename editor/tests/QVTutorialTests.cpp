#include "EditorTestSupport.h"
#include "platform/UIKit/UIKitTesting.h"

#include "editor/QVTutorialController.h"
#include "editor/QVTutorialView.h"
#include "model/QVPreferenceNames.h"
#include "model/QVUtilities.h"
#include "platform/CoreFoundation/CFPreferences.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/Foundation/NSString.h"
#include "model/QVSettings.h"
#include "platform/UIKit/UITouchDriver.h"
#include "platform/UIKit/UIViewAnimator.h"

using namespace qv;
using namespace qv::editortest;

namespace {

// Writes down every dismissal it hears, with the key the controller has
// at that moment (which only a living controller can answer).
class DismissalRecorder : public NSObject, public QVTutorialControllerDelegate {
public:
    void didDismissTutorialController(QVTutorialController* controller) override
    {
        keys.push_back(controller ? controller->tutorialKey() : -100);
    }
    std::vector<int32_t> keys;
};

class QVTutorialTest : public ::testing::TestWithParam<DeviceCase> {
protected:
    // A card made and shown the way the chains do, then let go of.
    WeakPtr<QVTutorialController> showCard(CGSize box, int32_t key = 3)
    {
        Ref<QVTutorialController> controller = makeRef<QVTutorialController>("Title", "Message", box, key);
        controller->setDelegate(WeakPtr<QVTutorialControllerDelegate>(recorder.ptr()));
        controller->showInView(screen.mainView);
        return WeakPtr<QVTutorialController>(controller);
    }

    EditorScreen screen { GetParam() };
    Ref<DismissalRecorder> recorder = makeRef<DismissalRecorder>();
};

} // namespace

// The box is centred on the host; the title, message and footer lie over
// it as siblings, at the box's top, middle and bottom.
TEST_P(QVTutorialTest, CardGeometry)
{
    ScopedAnimationTrace animations;
    const CGSize screenSize = GetParam().screen;
    for (CGSize box : { CGSizeMake(200, 150), CGSizeMake(200, 220), CGSizeMake(280, 130) }) {
        WeakPtr<QVTutorialController> controller = showCard(box);
        std::vector<Ref<QVTutorialView>> cards = tutorialCards(screen.mainView);
        ASSERT_EQ(cards.size(), 1u);
        Ref<QVTutorialView> card = cards[0];
        const CGFloat x = screenSize.width / 2 - box.width / 2;
        const CGFloat y = screenSize.height / 2 - box.height / 2;
        EXPECT_EQ(card->frame(), screen.mainView->frame());
        EXPECT_EQ(card->tutorialView()->frame(), CGRectMake(x, y, box.width, box.height));
        EXPECT_EQ(card->titleLabel()->frame(), CGRectMake(x, y + 5, box.width, 22));
        EXPECT_EQ(card->messageView()->frame(), CGRectMake(x, y + 27, box.width, box.height - 49));
        EXPECT_EQ(card->footerLabel()->frame(), CGRectMake(x, y + box.height - 22, box.width, 22));
        EXPECT_EQ(card->titleLabel()->text(), "Title");
        EXPECT_EQ(card->messageView()->text(), "Message");
        EXPECT_EQ(card->footerLabel()->text(), "Tap to dismiss");
        EXPECT_FALSE(card->messageView()->editable());
        EXPECT_FALSE(card->messageView()->selectable());
        EXPECT_EQ(card->tutorialView()->alpha(), 0.8);
        EXPECT_EQ(card->alpha(), 1);
        ASSERT_EQ(card->subviews().size(), 5u);
        EXPECT_EQ(card->subviews()[0]->alpha(), 0.25) << "the dimming comes first";
        EXPECT_EQ(card->subviews()[2].ptr(), card->titleLabel().get());
        EXPECT_EQ(card->subviews()[4].ptr(), card->footerLabel().get());
        EXPECT_EQ(animations.entries().back().name, "Show Tutorial View");
        card->removeFromSuperview();
    }
    EXPECT_EQ(recorder->keys.size(), 3u);
}

// The numbers of the 4-inch phone: a 200 x 150 box at (60, 209), title
// 214 to 236, message 236 to 337, footer 337 to 359.
TEST(QVTutorialViewTest, PhoneBoxOfTwoHundredByOneFifty)
{
    EditorScreen screen(deviceCases[0]);
    Ref<QVTutorialView> card = makeRef<QVTutorialView>(screen.mainView->frame(), "T", "M", CGSizeMake(200, 150));
    card->showInView(screen.mainView);
    EXPECT_EQ(card->tutorialView()->frame().origin, CGPointMake(60, 209));
    EXPECT_EQ(card->titleLabel()->frame().origin.y, 214);
    EXPECT_EQ(CGRectGetMaxY(card->titleLabel()->frame()), 236);
    EXPECT_EQ(card->messageView()->frame().origin.y, 236);
    EXPECT_EQ(CGRectGetMaxY(card->messageView()->frame()), 337);
    EXPECT_EQ(card->footerLabel()->frame().origin.y, 337);
    EXPECT_EQ(CGRectGetMaxY(card->footerLabel()->frame()), 359);
}

// A touch anywhere on the overlay (on the box, its text or the dimmed
// rest) fades it out; the report comes once the fade has ended and the
// overlay has left, and reaches a controller nobody else holds.
TEST_P(QVTutorialTest, TouchAnywhereDismissesOnce)
{
    const CGSize screenSize = GetParam().screen;
    for (CGPoint point : { CGPointMake(5, 5), CGPointMake(screenSize.width / 2, screenSize.height / 2),
             CGPointMake(screenSize.width / 2, screenSize.height / 2 - 60), CGPointMake(screenSize.width - 1, screenSize.height - 1) }) {
        recorder->keys.clear();
        WeakPtr<QVTutorialController> controller = showCard(CGSizeMake(200, 150), 7);
        screen.advance(0.5);
        ASSERT_TRUE(controller.lock()) << "the overlay keeps its controller";
        ASSERT_TRUE(UITouchDriver::shared().tap(screen.window, point));
        // A second touch while fading starts nothing new.
        ASSERT_TRUE(UITouchDriver::shared().tap(screen.window, point));
        EXPECT_TRUE(recorder->keys.empty()) << "nothing is reported before the fade ends";
        std::vector<Ref<QVTutorialView>> cards = tutorialCards(screen.mainView);
        ASSERT_EQ(cards.size(), 1u);
        EXPECT_TRUE(cards[0]->isHiding());
        EXPECT_EQ(cards[0]->alpha(), 0);
        cards.clear();
        screen.advance(1);
        EXPECT_EQ(recorder->keys, std::vector<int32_t> { 7 }) << point.x << "," << point.y;
        EXPECT_TRUE(tutorialCards(screen.mainView).empty());
        EXPECT_FALSE(controller.lock()) << "the controller goes with its card";
    }
}

// Taking the overlay out by any means reports the dismissal once; taking
// out an overlay that is in no view reports nothing.
TEST_P(QVTutorialTest, RemovalReportsOnlyWhenTheOverlayLeaves)
{
    showCard(CGSizeMake(200, 150), 4);
    std::vector<Ref<QVTutorialView>> cards = tutorialCards(screen.mainView);
    ASSERT_EQ(cards.size(), 1u);
    Ref<QVTutorialView> card = cards[0];
    card->removeFromSuperview();
    card->removeFromSuperview();
    EXPECT_EQ(recorder->keys, std::vector<int32_t> { 4 });
    // A touch on a card that has gone already starts no fade and no report.
    card->touchesBegan({}, nullptr);
    screen.advance(1);
    EXPECT_EQ(recorder->keys, std::vector<int32_t> { 4 });

    Ref<QVTutorialView> loose = makeRef<QVTutorialView>(CGRectMake(0, 0, 10, 10), "T", "M", CGSizeMake(5, 5));
    Ref<QVTutorialController> controller = makeRef<QVTutorialController>("T", "M", CGSizeMake(5, 5), 1);
    controller->setDelegate(WeakPtr<QVTutorialControllerDelegate>(recorder.ptr()));
    loose->setDelegate(controller);
    loose->removeFromSuperview();
    EXPECT_EQ(recorder->keys.size(), 1u);
}

// The chain rule: a card is shown only while its flag is unset; showing it
// writes the flag at once and turns rotation off; a reset of the tutorial
// lets every card show again.
TEST_P(QVTutorialTest, SeenFlagsAndReset)
{
    EXPECT_FALSE(QVTutorialController::hasBeenSeen(2));
    Ref<QVTutorialController> controller = makeRef<QVTutorialController>("Icon", "M", CGSizeMake(200, 150), 2);
    controller->showAsNextCard(screen.mainView, WeakPtr<QVTutorialControllerDelegate>(recorder.ptr()));
    EXPECT_EQ(screen.tutorialFlag(2), "YES");
    EXPECT_TRUE(QVTutorialController::hasBeenSeen(2));
    EXPECT_FALSE(screen.appDelegate->shouldAutoRotate());
    EXPECT_EQ(tutorialCards(screen.mainView).size(), 1u);
    tutorialCards(screen.mainView)[0]->removeFromSuperview();
    QVTutorialController::cardWentAway();
    EXPECT_TRUE(screen.appDelegate->shouldAutoRotate());

    // A number whose boolean value is YES counts as seen; NO, other kinds
    // of value and no value do not.
    screen.setTutorialFlag(5, false);
    EXPECT_FALSE(QVTutorialController::hasBeenSeen(5));
    const std::string key6 = QVUtilities::currentUtilities()->tutorialKey(6).value_or("");
    CFPreferencesSetAppValue(key6, NSNumber::numberWithInt(1), QVPreferenceDomain);
    EXPECT_TRUE(QVTutorialController::hasBeenSeen(6));
    CFPreferencesSetAppValue(key6, NSString::create("YES"), QVPreferenceDomain);
    EXPECT_FALSE(QVTutorialController::hasBeenSeen(6));
    EXPECT_FALSE(QVTutorialController::hasBeenSeen(15)) << "no such card";

    QVSettings::currentSettings()->resetTutorial();
    EXPECT_EQ(screen.tutorialFlag(2), "absent");
    EXPECT_FALSE(QVTutorialController::hasBeenSeen(2));
}

INSTANTIATE_TEST_SUITE_P(Devices, QVTutorialTest, ::testing::ValuesIn(deviceCases), deviceCaseName);
