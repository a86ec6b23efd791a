#include "UIActionSheet.h"

#include "UIDevice.h"

#include "platform/core/Log.h"

namespace qv {

UIActionSheet::UIActionSheet()
    : UIModalView(std::string())
{
}

UIActionSheet::UIActionSheet(std::string title, const WeakPtr<UIActionSheetDelegate>& delegate,
    std::optional<std::string> cancelButtonTitle, std::optional<std::string> destructiveButtonTitle,
    std::vector<std::string> otherButtonTitles)
    : UIModalView(std::move(title))
    , m_delegate(delegate)
{
    if (destructiveButtonTitle)
        m_destructiveButtonIndex = addButtonWithTitle(std::move(*destructiveButtonTitle));
    for (std::string& other : otherButtonTitles) {
        int64_t index = addButtonWithTitle(std::move(other));
        if (m_firstOtherButtonIndex < 0)
            m_firstOtherButtonIndex = index;
    }
    if (cancelButtonTitle)
        m_cancelButtonIndex = addButtonWithTitle(std::move(*cancelButtonTitle));
}

void UIActionSheet::showInView(UIView* view)
{
    showIn(view, std::nullopt);
}

void UIActionSheet::showFromRect(CGRect rect, UIView* inView, bool)
{
    showIn(inView, rect);
}

void UIActionSheet::showIn(UIView* view, std::optional<CGRect> rect)
{
    if (!view) {
        logLine("UIActionSheet: refused to show a sheet in no view");
        return;
    }
    if (visible())
        return;
    m_presentationView = WeakPtr<UIView>(view);
    m_presentationRect = rect;
    present();
}

bool UIActionSheet::tapOutside()
{
    if (!visible()) {
        logLine("UIActionSheet: a sheet that is not on screen has no outside to tap");
        return false;
    }
    if (UIDevice::currentDevice().userInterfaceIdiom() != UIUserInterfaceIdiomPad) {
        logLine("UIActionSheet: on a phone the sheet covers the screen: there is no outside to tap");
        return false;
    }
    click(cancelButtonIndex());
    return true;
}

void UIActionSheet::tellClicked(int64_t buttonIndex)
{
    if (RefPtr<UIActionSheetDelegate> delegate = this->delegate())
        delegate->actionSheetClickedButtonAtIndex(this, buttonIndex);
}

void UIActionSheet::tellWillDismiss(int64_t buttonIndex)
{
    if (RefPtr<UIActionSheetDelegate> delegate = this->delegate())
        delegate->actionSheetWillDismissWithButtonIndex(this, buttonIndex);
}

void UIActionSheet::tellDidDismiss(int64_t buttonIndex)
{
    if (RefPtr<UIActionSheetDelegate> delegate = this->delegate())
        delegate->actionSheetDidDismissWithButtonIndex(this, buttonIndex);
}

} // namespace qv
