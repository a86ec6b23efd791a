#include "UIKitTestSupport.h"
#include "platform/UIKit/UIKitTesting.h"

#include "platform/UIKit/DeviceProfile.h"
#include "platform/UIKit/UIActionSheet.h"
#include "platform/UIKit/UIAlertView.h"
#include "platform/UIKit/UIButton.h"
#include "platform/UIKit/UITouchDriver.h"
#include "platform/core/CoreTesting.h"

#include <gtest/gtest.h>

#include <functional>

using namespace qv;
using qv::uikittest::RecordingView;

namespace {

// Hears alerts and sheets, and dispatches by title as the system does.
class ModalListener : public UIAlertViewDelegate, public UIActionSheetDelegate {
public:
    void alertViewClickedButtonAtIndex(UIAlertView* alert, int64_t index) override { clicked(*alert, index); }
    void alertViewWillDismissWithButtonIndex(UIAlertView*, int64_t index) override { calls.push_back("will " + std::to_string(index)); }
    void alertViewDidDismissWithButtonIndex(UIAlertView*, int64_t index) override { calls.push_back("did " + std::to_string(index)); }
    void actionSheetClickedButtonAtIndex(UIActionSheet* sheet, int64_t index) override { clicked(*sheet, index); }
    void actionSheetWillDismissWithButtonIndex(UIActionSheet*, int64_t index) override { calls.push_back("will " + std::to_string(index)); }
    void actionSheetDidDismissWithButtonIndex(UIActionSheet*, int64_t index) override { calls.push_back("did " + std::to_string(index)); }

    std::vector<std::string> calls;
    std::function<void(UIModalView&, const std::string& title)> onClick;

private:
    void clicked(UIModalView& view, int64_t index)
    {
        const std::string title = view.buttonTitleAtIndex(index);
        calls.push_back("clicked " + std::to_string(index) + " " + title);
        if (onClick)
            onClick(view, title);
    }
};

class ModalTest : public ::testing::Test {
protected:
    Ref<ModalListener> listener = makeRef<ModalListener>();

    void TearDown() override
    {
        for (const Ref<UIModalView>& view : UIModalView::visibleModalViews())
            view->dismissWithClickedButtonIndex(0, false);
    }
};

std::vector<std::string> titlesOf(const UIModalView& view)
{
    std::vector<std::string> titles;
    for (int64_t i = 0; i < view.numberOfButtons(); ++i)
        titles.push_back(view.buttonTitleAtIndex(i));
    return titles;
}

} // namespace

TEST_F(ModalTest, AlertButtonsPutCancelFirst)
{
    struct Case {
        std::optional<std::string> cancel;
        std::vector<std::string> others;
        std::vector<std::string> titles;
        int64_t cancelIndex;
        int64_t firstOther;
    };
    const Case cases[] = {
        { "Cancel", { "Rename" }, { "Cancel", "Rename" }, 0, 1 },
        { std::nullopt, { "Ok" }, { "Ok" }, -1, 0 },
        { "Ok", {}, { "Ok" }, 0, -1 },
        { "Cancel", { "Delete Existing Icons", "Keep Existing Icons" }, { "Cancel", "Delete Existing Icons", "Keep Existing Icons" }, 0, 1 },
    };
    for (const Case& c : cases) {
        Ref<UIAlertView> alert = makeRef<UIAlertView>("Fill Grid", "Would you like to delete all existing icons when filling the grid?", listener, c.cancel, c.others);
        EXPECT_EQ(titlesOf(alert), c.titles);
        EXPECT_EQ(alert->numberOfButtons(), static_cast<int64_t>(c.titles.size()));
        EXPECT_EQ(alert->cancelButtonIndex(), c.cancelIndex);
        EXPECT_EQ(alert->firstOtherButtonIndex(), c.firstOther);
        EXPECT_EQ(alert->buttonTitleAtIndex(-1), "");
        EXPECT_EQ(alert->buttonTitleAtIndex(9), "");
    }
}

TEST_F(ModalTest, SheetButtonsPutTheDestructiveOneFirstAndCancelLast)
{
    struct Case {
        std::optional<std::string> destructive;
        std::vector<std::string> others;
        std::vector<std::string> titles;
        int64_t destructiveIndex;
        int64_t firstOther;
        int64_t cancelIndex;
    };
    const Case cases[] = {
        { std::nullopt, { "Apply to Folders", "Apply to Homescreen" }, { "Apply to Folders", "Apply to Homescreen", "Cancel" }, -1, 0, 2 },
        { std::nullopt, { "Apply to Folders" }, { "Apply to Folders", "Cancel" }, -1, 0, 1 },
        { "Delete", { "Apply to Folders", "Apply to Homescreen", "Rename" }, { "Delete", "Apply to Folders", "Apply to Homescreen", "Rename", "Cancel" }, 0, 1, 4 },
        { "Delete", { "Apply to Folders", "Rename" }, { "Delete", "Apply to Folders", "Rename", "Cancel" }, 0, 1, 3 },
    };
    for (const Case& c : cases) {
        Ref<UIActionSheet> sheet = makeRef<UIActionSheet>("", listener, "Cancel", c.destructive, c.others);
        EXPECT_EQ(titlesOf(sheet), c.titles);
        EXPECT_EQ(sheet->destructiveButtonIndex(), c.destructiveIndex);
        EXPECT_EQ(sheet->firstOtherButtonIndex(), c.firstOther);
        EXPECT_EQ(sheet->cancelButtonIndex(), c.cancelIndex);
    }
}

TEST_F(ModalTest, ATapByTitleReachesTheDelegateAndTakesTheViewAway)
{
    Ref<UIView> host = makeRef<UIView>(CGRectMake(0, 0, 320, 568));
    Ref<UIAlertView> alert = makeRef<UIAlertView>("Swap Icon", "What Icon would you like to swap with?", listener, "Cancel", std::vector<std::string> { "Swap" });
    Ref<UIActionSheet> sheet = makeRef<UIActionSheet>("", listener, "Cancel", "Delete", std::vector<std::string> { "Swap Icon", "Set Icon Position" });
    alert->show();
    sheet->showFromRect(CGRectMake(130, 30, 59, 60), host.ptr(), true);
    EXPECT_TRUE(alert->visible());
    EXPECT_TRUE(sheet->visible());
    EXPECT_EQ(sheet->presentationView().get(), host.ptr());
    EXPECT_EQ(sheet->presentationRect(), CGRectMake(130, 30, 59, 60));
    std::vector<Ref<UIModalView>> shown = UIModalView::visibleModalViews();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].ptr(), static_cast<UIModalView*>(alert.ptr()));
    EXPECT_EQ(UIModalView::topmostModalView().get(), static_cast<UIModalView*>(sheet.ptr()));

    EXPECT_TRUE(sheet->tapButtonWithTitle("Set Icon Position"));
    EXPECT_EQ(listener->calls, (std::vector<std::string> { "clicked 2 Set Icon Position", "will 2", "did 2" }));
    EXPECT_FALSE(sheet->visible());
    EXPECT_EQ(UIModalView::topmostModalView().get(), static_cast<UIModalView*>(alert.ptr()));

    listener->calls.clear();
    EXPECT_TRUE(alert->tapButtonWithTitle("Cancel"));
    EXPECT_EQ(listener->calls, (std::vector<std::string> { "clicked 0 Cancel", "will 0", "did 0" }));
    EXPECT_TRUE(UIModalView::visibleModalViews().empty());
}

TEST_F(ModalTest, ADismissalFromCodeSendsNoClick)
{
    Ref<UIActionSheet> sheet = makeRef<UIActionSheet>("", listener, "Cancel", std::nullopt, std::vector<std::string> { "Change Background Image", "Change Icon Image" });
    sheet->showInView(makeRef<UIView>().ptr());
    sheet->dismissWithClickedButtonIndex(0, false);
    EXPECT_EQ(listener->calls, (std::vector<std::string> { "will 0", "did 0" }));
    EXPECT_FALSE(sheet->visible());
    sheet->dismissWithClickedButtonIndex(0, false); // not on screen: nothing
    EXPECT_EQ(listener->calls.size(), 2u);
    // Shown again, it can be tapped again.
    sheet->showInView(makeRef<UIView>().ptr());
    EXPECT_TRUE(sheet->tapButtonWithTitle("Change Icon Image"));
    EXPECT_EQ(listener->calls[2], "clicked 1 Change Icon Image");
}

// On the iPad a sheet is a popover: a tap outside it reads as its cancel
// button, which the screens dispatch by title (the download sheet's
// "Cancel" collapses its row). On a phone there is no outside.
TEST_F(ModalTest, ATapOutsideASheetOnThePadIsItsCancelButton)
{
    struct Case {
        const char* device;
        std::optional<std::string> cancel;
        bool dismissed;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        { "ipad", "Cancel", true, { "clicked 1 Cancel", "will 1", "did 1" } },
        { "ipad", std::nullopt, true, { "clicked -1 ", "will -1", "did -1" } },
        { "iphone-4", "Cancel", false, {} },
    };
    for (const Case& c : cases) {
        applyDeviceProfile(*DeviceProfile::named(c.device));
        listener->calls.clear();
        Ref<UIActionSheet> sheet = makeRef<UIActionSheet>("", listener, c.cancel, std::nullopt, std::vector<std::string> { "Download" });
        LogCapture log;
        EXPECT_FALSE(sheet->tapOutside()) << "not shown yet";
        sheet->showFromRect(CGRectMake(0, 100, 320, 80), makeRef<UIView>().ptr(), true);
        EXPECT_EQ(sheet->tapOutside(), c.dismissed) << c.device;
        EXPECT_EQ(sheet->visible(), !c.dismissed) << c.device;
        EXPECT_EQ(listener->calls, c.calls) << c.device;
    }
    applyDeviceProfile(DeviceProfile::fromEnvironment());
}

TEST_F(ModalTest, TapsThatCannotBeAreRefused)
{
    LogCapture log;
    Ref<UIAlertView> alert = makeRef<UIAlertView>("Error", "Couldn't retrieve folder size. Please try again later...", nullptr, "Ok");
    EXPECT_FALSE(alert->tapButtonWithTitle("Ok")); // not shown
    alert->show();
    EXPECT_FALSE(alert->tapButtonWithTitle("Later"));
    EXPECT_FALSE(alert->tapButtonAtIndex(3));
    EXPECT_TRUE(alert->visible());
    Ref<UIActionSheet> sheet = makeRef<UIActionSheet>("", nullptr, "Cancel", std::nullopt);
    sheet->showInView(nullptr);
    EXPECT_FALSE(sheet->visible());
    EXPECT_EQ(log.lines().size(), 4u);
    // Without a delegate a tap still takes the alert away.
    EXPECT_TRUE(alert->tapButtonWithTitle("Ok"));
    EXPECT_FALSE(alert->visible());
}

TEST_F(ModalTest, TheDelegateMayShowAnotherAlertOrDismissInsideTheClick)
{
    RefPtr<UIAlertView> second;
    listener->onClick = [&](UIModalView& view, const std::string& title) {
        if (title == "Rename") {
            // Shown again, as the layout picker does for an empty name.
            second = makeRef<UIAlertView>("Rename Layout", "What would you like to name this layout?", listener, "Cancel", std::vector<std::string> { "Rename" });
            second->show();
        } else {
            view.dismissWithClickedButtonIndex(0, false);
        }
    };
    Ref<UIAlertView> first = makeRef<UIAlertView>("Rename Layout", "What would you like to name this layout?", listener, "Cancel", std::vector<std::string> { "Rename" });
    first->show();
    first->tapButtonWithTitle("Rename");
    ASSERT_TRUE(second);
    EXPECT_FALSE(first->visible());
    EXPECT_TRUE(second->visible());
    listener->calls.clear();
    second->tapButtonWithTitle("Cancel");
    EXPECT_EQ(listener->calls, (std::vector<std::string> { "clicked 0 Cancel", "will 0", "did 0" }));
}

TEST_F(ModalTest, TheScreenHoldsAShownAlertAndNotItsDelegate)
{
    WeakPtr<UIAlertView> weak;
    {
        Ref<UIAlertView> alert = makeRef<UIAlertView>("Saved", "", listener, "Ok");
        weak = alert;
        alert->show();
    }
    ASSERT_TRUE(weak.lock());
    listener = makeRef<ModalListener>(); // the old delegate goes away
    EXPECT_TRUE(weak.lock()->tapButtonWithTitle("Ok"));
    EXPECT_FALSE(weak.lock());
}

TEST_F(ModalTest, TextInputStylesBringTextFields)
{
    Ref<UIAlertView> alert = makeRef<UIAlertView>("Set Icon Amount", "How many Icons do you want on the screen?", listener, "Cancel", std::vector<std::string> { "Set" });
    LogCapture log;
    EXPECT_FALSE(alert->textFieldAtIndex(0)); // the default style has none
    alert->setAlertViewStyle(UIAlertViewStylePlainTextInput);
    RefPtr<UITextField> field = alert->textFieldAtIndex(0);
    ASSERT_TRUE(field);
    EXPECT_FALSE(alert->textFieldAtIndex(1));
    EXPECT_EQ(log.lines().size(), 2u);
    field->setPlaceholder("Icon Amount");

    alert->show();
    EXPECT_TRUE(field->isFirstResponder());
    EXPECT_TRUE(field->typeText("12"));
    listener->onClick = [&](UIModalView& view, const std::string& title) {
        if (title == "Set")
            listener->calls.push_back("amount " + static_cast<UIAlertView&>(view).textFieldAtIndex(0)->text());
    };
    alert->tapButtonWithTitle("Set");
    EXPECT_EQ(listener->calls, (std::vector<std::string> { "clicked 1 Set", "amount 12", "will 1", "did 1" }));
    EXPECT_FALSE(field->isFirstResponder());

    Ref<UIAlertView> login = makeRef<UIAlertView>("", "", nullptr, "Cancel");
    login->setAlertViewStyle(UIAlertViewStyleLoginAndPasswordInput);
    EXPECT_EQ(login->textFieldAtIndex(0)->placeholder(), "Login");
    EXPECT_TRUE(login->textFieldAtIndex(1)->secureTextEntry());
}

TEST_F(ModalTest, ShowingCancelsEveryTouchInProgress)
{
    std::vector<std::string> log;
    Ref<UIWindow> window = qv::uikittest::makeWindow();
    Ref<RecordingView> canvas = makeRef<RecordingView>("canvas", CGRectMake(0, 0, 320, 400), log);
    Ref<UIButton> button = UIButton::buttonWithType(UIButtonTypeSystem);
    button->setFrame(CGRectMake(10, 500, 50, 24));
    window->addSubview(canvas);
    window->addSubview(button);
    int cancels = 0;
    button->addTarget(nullptr, [&](UIControl&, UIEvent*) { ++cancels; }, UIControlEventTouchCancel);
    UITouchDriver& driver = UITouchDriver::shared();
    driver.fingersDown(window, { { 1, CGPointMake(100, 100) }, { 2, CGPointMake(20, 510) } });
    EXPECT_TRUE(button->highlighted());

    Ref<UIActionSheet> sheet = makeRef<UIActionSheet>("", listener, "Cancel", "Delete All Icons", std::vector<std::string> { "Hide Buttons" });
    sheet->showInView(canvas.ptr());
    EXPECT_EQ(log, (std::vector<std::string> { "canvas began 1", "canvas cancelled 1" }));
    EXPECT_EQ(cancels, 1);
    EXPECT_FALSE(button->highlighted());
    EXPECT_FALSE(driver.hasTouchesInProgress());
}
