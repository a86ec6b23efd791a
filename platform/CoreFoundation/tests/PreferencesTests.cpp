#include "platform/CoreFoundation/CFPreferences.h"
#include "platform/CoreFoundation/CoreFoundationTesting.h"
#include "platform/Foundation/NSData.h"
#include "platform/Foundation/NSPropertyListSerialization.h"
#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/Foundation/NSString.h"

#include "platform/core/CoreTesting.h"
#include "LockQueueProbe.h"
#include "PeerProcess.h"
#include "testing/ChildProcess.h"
#include "testing/Process.h"
#include "testing/PythonPlist.h"
#include "testing/ScopedEnvironment.h"
#include "testing/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <thread>

using namespace qv;
using namespace qv::testing;

namespace {

const std::string domain = "com.example.shared";
const std::string domainFile = "/var/mobile/Library/Preferences/com.example.shared.plist";

RefPtr<NSString> stringValue(const std::string& key)
{
    return dynamicRefCast<NSString>(CFPreferencesCopyAppValue(key, domain));
}

// Python's plistlib reads the domain's file and prints what the script says.
std::string readWithPlistlib(const TemporaryDeviceRoot& root, const std::string& expression)
{
    return plistlibReading(root.hostPath(domainFile), expression);
}

} // namespace

// In one process a set is seen at once; no value removes the key; kinds
// stay as they were through the file, as another reader sees them.
TEST(Preferences, SetIsSeenAtOnceAndKeepsKindsThroughTheFile)
{
    TemporaryDeviceRoot root;
    EXPECT_FALSE(CFPreferencesCopyAppValue("Enable", domain));
    CFPreferencesSetAppValue("Enable", NSNumber::numberWithBool(true), domain);
    CFPreferencesSetAppValue("Page", NSNumber::numberWithInteger(1), domain);
    CFPreferencesSetAppValue("Radius", NSNumber::numberWithDouble(7.5), domain);
    CFPreferencesSetAppValue("Name", NSString::create("Default.plist//DEFAULT"), domain);
    CFPreferencesSetAppValue("Size", NSDictionary::create({ { "width", 200.0 }, { "height", 180.5 } }), domain);
    CFPreferencesSetAppValue("Gone", NSString::create("soon"), domain);
    CFPreferencesSetAppValue("Gone", nullptr, domain);
    ASSERT_TRUE(stringValue("Name"));
    EXPECT_EQ(stringValue("Name")->string(), "Default.plist//DEFAULT");
    EXPECT_FALSE(CFPreferencesCopyAppValue("Gone", domain));
    EXPECT_EQ(root.readFile(domainFile), ""); // nothing written before a synchronisation

    ASSERT_TRUE(CFPreferencesAppSynchronize(domain));
    EXPECT_EQ(readWithPlistlib(root, "sorted((k, type(v).__name__) for k, v in values.items())"),
        "[('Enable', 'bool'), ('Name', 'str'), ('Page', 'int'), ('Radius', 'float'), ('Size', 'dict')]");
    EXPECT_EQ(readWithPlistlib(root, "values['Size']['height'], values['Radius']"), "(180.5, 7.5)");
    RefPtr<NSNumber> enable = dynamicRefCast<NSNumber>(CFPreferencesCopyAppValue("Enable", domain));
    ASSERT_TRUE(enable);
    EXPECT_TRUE(enable->boolValue());
}

// Values go in and come out as copies: changing a container afterwards
// changes nothing in the domain.
TEST(Preferences, ContainersAreCopiedInAndOut)
{
    TemporaryDeviceRoot root;
    Ref<NSDictionary> size = NSDictionary::create({ { "width", 10 } });
    CFPreferencesSetAppValue("Size", size, domain);
    size->setObject(99, "width");
    RefPtr<NSDictionary> read = dynamicRefCast<NSDictionary>(CFPreferencesCopyAppValue("Size", domain));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->numberForKey("width")->intValue(), 10);
    read->setObject(42, "width");
    read = dynamicRefCast<NSDictionary>(CFPreferencesCopyAppValue("Size", domain));
    EXPECT_EQ(read->numberForKey("width")->intValue(), 10);
}

TEST(Preferences, RefusesWhatCannotBeStored)
{
    TemporaryDeviceRoot root;
    LogCapture log;
    CFPreferencesSetAppValue("Thing", NSObject::create(), domain);
    EXPECT_FALSE(CFPreferencesCopyAppValue("Thing", domain));
    EXPECT_TRUE(log.contains("no property list"));
    for (const std::string& badDomain : { std::string(), std::string(".."), std::string("a/b"), std::string("a\0b", 3) }) {
        SCOPED_TRACE(badDomain);
        log.clear();
        CFPreferencesSetAppValue("Key", NSString::create("value"), badDomain);
        EXPECT_FALSE(CFPreferencesCopyAppValue("Key", badDomain));
        EXPECT_FALSE(CFPreferencesAppSynchronize(badDomain));
        EXPECT_TRUE(log.contains("cannot name a preference domain"));
    }
}

// Without a device root nothing is written anywhere; the process still
// sees its own values.
TEST(Preferences, WithoutDeviceRootSynchroniseFails)
{
    ScopedEnvironment noRoot("QV_ROOT", std::nullopt);
    LogCapture log;
    CFPreferencesSetAppValue("Key", NSString::create("value"), domain);
    EXPECT_FALSE(CFPreferencesAppSynchronize(domain));
    ASSERT_TRUE(stringValue("Key"));
    EXPECT_EQ(stringValue("Key")->string(), "value");
}

// The views belong to the device root: on another root a domain starts
// from that root's file, and nothing set or read on the first reaches it.
TEST(Preferences, AnotherDeviceRootStartsAfresh)
{
    TemporaryDeviceRoot first;
    CFPreferencesSetAppValue("Set", NSString::create("first"), domain);
    {
        TemporaryDeviceRoot second;
        EXPECT_FALSE(CFPreferencesCopyAppValue("Set", domain));
        CFPreferencesSetAppValue("Other", NSString::create("second"), domain);
        ASSERT_TRUE(CFPreferencesAppSynchronize(domain));
        EXPECT_EQ(readWithPlistlib(second, "values"), "{'Other': 'second'}");
    }
    // Coming back starts afresh too: what was set there and never
    // synchronised is gone.
    EXPECT_FALSE(CFPreferencesCopyAppValue("Set", domain));
    EXPECT_FALSE(CFPreferencesCopyAppValue("Other", domain));
}

// A file whose bytes, read in full, are no dictionary is set aside under a
// name of its own and the domain starts afresh; a later one never takes
// the place of an earlier copy.
TEST(Preferences, OnlyAFileThatIsNoDictionaryIsSetAsideAndNoCopyIsLost)
{
    TemporaryDeviceRoot root;
    root.writeFile(domainFile, "not a property list");
    LogCapture log;
    EXPECT_FALSE(CFPreferencesCopyAppValue("Key", domain));
    CFPreferencesSetAppValue("Key", NSString::create("value"), domain);
    ASSERT_TRUE(CFPreferencesAppSynchronize(domain));
    EXPECT_EQ(root.readFile(domainFile + ".unreadable"), "not a property list");
    EXPECT_EQ(readWithPlistlib(root, "values"), "{'Key': 'value'}");
    EXPECT_TRUE(log.contains("kept as"));

    root.writeFile(domainFile, "<plist><array/></plist>");
    ASSERT_TRUE(CFPreferencesAppSynchronize(domain));
    EXPECT_EQ(root.readFile(domainFile + ".unreadable"), "not a property list");
    EXPECT_EQ(root.readFile(domainFile + ".unreadable.2"), "<plist><array/></plist>");
    EXPECT_EQ(readWithPlistlib(root, "values"), "{}");
}

// A file that cannot be read (larger than readers accept, or an I/O
// error) fails the synchronisation and keeps everything:
// the file, this process's values and its changes, which a later
// synchronisation writes.
TEST(Preferences, AFileThatCannotBeReadFailsTheSynchroniseAndKeepsEverything)
{
    TemporaryDeviceRoot root;
    const std::string small = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>Other</key><string>kept</string></dict></plist>";
    root.writeFile(domainFile, small + std::string(NSPropertyListSerialization::maximumSize, ' '));
    LogCapture log;
    CFPreferencesSetAppValue("Key", NSString::create("value"), domain);
    EXPECT_FALSE(CFPreferencesAppSynchronize(domain));
    EXPECT_TRUE(log.contains("larger than readers accept"));
    EXPECT_EQ(std::filesystem::file_size(root.hostPath(domainFile)), small.size() + NSPropertyListSerialization::maximumSize);
    EXPECT_FALSE(std::filesystem::exists(root.hostPath(domainFile + ".unreadable")));
    ASSERT_TRUE(stringValue("Key"));
    root.writeFile(domainFile, small);
    ASSERT_TRUE(CFPreferencesAppSynchronize(domain));
    EXPECT_EQ(readWithPlistlib(root, "sorted(values.items())"), "[('Key', 'value'), ('Other', 'kept')]");


    // A domain "file" that is a folder cannot be read either.
    std::filesystem::remove(root.hostPath(domainFile));
    std::filesystem::create_directory(root.hostPath(domainFile));
    CFPreferencesSetAppValue("Mine", NSString::create("later"), domain);
    log.clear();
    EXPECT_FALSE(CFPreferencesAppSynchronize(domain));
    EXPECT_TRUE(log.contains("cannot read"));
    EXPECT_TRUE(std::filesystem::is_directory(root.hostPath(domainFile)));
    EXPECT_FALSE(std::filesystem::exists(root.hostPath(domainFile + ".unreadable")));
    ASSERT_TRUE(stringValue("Key"));
    // Once the folder is gone (with the values synchronised before), the
    // change kept from the failed synchronisation is written.
    std::filesystem::remove(root.hostPath(domainFile));
    ASSERT_TRUE(CFPreferencesAppSynchronize(domain));
    EXPECT_EQ(readWithPlistlib(root, "sorted(values.items())"), "[('Mine', 'later')]");
}

// A set that would make the domain's file larger than readers accept is
// refused, and the domain stays as it was; smaller sets go on.
TEST(Preferences, ASetThatWouldMakeTheFileTooLargeIsRefused)
{
    TemporaryDeviceRoot root;
    const std::string bytes(13u << 20, 'x');
    LogCapture log;
    CFPreferencesSetAppValue("First", NSData::dataWithBytes(bytes.data(), bytes.size()), domain);
    ASSERT_TRUE(CFPreferencesCopyAppValue("First", domain));
    CFPreferencesSetAppValue("Second", NSData::dataWithBytes(bytes.data(), bytes.size()), domain);
    EXPECT_FALSE(CFPreferencesCopyAppValue("Second", domain));
    EXPECT_TRUE(log.contains("the value for \"Second\" is not set: " + domainFile + " could not be written with it (a document larger than readers accept)"));
    CFPreferencesSetAppValue("Small", NSString::create("value"), domain);
    ASSERT_TRUE(CFPreferencesAppSynchronize(domain));
    EXPECT_EQ(readWithPlistlib(root, "sorted(values)"), "['First', 'Small']");
}

// A process whose view was read before others grew the file may take a
// value that fits its view but not the file. The synchronisation drops
// that value, says so, leaves the file's own value for its key, writes
// every other change and answers that not all was written; later
// synchronisations go on.
TEST(Preferences, AValueThatWouldMakeTheGrownFileTooLargeIsDroppedAndTheRestWritten)
{
    TemporaryDeviceRoot root;
    EXPECT_FALSE(CFPreferencesCopyAppValue("Shared", domain)); // the view is read now, from no file
    std::filesystem::create_directories(root.hostPath("/var/mobile/Library/Preferences"));
    ProcessResult grown = runPython(
        "import plistlib, sys\nplistlib.dump({'Shared': 'theirs', 'Bulk': bytes(14 << 20)}, open(sys.argv[1], 'wb'))",
        { root.hostPath(domainFile).string() });
    ASSERT_EQ(grown.exitCode, 0) << grown.errors;

    const std::string bytes(12u << 20, 'x');
    LogCapture log;
    CFPreferencesSetAppValue("Shared", NSData::dataWithBytes(bytes.data(), bytes.size()), domain);
    ASSERT_TRUE(dynamicRefCast<NSData>(CFPreferencesCopyAppValue("Shared", domain))) << "it fits this process's view";
    CFPreferencesSetAppValue("Small", NSString::create("kept"), domain);
    EXPECT_FALSE(CFPreferencesAppSynchronize(domain));
    EXPECT_TRUE(log.contains("the value set for \"Shared\" would make " + domainFile + " larger than readers accept; it is dropped"));
    EXPECT_EQ(readWithPlistlib(root, "sorted((k, v if isinstance(v, str) else len(v)) for k, v in values.items())"),
        "[('Bulk', " + std::to_string(14 << 20) + "), ('Shared', 'theirs'), ('Small', 'kept')]");
    ASSERT_TRUE(stringValue("Shared"));
    EXPECT_EQ(stringValue("Shared")->string(), "theirs");

    // The next synchronisations carry on, and another process sees them.
    CFPreferencesSetAppValue("Later", NSString::create("too"), domain);
    ASSERT_TRUE(CFPreferencesAppSynchronize(domain));
    PeerProcess reader(domain);
    EXPECT_EQ(reader.ask("get Later"), "value too");
    EXPECT_EQ(reader.ask("get Small"), "value kept");
}

// A value XML cannot hold (text with a control character), in a file
// another program wrote as a binary property list, is kept as it is, and
// every other key still goes through: the file is written in binary while
// it holds such a value (readers take either), and in XML again once it
// does not.
TEST(Preferences, AValueXMLCannotHoldIsKeptAndEveryOtherKeyGoesThrough)
{
    TemporaryDeviceRoot root;
    std::filesystem::create_directories(root.hostPath("/var/mobile/Library/Preferences"));
    ProcessResult written = runPython(
        "import plistlib, sys\nplistlib.dump({'bad': 'a\\x01b', 'keep': 'x'}, open(sys.argv[1], 'wb'), fmt=plistlib.FMT_BINARY)",
        { root.hostPath(domainFile).string() });
    ASSERT_EQ(written.exitCode, 0) << written.errors;

    LogCapture log;
    CFPreferencesSetAppValue("New", NSString::create("mine"), domain);
    ASSERT_TRUE(stringValue("New"));
    EXPECT_TRUE(CFPreferencesAppSynchronize(domain));
    EXPECT_EQ(log.lines(), std::vector<std::string> {});
    EXPECT_EQ(readWithPlistlib(root, "sorted(values.items())"), "[('New', 'mine'), ('bad', 'a\\x01b'), ('keep', 'x')]");
    {
        PeerProcess fresh(domain);
        EXPECT_EQ(fresh.ask("get New"), "value mine");
        fresh.command("set Theirs too");
        fresh.command("sync");
    }
    ASSERT_TRUE(CFPreferencesAppSynchronize(domain));
    ASSERT_TRUE(stringValue("Theirs"));
    EXPECT_EQ(stringValue("Theirs")->string(), "too");

    // Such text set here goes in and comes out, in a container too.
    CFPreferencesSetAppValue("List", NSArray::create({ std::string("bell\x07"), std::string("tab\t") }), domain);
    RefPtr<NSArray> list = dynamicRefCast<NSArray>(CFPreferencesCopyAppValue("List", domain));
    ASSERT_TRUE(list) << ::testing::PrintToString(log.lines());
    EXPECT_EQ(list->count(), 2u);
    EXPECT_TRUE(CFPreferencesAppSynchronize(domain));
    EXPECT_EQ(readWithPlistlib(root, "values['List'], values['bad']"), "(['bell\\x07', 'tab\\t'], 'a\\x01b')");

    CFPreferencesSetAppValue("bad", nullptr, domain);
    CFPreferencesSetAppValue("List", nullptr, domain);
    EXPECT_TRUE(CFPreferencesAppSynchronize(domain));
    EXPECT_EQ(root.readFile(domainFile).rfind("<?xml", 0), 0u);
    EXPECT_EQ(readWithPlistlib(root, "sorted(values.items())"), "[('New', 'mine'), ('Theirs', 'too'), ('keep', 'x')]");
    EXPECT_EQ(log.lines(), std::vector<std::string> {});
}

// A set refused is logged with its true reason.
TEST(Preferences, ARefusedSetSaysWhy)
{
    TemporaryDeviceRoot root;
    LogCapture log;
    CFPreferencesSetAppValue(std::string("a\0b", 3), NSString::create("value"), domain);
    EXPECT_FALSE(CFPreferencesCopyAppValue(std::string("a\0b", 3), domain));
    EXPECT_TRUE(log.contains("could not be written with it (a key with a NUL character)"));
    EXPECT_FALSE(log.contains("larger than readers accept"));
}

// A command whose answer comes after its asker gave up waiting is passed
// over: the next question gets its own answer, never the late one.
TEST(Preferences, APeersLateAnswerIsNeverTakenForTheAnswerToALaterQuestion)
{
    TemporaryDeviceRoot root;
    CFPreferencesSetAppValue("Early", NSString::create("first"), domain);
    CFPreferencesSetAppValue("Later", NSString::create("second"), domain);
    ASSERT_TRUE(CFPreferencesAppSynchronize(domain));
    PeerProcess peer(domain);
    EXPECT_FALSE(peer.answerTo("busy 1000", std::chrono::milliseconds(50)));
    EXPECT_FALSE(peer.answerTo("get Early", std::chrono::milliseconds(50)));
    EXPECT_EQ(peer.ask("get Later"), "value second");
    EXPECT_EQ(peer.ask("get Early"), "value first");
}

// Another process holding the domain's lock (stopped, or hung) makes a
// synchronisation give up after a bounded wait, and this process's reads
// and sets go on meanwhile; nothing is lost for the next one.
TEST(Preferences, LockWaitIsBoundedAndReadsAndSetsGoOnMeanwhile)
{
    TemporaryDeviceRoot root;
    std::filesystem::create_directories(root.hostPath("/var/mobile/Library/Preferences"));
    ChildProcess holder({ qv::testing::pythonInterpreter(), "-c",
        "import fcntl, sys, time\nf = open(sys.argv[1], 'a')\nfcntl.flock(f, fcntl.LOCK_EX)\nprint('locked', flush=True)\ntime.sleep(600)",
        root.hostPath(domainFile + ".lock").string() });
    ASSERT_TRUE(holder.waitForLine("locked"));
    ScopedPreferencesLockWait shortWait(1);
    CFPreferencesSetAppValue("Before", NSString::create("set"), domain);
    std::atomic<bool> finished { false };
    bool synchronised = true;
    std::thread synchroniser([&] {
        synchronised = CFPreferencesAppSynchronize(domain);
        finished = true;
    });
    int meanwhile = 0;
    while (!finished) {
        CFPreferencesSetAppValue("During", NSString::create(std::to_string(meanwhile)), domain);
        ASSERT_TRUE(stringValue("During"));
        EXPECT_EQ(stringValue("During")->string(), std::to_string(meanwhile));
        ++meanwhile;
    }
    synchroniser.join();
    EXPECT_FALSE(synchronised);
    EXPECT_GE(meanwhile, 2) << "sets and reads went on while the lock was waited for";
    holder.kill();
    ASSERT_TRUE(CFPreferencesAppSynchronize(domain));
    EXPECT_EQ(readWithPlistlib(root, "values['Before'], values['During']"), "('set', '" + std::to_string(meanwhile - 1) + "')");
}

// A writer killed in the middle of its atomic write leaves its temporary
// file; the next synchronisation of the domain removes it, and nothing of
// other domains.
TEST(Preferences, TemporaryFilesOfKilledWritersAreRemoved)
{
    TemporaryDeviceRoot root;
    const std::string folder = "/var/mobile/Library/Preferences/";
    root.writeFile(folder + ".com.example.shared.plist.Ab3xYz", "<?xml");
    root.writeFile(folder + ".com.example.other.plist.Ab3xYz", "<?xml");
    CFPreferencesSetAppValue("Key", NSString::create("value"), domain);
    ASSERT_TRUE(CFPreferencesAppSynchronize(domain));
    EXPECT_FALSE(std::filesystem::exists(root.hostPath(folder + ".com.example.shared.plist.Ab3xYz")));
    EXPECT_TRUE(std::filesystem::exists(root.hostPath(folder + ".com.example.other.plist.Ab3xYz")));
}

// Eight processes, each with fifty keys of its own, synchronise at once:
// the file ends up with all four hundred values.
TEST(Preferences, ProcessesWritingDifferentKeysAtOnceLoseNone)
{
    TemporaryDeviceRoot root;
    std::vector<std::unique_ptr<PeerProcess>> peers;
    for (int i = 0; i < 8; ++i) {
        peers.push_back(std::make_unique<PeerProcess>(domain));
        peers.back()->command("fill p" + std::to_string(i) + " 50");
    }
    for (auto& peer : peers)
        ASSERT_TRUE(peer->process().send("sync"));
    for (auto& peer : peers)
        EXPECT_TRUE(peer->process().waitForLine("ok"));

    EXPECT_EQ(readWithPlistlib(root, "len(values), sum(values.get('p%d-%d' % (p, k)) == str(k) for p in range(8) for k in range(50))"), "(400, 400)");
    ASSERT_TRUE(CFPreferencesAppSynchronize(domain));
    for (int process = 0; process < 8; ++process) {
        for (int key = 0; key < 50; ++key) {
            RefPtr<NSString> value = stringValue("p" + std::to_string(process) + "-" + std::to_string(key));
            ASSERT_TRUE(value) << process << " " << key;
            EXPECT_EQ(value->string(), std::to_string(key));
        }
    }
}

// Processes waiting for the domain's lock get it in the order they came,
// whoever asks more often; one killed while it waits holds up nobody.
// Each process's view after its synchronisation shows whose keys the
// file had by then.
TEST(Preferences, LockWaitersAreServedInTheOrderTheyCameAndAKilledOneHoldsUpNobody)
{
    TemporaryDeviceRoot root;
    std::filesystem::create_directories(root.hostPath("/var/mobile/Library/Preferences"));
    const std::vector<std::string> names { "A", "B", "C", "D" };
    std::vector<std::unique_ptr<PeerProcess>> peers;
    for (const std::string& name : names) {
        peers.push_back(std::make_unique<PeerProcess>(domain));
        // However slow the machine, no one gives up before the holder goes.
        peers.back()->command("lock-wait 60");
        peers.back()->command("set Key-" + name + " " + name);
    }
    // A process of an earlier version holds the lock: it knows the file's
    // flock alone.
    ChildProcess holder({ qv::testing::pythonInterpreter(), "-c",
        "import fcntl, sys, time\nf = open(sys.argv[1], 'a')\nfcntl.flock(f, fcntl.LOCK_EX)\nprint('locked', flush=True)\ntime.sleep(600)",
        root.hostPath(domainFile + ".lock").string() });
    ASSERT_TRUE(holder.waitForLine("locked"));
    for (size_t i = 0; i < peers.size(); ++i) {
        ASSERT_TRUE(peers[i]->process().send("sync"));
        ASSERT_TRUE(waitForNextLockTicket(root.hostPath(domainFile + ".lock"), i + 1)) << names[i] << " did not queue";
    }
    peers[1]->process().kill();
    holder.kill();
    for (size_t i : { 0, 2, 3 })
        EXPECT_TRUE(peers[i]->process().waitForLine("ok")) << names[i];

    EXPECT_EQ(readWithPlistlib(root, "sorted(values)"), "['Key-A', 'Key-C', 'Key-D']");
    EXPECT_EQ(peers[0]->ask("get Key-C"), "none");
    EXPECT_EQ(peers[2]->ask("get Key-A"), "value A");
    EXPECT_EQ(peers[2]->ask("get Key-D"), "none");
    EXPECT_EQ(peers[3]->ask("get Key-A"), "value A");
    EXPECT_EQ(peers[3]->ask("get Key-C"), "value C");
}

// Thirty-two processes, each synchronising after every set, all at once:
// no synchronisation fails on the lock, and the file ends up with every
// value.
TEST(Preferences, ManyProcessesSynchronisingAfterEverySetAllGetTheLock)
{
    TemporaryDeviceRoot root;
    constexpr int processes = 32;
    constexpr int sets = 12;
    std::vector<std::unique_ptr<PeerProcess>> peers;
    for (int i = 0; i < processes; ++i)
        peers.push_back(std::make_unique<PeerProcess>(domain));
    for (int i = 0; i < processes; ++i)
        ASSERT_TRUE(peers[i]->process().send("set-sync p" + std::to_string(i) + " " + std::to_string(sets)));
    for (int i = 0; i < processes; ++i) {
        std::optional<std::string> answer = peers[i]->process().readLine(std::chrono::seconds(90));
        EXPECT_EQ(answer.value_or("no answer"), "ok") << "process " << i;
    }
    EXPECT_EQ(readWithPlistlib(root,
                  "len(values), sum(values.get('p%d-%d' % (p, k)) == str(k) for p in range(" + std::to_string(processes)
                      + ") for k in range(" + std::to_string(sets) + "))"),
        "(" + std::to_string(processes * sets) + ", " + std::to_string(processes * sets) + ")");
}

// A value crosses to another process only once the writer and then the
// reader have synchronised; a reader's own changes survive the reload.
TEST(Preferences, AnotherProcessSeesAValueOnlyAfterBothSynchronise)
{
    TemporaryDeviceRoot root;
    PeerProcess writer(domain), reader(domain);
    EXPECT_EQ(reader.ask("get Layout"), "none");
    writer.command("set Layout first");
    EXPECT_EQ(writer.ask("get Layout"), "value first");
    EXPECT_EQ(reader.ask("get Layout"), "none");
    writer.command("sync");
    EXPECT_EQ(reader.ask("get Layout"), "none");
    reader.command("set Own mine");
    reader.command("sync");
    EXPECT_EQ(reader.ask("get Layout"), "value first");
    EXPECT_EQ(reader.ask("get Own"), "value mine");
    // The last to synchronise a key wins it.
    writer.command("set Layout second");
    reader.command("set Layout third");
    writer.command("sync");
    reader.command("sync");
    writer.command("sync");
    EXPECT_EQ(writer.ask("get Layout"), "value third");
}

// A removal reaches the file, and no process that still had the key in
// its view brings it back when it synchronises.
TEST(Preferences, RemovedKeyStaysRemovedAfterEveryProcessSynchronises)
{
    TemporaryDeviceRoot root;
    std::vector<std::unique_ptr<PeerProcess>> peers;
    for (int i = 0; i < 3; ++i)
        peers.push_back(std::make_unique<PeerProcess>(domain));
    peers[0]->command("set FolderViewSize big");
    peers[0]->command("sync");
    for (auto& peer : peers) {
        peer->command("sync");
        EXPECT_EQ(peer->ask("get FolderViewSize"), "value big");
    }
    peers[1]->command("unset FolderViewSize");
    peers[1]->command("sync");
    peers[2]->command("set Other value");
    for (auto& peer : peers) {
        peer->command("sync");
        EXPECT_EQ(peer->ask("get FolderViewSize"), "none");
    }
    EXPECT_EQ(readWithPlistlib(root, "sorted(values)"), "['Other']");
}
