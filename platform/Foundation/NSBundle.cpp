#include "NSBundle.h"

#include "DeviceRootState.h"

#include <cstdlib>

namespace qv {

namespace {

std::mutex mainBundleLock;
std::string& mainBundlePath()
{
    static std::string path = "/Applications/Quilt Vane.app";
    return path;
}

// The main bundle, with its Info.plist read once, for the device it was
// read on.
RootBound<Ref<NSBundle>>& mainBundleState()
{
    static RootBound<Ref<NSBundle>> state([] {
        std::lock_guard lock(mainBundleLock);
        return makeRef<NSBundle>(mainBundlePath());
    });
    return state;
}

} // namespace

Ref<NSBundle> NSBundle::mainBundle()
{
    Ref<NSBundle> bundle = mainBundleState().get();
    std::lock_guard lock(mainBundleLock);
    if (bundle->bundlePath() != mainBundlePath())
        return makeRef<NSBundle>(mainBundlePath());
    return bundle;
}

void NSBundle::setMainBundlePath(const std::string& path)
{
    std::lock_guard lock(mainBundleLock);
    mainBundlePath() = path;
}

Ref<NSBundle> NSBundle::bundleWithPath(const std::string& path)
{
    return makeRef<NSBundle>(path);
}

Ref<NSDictionary> NSBundle::infoDictionary() const
{
    std::lock_guard lock(m_lock);
    if (!m_info) {
        m_info = NSDictionary::dictionaryWithContentsOfFile(m_path + "/Info.plist");
        if (!m_info)
            m_info = NSDictionary::create();
    }
    return m_info.toRef();
}

RefPtr<NSObject> NSBundle::objectForInfoDictionaryKey(const std::string& key) const
{
    return infoDictionary()->objectForKey(key);
}

std::string currentLocaleIdentifier()
{
    for (const char* variable : { "LC_ALL", "LC_MESSAGES", "LANG" }) {
        const char* value = std::getenv(variable);
        if (!value || !*value)
            continue;
        std::string identifier(value);
        // "de_DE.UTF-8@euro" names the locale "de_DE".
        identifier = identifier.substr(0, identifier.find_first_of(".@"));
        if (identifier == "C" || identifier == "POSIX")
            break;
        return identifier;
    }
    return "en_US";
}

} // namespace qv
