#include "DeviceRootState.h"

#include "DeviceRoot.h"

#include <cstdlib>
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

uint64_t DeviceRootState::generation()
{
    struct Seen {
        std::mutex lock;
        RootIdentity root;
        uint64_t generation = 0;
    };
    // Lives as long as the process: state is looked up until its very end.
    static Seen* seen = new Seen;
    RootIdentity now = currentIdentity();
    std::lock_guard guard(seen->lock);
    if (seen->generation == 0 || !(now == seen->root)) {
        seen->root = std::move(now);
        ++seen->generation;
    }
    return seen->generation;
}

} // namespace qv
