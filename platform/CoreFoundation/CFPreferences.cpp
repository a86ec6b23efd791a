#include "CFPreferences.h"

#include "CFPreferencesDomain.h"

#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSPropertyListSerialization.h"

#include "platform/core/Log.h"

namespace qv {

namespace {

// Values go in and come out as copies, so that a caller changing a
// container it set or read does not change the domain behind its back; the
// copy also proves the value is a property list. Made in binary, which
// holds every value a reader can give (text with control characters too).
RefPtr<NSObject> copyOfPropertyList(const NSObject& value)
{
    std::optional<std::string> document = NSPropertyListSerialization::dataWithPropertyList(value, NSPropertyListBinaryFormat_v1_0);
    if (!document)
        return nullptr;
    return NSPropertyListSerialization::propertyListWithData(*document);
}

} // namespace

RefPtr<NSObject> CFPreferencesCopyAppValue(const std::string& key, const std::string& applicationID)
{
    RefPtr<CFPreferencesDomain> domain = CFPreferencesDomain::domainNamed(applicationID);
    if (!domain)
        return nullptr;
    RefPtr<NSObject> value = domain->copyValue(key);
    if (!value)
        return nullptr;
    // Numbers, strings, data and dates cannot change: the caller may share
    // them. Lists and dictionaries are copied, so the caller changes its
    // own and not this process's view.
    if (dynamic_cast<const NSArray*>(value.get()) || dynamic_cast<const NSDictionary*>(value.get()))
        return copyOfPropertyList(*value);
    return value;
}

void CFPreferencesSetAppValue(const std::string& key, RefPtr<NSObject> value, const std::string& applicationID)
{
    RefPtr<CFPreferencesDomain> domain = CFPreferencesDomain::domainNamed(applicationID);
    if (!domain)
        return;
    RefPtr<NSObject> copy;
    if (value) {
        copy = copyOfPropertyList(*value);
        if (!copy) {
            logLine("CFPreferences: the value for \"" + key + "\" is no property list; not set");
            return;
        }
    }
    domain->setValue(key, std::move(copy));
}

bool CFPreferencesAppSynchronize(const std::string& applicationID)
{
    RefPtr<CFPreferencesDomain> domain = CFPreferencesDomain::domainNamed(applicationID);
    return domain && domain->synchronize();
}

} // namespace qv
