#include "EditorTestSupport.h"

#include "editor/QVPopover.h"
#include "platform/UIKit/UINavigationItem.h"

using namespace qv;
using namespace qv::editortest;

namespace {

class QVPopoverTest : public ::testing::TestWithParam<DeviceCase> {
protected:
    EditorScreen screen { GetParam() };
};

} // namespace

// The panel is centred on the host frame's size, whatever the host's
// origin, with a fresh 44-point bar carrying the title and the buttons set.
TEST_P(QVPopoverTest, PresentsCentredWithItsBar)
{
    const CGSize screenSize = GetParam().screen;
    struct Case {
        CGSize content;
        CGRect host;
    } cases[] = {
        { { 200, 195 }, { { 0, 0 }, screenSize } },
        { { 180, 140 }, { { 0, 20 }, { screenSize.width, screenSize.height - 20 } } },
        { { 200, 195 }, { { 30, 40 }, { 300, 200 } } },
    };
    for (const Case& testCase : cases) {
        Ref<UIView> host = makeRef<UIView>(testCase.host);
        screen.mainView->addSubview(host);
        Ref<QVPopover> panel = makeRef<QVPopover>(testCase.content, "Grid");
        Ref<UIBarButtonItem> reset = makeRef<UIBarButtonItem>("Reset", UIBarButtonItemStylePlain, nullptr, UIBarButtonItem::Action());
        panel->setRightBarButtonItem(reset);
        panel->presentInView(host);

        const CGRect expected = CGRectMake(testCase.host.size.width / 2 - testCase.content.width / 2,
            testCase.host.size.height / 2 - testCase.content.height / 2, testCase.content.width, testCase.content.height);
        EXPECT_EQ(panel->frame(), expected);
        EXPECT_TRUE(panel->isShowing());
        EXPECT_EQ(panel->superview().get(), host.ptr());
        EXPECT_EQ(host->subviews().back().ptr(), panel.ptr()) << "the panel is the topmost subview";
        EXPECT_EQ(panel->layer()->cornerRadius(), 10);
        EXPECT_TRUE(panel->clipsToBounds());
        ASSERT_TRUE(panel->navBar());
        EXPECT_EQ(panel->navBar()->frame(), CGRectMake(0, 0, testCase.content.width, 44));
        ASSERT_TRUE(panel->navBar()->topItem());
        EXPECT_EQ(panel->navBar()->topItem()->title(), "Grid");
        EXPECT_EQ(panel->navBar()->topItem()->rightBarButtonItem().get(), reset.ptr());
        EXPECT_FALSE(panel->navBar()->topItem()->leftBarButtonItem());
        EXPECT_EQ(panel->alpha(), 1);
        panel->removeFromSuperview();
        host->removeFromSuperview();
    }
}

// Each presentation builds a new bar; a panel without buttons shows only
// its title.
TEST_P(QVPopoverTest, PresentedAgainGetsAFreshBar)
{
    Ref<QVPopover> panel = makeRef<QVPopover>(CGSizeMake(180, 140), "Set Position");
    panel->presentInView(screen.mainView);
    RefPtr<UINavigationBar> firstBar = panel->navBar();
    EXPECT_TRUE(firstBar->barButtonItems().empty());
    panel->dismiss();
    screen.advance(0.5);
    panel->presentInView(screen.mainView);
    EXPECT_NE(panel->navBar().get(), firstBar.get());
    EXPECT_FALSE(firstBar->superview()) << "the old bar is gone";
    size_t bars = 0;
    for (const Ref<UIView>& view : panel->subviews())
        bars += dynamicRefCast<UINavigationBar>(view) ? 1 : 0;
    EXPECT_EQ(bars, 1u);
}

// isShowing falls at once; the panel leaves the host when the fade ends,
// and stays (transparent) when a later animation cut the fade short.
TEST_P(QVPopoverTest, DismissFadesOutThenLeaves)
{
    Ref<QVPopover> panel = makeRef<QVPopover>(CGSizeMake(200, 195), "Grid");
    panel->presentInView(screen.mainView);
    screen.advance(0.5);
    panel->dismiss();
    EXPECT_FALSE(panel->isShowing());
    EXPECT_EQ(panel->alpha(), 0);
    EXPECT_TRUE(panel->superview());
    screen.advance(0.2);
    EXPECT_TRUE(panel->superview()) << "still fading";
    screen.advance(0.2);
    EXPECT_FALSE(panel->superview());

    panel->presentInView(screen.mainView);
    panel->dismiss();
    UIView::animateWithDuration(0.1, [&] { panel->setAlpha(0.5); });
    screen.advance(1);
    EXPECT_TRUE(panel->superview()) << "an unfinished fade leaves the panel in place";
}

// After the host turns, the panel is centred again at the same size.
TEST_P(QVPopoverTest, UpdatePositionCentresOverTheTurnedHost)
{
    const CGSize screenSize = GetParam().screen;
    Ref<QVPopover> panel = makeRef<QVPopover>(CGSizeMake(200, 195), "Grid");
    panel->presentInView(screen.mainView);
    screen.mainView->setFrame(CGRectMake(0, 0, screenSize.height, screenSize.width));
    panel->updatePositionInView(screen.mainView);
    EXPECT_EQ(panel->frame(), CGRectMake(screenSize.height / 2 - 100, screenSize.width / 2 - 97.5, 200, 195));
    EXPECT_EQ(panel->alpha(), 1);
}

INSTANTIATE_TEST_SUITE_P(Devices, QVPopoverTest, ::testing::ValuesIn(deviceCases), deviceCaseName);
