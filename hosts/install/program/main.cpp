// qv-install-root <root-folder>: lays out the data a simulated device holds
// (default layouts, the application's images, stock wallpapers and
// SpringBoard's home screen) in the folder, which becomes the device root.
// Running it again writes the same files anew, but keeps the home screen,
// which is the user's once it is there.
#include "hosts/install/InstallStep.h"
#include "platform/Foundation/DeviceRoot.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

int main(int argc, char** argv)
{
    if (argc != 2 || !*argv[1]) {
        std::fprintf(stderr, "usage: qv-install-root <root-folder>\n");
        return 2;
    }
    std::error_code error;
    std::filesystem::path root = std::filesystem::absolute(argv[1], error);
    if (!error)
        std::filesystem::create_directories(root, error);
    if (error || !std::filesystem::is_directory(root)) {
        std::fprintf(stderr, "qv-install-root: cannot use %s as the device root: %s\n", argv[1],
            error ? error.message().c_str() : "not a folder");
        return 1;
    }
    // Every step writes device paths, resolved under the device root, which
    // says itself what keeps it from being one.
    setenv("QV_ROOT", root.c_str(), 1);
    if (!qv::DeviceRoot::hostRoot()) {
        std::fprintf(stderr, "qv-install-root: cannot use %s as the device root\n", argv[1]);
        return 1;
    }

    int failures = 0;
    for (const qv::InstallStep& step : qv::installSteps()) {
        if (step.run()) {
            std::printf("installed %s\n", step.name.c_str());
        } else {
            std::fprintf(stderr, "qv-install-root: could not install the %s\n", step.name.c_str());
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
