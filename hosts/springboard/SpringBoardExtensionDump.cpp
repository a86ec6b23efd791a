#include "SpringBoardExtensionDump.h"

#include "model/QVPreferenceNames.h"
#include "platform/CoreFoundation/CFPreferences.h"
#include "platform/Foundation/JSONWriter.h"
#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSString.h"
#include "platform/SpringBoard/SBIconView.h"
#include "platform/objc/objc.h"

#include <algorithm>

namespace qv {

namespace {

// The extension's messages as any tool of SpringBoard's process sends them.
const ObjCClassMessage<RefPtr<objc_object>()> sharedInstance { "sharedInstance" };
const ObjCClassMessage<RefPtr<objc_object>()> currentPreferences { "currentPreferences" };
const ObjCMessage<objc_object, RefPtr<NSDictionary>()> layouts { "layouts" };
const ObjCMessage<objc_object, RefPtr<NSString>()> currentOriginsKey { "currentOriginsKey" };
const ObjCMessage<objc_object, uint64_t()> maxIconsInAllLayouts { "maxIconsInAllLayouts" };

void writeSwitches(JSONWriter& writer, const RefPtr<objc_object>& preferences)
{
    writer.key("switches").beginObject();
    for (const char* name : { "enabled", "placeholdersEnabled", "hiddenIconsEnabled", "folderLayoutsEnabled", "reduceMotionEnabled" })
        writer.member(name, msgSend<bool>(preferences, name));
    writer.endObject();
}

void writeOrigins(JSONWriter& writer, const NSArray* origins)
{
    writer.beginArray();
    for (const Ref<NSObject>& object : origins ? origins->objects() : std::vector<Ref<NSObject>>()) {
        auto* entry = dynamic_cast<NSDictionary*>(object.ptr());
        RefPtr<NSObject> x = entry ? entry->objectForKey("x") : nullptr;
        RefPtr<NSObject> y = entry ? entry->objectForKey("y") : nullptr;
        writer.beginArray().value(x ? x->doubleValue() : 0.0).value(y ? y->doubleValue() : 0.0).endArray();
    }
    writer.endArray();
}

void writeLayouts(JSONWriter& writer, const RefPtr<NSDictionary>& loaded, const std::string& originsKey)
{
    writer.key("layouts");
    if (!loaded) {
        writer.null();
        return;
    }
    writer.beginObject();
    for (const auto& [key, value] : loaded->entries()) {
        auto* layout = dynamic_cast<NSDictionary*>(value.ptr());
        RefPtr<NSObject> folderFlag = layout ? layout->objectForKey("FolderLayout") : nullptr;
        writer.key(key).beginObject();
        writer.member("folderLayout", folderFlag && folderFlag->boolValue());
        writer.key("origins");
        writeOrigins(writer, layout ? layout->arrayForKey(originsKey).get() : nullptr);
        writer.endObject();
    }
    writer.endObject();
}

void writeReferences(JSONWriter& writer, const RefPtr<NSDictionary>& loaded)
{
    std::vector<std::string> keys { QVCurrentLayoutKey };
    for (uint64_t page = 0; page < QVPageLayoutKeyCount; ++page)
        keys.push_back(QVPageLayoutPreferenceKey(page));
    for (const std::string& key : loaded ? loaded->allKeys() : std::vector<std::string>()) {
        if (std::find(keys.begin(), keys.end(), key) == keys.end())
            keys.push_back(key);
    }
    writer.key("references").beginObject();
    for (const std::string& key : keys) {
        writer.key(key);
        RefPtr<NSObject> value = CFPreferencesCopyAppValue(key, QVPreferenceDomain);
        if (auto* text = dynamic_cast<NSString*>(value.get()))
            writer.value(text->string());
        else
            writer.null();
    }
    writer.endObject();
}

void writeHiddenIcons(JSONWriter& writer, const RefPtr<objc_object>& manager)
{
    writer.key("hiddenIcons").beginArray();
    Ivar hidden = class_getInstanceVariable(object_getClass(manager.get()), "hiddenIconViews");
    RefPtr<NSArray> views = hidden ? dynamicRefCast<NSArray>(object_getIvar(manager.get(), hidden)) : nullptr;
    for (const Ref<NSObject>& object : views ? views->objects() : std::vector<Ref<NSObject>>()) {
        auto* view = dynamic_cast<SBIconView*>(object.ptr());
        writer.value(view ? view->iconObject()->name() : object->className());
    }
    writer.endArray();
}

} // namespace

void writeExtensionState(JSONWriter& writer)
{
    Class managerClass = objc_getClass("QVLayoutManager");
    Class preferencesClass = objc_getClass("QVPreferences");
    if (!managerClass || !preferencesClass) {
        writer.null();
        return;
    }
    RefPtr<objc_object> manager = sharedInstance(managerClass);
    RefPtr<objc_object> preferences = currentPreferences(preferencesClass);
    RefPtr<NSDictionary> loaded = layouts(manager);
    RefPtr<NSString> originsKey = currentOriginsKey(manager);
    writer.beginObject();
    writeSwitches(writer, preferences);
    writeReferences(writer, loaded);
    writeLayouts(writer, loaded, originsKey ? originsKey->string() : std::string());
    writer.member("originsKey", originsKey ? originsKey->string() : std::string());
    writer.member("maxIconsInAllLayouts", maxIconsInAllLayouts(manager));
    writeHiddenIcons(writer, manager);
    writer.endObject();
}

} // namespace qv
