#pragma once

#include "UIApplicationDelegate.h"

#include "platform/core/Ref.h"

#include <functional>

namespace qv {

class UIApplication;

// Makes the application's delegate; the C++ form of naming its class.
using UIApplicationDelegateFactory = std::function<Ref<UIApplicationDelegate>()>;
// Builds what the main interface file describes (the window and its root
// controller), after the delegate is made and before launching finishes.
using UIMainInterfaceLoader = std::function<void(UIApplication&, UIApplicationDelegate&)>;

// Runs the application: makes the delegate and gives it to the shared
// application, loads the main interface, tells the delegate launching
// finished, makes the application active and runs the main run loop until
// the application terminates; answers the exit status. The driver of the
// process starts on the channels QV_DRIVER names ("stdin", "socket" or
// both, separated by a comma), so that the running program can be driven
// from outside.
int UIApplicationMain(int argc, char** argv, const UIApplicationDelegateFactory& delegateFactory,
    const UIMainInterfaceLoader& mainInterface = {});

} // namespace qv
