#pragma once

#include "platform/core/Object.h"

namespace qv {

class NSDictionary;
class UIApplication;

// What the application tells its delegate about its life.
class UIApplicationDelegate : public virtual Object {
public:
    virtual bool applicationDidFinishLaunchingWithOptions(UIApplication*, NSDictionary* launchOptions) { return true; }
    virtual void applicationDidBecomeActive(UIApplication*) {}
    virtual void applicationWillResignActive(UIApplication*) {}
    virtual void applicationDidEnterBackground(UIApplication*) {}
    virtual void applicationWillEnterForeground(UIApplication*) {}
    virtual void applicationWillTerminate(UIApplication*) {}

protected:
    ~UIApplicationDelegate() override = default;
};

} // namespace qv
