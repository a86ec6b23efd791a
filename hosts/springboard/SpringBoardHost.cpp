#include "SpringBoardHost.h"

#include "SpringBoardCommands.h"
#include "SpringBoardDump.h"
#include "SpringBoardExtensionDump.h"
#include "platform/Driver/DrivenApplicationMain.h"
#include "platform/Driver/UIDriver.h"
#include "platform/SpringBoard/SBIconController.h"
#include "platform/SpringBoard/SpringBoard.h"
#include "platform/objc/DynamicLibraries.h"

namespace qv {

int SpringBoardMain(int argc, char** argv)
{
    SBRegisterClasses();
    UIDriver& driver = UIDriver::shared();
    registerSpringBoardCommands(driver);
    driver.registerDumpSection("springboard", writeSpringBoardState);
    driver.registerDumpSection("quiltvane", writeExtensionState);
    auto makeSpringBoard = [] { return Ref<UIApplicationDelegate>(SpringBoard::create()); };
    auto beforeLaunching = [](UIApplication&, UIApplicationDelegate&) {
        // The home screen comes first, so that the extensions find it when
        // they load; they load before SpringBoard finishes launching.
        SBIconController::sharedInstance();
        MSLoadDynamicLibraries();
    };
    return DrivenApplicationMain(argc, argv, makeSpringBoard, beforeLaunching);
}

} // namespace qv
