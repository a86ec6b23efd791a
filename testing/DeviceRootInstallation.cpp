#include "DeviceRootInstallation.h"

#include "Process.h"

namespace qv::testing {

DeviceRootInstallation::DeviceRootInstallation(std::vector<std::string> installCommand)
    : m_installCommand(std::move(installCommand))
{
}

const TemporaryDirectory* DeviceRootInstallation::laidOut(std::string& failure)
{
    std::lock_guard guard(m_lock);
    if (m_folder)
        return m_folder.get();
    // A fresh folder each try, so that nothing a failed run left is copied.
    auto folder = std::make_unique<TemporaryDirectory>();
    std::vector<std::string> command = m_installCommand;
    command.push_back(folder->string());
    ProcessResult result = runProcess(command, {}, programStartTimeLimit);
    if (result.exitCode != 0) {
        failure = (result.timedOut ? "the install outlived its time limit: " : "the install failed: ") + result.errors;
        return nullptr;
    }
    m_folder = std::move(folder);
    return m_folder.get();
}

} // namespace qv::testing
