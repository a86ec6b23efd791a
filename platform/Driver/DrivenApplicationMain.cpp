#include "DrivenApplicationMain.h"

#include "UIDriver.h"

namespace qv {

int DrivenApplicationMain(int argc, char** argv, const UIApplicationDelegateFactory& delegateFactory, const UIMainInterfaceLoader& mainInterface)
{
    const std::string programName = argc > 0 ? argv[0] : "application";
    const int status = UIApplicationMain(argc, argv, delegateFactory, [&](UIApplication& application, UIApplicationDelegate& delegate) {
        if (mainInterface)
            mainInterface(application, delegate);
        UIDriver::shared().startFromEnvironment(programName);
    });
    UIDriver::shared().stop();
    return status;
}

} // namespace qv
