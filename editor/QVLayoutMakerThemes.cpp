// The editor's side of the theme browser: opening it for the icon or the
// background image, and showing what was chosen there.
#include "QVLayoutMaker.h"

#include "library/themes/QVThemeBrowser.h"
#include "model/QVThemeImages.h"
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
        m_themeBrowserPopover->presentPopoverFromRect(m_imageButton ? m_imageButton->frame() : CGRectZero, view().ptr(),
            UIPopoverArrowDirectionAny, true);
        return;
    }
    presentViewController(navigation, true);
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
