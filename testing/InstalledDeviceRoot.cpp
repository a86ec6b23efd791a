#include "InstalledDeviceRoot.h"

#include "DeviceRootInstallation.h"
#include "Process.h"

#include <gtest/gtest.h>

namespace qv::testing {

void installDeviceRoot(const TemporaryDeviceRoot& root)
{
    // Removed, with its folder, when the test program ends.
    static DeviceRootInstallation installation({ buildDirectory() + "/bin/qv-install-root" });
    std::string failure;
    const TemporaryDirectory* installed = installation.laidOut(failure);
    ASSERT_TRUE(installed) << failure;
    std::error_code error;
    std::filesystem::copy(installed->path(), root.path(),
        std::filesystem::copy_options::recursive | std::filesystem::copy_options::copy_symlinks | std::filesystem::copy_options::overwrite_existing,
        error);
    ASSERT_FALSE(error) << error.message();
}

} // namespace qv::testing
