#include "BuiltDeliverables.h"

#include "InstallStep.h"
#include "platform/Foundation/NSData.h"
#include "platform/core/Log.h"

#include <fstream>
#include <iterator>
#include <vector>

namespace qv {

std::filesystem::path builtDeliverablesFolder()
{
    // The programs of the build lie in its "bin" folder.
    std::error_code error;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return {};
    return program.parent_path().parent_path() / "deliverables";
}

static bool copyToDevice(const std::filesystem::path& file, const std::string& devicePath)
{
    std::ifstream input(file, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(input)), std::istreambuf_iterator<char>());
    if (!input.good() && !input.eof()) {
        logLine("Could not read " + file.string());
        return false;
    }
    return writeDeviceFile(devicePath, NSData::create(std::move(bytes)));
}

bool installBuiltDeliverables()
{
    const std::filesystem::path folder = builtDeliverablesFolder();
    std::error_code error;
    if (folder.empty() || !std::filesystem::is_directory(folder, error)) {
        logLine("No built deliverables in " + folder.string() + ": build them first");
        return false;
    }
    bool ok = true;
    for (auto entry = std::filesystem::recursive_directory_iterator(folder, error); !error && entry != std::filesystem::recursive_directory_iterator();
         entry.increment(error)) {
        if (!entry->is_regular_file(error))
            continue;
        const std::string devicePath = "/" + std::filesystem::relative(entry->path(), folder, error).generic_string();
        ok = copyToDevice(entry->path(), devicePath) && ok;
    }
    if (error) {
        logLine("Could not list " + folder.string() + ": " + error.message());
        return false;
    }
    return ok;
}

} // namespace qv
