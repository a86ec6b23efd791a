#include "SpringBoardTypes.h"

#include "SBApplication.h"
#include "SBApplicationIcon.h"
#include "SBDockIconListView.h"
#include "SBFolder.h"
#include "SBFolderBackgroundView.h"
#include "SBFolderController.h"
#include "SBFolderIcon.h"
#include "SBIcon.h"
#include "SBFolderIconZoomAnimator.h"
#include "SBIconAnimator.h"
#include "SBIconContentView.h"
#include "SBIconController.h"
#include "SBIconListModel.h"
#include "SBIconListView.h"
#include "SBIconView.h"
#include "SBLockScreenViewController.h"
#include "SBRootFolder.h"
#include "SBRootFolderController.h"
#include "SpringBoard.h"
#include "SpringBoardRuntime.h"
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

Class SBDefineNamedClass(const char* superclassName, const char* name)
{
    Class cls = objc_allocateClassPair(objc_getClass(superclassName), name);
    if (!cls)
        return objc_getClass(name);
    objc_registerClassPair(cls);
    return cls;
}

bool SBIsKindOfClass(id object, const char* className)
{
    Class wanted = objc_getClass(className);
    for (Class cls = object_getClass(object); cls && wanted; cls = class_getSuperclass(cls)) {
        if (cls == wanted)
            return true;
    }
    return false;
}

void SBRegisterClasses()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // Superclasses first. The classes that only name a kind of their
        // superclass have no C++ class of their own.
        SBIcon::registerClass();
        SBApplicationIcon::registerClass();
        SBFolderIcon::registerClass();
        SBDefineNamedClass("SBFolderIcon", "SBNewsstandIcon");
        SBDefineNamedClass("SBIcon", "SBPlaceholderIcon");
        SBDefineNamedClass("SBIcon", "SBGridLockPlaceholderIcon");
        SBApplication::registerClass();
        SBIconListModel::registerClass();
        SBFolder::registerClass();
        SBRootFolder::registerClass();
        SBDefineNamedClass("SBFolder", "SBNewsstandFolder");
        SBIconView::registerClass();
        SBIconContentView::registerClass();
        SBFolderBackgroundView::registerClass();
        SBIconListView::registerClass();
        SBDefineNamedClass("SBIconListView", "SBRootIconListView");
        SBDefineNamedClass("SBIconListView", "SBFolderIconListView");
        SBDockIconListView::registerClass();
        SBDefineNamedClass("SBIconListView", "SBNewsstandIconListView");
        SBFolderController::registerClass();
        SBRootFolderController::registerClass();
        SBIconController::registerClass();
        SBIconAnimator::registerClass();
        SBFolderIconZoomAnimator::registerClass();
        SBLockScreenViewController::registerClass();
        SpringBoard::registerClass();
    });
}

} // namespace qv
