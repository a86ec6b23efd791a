// The editor's side of the theme browser: opening it for the icon or the
// background image, and showing what was chosen there.
#include "QVLayoutMaker.h"

#include "library/themes/QVThemeBrowser.h"
#include "model/QVThemeImages.h"
#include "platform/Foundation/DispatchQueue.h"
#include "platform/Foundation/ValueConversions.h"
#include "platform/UIKit/UIDevice.h"
#include "platform/UIKit/UINavigationController.h"

namespace qv {

void QVLayoutMaker::showThemeBrowserWithBrowseType(int32_t browseType)
{
    auto browser = makeRef<QVThemeBrowser>(UITableViewStylePlain, browseType);
    browser->setDelegate(WeakPtr<QVThemeBrowserDelegate>(this));
    auto navigation = makeRef<UINavigationController>(browser);
    if (m_device && m_device->iPad()) {
        m_themeBrowserPopover = makeRef<UIPopoverController>(navigation);
        m_themeBrowserPopover->setPopoverContentSize(CGSizeMake(320, 568));
        // Before 8.0 the popover is shown at once: nothing would present it later.
        if (systemIsAtLeast8())
            presentThemePopoverOnNextTurn();
        else
            presentThemePopover();
        return;
    }
    presentViewController(navigation, true);
}

bool QVLayoutMaker::systemIsAtLeast8()
{
    return floatValueOfString(UIDevice::currentDevice().systemVersion()) >= 8.0f;
}

void QVLayoutMaker::presentThemePopover()
{
    if (m_themeBrowserPopover)
        m_themeBrowserPopover->presentPopoverFromRect(m_imageButton ? m_imageButton->frame() : CGRectZero, view().ptr(),
            UIPopoverArrowDirectionAny, true);
}

void QVLayoutMaker::presentThemePopoverOnNextTurn()
{
    WeakPtr<QVLayoutMaker> weakThis(*this);
    dispatch_async(dispatch_get_main_queue(), [weakThis] {
        if (auto editor = weakThis.lock())
            editor->presentThemePopover();
    });
}

void QVLayoutMaker::themeBrowserDidFinishWithBrowseType(QVThemeBrowser* browser, int32_t browseType)
{
    if (browseType == QVBrowseTypeIconImage) {
        if (m_iconManager)
            m_iconManager->iconImageChanged();
    } else if (browseType == QVBrowseTypeBackgroundImage) {
        if (m_background)
            m_background->setImage(m_settings->currentBackgroundImage());
    }
    themeBrowserDidCancel(browser);
}

void QVLayoutMaker::themeBrowserDidCancel(QVThemeBrowser*)
{
    if (m_device && m_device->iPad()) {
        if (m_themeBrowserPopover)
            m_themeBrowserPopover->dismissPopoverAnimated(true);
        return;
    }
    dismissViewControllerAnimated(true);
}

} // namespace qv
