#pragma once

#include "platform/Foundation/NSDictionary.h"

#include <mutex>
#include <string>

namespace qv {

// A bundle on the device: a folder with its "Info.plist". The main bundle
// is the running application's ("/Applications/Quilt Vane.app" unless the
// application says otherwise).
class NSBundle : public NSObject {
    QV_MAKE_REF_FRIEND;
public:
    static Ref<NSBundle> mainBundle();
    static void setMainBundlePath(const std::string& path);
    static Ref<NSBundle> bundleWithPath(const std::string& path);

    const std::string& bundlePath() const { return m_path; }
    // The bundle's Info.plist, read on first use; empty when unreadable.
    Ref<NSDictionary> infoDictionary() const;
    RefPtr<NSObject> objectForInfoDictionaryKey(const std::string& key) const;
    std::string className() const override { return "NSBundle"; }

private:
    explicit NSBundle(std::string path) : m_path(std::move(path)) {}
    const std::string m_path;
    mutable std::mutex m_lock;
    mutable RefPtr<NSDictionary> m_info;
};

// The identifier of the user's locale ("en_US"), from the environment.
std::string currentLocaleIdentifier();

} // namespace qv
