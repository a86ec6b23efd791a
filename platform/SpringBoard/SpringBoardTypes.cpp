#include "SpringBoardTypes.h"

#include "SBApplication.h"
#include "SBApplicationIcon.h"
#include "SBDockIconListView.h"
#include "SBFolder.h"
#include "SBFolderBackgroundView.h"
#include "SBFolderController.h"
#include "SBFolderIcon.h"
#include "SBFolderIconListView.h"
#include "SBGridLockPlaceholderIcon.h"
#include "SBIcon.h"
#include "SBIconAnimator.h"
#include "SBIconContentView.h"
#include "SBIconController.h"
#include "SBIconListModel.h"
#include "SBIconListView.h"
#include "SBIconView.h"
#include "SBLockScreenViewController.h"
#include "SBNewsstandFolder.h"
#include "SBNewsstandIcon.h"
#include "SBNewsstandIconListView.h"
#include "SBPlaceholderIcon.h"
#include "SBRootFolder.h"
#include "SBRootFolderController.h"
#include "SBRootIconListView.h"
#include "SpringBoard.h"
#include "platform/UIKit/UIDevice.h"
#include "platform/UIKit/UIScreen.h"

#include <algorithm>
#include <mutex>

namespace qv {

const SBIconGridMetrics& SBCurrentGridMetrics()
{
    constexpr int64_t padDeviceClass = 4;
    UIDevice& device = UIDevice::currentDevice();
    if (device.respondsToUserInterfaceIdiom() && device.userInterfaceIdiom() == UIUserInterfaceIdiomPad)
        return *SBIconGridMetrics::forDeviceClass(padDeviceClass);

    UIScreen& screen = UIScreen::mainScreen();
    CGFloat height = screen.respondsToNativeBounds() && screen.nativeScale() > 0
        ? screen.nativeBounds().size.height / screen.nativeScale()
        : std::max(screen.bounds().size.width, screen.bounds().size.height);
    const SBIconGridMetrics* chosen = SBIconGridMetrics::forDeviceClass(0);
    for (const SBIconGridMetrics& metrics : SBIconGridMetrics::all()) {
        CGFloat phoneHeight = metrics.screenSize(SBGridOrientation::Portrait).height;
        if (!metrics.isPad() && phoneHeight <= height && phoneHeight > chosen->screenSize(SBGridOrientation::Portrait).height)
            chosen = &metrics;
    }
    return *chosen;
}

void SBRegisterClasses()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // Superclasses first.
        SBIcon::registerClass();
        SBApplicationIcon::registerClass();
        SBFolderIcon::registerClass();
        SBNewsstandIcon::registerClass();
        SBPlaceholderIcon::registerClass();
        SBGridLockPlaceholderIcon::registerClass();
        SBApplication::registerClass();
        SBIconListModel::registerClass();
        SBFolder::registerClass();
        SBRootFolder::registerClass();
        SBNewsstandFolder::registerClass();
        SBIconView::registerClass();
        SBIconContentView::registerClass();
        SBFolderBackgroundView::registerClass();
        SBIconListView::registerClass();
        SBRootIconListView::registerClass();
        SBFolderIconListView::registerClass();
        SBDockIconListView::registerClass();
        SBNewsstandIconListView::registerClass();
        SBFolderController::registerClass();
        SBRootFolderController::registerClass();
        SBIconController::registerClass();
        SBIconAnimator::registerClass();
        SBLockScreenViewController::registerClass();
        SpringBoard::registerClass();
    });
}

} // namespace qv
