#pragma once

#include "platform/UIKit/UIApplicationMain.h"

namespace qv {

// UIApplicationMain for a program that can be driven from outside: once
// the main interface is loaded, and before launching finishes, the driver
// of the process starts on the channels QV_DRIVER names ("stdin", "socket"
// or both, separated by a comma); it stops when the application ends.
int DrivenApplicationMain(int argc, char** argv, const UIApplicationDelegateFactory& delegateFactory,
    const UIMainInterfaceLoader& mainInterface = {});

} // namespace qv
