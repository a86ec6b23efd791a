#include "EditorTestSupport.h"

#include "editor/QVTutorialView.h"
#include "model/QVPreferenceNames.h"
#include "model/QVSettings.h"
#include "platform/CoreFoundation/CFPreferences.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/UIKit/UIModalView.h"

using namespace qv;
using namespace qv::editortest;

namespace {

const char* const editorCardTitles[] = { "Welcome!", "Quick Actions", "Icon", "Options", "Add Icons", "Save Layout", "Grid", "Image", "Orientation" };

std::string cardShowing(const ApplicationScreen& app)
{
    std::vector<Ref<QVTutorialView>> cards = tutorialCards(app.editor->view());
    EXPECT_LE(cards.size(), 1u);
    return cards.empty() ? std::string() : cards.back()->title();
}

void dismissCard(ApplicationScreen& app)
{
    // Twice during the fade: still one dismissal.
    ASSERT_TRUE(app.tap(CGPointMake(5, 300)));
    ASSERT_TRUE(app.tap(CGPointMake(5, 300)));
    app.advance(1);
}

void setSeen(int32_t key, bool seen)
{
    CFPreferencesSetAppValue(QVUtilities::currentUtilities()->tutorialKey(key).value_or(""), NSNumber::numberWithBool(seen), QVPreferenceDomain);
}

class EditorTutorialChainTest : public ::testing::TestWithParam<DeviceCase> { };

} // namespace

// A first start: the nine cards in order, each once, rotation locked while
// one shows; no folder-mode offer on this run; with the grid hidden the
// chain ends after the last.
TEST_P(EditorTutorialChainTest, FirstStartShowsEveryCardInOrder)
{
    ApplicationScreen app(GetParam(), false);
    EXPECT_TRUE(UIModalView::visibleModalViews().empty()) << "no folder-mode offer on a first start";
    for (int32_t key = 0; key <= 8; ++key) {
        SCOPED_TRACE(key);
        EXPECT_EQ(cardShowing(app), editorCardTitles[key]);
        EXPECT_TRUE(app.editor->tutorialShowing());
        EXPECT_FALSE(app.editor->shouldAutorotate());
        EXPECT_FALSE(app.rotate(UIInterfaceOrientationLandscapeLeft));
        dismissCard(app);
    }
    EXPECT_EQ(cardShowing(app), "");
    EXPECT_FALSE(app.editor->tutorialShowing());
    EXPECT_TRUE(app.appDelegate->shouldAutoRotate());

    // "View Tutorial" shows them all again, and with the grid shown the
    // grid's cards follow the last.
    app.grid()->setShown(true);
    app.grid()->toggleGrid(true, false);
    app.advance(0.5);
    while (!cardShowing(app).empty())
        dismissCard(app);
    ASSERT_TRUE(app.tapButton("Options"));
    ASSERT_TRUE(app.tapSheetButton("View Tutorial"));
    EXPECT_EQ(cardShowing(app), "Welcome!");
    for (int32_t key = 0; key <= 8; ++key)
        dismissCard(app);
    EXPECT_EQ(cardShowing(app), "Grid") << "the grid's first card";
}

// A later start with cards 0 to 3 seen: the folder-mode offer, and a moment
// later card 4; with every card seen nothing but the offer; once folder
// mode was used, not even that.
TEST_P(EditorTutorialChainTest, LaterStarts)
{
    {
        ApplicationScreen app(GetParam(), false);
        while (!cardShowing(app).empty())
            dismissCard(app);
    }
    struct Case {
        int32_t firstUnseen;
        bool usedFolderMode;
        const char* card;
        bool offer;
    } cases[] = {
        { 4, false, "Add Icons", true },
        { 9, false, "", true },
        { 9, true, "", false },
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.firstUnseen);
        ApplicationScreen app(GetParam());
        // The screen starts with every card seen; it is built again below
        // with the flags of the case.
        QVSettings::currentSettings()->resetTutorial();
        for (int32_t key = 0; key < 9; ++key)
            setSeen(key, key < testCase.firstUnseen);
        CFPreferencesSetAppValue(QVUsedFolderModeBeforeKey, NSNumber::numberWithBool(testCase.usedFolderMode), QVPreferenceDomain);
        app.editor->viewTutorial();
        std::vector<std::string> buttons = app.topModalButtons();
        EXPECT_EQ(buttons, testCase.offer ? (std::vector<std::string> { "Later", "Enable Folder Mode" }) : std::vector<std::string>());
        EXPECT_EQ(cardShowing(app), "") << "the next card comes a moment later";
        app.advance(0.05);
        EXPECT_EQ(cardShowing(app), testCase.card);
        if (testCase.offer) {
            EXPECT_EQ(app.editor->lastAlert()->title(), "Folder Mode");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Devices, EditorTutorialChainTest, ::testing::ValuesIn(deviceCases), deviceCaseName);
