// What runs when the Settings app loads the bundle's library, before any of
// its classes is used: the Preferences framework gets initForContentSize:
// on systems whose PSViewController lacks it, and the bundle's pages are
// defined in the object runtime.
#include "BundleLoad.h"

#include "QVApplyLayoutController.h"
#include "QVLayoutPickerController.h"
#include "QuiltvanePrefsListController.h"
#include "platform/objc/objc.h"

namespace qv {

void installInitForContentSize()
{
    Class page = objc_getClass("PSViewController");
    SEL initialiser = sel_registerName("initForContentSize:");
    if (!page || class_respondsToSelector(page, initialiser))
        return;
    // The size is not needed where the system has no such initialiser: a
    // page then starts as a plain init makes it.
    class_addMethod(page, initialiser, imp_implementationWithBlock([](id self, CGSize) {
        return msgSend<RefPtr<Object>>(self, "init");
    }), methodEncoding<RefPtr<Object>, CGSize>().c_str());
}

} // namespace qv

__attribute__((constructor)) static void loadQuiltvanePrefs()
{
    qv::installInitForContentSize();
    qv::QuiltvanePrefsListController::registerClass();
    qv::QVLayoutPickerController::registerClass();
    qv::QVApplyLayoutController::registerClass();
}
