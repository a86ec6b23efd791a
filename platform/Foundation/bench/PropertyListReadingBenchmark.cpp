// Reads a layout of 100,000 icon entries, as XML and as binary, with our
// reader and with libplist's own parse of the same bytes, and prints the
// time of each (the best of several reads, in one process, so that start-up
// and loading the file are not counted) and its memory peak (each reader
// in a process of its own, the peak of resident memory over what the
// process held before it read). The ratio of ours to libplist's is the
// figure to watch: the target is at most 1.5.
#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSNumber.h"
#include "platform/Foundation/NSPropertyListSerialization.h"

#include <plist/plist.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr size_t entries = 100000;
constexpr int reads = 7;

std::string layoutXML()
{
    auto origins = qv::NSArray::create();
    for (size_t i = 0; i < entries; ++i) {
        origins->addObject(qv::NSDictionary::create({
            { "x", static_cast<long long>(i % 4 * 76 + 16) },
            { "y", static_cast<double>(i / 4 % 6) * 88.5 + 20.25 },
            { "LockedIndex", static_cast<long long>(i % 7 == 0 ? i : -1) },
        }));
    }
    auto layout = qv::NSDictionary::create({
        { "QV", true },
        { "FolderLayout", false },
        { "GridSize-4Inch", qv::NSDictionary::create({ { "Dimensions-Width", 4 }, { "Dimensions-Height", 6 }, { "x", 0.0 }, { "y", 20.0 } }) },
        { "Origins-4Inch", origins },
    });
    return *qv::NSPropertyListSerialization::XMLDataWithPropertyList(*layout);
}

std::string binaryOf(const std::string& xml)
{
    plist_t root = nullptr;
    plist_from_xml(xml.data(), static_cast<uint32_t>(xml.size()), &root);
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &bytes, &length);
    std::string binary(bytes, length);
    plist_to_bin_free(bytes);
    plist_free(root);
    return binary;
}

// One read; false when the reader gave nothing.
bool readOnce(const std::string& reader, const std::string& bytes)
{
    if (reader == "ours") {
        auto value = qv::NSPropertyListSerialization::propertyListWithData(bytes);
        return value && qv::dynamicRefCast<qv::NSDictionary>(value)->arrayForKey("Origins-4Inch")->count() == entries;
    }
    plist_t root = nullptr;
    if (bytes.starts_with("bplist00"))
        plist_from_bin(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    else
        plist_from_xml(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    bool read = root && plist_array_get_size(plist_dict_get_item(root, "Origins-4Inch")) == entries;
    plist_free(root);
    return read;
}

long peakKiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// In the child: the memory peak of the first read, then the best time.
int child(const std::string& reader, const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream contents;
    contents << file.rdbuf();
    const std::string bytes = contents.str();
    long before = peakKiB();
    if (!readOnce(reader, bytes))
        return 1;
    long peak = peakKiB() - before;
    double best = 1e9;
    for (int i = 0; i < reads; ++i) {
        auto start = std::chrono::steady_clock::now();
        readOnce(reader, bytes);
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::printf("%.6f %ld\n", best, peak);
    return 0;
}

struct Result {
    double seconds = 0;
    long peakKiB = 0;
};

Result measure(const char* self, const char* reader, const std::string& path)
{
    std::string command = std::string("'") + self + "' --child " + reader + " '" + path + "'";
    FILE* output = popen(command.c_str(), "r");
    Result result;
    if (!output || std::fscanf(output, "%lf %ld", &result.seconds, &result.peakKiB) != 2) {
        std::fprintf(stderr, "%s could not read %s\n", reader, path.c_str());
        std::exit(1);
    }
    pclose(output);
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--child") == 0)
        return child(argv[2], argv[3]);

    char folder[] = "/tmp/qv-bench-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    std::string xml = layoutXML();
    std::string binary = binaryOf(xml);
    std::printf("Reading a layout of %zu entries (best of %d reads; memory: peak over the process before reading)\n", entries, reads);
    std::printf("%-8s %10s %12s %12s %7s %14s %14s %7s\n", "format", "size", "libplist", "ours", "ratio", "libplist mem", "ours mem", "ratio");
    for (auto [name, bytes] : { std::pair { "XML", &xml }, std::pair { "binary", &binary } }) {
        std::string path = std::string(folder) + "/layout." + name;
        std::ofstream(path, std::ios::binary) << *bytes;
        Result libplist = measure(argv[0], "libplist", path);
        Result ours = measure(argv[0], "ours", path);
        std::printf("%-8s %8.1f MB %9.1f ms %9.1f ms %6.2fx %11.1f MB %11.1f MB %6.2fx\n", name, bytes->size() / 1e6,
            libplist.seconds * 1e3, ours.seconds * 1e3, ours.seconds / libplist.seconds,
            libplist.peakKiB / 1024.0, ours.peakKiB / 1024.0, static_cast<double>(ours.peakKiB) / static_cast<double>(libplist.peakKiB));
        std::remove(path.c_str());
    }
    rmdir(folder);
    return 0;
}
