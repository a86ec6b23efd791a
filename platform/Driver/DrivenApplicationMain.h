#pragma once

#include "platform/UIKit/UIApplicationMain.h"

namespace qv {

// UIApplicationMain for a program of the simulated device that can be
// driven from outside.
//
// It first makes sure of the device: QV_ROOT must name a usable device
// root and QV_DEVICE, when set, a known device; otherwise it says so on the
// standard error and answers 2 without starting the application. Then,
// once the main interface is loaded and before launching finishes, the
// driver of the process starts on the channels QV_DRIVER names (the
// standard input when it is unset); it stops when the application ends.
int DrivenApplicationMain(int argc, char** argv, const UIApplicationDelegateFactory& delegateFactory,
    const UIMainInterfaceLoader& mainInterface = {});

} // namespace qv
