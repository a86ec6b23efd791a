#include "PreferenceBundles.h"

#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSFileManager.h"
#include "platform/Foundation/NSString.h"
#include "platform/Preferences/PSViewController.h"
#include "platform/core/Log.h"
#include "platform/objc/DynamicLibraries.h"

#include <algorithm>
#include <dlfcn.h>
#include <set>

namespace qv {

namespace {

constexpr std::string_view bundleExtension = ".bundle";
constexpr std::string_view listExtension = ".plist";

bool endsWith(std::string_view text, std::string_view ending)
{
    return text.size() > ending.size() && text.substr(text.size() - ending.size()) == ending;
}

std::string bundleFolder(const std::string& bundleName)
{
    return std::string(kPreferenceBundlesFolder) + "/" + bundleName + std::string(bundleExtension);
}

std::string stringFor(const NSDictionary& dictionary, const char* key)
{
    RefPtr<NSString> value = dictionary.stringForKey(key);
    return value ? value->string() : std::string();
}

RefPtr<NSDictionary> informationList(const std::string& bundlePath)
{
    return NSDictionary::dictionaryWithContentsOfFile(bundlePath + "/Info.plist");
}

std::optional<PreferenceBundle> bundleOfEntry(const std::string& listName)
{
    const std::string path = std::string(kPreferenceLoaderFolder) + "/" + listName;
    RefPtr<NSDictionary> list = NSDictionary::dictionaryWithContentsOfFile(path);
    RefPtr<NSDictionary> entry = list ? list->dictionaryForKey("entry") : nullptr;
    const std::string bundleName = entry ? stringFor(*entry, "bundle") : std::string();
    if (bundleName.empty() || bundleName.find('/') != std::string::npos) {
        logLine("Settings: the entry " + path + " names no bundle");
        return std::nullopt;
    }
    PreferenceBundle bundle { stringFor(*entry, "label"), bundleName, bundleFolder(bundleName), stringFor(*entry, "detail") };
    if (bundle.label.empty())
        bundle.label = bundleName;
    return bundle;
}

std::vector<std::string> folderContents(const char* folder)
{
    std::vector<std::string> names;
    if (RefPtr<NSArray> contents = NSFileManager::defaultManager()->contentsOfDirectoryAtPath(folder)) {
        for (const Ref<NSObject>& name : contents->objects())
            names.push_back(name->description());
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

std::vector<PreferenceBundle> findPreferenceBundles()
{
    std::vector<PreferenceBundle> bundles;
    std::set<std::string> named;
    for (const std::string& name : folderContents(kPreferenceLoaderFolder)) {
        if (!endsWith(name, listExtension))
            continue;
        if (std::optional<PreferenceBundle> bundle = bundleOfEntry(name)) {
            named.insert(bundle->bundleName);
            bundles.push_back(std::move(*bundle));
        }
    }
    for (const std::string& name : folderContents(kPreferenceBundlesFolder)) {
        if (!endsWith(name, bundleExtension))
            continue;
        std::string bundleName = name.substr(0, name.size() - bundleExtension.size());
        if (!named.contains(bundleName))
            bundles.push_back({ bundleName, bundleName, bundleFolder(bundleName), {} });
    }
    std::stable_sort(bundles.begin(), bundles.end(), [](const PreferenceBundle& a, const PreferenceBundle& b) { return a.label < b.label; });
    return bundles;
}

std::optional<PreferenceBundle> findPreferenceBundle(const std::string& name)
{
    for (PreferenceBundle& bundle : findPreferenceBundles()) {
        if (bundle.label == name || bundle.bundleName == name)
            return std::move(bundle);
    }
    return std::nullopt;
}

RefPtr<PSViewController> openPreferenceBundle(const PreferenceBundle& bundle, CGSize contentSize, std::string& error)
{
    RefPtr<NSDictionary> information = informationList(bundle.bundlePath);
    if (!information) {
        error = "the bundle " + bundle.bundleName + " has no readable " + bundle.bundlePath + "/Info.plist";
        return nullptr;
    }
    const std::string executable = stringFor(*information, "CFBundleExecutable");
    if (executable.empty() || executable.find('/') != std::string::npos) {
        error = "the information list of " + bundle.bundleName + " names no library (CFBundleExecutable)";
        return nullptr;
    }
    const std::string libraryPath = bundle.bundlePath + "/" + executable;
    if (!NSFileManager::defaultManager()->fileExistsAtPath(libraryPath)) {
        error = "the library " + libraryPath + " of " + bundle.bundleName + " is missing";
        return nullptr;
    }
    std::string reason;
    // The library stays loaded for the life of the Settings app.
    if (!dlopenDevicePath(libraryPath, RTLD_NOW | RTLD_GLOBAL, &reason)) {
        error = "the library " + libraryPath + " of " + bundle.bundleName + " cannot be loaded: " + reason;
        return nullptr;
    }
    const std::string pageClass = bundle.pageClass.empty() ? stringFor(*information, "NSPrincipalClass") : bundle.pageClass;
    if (pageClass.empty()) {
        error = "the bundle " + bundle.bundleName + " names no principal class";
        return nullptr;
    }
    std::string why;
    RefPtr<PSViewController> page = PSViewController::controllerWithClassName(pageClass, contentSize, why);
    if (!page) {
        error = "the bundle " + bundle.bundleName + " has no usable principal class: " + why;
        return nullptr;
    }
    page->setBundlePath(bundle.bundlePath);
    return page;
}

} // namespace qv
