// Reading an answer whose head holds 30,000 short fields (about 240 KB,
// under the transport's limit on a head), as an asynchronous request on the
// library's network thread, against the curl program fetching the same
// answer; both from the same scripted server on loopback, in interleaved
// rounds (medians reported). The library's cost per field must stay flat:
// the target is a ratio of at most 2.
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

// The time of one request, or a negative one when it failed.
double libraryRound(const std::string& url, size_t fields)
{
    double elapsed = 0;
    const auto request = bench::timedAsynchronousRequest(url, elapsed);
    const auto headers = request->responseHeaders();
    return request->error() || !headers || headers->count() < fields ? -1 : elapsed;
}

} // namespace

int main(int argc, char** argv)
{
    const size_t fieldCount = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 30000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    if (fieldCount == 0 || rounds <= 0)
        return 2;
    const auto folder = std::filesystem::temp_directory_path() / ("qv-header-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder / "var/mobile");
    setenv(DeviceRoot::environmentVariable, folder.c_str(), 1);
    QNHTTPRequest::setShouldUpdateNetworkActivityIndicator(false);

    // Names of at most four characters ("f" and the number in base 36):
    // 30,000 empty fields make 240 KB of head.
    std::vector<std::pair<std::string, std::string>> fields;
    for (size_t i = 0; i < fieldCount; ++i) {
        std::string name;
        for (size_t rest = i; name.empty() || rest; rest /= 36)
            name.insert(name.begin(), "0123456789abcdefghijklmnopqrstuvwxyz"[rest % 36]);
        fields.emplace_back("f" + name, "");
    }
    qv::testing::ScriptedHTTPServer server({ qv::testing::ScriptedHTTPServer::Reply(200, fields, "fields") });
    if (!server.port())
        return 1;
    const std::string url = server.url("/fields");
    std::vector<double> library, program;
    for (int round = 0; round < rounds; ++round) {
        const double libraryTime = libraryRound(url, fieldCount);
        const double programTime = bench::timedCurl("", url);
        // What the server reported of each request is read, so that it
        // never waits on its pipe.
        server.nextRequest();
        server.nextRequest();
        if (libraryTime < 0 || programTime < 0) {
            std::fprintf(stderr, "round %d failed\n", round);
            return 1;
        }
        library.push_back(libraryTime);
        program.push_back(programTime);
    }
    std::filesystem::remove_all(folder);
    const double libraryMedian = bench::median(library), programMedian = bench::median(program);
    std::printf("an answer of %zu header fields: library %.1f ms, curl %.1f ms, ratio %.2f (target <= 2)\n", fieldCount, libraryMedian * 1000,
        programMedian * 1000, libraryMedian / programMedian);
    return 0;
}
