#include "PSViewController.h"

#include "platform/UIKit/UINavigationController.h"
#include "platform/UIKit/UINavigationItem.h"

namespace qv {

namespace {

bool isPageClass(Class cls)
{
    Class page = objc_getClass("PSViewController");
    for (; cls; cls = class_getSuperclass(cls)) {
        if (cls == page)
            return true;
    }
    return false;
}

} // namespace

RefPtr<PSViewController> PSViewController::controllerWithClassName(const std::string& className, CGSize contentSize, std::string& error)
{
    Class cls = objc_getClass(className.c_str());
    if (!cls) {
        error = "no class named " + className;
        return nullptr;
    }
    if (!isPageClass(cls)) {
        error = className + " is not a PSViewController";
        return nullptr;
    }
    SEL initialiser = sel_registerName("initForContentSize:");
    Method method = class_getInstanceMethod(cls, initialiser);
    if (!method) {
        error = className + " does not answer initForContentSize:";
        return nullptr;
    }
    if (normalizedTypeEncoding(method_getTypeEncoding(method)) != methodEncoding<RefPtr<Object>, CGSize>()) {
        error = className + " answers initForContentSize: with types " + method_getTypeEncoding(method);
        return nullptr;
    }
    RefPtr<objc_object> made = class_createInstance(cls);
    RefPtr<PSViewController> controller = dynamicRefCast<PSViewController>(msgSend<RefPtr<Object>>(made, initialiser, contentSize));
    if (!controller)
        error = "initForContentSize: of " + className + " answered no page";
    return controller;
}

void PSViewController::pushController(const RefPtr<PSViewController>& controller)
{
    if (!controller)
        return;
    if (controller->bundlePath().empty())
        controller->setBundlePath(m_bundlePath);
    if (RefPtr<UINavigationController> navigation = navigationController())
        navigation->pushViewController(controller, true);
}

void PSViewController::viewWillAppear(bool animated)
{
    UIViewController::viewWillAppear(animated);
    viewWillBecomeVisible(nullptr);
}

} // namespace qv
