#pragma once

#include "testing/TemporaryDirectory.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace qv::testing {

// A device root laid out once by an install command (the folder's path is
// its last argument), for a test program to copy from. A failed run (on a
// busy machine the program may outlive its time limit) is not remembered:
// the next call runs the command again in a fresh folder, until one run
// has laid the root out.
class DeviceRootInstallation {
public:
    explicit DeviceRootInstallation(std::vector<std::string> installCommand);

    // The laid-out folder, or nothing with the reason in `failure`.
    const TemporaryDirectory* laidOut(std::string& failure);

private:
    const std::vector<std::string> m_installCommand;
    std::mutex m_lock;
    std::unique_ptr<TemporaryDirectory> m_folder;
};

} // namespace qv::testing
