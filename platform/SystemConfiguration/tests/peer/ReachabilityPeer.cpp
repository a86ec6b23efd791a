// A process that watches reachability targets on its main run loop, for
// tests that change the routing tables of a network namespace around it.
// Commands, one a line on standard input:
//   watch TARGET   schedule the target; each change prints "CHANGED TARGET FLAGS"
//   flags TARGET   prints "FLAGS TARGET FLAGS", or "FLAGS TARGET unreadable"
// TARGET is an IPv4 or IPv6 address, or "name:" and a host name; FLAGS is
// hexadecimal. Every command is answered with a line; the peer ends with its
// input.
#include "platform/Foundation/NSRunLoop.h"
#include "platform/Foundation/RunLoopSource.h"
#include "platform/SystemConfiguration/SCNetworkReachability.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <map>
#include <netinet/in.h>
#include <unistd.h>

using namespace qv;

namespace {

std::map<std::string, Ref<SCNetworkReachability>> watched;
bool inputEnded = false;

void say(const std::string& line)
{
    std::cout << line << std::endl;
}

std::string hex(SCNetworkReachabilityFlags flags)
{
    char text[16];
    snprintf(text, sizeof text, "%x", flags);
    return text;
}

RefPtr<SCNetworkReachability> targetFor(const std::string& text)
{
    if (text.rfind("name:", 0) == 0)
        return SCNetworkReachabilityCreateWithName(text.substr(5).c_str());
    sockaddr_in6 address6 {};
    if (inet_pton(AF_INET6, text.c_str(), &address6.sin6_addr) == 1) {
        address6.sin6_family = AF_INET6;
        return SCNetworkReachabilityCreateWithAddress(reinterpret_cast<sockaddr*>(&address6));
    }
    sockaddr_in address {};
    if (inet_pton(AF_INET, text.c_str(), &address.sin_addr) != 1)
        return nullptr;
    address.sin_family = AF_INET;
    return SCNetworkReachabilityCreateWithAddress(reinterpret_cast<sockaddr*>(&address));
}

void changed(SCNetworkReachability&, SCNetworkReachabilityFlags flags, void* info)
{
    say("CHANGED " + *static_cast<std::string*>(info) + " " + hex(flags));
}

void handle(const std::string& command, const std::string& text)
{
    RefPtr<SCNetworkReachability> target = targetFor(text);
    if (!target) {
        say("NO TARGET " + text);
        return;
    }
    if (command == "flags") {
        SCNetworkReachabilityFlags flags = 0;
        say("FLAGS " + text + " " + (SCNetworkReachabilityGetFlags(*target, &flags) ? hex(flags) : "unreadable"));
        return;
    }
    auto [entry, added] = watched.emplace(text, target.toRef());
    // The name lives in the map's key as long as the target does.
    SCNetworkReachabilityContext context;
    context.info = const_cast<std::string*>(&entry->first);
    SCNetworkReachabilitySetCallback(entry->second, changed, &context);
    bool scheduled = SCNetworkReachabilityScheduleWithRunLoop(entry->second, NSRunLoop::mainRunLoop(), NSDefaultRunLoopMode);
    say(std::string(scheduled ? "WATCHING " : "NOT WATCHING ") + text);
}

void runCommand(const std::string& line)
{
    size_t space = line.find(' ');
    if (space == std::string::npos) {
        say("UNKNOWN " + line);
        return;
    }
    handle(line.substr(0, space), line.substr(space + 1));
}

// Reads what has arrived and runs every whole line of it.
void readCommands()
{
    static std::string pending;
    char buffer[4096];
    ssize_t length = read(STDIN_FILENO, buffer, sizeof buffer);
    if (length <= 0) {
        inputEnded = true;
        return;
    }
    pending.append(buffer, length);
    for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
        std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        runCommand(line);
    }
}

} // namespace

int main()
{
    Ref<RunLoopSource> input = RunLoopSource::create(STDIN_FILENO, readCommands);
    NSRunLoop::mainRunLoop()->addSource(input, NSDefaultRunLoopMode);
    say("READY");
    while (!inputEnded)
        NSRunLoop::mainRunLoop()->runMode(NSDefaultRunLoopMode, VirtualClock::distantFuture);
    input->invalidate();
    watched.clear();
    return 0;
}
