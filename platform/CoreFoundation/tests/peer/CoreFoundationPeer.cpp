// Another process of the simulated device, for the tests: it reads one
// command a line from its standard input, on its main run loop, and answers
// on its standard output. Darwin notifications it observes are printed as
// "notified NAME" when its main run loop delivers them.
//
//   observe NAME | remove NAME | remove-all | post NAME | ping | busy MS
//   observe-many PREFIX COUNT | post-many PREFIX COUNT | post-repeat NAME COUNT
//   set KEY TEXT | unset KEY | get KEY | sync | fill PREFIX COUNT | set-sync PREFIX COUNT
//   lock-wait SECONDS
//
// The -many commands act on the names PREFIX0 to PREFIX(COUNT-1);
// post-repeat posts one name COUNT times. The preference commands work on the domain named as the program's one
// argument; fill sets PREFIX-0 to PREFIX-(COUNT-1), each to its number as
// text; set-sync does the same, synchronising after every set. Every
// command is answered with "ok" (ping with "pong", get with "value TEXT" or
// "none", a failed sync with "failed", a set-sync with failed
// synchronisations with "failed COUNT"); lock-wait sets how long a
// synchronisation waits for the domain's lock. A command may begin with a
// tag, "#N ", which then begins its answer too, so that the asker can tell
// the answer to one command from a late answer to an earlier one. The
// program ends at the end of its input.

#include "platform/CoreFoundation/CFNotificationCenter.h"
#include "platform/CoreFoundation/CFPreferences.h"
#include "platform/CoreFoundation/CoreFoundationTesting.h"
#include "platform/Foundation/NSString.h"
#include "platform/Foundation/NSRunLoop.h"
#include "platform/Foundation/RunLoopSource.h"

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>

using namespace qv;

namespace {

bool finished = false;
std::string domain;
std::string pendingInput;
// The tag of the command being answered, with its space; empty when none.
std::string answerTag;
int observerToken;
std::unique_ptr<ScopedPreferencesLockWait> lockWait;

void answer(const std::string& line)
{
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

void reply(const std::string& line)
{
    answer(answerTag + line);
}

void notified(CFNotificationCenterRef, void*, const std::string& name, const void*, const void*)
{
    answer("notified " + name);
}

// Answers the preference commands; false for any other command.
bool runPreferenceCommand(const std::string& command, const std::string& key, std::istringstream& rest)
{
    if (command == "set") {
        std::string text;
        rest >> text;
        CFPreferencesSetAppValue(key, NSString::create(text), domain);
    } else if (command == "unset") {
        CFPreferencesSetAppValue(key, nullptr, domain);
    } else if (command == "get") {
        RefPtr<NSString> value = dynamicRefCast<NSString>(CFPreferencesCopyAppValue(key, domain));
        reply(value ? "value " + value->string() : "none");
        return true;
    } else if (command == "sync") {
        if (!CFPreferencesAppSynchronize(domain)) {
            reply("failed");
            return true;
        }
    } else if (command == "lock-wait") {
        lockWait.reset(); // the earlier wait is put back first
        lockWait = std::make_unique<ScopedPreferencesLockWait>(std::stod(key));
    } else if (command == "fill" || command == "set-sync") {
        int count = 0;
        rest >> count;
        int failures = 0;
        for (int index = 0; index < count; ++index) {
            CFPreferencesSetAppValue(key + "-" + std::to_string(index), NSString::create(std::to_string(index)), domain);
            if (command == "set-sync" && !CFPreferencesAppSynchronize(domain))
                ++failures;
        }
        if (failures) {
            reply("failed " + std::to_string(failures));
            return true;
        }
    } else {
        return false;
    }
    reply("ok");
    return true;
}

void runCommand(std::string line)
{
    answerTag.clear();
    if (line.rfind('#', 0) == 0) {
        size_t space = line.find(' ');
        answerTag = line.substr(0, space == std::string::npos ? line.size() : space) + " ";
        line.erase(0, space == std::string::npos ? line.size() : space + 1);
    }
    std::istringstream words(line);
    std::string command, argument;
    words >> command >> argument;
    if (runPreferenceCommand(command, argument, words))
        return;
    CFNotificationCenterRef center = CFNotificationCenterGetDarwinNotifyCenter();
    int count = 0;
    words >> count;
    if (command == "observe-many" || command == "post-many" || command == "post-repeat") {
        for (int index = 0; index < count; ++index) {
            std::string name = command == "post-repeat" ? argument : argument + std::to_string(index);
            if (command == "observe-many")
                CFNotificationCenterAddObserver(center, &observerToken, notified, name, nullptr, CFNotificationSuspensionBehaviorDeliverImmediately);
            else
                CFNotificationCenterPostNotification(center, name, nullptr, nullptr, true);
        }
    } else if (command == "observe")
        CFNotificationCenterAddObserver(center, &observerToken, notified, argument, nullptr, CFNotificationSuspensionBehaviorDeliverImmediately);
    else if (command == "remove")
        CFNotificationCenterRemoveObserver(center, &observerToken, argument, nullptr);
    else if (command == "remove-all")
        CFNotificationCenterRemoveEveryObserver(center, &observerToken);
    else if (command == "post")
        CFNotificationCenterPostNotification(center, argument, nullptr, nullptr, true);
    else if (command == "ping")
        return reply("pong");
    else if (command == "busy") // keeps the main thread from reading for a while
        std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(argument)));
    else
        return reply("error unknown command: " + command);
    reply("ok");
}

void readInput()
{
    char buffer[4096];
    ssize_t count = read(STDIN_FILENO, buffer, sizeof buffer);
    if (count <= 0) {
        finished = true;
        return;
    }
    pendingInput.append(buffer, static_cast<size_t>(count));
    size_t end;
    while ((end = pendingInput.find('\n')) != std::string::npos) {
        std::string line = pendingInput.substr(0, end);
        pendingInput.erase(0, end + 1);
        runCommand(line);
    }
}

} // namespace

int main(int argc, char** argv)
{
    domain = argc > 1 ? argv[1] : "com.example.peer";
    Ref<RunLoopSource> input = RunLoopSource::create(STDIN_FILENO, readInput);
    NSRunLoop::mainRunLoop()->addSource(input, NSDefaultRunLoopMode);
    while (!finished)
        NSRunLoop::mainRunLoop()->runMode(NSDefaultRunLoopMode, VirtualClock::distantFuture);
    input->invalidate();
    return 0;
}
