#include "InstalledDeviceRoot.h"

#include "Process.h"
#include "TemporaryDirectory.h"

#include <gtest/gtest.h>

namespace qv::testing {

void installDeviceRoot(const TemporaryDeviceRoot& root)
{
    static TemporaryDirectory installed;
    static const ProcessResult result = runProcess({ buildDirectory() + "/bin/qv-install-root", installed.string() });
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    std::error_code error;
    std::filesystem::copy(installed.path(), root.path(),
        std::filesystem::copy_options::recursive | std::filesystem::copy_options::copy_symlinks | std::filesystem::copy_options::overwrite_existing,
        error);
    ASSERT_FALSE(error) << error.message();
}

} // namespace qv::testing
