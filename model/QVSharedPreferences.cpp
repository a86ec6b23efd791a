#include "QVSharedPreferences.h"

#include "model/QVPreferenceNames.h"
#include "platform/CoreFoundation/CFNotificationCenter.h"
#include "platform/CoreFoundation/CFPreferences.h"
#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/Foundation/NSString.h"

#include <cmath>

namespace qv {

namespace {

const NSNumber* asNumber(const NSObject* value)
{
    return dynamic_cast<const NSNumber*>(value);
}

std::optional<double> finiteNumber(const NSDictionary& dictionary, const std::string& key)
{
    RefPtr<NSNumber> number = dictionary.numberForKey(key);
    if (!number || !std::isfinite(number->doubleValue()))
        return std::nullopt;
    return number->doubleValue();
}

} // namespace

std::optional<bool> QVSharedPreferences::boolValue(const NSObject* value)
{
    if (const NSNumber* number = asNumber(value))
        return number->boolValue();
    return std::nullopt;
}

std::optional<long long> QVSharedPreferences::integerValue(const NSObject* value)
{
    if (const NSNumber* number = asNumber(value))
        return number->longLongValue();
    return std::nullopt;
}

std::optional<std::string> QVSharedPreferences::stringValue(const NSObject* value)
{
    if (const NSString* string = dynamic_cast<const NSString*>(value))
        return string->string();
    return std::nullopt;
}

std::optional<QVLayoutReference> QVSharedPreferences::layoutReferenceValue(const NSObject* value)
{
    std::optional<std::string> string = stringValue(value);
    if (!string)
        return std::nullopt;
    return QVLayoutReference::parse(*string);
}

std::optional<std::vector<std::string>> QVSharedPreferences::stringArrayValue(const NSObject* value)
{
    const NSArray* array = dynamic_cast<const NSArray*>(value);
    if (!array)
        return std::nullopt;
    std::vector<std::string> strings;
    for (const Ref<NSObject>& object : array->objects()) {
        if (std::optional<std::string> string = stringValue(object.ptr()))
            strings.push_back(std::move(*string));
    }
    return strings;
}

std::optional<QVFolderViewSize> QVSharedPreferences::folderViewSizeValue(const NSObject* value)
{
    const NSDictionary* dictionary = dynamic_cast<const NSDictionary*>(value);
    if (!dictionary)
        return std::nullopt;
    std::optional<double> width = finiteNumber(*dictionary, QVFolderViewWidthKey);
    std::optional<double> height = finiteNumber(*dictionary, QVFolderViewHeightKey);
    std::optional<double> cornerRadius = finiteNumber(*dictionary, QVFolderViewCornerRadiusKey);
    if (!width || !height || !cornerRadius)
        return std::nullopt;
    return QVFolderViewSize { *width, *height, *cornerRadius };
}

RefPtr<NSObject> QVSharedPreferences::copyValue(const std::string& key)
{
    return CFPreferencesCopyAppValue(key, QVPreferenceDomain);
}

bool QVSharedPreferences::boolForKey(const std::string& key)
{
    return boolValue(copyValue(key).get()).value_or(false);
}

std::optional<long long> QVSharedPreferences::integerForKey(const std::string& key)
{
    return integerValue(copyValue(key).get());
}

std::optional<std::string> QVSharedPreferences::stringForKey(const std::string& key)
{
    return stringValue(copyValue(key).get());
}

std::optional<QVLayoutReference> QVSharedPreferences::layoutReferenceForKey(const std::string& key)
{
    return layoutReferenceValue(copyValue(key).get());
}

std::optional<std::vector<std::string>> QVSharedPreferences::folderList()
{
    return stringArrayValue(copyValue(QVFolderListKey).get());
}

std::optional<QVFolderViewSize> QVSharedPreferences::folderViewSize()
{
    return folderViewSizeValue(copyValue(QVFolderViewSizeKey).get());
}

void QVSharedPreferences::setValue(const std::string& key, RefPtr<NSObject> value)
{
    CFPreferencesSetAppValue(key, std::move(value), QVPreferenceDomain);
}

bool QVSharedPreferences::synchronize()
{
    return CFPreferencesAppSynchronize(QVPreferenceDomain);
}

void QVSharedPreferences::postNotification(const std::string& name)
{
    CFNotificationCenterPostNotification(CFNotificationCenterGetDarwinNotifyCenter(), name, nullptr, nullptr, true);
}

void QVSharedPreferences::synchronizeAndPost(const std::string& name)
{
    synchronize();
    postNotification(name);
}

} // namespace qv
