#include "UIApplicationMain.h"

#include "UIApplication.h"

#include "platform/Foundation/NSRunLoop.h"
#include "platform/Foundation/RunLoopSource.h"
#include "platform/Foundation/VirtualClock.h"

namespace qv {

int UIApplicationMain(int argc, char** argv, const UIApplicationDelegateFactory& delegateFactory, const UIMainInterfaceLoader& mainInterface)
{
    Ref<UIApplication> application = UIApplication::sharedApplication();
    Ref<UIApplicationDelegate> delegate = delegateFactory();
    application->setDelegate(delegate);
    if (mainInterface)
        mainInterface(application, delegate);
    application->didFinishLaunching();
    application->becomeActive();

    // A source without a handler keeps the loop from running dry while the
    // application waits for something to do.
    Ref<NSRunLoop> runLoop = NSRunLoop::mainRunLoop();
    Ref<RunLoopSource> keepAlive = RunLoopSource::create(std::function<void()>());
    runLoop->addSource(keepAlive, NSDefaultRunLoopMode);
    while (!application->isTerminating())
        runLoop->runMode(NSDefaultRunLoopMode, VirtualClock::distantFuture);
    runLoop->removeSource(keepAlive, NSDefaultRunLoopMode);
    return application->exitStatus();
}

} // namespace qv
