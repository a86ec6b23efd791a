#include "NSTemporaryDirectory.h"

#include "NSFileManager.h"

#include <unistd.h>

#include <atomic>
#include <random>

namespace qv {

std::string NSTemporaryDirectory()
{
    static constexpr const char* folder = "/var/mobile/tmp/";
    NSFileManager::defaultManager()->createDirectoryAtPath(folder, true);
    return folder;
}

std::string uniqueTemporaryFilePath()
{
    static std::atomic<unsigned long> counter { 0 };
    static const unsigned long salt = std::random_device()();
    return NSTemporaryDirectory() + std::to_string(getpid()) + "-" + std::to_string(salt) + "-" + std::to_string(++counter);
}

} // namespace qv
