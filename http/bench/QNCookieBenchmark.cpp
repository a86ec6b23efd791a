// Answers that each set thousands of distinct cookies, read one after the
// other in one process by asynchronous requests on the library's network
// thread with cookie persistence on (every cookie goes to the cookie
// storage and the session's list), against the curl program reading the
// same kind of answer with its cookie engine on; both from the same
// scripted server on loopback, in a release build. What is stored grows
// with every answer, so the library's time for an answer must not: the
// last answer's time over the first's should stay at most 1.5, and the
// ratio to curl (medians) at most 2.
#include "http/bench/LoopbackRequestTiming.h"

#include "platform/Foundation/DeviceRoot.h"

#include "testing/ScriptedHTTPServer.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

using namespace qv;

namespace {

// The time of one request, or a negative one when it failed or did not
// take every cookie.
double libraryRound(const std::string& url, size_t cookies)
{
    double elapsed = 0;
    const auto request = bench::timedAsynchronousRequest(url, elapsed);
    return request->error() || request->responseCookies().size() != cookies ? -1 : elapsed;
}

// An answer setting `count` cookies of their own names ("a", the answer's
// number, "c" and the cookie's number): 10,000 make about 240 KB of head,
// under the transport's limit.
qv::testing::ScriptedHTTPServer::Reply cookieAnswer(int answer, size_t count)
{
    std::vector<std::pair<std::string, std::string>> fields;
    for (size_t i = 0; i < count; ++i)
        fields.emplace_back("Set-Cookie", "a" + std::to_string(answer) + "c" + std::to_string(i) + "=v");
    return { 200, fields, "cookies" };
}

} // namespace

int main(int argc, char** argv)
{
    const size_t cookieCount = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 10000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    if (cookieCount == 0 || rounds <= 0)
        return 2;
    const auto folder = std::filesystem::temp_directory_path() / ("qv-cookie-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder / "var/mobile");
    setenv(DeviceRoot::environmentVariable, folder.c_str(), 1);
    QNHTTPRequest::setShouldUpdateNetworkActivityIndicator(false);

    // A first request without cookies starts what the library starts once
    // (its network thread, its queue); the library's rounds then take the
    // answers in order, each with new names; curl's get the last one again.
    std::vector<qv::testing::ScriptedHTTPServer::Reply> answers { { 200, {}, "warm" } };
    for (int round = 0; round < rounds; ++round)
        answers.push_back(cookieAnswer(round, cookieCount));
    qv::testing::ScriptedHTTPServer server(answers);
    if (!server.port())
        return 1;
    // Each answer is asked for in a folder of its own, so that its cookies
    // (whose path is that folder) do not go with the next request: the
    // rounds time storing cookies, not sending them.
    auto url = [&](int round) { return server.url("/answer" + std::to_string(round) + "/cookies"); };
    std::vector<double> library, program;
    if (libraryRound(url(-1), 0) < 0)
        return 1;
    server.nextRequest();
    for (int round = 0; round < rounds; ++round) {
        const double time = libraryRound(url(round), cookieCount);
        // What the server reported of each request is read, so that it
        // never waits on its pipe.
        server.nextRequest();
        if (time < 0) {
            std::fprintf(stderr, "library round %d failed\n", round);
            return 1;
        }
        std::printf("answer %d: library %.1f ms, %zu cookies stored\n", round + 1, time * 1000, QNHTTPRequest::sessionCookies().size());
        library.push_back(time);
    }
    for (int round = 0; round < rounds; ++round) {
        // The cookie engine on: every cookie read, and written to a jar.
        const double time = bench::timedCurl("-b /dev/null -c /dev/null", url(round));
        server.nextRequest();
        if (time < 0) {
            std::fprintf(stderr, "curl round %d failed\n", round);
            return 1;
        }
        program.push_back(time);
    }
    QNHTTPRequest::clearSession();
    std::filesystem::remove_all(folder);
    const double libraryMedian = bench::median(library), programMedian = bench::median(program);
    std::printf("answers of %zu cookies: library %.1f ms, curl %.1f ms, ratio %.2f (target <= 2); last answer over first %.2f (target at most 1.5: no growth)\n",
        cookieCount, libraryMedian * 1000, programMedian * 1000, libraryMedian / programMedian, library.back() / library.front());
    return 0;
}
