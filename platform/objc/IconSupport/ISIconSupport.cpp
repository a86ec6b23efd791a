#include "ISIconSupport.h"

#include "platform/Foundation/DeviceRootState.h"
#include "platform/Foundation/NSData.h"
#include "platform/Foundation/NSFileManager.h"
#include "platform/Foundation/NSString.h"
#include "platform/Foundation/PathUtilities.h"
#include "platform/core/Log.h"

#include <algorithm>

namespace qv {

void ISIconSupport::registerClass()
{
    Class cls = objc_allocateClassPair<ISIconSupport>(objc_getClass("NSObject"), "ISIconSupport");
    if (!cls)
        return;
    class_addMethod(object_getClass(cls), sel_registerName("sharedInstance"), &ISIconSupport::sharedInstance);
    class_addMethod(cls, sel_registerName("addExtension:"), &ISIconSupport::addExtension);
    objc_registerClassPair(cls);
}

RefPtr<objc_object> ISIconSupport::sharedInstance(Class self, SEL)
{
    // Made once for the device root and kept while it stays; the list it
    // remembers belongs to that device. The holder lives as long as the process.
    static auto* shared = new RootBound<RefPtr<objc_object>>([self] { return msgSend<RefPtr<objc_object>>(self, "new"); });
    return shared->get();
}

void ISIconSupport::addExtension(ISIconSupport* self, SEL, NSString* identifier)
{
    if (!identifier)
        return;
    {
        std::lock_guard guard(self->m_lock);
        auto& known = self->m_extensions;
        if (std::find(known.begin(), known.end(), identifier->string()) != known.end())
            return;
        known.push_back(identifier->string());
    }
    self->writeExtensions();
}

void ISIconSupport::writeExtensions()
{
    // Each write takes the list as it is once the writes before it are done,
    // so a write of an older list can never land after a newer one.
    std::lock_guard writing(m_writeLock);
    std::string text;
    {
        std::lock_guard guard(m_lock);
        for (const std::string& extension : m_extensions)
            text += extension + "\n";
    }
    NSFileManager::defaultManager()->createDirectoryAtPath(stringByDeletingLastPathComponent(extensionsPath), true);
    if (!NSData::dataWithBytes(text.data(), text.size())->writeToFile(extensionsPath, true))
        logLine(std::string("IconSupport: cannot write ") + extensionsPath);
}

namespace {
__attribute__((constructor)) void IconSupportInitialize()
{
    ISIconSupport::registerClass();
}
}

} // namespace qv
