#pragma once

#include <filesystem>
#include <string>

namespace qv::testing {

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
class TemporaryDirectory {
public:
    TemporaryDirectory();
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::string string() const { return m_path.string(); }

private:
    std::filesystem::path m_path;
};

} // namespace qv::testing
