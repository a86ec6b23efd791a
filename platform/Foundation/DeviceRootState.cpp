#include "DeviceRootState.h"

#include "DeviceRoot.h"

#include <atomic>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>
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

// A device as seen: its identity and number never change once it is
// published, only the pass of the run loops it was last confirmed in, so
// the common question needs no lock.
struct SeenDevice {
    RootIdentity root;
    uint64_t generation = 0;
    std::atomic<uint64_t> confirmedInEpoch { 0 };
};

struct SeenDevices {
    std::mutex lock;
    std::atomic<SeenDevice*> current { nullptr };
    // Every device seen, kept: a caller may still be reading one that was
    // replaced. One entry per change of device.
    std::vector<std::unique_ptr<SeenDevice>> all;
};

SeenDevices& seenDevices()
{
    // Lives as long as the process: state is looked up until its very end.
    static SeenDevices* seen = new SeenDevices;
    return *seen;
}

} // namespace

uint64_t DeviceRootState::generation()
{
    SeenDevices& seen = seenDevices();
    const uint64_t epoch = identityEpoch.load(std::memory_order_acquire);
    const char* value = std::getenv(DeviceRoot::environmentVariable);
    // The same name in the same pass of the run loops: the same device. The
    // folder is looked at (a file system call) only when either changed, as
    // state is asked for many times in each pass.
    SeenDevice* device = seen.current.load(std::memory_order_acquire);
    if (device && device->confirmedInEpoch.load(std::memory_order_acquire) == epoch && namesRoot(value, device->root.name))
        return device->generation;
    std::lock_guard guard(seen.lock);
    RootIdentity now = currentIdentity();
    device = seen.current.load(std::memory_order_acquire);
    if (device && device->root == now) {
        device->confirmedInEpoch.store(epoch, std::memory_order_release);
        return device->generation;
    }
    auto fresh = std::make_unique<SeenDevice>();
    fresh->root = std::move(now);
    fresh->generation = device ? device->generation + 1 : 1;
    fresh->confirmedInEpoch.store(epoch, std::memory_order_relaxed);
    const uint64_t generation = fresh->generation;
    seen.current.store(fresh.get(), std::memory_order_release);
    seen.all.push_back(std::move(fresh));
    return generation;
}

void DeviceRootState::lookAgainAtNextUse()
{
    identityEpoch.fetch_add(1, std::memory_order_acq_rel);
}

} // namespace qv
