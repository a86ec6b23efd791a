#include "testing/DeviceRootInstallation.h"
#include "testing/Process.h"
#include "testing/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace qv::testing;

namespace {

std::string contentsOf(const std::filesystem::path& file)
{
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

// An install that fails (as one that outlived its time limit on a busy
// machine) is run again at the next call, in a fresh folder, rather than
// failing every later test; one that succeeded is not run again.
TEST(DeviceRootInstallation, AFailedInstallIsTriedAgainAndASucceededOneKept)
{
    TemporaryDirectory scratch;
    const std::string runs = (scratch.path() / "runs").string();
    // Counts its runs; the first leaves a half-laid root and fails, the
    // later ones lay out "Installed".
    DeviceRootInstallation installation({ "/bin/sh", "-c",
        "echo run >> \"$0\"; touch \"$1/Partial\"; [ $(wc -l < \"$0\") -ge 2 ] || exit 1; touch \"$1/Installed\"", runs });

    std::string failure;
    EXPECT_FALSE(installation.laidOut(failure));
    EXPECT_NE(failure.find("the install failed"), std::string::npos) << failure;

    const TemporaryDirectory* laidOut = installation.laidOut(failure);
    ASSERT_TRUE(laidOut) << failure;
    EXPECT_TRUE(std::filesystem::exists(laidOut->path() / "Installed"));
    EXPECT_EQ(installation.laidOut(failure), laidOut);
    EXPECT_EQ(contentsOf(runs), "run\nrun\n");
}
