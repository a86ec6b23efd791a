// Another process of the simulated device, for the tests: it reads one
// command a line from its standard input, on its main run loop, and answers
// on its standard output. Darwin notifications it observes are printed as
// "notified NAME" when its main run loop delivers them.
//
//   observe NAME | remove NAME | remove-all | post NAME | ping
//
// Every command is answered with "ok" (ping with "pong"); the program ends
// at the end of its input.

#include "platform/CoreFoundation/CFNotificationCenter.h"
#include "platform/Foundation/NSRunLoop.h"
#include "platform/Foundation/RunLoopSource.h"

#include <cstdio>
#include <fcntl.h>
#include <iostream>
#include <sstream>
#include <string>
#include <unistd.h>

using namespace qv;

namespace {

bool finished = false;
std::string pendingInput;
int observerToken;

void answer(const std::string& line)
{
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

void notified(CFNotificationCenterRef, void*, const std::string& name, const void*, const void*)
{
    answer("notified " + name);
}

void runCommand(const std::string& line)
{
    std::istringstream words(line);
    std::string command, argument;
    words >> command >> argument;
    CFNotificationCenterRef center = CFNotificationCenterGetDarwinNotifyCenter();
    if (command == "observe")
        CFNotificationCenterAddObserver(center, &observerToken, notified, argument, nullptr, CFNotificationSuspensionBehaviorDeliverImmediately);
    else if (command == "remove")
        CFNotificationCenterRemoveObserver(center, &observerToken, argument, nullptr);
    else if (command == "remove-all")
        CFNotificationCenterRemoveEveryObserver(center, &observerToken);
    else if (command == "post")
        CFNotificationCenterPostNotification(center, argument, nullptr, nullptr, true);
    else if (command == "ping")
        return answer("pong");
    else
        return answer("error unknown command: " + command);
    answer("ok");
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

int main()
{
    Ref<RunLoopSource> input = RunLoopSource::create(STDIN_FILENO, readInput);
    NSRunLoop::mainRunLoop()->addSource(input, NSDefaultRunLoopMode);
    while (!finished)
        NSRunLoop::mainRunLoop()->runMode(NSDefaultRunLoopMode, VirtualClock::distantFuture);
    input->invalidate();
    return 0;
}
