#include "UIKeyboard.h"

#include "UIApplication.h"
#include "UIDevice.h"
#include "UIScreen.h"

#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSNotificationCenter.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/Foundation/NSValue.h"

namespace qv {

const std::string UIKeyboardWillShowNotification = "UIKeyboardWillShowNotification";
const std::string UIKeyboardDidShowNotification = "UIKeyboardDidShowNotification";
const std::string UIKeyboardWillHideNotification = "UIKeyboardWillHideNotification";
const std::string UIKeyboardDidHideNotification = "UIKeyboardDidHideNotification";
const std::string UIKeyboardFrameBeginUserInfoKey = "UIKeyboardFrameBeginUserInfoKey";
const std::string UIKeyboardFrameEndUserInfoKey = "UIKeyboardFrameEndUserInfoKey";
const std::string UIKeyboardAnimationDurationUserInfoKey = "UIKeyboardAnimationDurationUserInfoKey";

namespace {

constexpr double keyboardAnimationDuration = 0.25;

struct KeyboardState {
    bool visible = false;
    int deferrals = 0;
};

KeyboardState& state()
{
    static KeyboardState keyboard;
    return keyboard;
}

CGFloat keyboardHeight()
{
    const bool pad = UIDevice::currentDevice().userInterfaceIdiom() == UIUserInterfaceIdiomPad;
    const bool landscape = UIInterfaceOrientationIsLandscape(UIApplication::sharedApplication()->statusBarOrientation());
    if (pad)
        return landscape ? 352 : 264;
    return landscape ? 162 : 216;
}

CGRect offScreenFrame()
{
    const CGRect screen = UIScreen::mainScreen().bounds();
    return CGRectMake(0, CGRectGetMaxY(screen), screen.size.width, keyboardHeight());
}

void post(const std::string& name, CGRect begin, CGRect end)
{
    Ref<NSDictionary> userInfo = NSDictionary::create();
    userInfo->setObject(NSValue::valueWithCGRect(begin), UIKeyboardFrameBeginUserInfoKey);
    userInfo->setObject(NSValue::valueWithCGRect(end), UIKeyboardFrameEndUserInfoKey);
    userInfo->setObject(keyboardAnimationDuration, UIKeyboardAnimationDurationUserInfoKey);
    NSNotificationCenter::defaultCenter()->postNotificationName(name, nullptr, userInfo);
}

} // namespace

bool UIKeyboard::isVisible()
{
    return state().visible;
}

CGRect UIKeyboard::frame()
{
    const CGRect screen = UIScreen::mainScreen().bounds();
    const CGFloat height = keyboardHeight();
    return CGRectMake(0, CGRectGetMaxY(screen) - height, screen.size.width, height);
}

void UIKeyboard::firstResponderDidChange()
{
    if (state().deferrals > 0)
        return;
    RefPtr<UIResponder> responder = UIResponder::firstResponder();
    const bool wanted = responder && responder->requiresKeyboard();
    if (wanted == state().visible)
        return;
    state().visible = wanted;
    if (wanted) {
        post(UIKeyboardWillShowNotification, offScreenFrame(), frame());
        post(UIKeyboardDidShowNotification, offScreenFrame(), frame());
    } else {
        post(UIKeyboardWillHideNotification, frame(), offScreenFrame());
        post(UIKeyboardDidHideNotification, frame(), offScreenFrame());
    }
}

UIKeyboard::Deferral::Deferral()
{
    ++state().deferrals;
}

UIKeyboard::Deferral::~Deferral()
{
    if (--state().deferrals == 0)
        firstResponderDidChange();
}

} // namespace qv
