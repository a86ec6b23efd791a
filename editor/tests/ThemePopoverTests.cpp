#include "EditorTestSupport.h"

#include "platform/UIKit/UIButton.h"
#include "platform/UIKit/UIPopoverController.h"

using namespace qv;
using namespace qv::editortest;

// On the iPad the theme browser is a popover from the "Image" button: shown on
// the main queue's next turn, and shown again from the button's new place
// after the screen turns.
TEST(ThemePopover, ComesFromTheImageButtonAndFollowsItThroughARotation)
{
    ApplicationScreen app(deviceCases[1]);
    ASSERT_TRUE(app.tapButton("Image"));
    ASSERT_TRUE(app.tapSheetButton("Change Icon Image"));
    RefPtr<UIPopoverController> popover = app.editor->themeBrowserPopover();
    ASSERT_TRUE(popover);
    EXPECT_FALSE(popover->popoverVisible()) << "presented on the next turn, not at once";
    app.advance(0.5);
    ASSERT_TRUE(popover->popoverVisible());
    ASSERT_TRUE(popover->presentationRect());
    const CGRect uprightButton = app.editor->imageButton()->frame();
    EXPECT_EQ(*popover->presentationRect(), uprightButton);

    ASSERT_TRUE(app.rotate(UIInterfaceOrientationLandscapeLeft));
    app.advance(0.5);
    const CGRect turnedButton = app.editor->imageButton()->frame();
    ASSERT_NE(turnedButton, uprightButton);
    EXPECT_TRUE(popover->popoverVisible());
    EXPECT_EQ(*popover->presentationRect(), turnedButton);
}
