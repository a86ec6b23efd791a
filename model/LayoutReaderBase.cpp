#include "LayoutReaderBase.h"

#include "model/QVDeviceType.h"
#include "model/QVLayoutKeys.h"
#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/PathUtilities.h"

namespace qv {

namespace {

RefPtr<NSDictionary> readDefaultLayout(const char* fileName)
{
    return NSDictionary::dictionaryWithContentsOfFile(stringByAppendingPathComponent(QVDefaultLayoutsFolder, fileName));
}

// Moves the value under one key to another; false when there is none.
bool moveValue(NSDictionary& layout, const std::string& fromKey, const std::string& toKey)
{
    RefPtr<NSObject> value = layout.objectForKey(fromKey);
    if (!value || fromKey == toKey)
        return false;
    layout.setObject(value.toRef(), toKey);
    layout.removeObjectForKey(fromKey);
    return true;
}

// A copy of a value taken from a default layout: containers get a list or
// dictionary of their own, so that the layout never shares one with it.
Ref<NSObject> copyOfValue(const Ref<NSObject>& value)
{
    if (auto array = dynamicRefCast<NSArray>(value))
        return array->mutableCopy();
    if (auto dictionary = dynamicRefCast<NSDictionary>(value))
        return dictionary->mutableCopy();
    return value;
}

void copyValue(const NSDictionary& from, NSDictionary& to, const std::string& key)
{
    if (RefPtr<NSObject> value = from.objectForKey(key))
        to.setObject(copyOfValue(value.toRef()), key);
}

bool removeIfDictionary(NSDictionary& layout, const std::string& key)
{
    if (!layout.dictionaryForKey(key))
        return false;
    layout.removeObjectForKey(key);
    return true;
}

// The elements of an icon list, in order; a value that is no list gives
// none.
void appendIconEntries(NSArray& list, const RefPtr<NSObject>& value)
{
    if (auto entries = dynamicRefCast<NSArray>(value))
        list.addObjectsFromArray(*entries);
}

} // namespace

static RefPtr<NSObject> valueForKey(const RefPtr<NSDictionary>& dictionary, const std::string& key)
{
    return dictionary ? dictionary->objectForKey(key) : nullptr;
}

bool boolValueForKey(const RefPtr<NSDictionary>& dictionary, const std::string& key)
{
    RefPtr<NSObject> value = valueForKey(dictionary, key);
    return value && value->boolValue();
}

int intValueForKey(const RefPtr<NSDictionary>& dictionary, const std::string& key)
{
    RefPtr<NSObject> value = valueForKey(dictionary, key);
    return value ? value->intValue() : 0;
}

float floatValueForKey(const RefPtr<NSDictionary>& dictionary, const std::string& key)
{
    RefPtr<NSObject> value = valueForKey(dictionary, key);
    return value ? value->floatValue() : 0.0f;
}

LayoutReaderBase::LayoutReaderBase()
    : m_fileManager(NSFileManager::defaultManager())
{
}

RefPtr<NSDictionary> LayoutReaderBase::defaultLayout() const
{
    return readDefaultLayout(QVDefaultLayoutFileName);
}

RefPtr<NSDictionary> LayoutReaderBase::defaultFolderLayout() const
{
    return readDefaultLayout(QVDefaultFolderLayoutFileName);
}

CGRect LayoutReaderBase::iconFrameFromIconData(const RefPtr<NSObject>& iconData, CGRect withDefaultIconFrame) const
{
    return { iconOriginFromIconData(iconData), withDefaultIconFrame.size };
}

RefPtr<NSDictionary> LayoutReaderBase::_fixCorruptedLayoutIfNecessary(const RefPtr<NSDictionary>& layout,
    const std::optional<std::string>& withSavePath) const
{
    const std::string portraitKey = currentDeviceKey(QVOriginsStem, false);
    const std::string landscapeKey = currentDeviceKey(QVOriginsStem, true);
    if (!layout)
        return nullptr;

    bool changed = removeIfDictionary(*layout, portraitKey);
    changed = removeIfDictionary(*layout, landscapeKey) || changed;
    if (changed && withSavePath)
        layout->writeToFile(*withSavePath, true);
    return layout;
}

RefPtr<NSDictionary> LayoutReaderBase::_convertLayoutIfNecessary(const RefPtr<NSDictionary>& layout, bool isFolderLayout,
    const std::string& baseKey) const
{
    if (!layout)
        return nullptr;
    const std::string portraitKey = currentDeviceKey(baseKey, false);
    const std::string landscapeKey = currentDeviceKey(baseKey, true);
    const std::string tallKey = baseKey + QVTallSuffix;

    // Whether the device's keys were there before any move: an older form
    // only moves into a key the layout lacked.
    const bool portraitPresent = layout->objectForKey(portraitKey) != nullptr;
    const bool landscapePresent = layout->objectForKey(landscapeKey) != nullptr;
    bool portraitMoved = false;
    bool landscapeMoved = false;

    if (!portraitPresent)
        portraitMoved = moveValue(*layout, baseKey, portraitKey);
    if (!landscapePresent)
        landscapeMoved = moveValue(*layout, baseKey + QVLandscapeSuffix, landscapeKey);
    // The "-Tall" forms are the later ones, so they win over the bare stems.
    if (!portraitPresent)
        portraitMoved = moveValue(*layout, tallKey, portraitKey) || portraitMoved;
    if (!landscapePresent)
        landscapeMoved = moveValue(*layout, tallKey + QVLandscapeSuffix, landscapeKey) || landscapeMoved;

    RefPtr<NSDictionary> defaults = isFolderLayout ? defaultFolderLayout() : defaultLayout();
    if (!defaults)
        return layout;
    if (!portraitPresent && !portraitMoved)
        copyValue(*defaults, *layout, portraitKey);
    if (!landscapePresent && !landscapeMoved)
        copyValue(*defaults, *layout, landscapeKey);
    return layout;
}

RefPtr<NSDictionary> LayoutReaderBase::convertLayoutIfNecessary(const RefPtr<NSDictionary>& layout,
    const std::optional<std::string>& withSavePath, bool isFolderLayout) const
{
    RefPtr<NSDictionary> repaired = _fixCorruptedLayoutIfNecessary(layout, withSavePath);
    _convertLayoutIfNecessary(repaired, isFolderLayout, QVOriginsStem);
    _convertLayoutIfNecessary(repaired, isFolderLayout, QVGridSizeStem);
    if (repaired && withSavePath)
        repaired->writeToFile(*withSavePath, true);
    return repaired;
}

Ref<NSDictionary> LayoutReaderBase::generateIconsFromLayout(const RefPtr<NSDictionary>& layout) const
{
    const bool isFolderLayout = boolValueForKey(layout, QVFolderLayoutKey);
    RefPtr<NSDictionary> upgraded = convertLayoutIfNecessary(layout, std::nullopt, isFolderLayout);

    Ref<NSArray> portrait = NSArray::create();
    Ref<NSArray> landscape = NSArray::create();
    if (upgraded) {
        appendIconEntries(portrait, upgraded->objectForKey(currentDeviceKey(QVOriginsStem, false)));
        if (RefPtr<NSObject> landscapeEntries = upgraded->objectForKey(currentDeviceKey(QVOriginsStem, true))) {
            appendIconEntries(landscape, landscapeEntries);
        } else if (currentDeviceType() != QVDeviceTypeiPhone3_5Inch) {
            // Layouts made before the taller phones kept only the 3.5-inch
            // lists. On a 3.5-inch phone those are the device's own keys,
            // already read above: taking them again would repeat the
            // portrait icons.
            const std::string oldPortraitKey = std::string(QVOriginsStem) + deviceSuffix(QVDeviceTypeiPhone3_5Inch);
            appendIconEntries(portrait, upgraded->objectForKey(oldPortraitKey));
            appendIconEntries(landscape, upgraded->objectForKey(oldPortraitKey + QVLandscapeSuffix));
        }
    }

    Ref<NSDictionary> result = NSDictionary::create();
    result->setObject(portrait, QVPortraitIconsKey);
    result->setObject(landscape, QVLandscapeIconsKey);
    addExtractedEntries(result, upgraded);
    return result;
}

void LayoutReaderBase::addExtractedEntries(NSDictionary&, const RefPtr<NSDictionary>&) const
{
}

} // namespace qv
