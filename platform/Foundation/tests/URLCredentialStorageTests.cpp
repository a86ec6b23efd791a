#include "platform/Foundation/NSURLCredentialStorage.h"

#include "testing/ChildProcess.h"
#include "testing/Process.h"
#include "testing/ScopedEnvironment.h"
#include "testing/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

#include <atomic>
#include <sys/stat.h>
#include <thread>

using namespace qv;
using namespace qv::testing;

namespace {

const NSURLProtectionSpace server { "layouts.example", 8080, "http", "Quilt", false };
const NSURLProtectionSpace proxy { "proxy.example", 3128, "", "Gate", true };

NSURLCredentialStorage& storage()
{
    return NSURLCredentialStorage::sharedCredentialStorage();
}

// Python's plistlib reads the device's store: one "User:Password@Host:Port
// Protocol Realm Proxy" line a saved credential.
std::vector<std::string> savedByPython(const TemporaryDeviceRoot& root)
{
    ProcessResult python = runPython(R"PY(
import plistlib, sys
with open(sys.argv[1], 'rb') as f:
    for e in plistlib.load(f):
        print('%s:%s@%s:%d %s %s %s' % (e['User'], e['Password'], e['Host'], e['Port'], e['Protocol'] or '-', e['Realm'], e['Proxy']))
)PY", { root.hostPath(NSURLCredentialStorage::keychainPath).string() });
    EXPECT_EQ(python.exitCode, 0) << python.errors;
    return outputLines(python.output);
}

} // namespace

TEST(URLCredentialStorage, CredentialsOutliveTheProcessInAFileOnlyItsOwnerReads)
{
    TemporaryDeviceRoot root;
    EXPECT_FALSE(storage().defaultCredentialForProtectionSpace(server));
    ASSERT_TRUE(storage().setDefaultCredential({ "user", "secret" }, server));
    ASSERT_TRUE(storage().setDefaultCredential({ "proxyuser", "p\xC3\xA4ss <&>" }, proxy));
    // A second save for the same space replaces the first.
    ASSERT_TRUE(storage().setDefaultCredential({ "user", "newer" }, server));

    const auto path = root.hostPath(NSURLCredentialStorage::keychainPath);
    struct stat status {};
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);
    ASSERT_EQ(::stat(path.parent_path().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 077, 0u) << "the folder is its owner's alone";
    // Written whole: no temporary file is left beside it.
    for (const auto& entry : std::filesystem::directory_iterator(path.parent_path()))
        EXPECT_TRUE(entry.path() == path || entry.path().filename().string().ends_with(".lock")) << entry.path();
    EXPECT_EQ(savedByPython(root), (std::vector<std::string> { "user:newer@layouts.example:8080 http Quilt False",
                                       "proxyuser:p\xC3\xA4ss <&>@proxy.example:3128 - Gate True" }));

    // Each space stands alone: another port, protocol, realm or kind finds
    // nothing.
    const NSURLProtectionSpace others[] = { { "layouts.example", 80, "http", "Quilt", false }, { "layouts.example", 8080, "https", "Quilt", false },
        { "layouts.example", 8080, "http", "Other", false }, { "layouts.example", 8080, "http", "Quilt", true } };
    for (const auto& other : others)
        EXPECT_FALSE(storage().defaultCredentialForProtectionSpace(other)) << other.host << ":" << other.port << " " << other.protocol << " " << other.realm;
    auto saved = storage().defaultCredentialForProtectionSpace(server);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->password, "newer");

    // Removing takes that one alone.
    EXPECT_TRUE(storage().removeCredential(server));
    EXPECT_FALSE(storage().defaultCredentialForProtectionSpace(server));
    EXPECT_TRUE(storage().defaultCredentialForProtectionSpace(proxy));
}

TEST(URLCredentialStorage, AnotherProcessSeesAndChangesTheSameStoreWithoutLosingAChange)
{
    TemporaryDeviceRoot root;
    ASSERT_TRUE(storage().setDefaultCredential({ "user", "secret" }, server));
    const auto path = root.hostPath(NSURLCredentialStorage::keychainPath);
    // Another process of the device takes the store's lock, reads it, and
    // writes it back with one more credential only when told to; a save
    // made here meanwhile waits for it and keeps both.
    ChildProcess other({ qv::testing::pythonInterpreter(), "-c", R"PY(
import fcntl, os, plistlib, sys
path = sys.argv[1]
lock = open(os.path.join(os.path.dirname(path), '.' + os.path.basename(path) + '.lock'), 'a')
fcntl.flock(lock, fcntl.LOCK_EX)
with open(path, 'rb') as f:
    entries = plistlib.load(f)
print('locked', flush=True)
sys.stdin.readline()
entries.append({'Host': 'other.example', 'Port': 443, 'Protocol': 'https', 'Realm': '', 'Proxy': False, 'User': 'them', 'Password': 'theirs'})
with open(path + '.new', 'wb') as f:
    plistlib.dump(entries, f)
os.rename(path + '.new', path)
fcntl.flock(lock, fcntl.LOCK_UN)
print('done', flush=True)
)PY", path.string() });
    ASSERT_TRUE(other.waitForLine("locked"));
    std::atomic<bool> saved { false };
    std::thread saver([&] { saved = storage().setDefaultCredential({ "proxyuser", "proxysecret" }, proxy); });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    other.send("go");
    ASSERT_TRUE(other.waitForLine("done"));
    saver.join();
    EXPECT_TRUE(saved);
    auto theirs = storage().defaultCredentialForProtectionSpace({ "other.example", 443, "https", "", false });
    ASSERT_TRUE(theirs) << "what the other process saved is seen here";
    EXPECT_EQ(theirs->password, "theirs");
    EXPECT_TRUE(storage().defaultCredentialForProtectionSpace(server));
    EXPECT_TRUE(storage().defaultCredentialForProtectionSpace(proxy)) << "the save that waited kept its change";
}

TEST(URLCredentialStorage, ADamagedStoreIsSetAsideAndNothingIsSavedWithoutADevice)
{
    {
        TemporaryDeviceRoot root;
        root.writeFile(NSURLCredentialStorage::keychainPath, "not a property list");
        EXPECT_FALSE(storage().defaultCredentialForProtectionSpace(server));
        ASSERT_TRUE(storage().setDefaultCredential({ "user", "secret" }, server));
        EXPECT_EQ(root.readFile(std::string(NSURLCredentialStorage::keychainPath) + ".damaged"), "not a property list");
        EXPECT_TRUE(storage().defaultCredentialForProtectionSpace(server));
    }
    // Credentials never go to this machine's own /var.
    ScopedEnvironment noRoot("QV_ROOT", std::nullopt);
    EXPECT_FALSE(storage().setDefaultCredential({ "user", "secret" }, server));
    EXPECT_FALSE(storage().defaultCredentialForProtectionSpace(server));
}
