#include "EditorTestSupport.h"

#include "editor/QVTutorialView.h"
#include "model/QVSettings.h"
#include "platform/UIKit/UIAlertView.h"
#include "platform/UIKit/UITouchDriver.h"

using namespace qv;
using namespace qv::editortest;

namespace {

const char* const gridCardTitles[] = { "Grid", "Grid Position", "Grid Dimensions", "Unlock All Icons", "Fill Grid", "Ignore Icon Touches" };

class QVGridTutorialTest : public ::testing::TestWithParam<DeviceCase> {
protected:
    // The title of the one card showing; empty when none shows.
    std::string cardShowing() const
    {
        std::vector<Ref<QVTutorialView>> cards = tutorialCards(screen.mainView);
        EXPECT_LE(cards.size(), 1u);
        return cards.empty() ? std::string() : cards.back()->title();
    }
    // A tap on the card, twice during the fade, and the fade's end.
    void dismissCard()
    {
        const CGPoint middle = CGPointMake(GetParam().screen.width / 2, GetParam().screen.height / 2);
        ASSERT_TRUE(UITouchDriver::shared().tap(screen.window, middle));
        ASSERT_TRUE(UITouchDriver::shared().tap(screen.window, CGPointMake(3, 3)));
        screen.advance(1);
    }
    void showGrid()
    {
        screen.grid->setShown(true);
        screen.grid->toggleGrid(true, true);
        screen.advance(0.5);
    }

    GridScreen screen { GetParam(), CGSizeMake(5, 7) };
};

} // namespace

// With no flag set, showing the grid brings the six cards one after the
// other; each flag is written as its card shows, rotation is off while a
// card is up, and the chain ends with rotation on.
TEST_P(QVGridTutorialTest, SixCardsInOrder)
{
    showGrid();
    for (int32_t key = 9; key <= 14; ++key) {
        SCOPED_TRACE(key);
        EXPECT_EQ(cardShowing(), gridCardTitles[key - 9]);
        EXPECT_EQ(screen.tutorialFlag(key), "YES");
        if (key < 14) {
            EXPECT_EQ(screen.tutorialFlag(key + 1), "absent");
        }
        EXPECT_TRUE(screen.grid->tutorialShowing());
        EXPECT_FALSE(screen.appDelegate->shouldAutoRotate());
        dismissCard();
    }
    EXPECT_EQ(cardShowing(), "");
    EXPECT_FALSE(screen.grid->tutorialShowing());
    EXPECT_TRUE(screen.appDelegate->shouldAutoRotate());

    // Seen cards do not come back; after a reset they all do.
    screen.grid->setShown(false);
    screen.grid->toggleGrid(false, false);
    screen.advance(1);
    showGrid();
    EXPECT_EQ(cardShowing(), "");
    QVSettings::currentSettings()->resetTutorial();
    screen.grid->toggleGrid(false, false);
    screen.advance(1);
    showGrid();
    EXPECT_EQ(cardShowing(), "Grid");
}

// Cards seen before are stepped over within the same step.
TEST_P(QVGridTutorialTest, SeenCardsAreSkipped)
{
    struct Case {
        std::vector<int32_t> seen;
        const char* firstShown;
    } cases[] = {
        { { 9, 10, 11 }, "Unlock All Icons" },
        { { 10, 11, 12, 13 }, "Grid" },
        { { 9, 10, 11, 12, 13 }, "Ignore Icon Touches" },
        { { 9, 10, 11, 12, 13, 14 }, "" },
    };
    for (const Case& testCase : cases) {
        QVSettings::currentSettings()->resetTutorial();
        for (int32_t key : testCase.seen)
            screen.setTutorialFlag(key, true);
        showGrid();
        EXPECT_EQ(cardShowing(), testCase.firstShown);
        EXPECT_EQ(screen.appDelegate->shouldAutoRotate(), *testCase.firstShown == '\0');
        // With every flag set, taking the card away ends the chain.
        screen.markGridTutorialSeen();
        for (const Ref<QVTutorialView>& card : tutorialCards(screen.mainView))
            card->removeFromSuperview();
        EXPECT_TRUE(tutorialCards(screen.mainView).empty());
        EXPECT_TRUE(screen.appDelegate->shouldAutoRotate());
        screen.grid->toggleGrid(false, false);
        screen.advance(1);
    }
}

// After "Grid" the next card shown skips the seen "Grid Position" and names
// the grid's size.
TEST_P(QVGridTutorialTest, GridDimensionsNamesTheSize)
{
    screen.setTutorialFlag(10, true);
    showGrid();
    dismissCard();
    std::vector<Ref<QVTutorialView>> cards = tutorialCards(screen.mainView);
    ASSERT_EQ(cards.size(), 1u);
    EXPECT_EQ(cards[0]->title(), "Grid Dimensions");
    EXPECT_NE(cards[0]->message().find("Change Grid Size (5 x 7)."), std::string::npos) << cards[0]->message();
    EXPECT_EQ(cards[0]->tutorialView()->frame().size, CGSizeMake(200, 150));
}

namespace {

class QVFillGridTest : public ::testing::TestWithParam<DeviceCase> {
protected:
    void SetUp() override { screen.markGridTutorialSeen(); }
    // Answers the Fill Grid question with the button.
    void answer(const std::string& button)
    {
        screen.grid->showFillGridOptions();
        RefPtr<UIAlertView> alert = screen.grid->fillGridAlert();
        ASSERT_TRUE(alert && alert->visible());
        EXPECT_EQ(alert->title(), "Fill Grid");
        EXPECT_EQ(alert->message(), "Would you like to delete all existing icons when filling the grid?");
        EXPECT_EQ(alert->buttonTitleAtIndex(0), "Cancel");
        EXPECT_EQ(alert->buttonTitleAtIndex(1), "Delete Existing Icons");
        EXPECT_EQ(alert->buttonTitleAtIndex(2), "Keep Existing Icons");
        ASSERT_TRUE(alert->tapButtonWithTitle(button));
    }

    GridScreen screen { GetParam(), CGSizeMake(4, 6) };
};

} // namespace

// One icon per slot, in slot order, locked to it and centred on it;
// keeping leaves the earlier icons, deleting leaves only the new ones.
TEST_P(QVFillGridTest, FillsEverySlot)
{
    screen.showGrid();
    const std::vector<CGPoint> slots = screen.grid->gridIconPositions();
    ASSERT_EQ(slots.size(), 24u);
    Ref<QVIcon> earlier = screen.owner->addIcon(CGPointMake(7, 40), -1, CGPointMake(1000, 1000));

    answer("Keep Existing Icons");
    ASSERT_EQ(screen.owner->icons.size(), 25u);
    EXPECT_EQ(screen.owner->icons[0].ptr(), earlier.ptr());
    EXPECT_EQ(earlier->frame().origin, CGPointMake(7, 40));
    for (size_t slot = 0; slot < 24; ++slot) {
        EXPECT_EQ(screen.owner->icons[slot + 1]->lockedIndex(), static_cast<int32_t>(slot));
        EXPECT_EQ(screen.owner->icons[slot + 1]->center(), slots[slot]);
    }

    answer("Delete Existing Icons");
    EXPECT_EQ(screen.owner->calls, std::vector<std::string> { "deleteAll" });
    ASSERT_EQ(screen.owner->icons.size(), 24u);
    EXPECT_EQ(screen.owner->icons[23]->lockedIndex(), 23);

    answer("Cancel");
    EXPECT_EQ(screen.owner->icons.size(), 24u);
    EXPECT_EQ(screen.owner->calls.size(), 1u);
}

// Before the grid has reported any slot, filling changes nothing.
TEST_P(QVFillGridTest, NoSlotsNoChange)
{
    screen.owner->addIcon(CGPointMake(7, 40), -1, CGPointMake(1000, 1000));
    ASSERT_TRUE(screen.grid->gridIconPositions().empty());
    answer("Delete Existing Icons");
    EXPECT_EQ(screen.owner->icons.size(), 1u);
    EXPECT_TRUE(screen.owner->calls.empty());
}

INSTANTIATE_TEST_SUITE_P(Devices, QVGridTutorialTest, ::testing::ValuesIn(deviceCases), deviceCaseName);
INSTANTIATE_TEST_SUITE_P(Devices, QVFillGridTest, ::testing::ValuesIn(deviceCases), deviceCaseName);
