#include "DeviceRootState.h"

#include "DeviceRoot.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <string>
#include <sys/stat.h>

namespace qv {

namespace {

// What tells one device from another: the root as named, and the folder
// it names (none when it is missing).
struct RootIdentity {
    std::string name;
    dev_t device = 0;
    ino_t inode = 0;

    bool operator==(const RootIdentity&) const = default;
};

RootIdentity currentIdentity()
{
    RootIdentity identity;
    const char* value = std::getenv(DeviceRoot::environmentVariable);
    if (!value)
        return identity;
    identity.name = value;
    struct stat folder;
    if (stat(value, &folder) == 0) {
        identity.device = folder.st_dev;
        identity.inode = folder.st_ino;
    }
    return identity;
}

} // namespace

namespace {

// Advanced by every pass of a run loop: the root folder's identity is
// looked at again after one.
std::atomic<uint64_t> identityEpoch { 1 };

bool namesRoot(const char* value, const std::string& name)
{
    return value ? name == value : name.empty();
}

} // namespace

uint64_t DeviceRootState::generation()
{
    struct Seen {
        std::mutex lock;
        RootIdentity root;
        uint64_t generation = 0;
        uint64_t checkedInEpoch = 0;
    };
    // Lives as long as the process: state is looked up until its very end.
    static Seen* seen = new Seen;
    const uint64_t epoch = identityEpoch.load(std::memory_order_acquire);
    const char* value = std::getenv(DeviceRoot::environmentVariable);
    std::lock_guard guard(seen->lock);
    // The same name in the same turn of the run loops: the same device. The
    // folder is looked at (a file system call) only when either changed, as
    // state is asked for many times in each turn.
    if (seen->generation != 0 && seen->checkedInEpoch == epoch && namesRoot(value, seen->root.name))
        return seen->generation;
    RootIdentity now = currentIdentity();
    seen->checkedInEpoch = epoch;
    if (seen->generation == 0 || !(now == seen->root)) {
        seen->root = std::move(now);
        ++seen->generation;
    }
    return seen->generation;
}

void DeviceRootState::lookAgainAtNextUse()
{
    identityEpoch.fetch_add(1, std::memory_order_acq_rel);
}

} // namespace qv
