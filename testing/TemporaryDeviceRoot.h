#pragma once

#include "testing/ScopedEnvironment.h"
#include "testing/TemporaryDirectory.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace qv::testing {

// A fresh, empty device root: a temporary folder named by QV_ROOT for the
// life of the object, removed afterwards.
class TemporaryDeviceRoot {
public:
    TemporaryDeviceRoot();

    const std::filesystem::path& path() const { return m_directory.path(); }
    // Where a device path lies on this machine, for tests that look at or
    // prepare files behind the file layer's back.
    std::filesystem::path hostPath(std::string_view devicePath) const;

    // Writes a file at a device path, making its folders.
    void writeFile(std::string_view devicePath, std::string_view contents) const;
    // The whole file at a device path; empty when there is none.
    std::string readFile(std::string_view devicePath) const;

private:
    TemporaryDirectory m_directory;
    ScopedEnvironment m_environment;
};

} // namespace qv::testing
