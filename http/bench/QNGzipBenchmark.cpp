// gzip of 100 MB through the library against the gzip program on the same
// bytes, file to file, as a ratio of wall times (the library's over the
// program's; the target is at most 1.05).
#include "http/QNDataCompressor.h"

#include "platform/Foundation/DeviceRoot.h"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

using namespace qv;

namespace {

// Text like a layout server's answers, with some noise, so that it
// compresses as real bodies do.
std::string sampleBytes(size_t length)
{
    std::mt19937 random(11);
    static const char* words[] = { "<key>x</key><integer>", "</integer>\n", "<key>LockedIndex</key>", "Origins-4Inch", "<dict>", "</dict>\n" };
    std::string bytes;
    bytes.reserve(length + 64);
    while (bytes.size() < length) {
        bytes += words[random() % 6];
        bytes += std::to_string(random() % 1000);
    }
    bytes.resize(length);
    return bytes;
}

double seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    const size_t size = (argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 100) << 20;
    const auto folder = std::filesystem::temp_directory_path() / ("qv-gzip-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    setenv(DeviceRoot::environmentVariable, folder.c_str(), 1);
    {
        std::ofstream(folder / "source", std::ios::binary) << sampleBytes(size);
    }

    auto start = std::chrono::steady_clock::now();
    RefPtr<NSError> error;
    if (!QNDataCompressor::compressDataFromFile("/source", "/library.gz", &error)) {
        std::fprintf(stderr, "compression failed: %s\n", error ? error->localizedDescription().c_str() : "");
        return 1;
    }
    const double library = seconds(start);

    start = std::chrono::steady_clock::now();
    const std::string command = "gzip -6 -c '" + (folder / "source").string() + "' > '" + (folder / "program.gz").string() + "'";
    if (std::system(command.c_str()) != 0)
        return 1;
    const double program = seconds(start);

    const auto librarySize = std::filesystem::file_size(folder / "library.gz");
    const auto programSize = std::filesystem::file_size(folder / "program.gz");
    std::filesystem::remove_all(folder);
    std::printf("gzip of %zu MB: library %.3f s, gzip -6 %.3f s, ratio %.3f (target <= 1.05); sizes %ju and %ju bytes\n", size >> 20, library,
        program, library / program, static_cast<uintmax_t>(librarySize), static_cast<uintmax_t>(programSize));
    return 0;
}
