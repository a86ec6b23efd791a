#include "TemporaryDeviceRoot.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace qv::testing {

TemporaryDeviceRoot::TemporaryDeviceRoot()
    : m_environment("QV_ROOT", m_directory.string())
{
}

std::filesystem::path TemporaryDeviceRoot::hostPath(std::string_view devicePath) const
{
    while (!devicePath.empty() && devicePath.front() == '/')
        devicePath.remove_prefix(1);
    return path() / devicePath;
}

void TemporaryDeviceRoot::writeFile(std::string_view devicePath, std::string_view contents) const
{
    auto host = hostPath(devicePath);
    std::filesystem::create_directories(host.parent_path());
    std::ofstream file(host, std::ios::binary | std::ios::trunc);
    file.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    if (!file)
        throw std::runtime_error("cannot write " + host.string());
}

std::string TemporaryDeviceRoot::readFile(std::string_view devicePath) const
{
    std::ifstream file(hostPath(devicePath), std::ios::binary);
    std::ostringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

} // namespace qv::testing
