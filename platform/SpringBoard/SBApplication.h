#pragma once

#include "SpringBoardTypes.h"
#include "platform/Foundation/NSObject.h"
#include "platform/Foundation/NSString.h"
#include "platform/objc/objc.h"

#include <string>

namespace qv {

class SBIcon;

// An installed application, as the home screen knows it: a name and a
// bundle identifier.
class SBApplication : public RuntimeInstance<NSObject> {
    QV_MAKE_REF_FRIEND;

public:
    static void registerClass();
    static Ref<SBApplication> create(std::string displayName, std::string bundleIdentifier);


    // Messages, sent through the runtime.
    RefPtr<NSString> displayName();
    RefPtr<NSString> bundleIdentifier();
    // icon:launchFromLocation: launches the application from one of its
    // icons: the icon's view opens into the application (an animation of
    // the icon animator, which cleans up after itself when it ends). YES
    // when the application was launched; an absent icon launches nothing.
    bool icon(SBIcon* icon, SBIconLocation launchFromLocation);

    const std::string& name() const { return m_displayName; }

private:
    SBApplication(std::string displayName, std::string bundleIdentifier);

    bool stockLaunch(SBIcon* icon, SBIconLocation location);

    std::string m_displayName;
    std::string m_bundleIdentifier;
};

struct SBApplicationMessages {
    static inline const ObjCMessage<SBApplication, RefPtr<NSString>()> displayName { "displayName" };
    static inline const ObjCMessage<SBApplication, RefPtr<NSString>()> bundleIdentifier { "bundleIdentifier" };
    static inline const ObjCMessage<SBApplication, bool(SBIcon*, SBIconLocation)> iconLaunchFromLocation { "icon:launchFromLocation:" };
};

} // namespace qv
