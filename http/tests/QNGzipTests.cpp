#include "http/QNDataCompressor.h"
#include "http/QNDataDecompressor.h"
#include "http/QNGzipFiles.h"
#include "http/QNHTTPRequest.h"

#include "testing/Process.h"
#include "testing/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

using namespace qv;
using qv::testing::runProcess;

namespace {

// Bytes that compress somewhat, like a real body: words with noise.
std::string sampleBytes(size_t length, unsigned seed = 7)
{
    std::mt19937 random(seed);
    std::string bytes;
    bytes.reserve(length);
    static const char* words[] = { "layout ", "icon ", "origin ", "grid\n", "QV ", "x=", "y=" };
    while (bytes.size() < length) {
        if (random() % 4 == 0)
            bytes += static_cast<char>(random() % 256);
        else
            bytes += words[random() % 7];
    }
    bytes.resize(length);
    return bytes;
}

std::string readHostFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void writeHostFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class QNGzipTest : public ::testing::Test {
protected:
    qv::testing::TemporaryDeviceRoot m_root;
    std::filesystem::path host(const std::string& devicePath) const { return m_root.path() / devicePath.substr(1); }
};

} // namespace

TEST_F(QNGzipTest, BuffersAndFilesRoundTripAroundEveryBoundaryAndMatchTheGzipProgram)
{
    const size_t chunk = gzipFileChunkSize;
    const size_t sizes[] = { 1, 2, 1023, 1024, 1025, chunk - 1, chunk, chunk + 1, 2 * chunk, 3 * chunk + 7 };
    for (size_t size : sizes) {
        SCOPED_TRACE(size);
        const std::string original = sampleBytes(size, static_cast<unsigned>(size));

        // Whole buffers, both ways, and the gzip program reads ours.
        RefPtr<NSError> error;
        auto compressed = QNDataCompressor::compressData(original, &error);
        ASSERT_TRUE(compressed) << (error ? error->localizedDescription() : "");
        EXPECT_EQ(QNDataDecompressor::uncompressData(*compressed, nullptr), original);
        EXPECT_EQ(runProcess({ "gzip", "-dc" }, *compressed).output, original);
        EXPECT_EQ(QNDataDecompressor::uncompressData(runProcess({ "gzip", "-6c" }, original).output, nullptr), original);

        // Files: the same through the chunked file operations.
        writeHostFile(host("/source"), original);
        ASSERT_TRUE(QNDataCompressor::compressDataFromFile("/source", "/compressed.gz", &error)) << error->localizedDescription();
        EXPECT_EQ(runProcess({ "gzip", "-dc", host("/compressed.gz").string() }).output, original);
        ASSERT_TRUE(QNDataDecompressor::uncompressDataFromFile("/compressed.gz", "/inflated", &error)) << error->localizedDescription();
        EXPECT_EQ(readHostFile(host("/inflated")), original);
    }
}

TEST_F(QNGzipTest, StreamsOfChunksAndZlibData)
{
    const std::string original = sampleBytes(300000);
    // Compressed in uneven chunks, the last one finishing.
    auto compressor = QNDataCompressor::compressor();
    std::string compressed;
    for (size_t at = 0; at < original.size(); at += 7777) {
        const size_t length = std::min<size_t>(7777, original.size() - at);
        auto piece = compressor->compressBytes(original.data() + at, length, nullptr, at + length == original.size());
        ASSERT_TRUE(piece);
        compressed += *piece;
    }
    EXPECT_EQ(runProcess({ "gzip", "-dc" }, compressed).output, original);

    // Inflated a few bytes at a time, the same as in one call; the end is
    // seen.
    auto decompressor = QNDataDecompressor::decompressor();
    std::string inflated;
    for (size_t at = 0; at < compressed.size(); at += 13) {
        auto piece = decompressor->uncompressBytes(compressed.data() + at, std::min<size_t>(13, compressed.size() - at), nullptr);
        ASSERT_TRUE(piece);
        inflated += *piece;
    }
    EXPECT_EQ(inflated, original);
    EXPECT_TRUE(decompressor->streamEnded());

    // zlib-wrapped data, made by Python's zlib, inflates too.
    auto zlibData = qv::testing::runPython("import sys, zlib; sys.stdout.buffer.write(zlib.compress(sys.stdin.buffer.read()))", {}, original);
    EXPECT_EQ(QNDataDecompressor::uncompressData(zlibData.output, nullptr), original);

    // Empty input: nothing, and no error.
    RefPtr<NSError> error;
    EXPECT_FALSE(QNDataCompressor::compressData("", &error));
    EXPECT_FALSE(QNDataDecompressor::uncompressData("", &error));
    EXPECT_FALSE(error);
}

TEST_F(QNGzipTest, CorruptTruncatedAndMissingInputIsAnErrorNeverAShortSuccess)
{
    const std::string original = sampleBytes(100000);
    const std::string compressed = *QNDataCompressor::compressData(original, nullptr);

    RefPtr<NSError> error;
    std::string corrupt = compressed;
    corrupt[20] ^= 0x55;
    corrupt[21] ^= 0x55;
    EXPECT_FALSE(QNDataDecompressor::uncompressData(corrupt, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain(), NetworkRequestErrorDomain);
    EXPECT_EQ(error->code(), 11);
    EXPECT_TRUE(error->localizedDescription().rfind("Decompression of data failed with code -", 0) == 0) << error->localizedDescription();

    error = nullptr;
    EXPECT_FALSE(QNDataDecompressor::uncompressData(compressed.substr(0, compressed.size() / 2), &error)) << "truncated";
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), 11);

    writeHostFile(host("/cut.gz"), compressed.substr(0, compressed.size() - 4));
    error = nullptr;
    EXPECT_FALSE(QNDataDecompressor::uncompressDataFromFile("/cut.gz", "/out", &error)) << "a file without its trailer";
    ASSERT_TRUE(error);

    error = nullptr;
    EXPECT_FALSE(QNDataCompressor::compressDataFromFile("/missing", "/made.gz", &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->localizedDescription(), "Compression of /missing failed the file does not exist");
    EXPECT_TRUE(std::filesystem::exists(host("/made.gz"))) << "the destination is made first";

    error = nullptr;
    EXPECT_FALSE(QNDataDecompressor::uncompressDataFromFile("/missing", "/no/such/folder/out", &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->localizedDescription(), "Decompression of /missing failed because we were to create a file at /no/such/folder/out");

    // A compressor whose stream is closed reports an error, not nothing.
    auto compressor = QNDataCompressor::compressor();
    compressor->closeStream();
    error = nullptr;
    EXPECT_FALSE(compressor->compressBytes("abc", 3, &error, true));
    EXPECT_TRUE(error);
}

TEST_F(QNGzipTest, AHundredMegabytesBothWays)
{
    // A megabyte of sample bytes, a hundred times over, each copy marked:
    // copies lie far beyond deflate's window, so they compress as fresh
    // text does, and the bytes are made quickly.
    const std::string block = sampleBytes(1u << 20);
    std::string original;
    original.reserve(100u << 20);
    for (int copy = 0; copy < 100; ++copy) {
        original += block;
        original[original.size() - 1] = static_cast<char>(copy);
    }
    auto compressed = QNDataCompressor::compressData(original, nullptr);
    ASSERT_TRUE(compressed);
    auto unzipped = runProcess({ "gzip", "-dc" }, *compressed, std::chrono::seconds(120));
    EXPECT_TRUE(unzipped.output == original) << "gzip -d of the library's body differs";
    auto zipped = runProcess({ "gzip", "-1c" }, original, std::chrono::seconds(120));
    auto inflated = QNDataDecompressor::uncompressData(zipped.output, nullptr);
    EXPECT_TRUE(inflated && *inflated == original) << "the library's inflation of gzip's body differs";
}
