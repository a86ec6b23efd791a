#include "DrivenApplicationMain.h"

#include "UIDriver.h"

#include "platform/Foundation/DeviceRoot.h"
#include "platform/UIKit/DeviceProfile.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace qv {

namespace {

// What keeps the program from running on the simulated device, if anything.
std::optional<std::string> deviceProblem()
{
    if (const char* device = std::getenv("QV_DEVICE"); device && *device && !DeviceProfile::named(device)) {
        std::string known;
        for (const DeviceProfile& profile : DeviceProfile::builtIn())
            known += (known.empty() ? "" : ", ") + profile.name;
        return std::string("QV_DEVICE \"") + device + "\" names no known device (" + known + ")";
    }
    // The device root says itself what is wrong with it.
    if (!DeviceRoot::hostRoot())
        return std::string("QV_ROOT names no usable device root: it must be the absolute path of a folder other than /");
    return std::nullopt;
}

} // namespace

int DrivenApplicationMain(int argc, char** argv, const UIApplicationDelegateFactory& delegateFactory, const UIMainInterfaceLoader& mainInterface)
{
    const std::string programName = std::filesystem::path(argc > 0 ? argv[0] : "application").filename().string();
    if (std::optional<std::string> problem = deviceProblem()) {
        std::fprintf(stderr, "%s: %s\n", programName.c_str(), problem->c_str());
        return 2;
    }
    UIDriver& driver = UIDriver::shared();
    const UIDriverChannels channels = UIDriver::channelsFromEnvironment();
    // Before anything of the application (an extension) can print.
    if (channels.standardInput)
        driver.keepStandardOutputForAnswers();
    const int status = UIApplicationMain(argc, argv, delegateFactory, [&](UIApplication& application, UIApplicationDelegate& delegate) {
        if (mainInterface)
            mainInterface(application, delegate);
        driver.start(channels, programName);
    });
    driver.stop();
    return status;
}

} // namespace qv
