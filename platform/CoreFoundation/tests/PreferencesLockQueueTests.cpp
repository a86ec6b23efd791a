// The preference domains' lock queue with real processes on a real lock
// file: holders that are stopped, queues longer than the longest wait, a
// ticket count that goes round, and domain names as long as file names go.

#include "platform/CoreFoundation/CFPreferences.h"
#include "platform/CoreFoundation/CoreFoundationTesting.h"
#include "platform/Foundation/NSString.h"

#include "LockQueueProbe.h"
#include "PeerProcess.h"
#include "testing/ChildProcess.h"
#include "testing/Process.h"
#include "testing/PythonPlist.h"
#include "testing/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sys/wait.h>
#include <vector>

using namespace qv;
using namespace qv::testing;

namespace {

const std::string domain = "com.example.queue";
const std::string preferencesFolder = "/var/mobile/Library/Preferences/";
const std::string domainFile = preferencesFolder + domain + ".plist";

// A device root with the domain's lock file, and the processes that queue
// on it.
class LockQueue {
public:
    LockQueue()
    {
        std::filesystem::create_directories(root.hostPath(preferencesFolder));
    }

    std::filesystem::path lockFile() const { return root.hostPath(domainFile + ".lock"); }
    std::filesystem::path logFile() const { return root.path() / "holders.log"; }

    // A process of an earlier version holding the lock: it knows the
    // file's flock alone. Holds it until killed.
    std::unique_ptr<ChildProcess> earlierVersionHolder() const
    {
        auto holder = std::make_unique<ChildProcess>(std::vector<std::string> { pythonInterpreter(), "-c",
            "import fcntl, sys, time\nf = open(sys.argv[1], 'a')\nfcntl.flock(f, fcntl.LOCK_EX)\nprint('locked', flush=True)\ntime.sleep(600)",
            lockFile().string() });
        EXPECT_TRUE(holder->waitForLine("locked"));
        return holder;
    }

    // A process taking the lock as a synchronisation does, holding it for
    // `hold` seconds; it logs its name when it has it.
    std::unique_ptr<ChildProcess> holder(const std::string& name, double longestWait, double hold = 0) const
    {
        return std::make_unique<ChildProcess>(std::vector<std::string> { buildDirectory() + "/bin/qv_preferences_lock_holder",
            lockFile().string(), std::to_string(longestWait), std::to_string(hold), logFile().string(), name });
    }

    // The names of the holders in the order they had the lock; empty, with
    // a failure, when two had it at once.
    std::vector<std::string> holdersInOrder() const
    {
        std::ifstream log(logFile());
        std::vector<std::string> names;
        std::string name, event;
        while (log >> name >> event) {
            if (event == "in") {
                names.push_back(name);
                continue;
            }
            if (names.empty() || names.back() != name || event != "out") {
                ADD_FAILURE() << name << " " << event << ": two holders had the lock at once";
                return {};
            }
        }
        return names;
    }

    TemporaryDeviceRoot root;
};

// Whether the process has ended, leaving it to be reaped by its owner.
bool hasEnded(const ChildProcess& process)
{
    siginfo_t info {};
    return waitid(P_PID, static_cast<id_t>(process.pid()), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid != 0;
}

} // namespace

// A process stopped while it waits in line keeps nobody out: once nobody
// holds the lock and it does not take it, those behind it pass it over,
// in their order, and it has its turn when it runs again.
TEST(PreferencesLockQueue, AStoppedWaiterKeepsNobodyOut)
{
    LockQueue queue;
    // However slow the machine, nobody behind the stopped one gives up for
    // the queue standing still less than this; a waiter passes over one
    // that stood still for a fifth of it.
    const double longestWait = 15;
    PeerProcess synchroniser(domain);
    synchroniser.command("lock-wait " + std::to_string(longestWait));
    synchroniser.command("set Key third");
    std::unique_ptr<ChildProcess> earlier = queue.earlierVersionHolder();
    std::unique_ptr<ChildProcess> stopped = queue.holder("stopped", 120);
    ASSERT_TRUE(waitForNextLockTicket(queue.lockFile(), 1));
    ASSERT_EQ(kill(stopped->pid(), SIGSTOP), 0);
    std::unique_ptr<ChildProcess> second = queue.holder("second", longestWait);
    ASSERT_TRUE(waitForNextLockTicket(queue.lockFile(), 2));
    ASSERT_TRUE(synchroniser.process().send("sync"));
    ASSERT_TRUE(waitForNextLockTicket(queue.lockFile(), 3));

    earlier->kill();
    EXPECT_EQ(second->readLine(std::chrono::seconds(60)).value_or("no answer"), "locked");
    EXPECT_EQ(synchroniser.process().readLine(std::chrono::seconds(60)).value_or("no answer"), "ok");
    EXPECT_EQ(plistlibReading(queue.root.hostPath(domainFile), "values"), "{'Key': 'third'}");
    EXPECT_EQ(queue.holdersInOrder(), std::vector<std::string> { "second" });

    ASSERT_EQ(kill(stopped->pid(), SIGCONT), 0);
    EXPECT_EQ(stopped->readLine(std::chrono::seconds(60)).value_or("no answer"), "locked");
    EXPECT_EQ(queue.holdersInOrder(), (std::vector<std::string> { "second", "stopped" }));
}

// A holder that does not let go fails every waiter behind it once the
// queue has stood still for the longest wait: one ahead giving up is no
// move, or each in line would wait the longest wait once more.
TEST(PreferencesLockQueue, AHolderThatDoesNotLetGoFailsTheWholeLineInTime)
{
    LockQueue queue;
    std::unique_ptr<ChildProcess> earlier = queue.earlierVersionHolder();
    const double longestWait = 4;
    constexpr int waiters = 5;
    std::vector<std::unique_ptr<ChildProcess>> line;
    for (int i = 0; i < waiters; ++i)
        line.push_back(queue.holder("w" + std::to_string(i), longestWait));
    ASSERT_TRUE(waitForNextLockTicket(queue.lockFile(), waiters));
    const auto lastQueued = std::chrono::steady_clock::now();
    for (auto& waiter : line)
        EXPECT_EQ(waiter->readLine(std::chrono::seconds(60)).value_or("no answer"), "failed the queue stood still");
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - lastQueued).count(), 2.5 * longestWait)
        << "the last in line waited for those ahead of it to give up";
    EXPECT_TRUE(queue.holdersInOrder().empty());
    earlier->kill();
}

// The longest wait bounds how long the queue stands still, not how long a
// waiter waits: a line of short holders, together far longer than it, is
// waited through by every one of them, in turn, and by a synchronisation
// at its end.
TEST(PreferencesLockQueue, AQueueLongerThanTheLongestWaitIsWaitedThrough)
{
    LockQueue queue;
    constexpr int holders = 14;
    const double longestWait = 3;
    const double hold = 0.5; // in all, more than twice the longest wait
    std::vector<std::unique_ptr<ChildProcess>> line;
    for (int i = 0; i < holders; ++i)
        line.push_back(queue.holder("h" + std::to_string(i), longestWait, hold));
    ASSERT_TRUE(waitUntil([&] { return nextLockTicket(queue.lockFile()) >= holders && !ticketCountIsHeld(queue.lockFile()); }));
    ScopedPreferencesLockWait wait(longestWait);
    CFPreferencesSetAppValue("Last", NSString::create("in"), domain);
    EXPECT_TRUE(CFPreferencesAppSynchronize(domain));

    std::set<std::string> had;
    for (int i = 0; i < holders; ++i) {
        EXPECT_EQ(line[i]->readLine(std::chrono::seconds(60)).value_or("no answer"), "locked") << "h" << i;
        had.insert("h" + std::to_string(i));
    }
    std::vector<std::string> order = queue.holdersInOrder();
    EXPECT_EQ(std::set<std::string>(order.begin(), order.end()), had);
    EXPECT_EQ(order.size(), had.size()) << "each had it once";
    EXPECT_EQ(plistlibReading(queue.root.hostPath(domainFile), "values"), "{'Last': 'in'}");
}

// A ticket count that goes round (here written just below its end) fails
// nobody: the ticket after the last waits for the tickets before it, as
// any ticket does, and the line goes on in the order it came.
TEST(PreferencesLockQueue, ATicketCountThatGoesRoundFailsNobodyAndKeepsTheOrder)
{
    LockQueue queue;
    const uint64_t nearEnd = (uint64_t(1) << 62) - 2;
    {
        std::ofstream lock(queue.lockFile(), std::ios::binary);
        for (int i = 0; i < 8; ++i)
            lock.put(static_cast<char>(nearEnd >> (8 * i)));
    }
    std::unique_ptr<ChildProcess> earlier = queue.earlierVersionHolder();
    std::vector<std::unique_ptr<ChildProcess>> line;
    line.push_back(queue.holder("h1", 60));
    ASSERT_TRUE(waitForNextLockTicket(queue.lockFile(), nearEnd + 1));
    line.push_back(queue.holder("h2", 60));
    ASSERT_TRUE(waitForNextLockTicket(queue.lockFile(), nearEnd + 2));
    // The third takes the ticket after the last: it waits, holding the
    // count, until the two before it had their turns.
    line.push_back(queue.holder("h3", 60));
    ASSERT_TRUE(waitUntil([&] {
        return ticketCountIsHeld(queue.lockFile()) || nextLockTicket(queue.lockFile()) != nearEnd + 2 || hasEnded(*line.back());
    }));
    line.push_back(queue.holder("h4", 60));
    line.push_back(queue.holder("h5", 60));
    PeerProcess synchroniser(domain);
    synchroniser.command("lock-wait 60");
    synchroniser.command("set Key value");
    ASSERT_TRUE(synchroniser.process().send("sync"));

    earlier->kill();
    for (size_t i = 0; i < line.size(); ++i)
        EXPECT_EQ(line[i]->readLine(std::chrono::seconds(60)).value_or("no answer"), "locked") << "h" << i + 1;
    EXPECT_EQ(synchroniser.process().readLine(std::chrono::seconds(60)).value_or("no answer"), "ok");
    std::vector<std::string> order = queue.holdersInOrder();
    ASSERT_EQ(order.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(order.begin(), order.begin() + 3), (std::vector<std::string> { "h1", "h2", "h3" }));
    EXPECT_EQ(nextLockTicket(queue.lockFile()), 4u) << "tickets 0 to 3 given out after the end";
    EXPECT_EQ(plistlibReading(queue.root.hostPath(domainFile), "values"), "{'Key': 'value'}");
}

namespace {

// The start of the name, at most `bytes` long, cut at a character's start.
std::string startOf(const std::string& name, size_t bytes)
{
    size_t end = std::min(bytes, name.size());
    while (end > 0 && end < name.size() && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80)
        --end;
    return name.substr(0, end);
}

std::set<std::string> namesIn(const std::filesystem::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

} // namespace

// Every domain whose file name the file system takes synchronises: the
// lock keeps the name earlier versions use wherever it fits, and is named
// after the start of the domain's name where it does not. The temporary
// file a killed writer left, its name shortened as well, goes at the
// domain's next synchronisation, and nothing of the other domains does.
TEST(PreferencesLockQueue, DomainsWithTheLongestNamesSynchroniseAndRemoveTheirKilledWritersFiles)
{
    TemporaryDeviceRoot root;
    const std::filesystem::path folder = root.hostPath(preferencesFolder);
    std::filesystem::create_directories(folder);
    auto named = [](size_t length, const std::string& end = "") {
        return "com.example." + std::string(length - 12 - end.size(), 'x') + end;
    };
    struct Case {
        std::string domain;
        std::string lock; // the lock file's name
        std::string leftByKilledWriter;
    };
    std::vector<Case> cases;
    // The temporary file is ".", the file's name and a random end of 7: up
    // to 255 bytes, so the domain's name is cut from 242 bytes on.
    for (const std::string& name : { named(241), named(242), named(244), named(245), named(248, "\xc3\xa9"), named(249) }) {
        const std::string file = name + ".plist";
        const std::string stem = startOf(file, 247);
        cases.push_back({ name, file.size() + 5 <= 255 ? file + ".lock" : stem + ".lock", "." + stem + ".Ab3xYz" });
    }
    ASSERT_EQ(cases[2].lock, named(244) + ".plist.lock") << "the longest name earlier versions can use";
    ASSERT_EQ(cases[3].lock, named(245) + ".p.lock");
    ASSERT_EQ(cases[4].lock, named(246) + ".lock") << "cut before the two bytes of the last character";
    std::set<std::string> others { ".com.example.other.plist.Ab3xYz" };
    for (const Case& each : cases) {
        root.writeFile(preferencesFolder + each.leftByKilledWriter, "<?xml");
        // Alike, but no temporary file of an atomic write.
        others.insert(each.leftByKilledWriter.substr(0, each.leftByKilledWriter.size() - 1));
        others.insert(each.leftByKilledWriter.substr(0, each.leftByKilledWriter.size() - 1) + "-");
    }
    for (const std::string& other : others)
        root.writeFile(preferencesFolder + other, "<?xml");

    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& each = cases[i];
        SCOPED_TRACE(each.domain.size());
        CFPreferencesSetAppValue("Length", NSString::create(std::to_string(each.domain.size())), each.domain);
        ASSERT_TRUE(CFPreferencesAppSynchronize(each.domain));
        EXPECT_EQ(plistlibReading(root.hostPath(preferencesFolder + each.domain + ".plist"), "values"),
            "{'Length': '" + std::to_string(each.domain.size()) + "'}");
        std::set<std::string> names = namesIn(folder);
        EXPECT_TRUE(names.count(each.lock));
        EXPECT_FALSE(names.count(each.leftByKilledWriter));
        for (size_t later = i + 1; later < cases.size(); ++later)
            EXPECT_TRUE(names.count(cases[later].leftByKilledWriter)) << "of the domain of " << cases[later].domain.size() << " bytes";
    }
    std::set<std::string> expected = others;
    for (const Case& each : cases) {
        expected.insert(each.domain + ".plist");
        expected.insert(each.lock);
    }
    EXPECT_EQ(namesIn(folder), expected);
}
