#include "platform/UIKit/UIImage.h"
#include "platform/core/CoreTesting.h"
#include "testing/Process.h"
#include "testing/ScopedEnvironment.h"
#include "testing/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace qv;

namespace {

// A device root of its own for each test.
class UIImageTest : public ::testing::Test {
protected:
    std::filesystem::path hostPath(const std::string& devicePath) const
    {
        return m_root.path() / std::filesystem::path(devicePath).relative_path();
    }

    void writeFile(const std::string& devicePath, const std::vector<uint8_t>& bytes) const
    {
        std::filesystem::path path = hostPath(devicePath);
        std::filesystem::create_directories(path.parent_path());
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        ASSERT_TRUE(file.good());
    }

    void writeImage(const std::string& devicePath, const PixelBuffer& pixels) const
    {
        auto png = encodePNG(pixels);
        ASSERT_TRUE(png);
        writeFile(devicePath, *png);
    }

    // Runs a Python script that writes a PNG to the device path with
    // nothing but the standard library, as an independent encoder.
    void writeWithPython(const std::string& script, const std::string& devicePath) const
    {
        std::filesystem::create_directories(hostPath(devicePath).parent_path());
        const std::string writer = R"(
import struct, sys, zlib
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xffffffff)
def png(width, height, depth, colour, rows):
    header = struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b"")
)";
        auto result = qv::testing::runPython(writer + script, { hostPath(devicePath).string() });
        ASSERT_EQ(result.exitCode, 0) << result.errors;
    }

    // Every pixel different, so that a swapped row or channel shows.
    static PixelBuffer pattern(size_t width, size_t height)
    {
        PixelBuffer pixels(width, height);
        for (size_t y = 0; y < height; ++y) {
            for (size_t x = 0; x < width; ++x) {
                uint8_t* p = pixels.pixel(x, y);
                p[0] = static_cast<uint8_t>(x * 40);
                p[1] = static_cast<uint8_t>(y * 30);
                p[2] = static_cast<uint8_t>(x + y * width);
                p[3] = static_cast<uint8_t>(255 - x * 10);
            }
        }
        return pixels;
    }

    qv::testing::TemporaryDirectory m_root;
    qv::testing::ScopedEnvironment m_environment { "QV_ROOT", m_root.string() };
};

} // namespace

TEST_F(UIImageTest, DecodesWhatWasEncodedPixelForPixel)
{
    PixelBuffer drawn = pattern(5, 3);
    writeImage("/tmp/pattern.png", drawn);
    RefPtr<UIImage> image = UIImage::imageWithContentsOfFile("/tmp/pattern.png");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels().width, 5u);
    EXPECT_EQ(image->pixels().height, 3u);
    EXPECT_EQ(image->pixels().rgba, drawn.rgba);
    EXPECT_EQ(image->scale(), 1);
    EXPECT_EQ(image->size(), CGSizeMake(5, 3));
}

TEST_F(UIImageTest, DecodesPNGsOfAnotherEncoder)
{
    // 2 x 2 grey at 16 bits (with a filter byte per row), and 3 x 1 RGB.
    writeWithPython(R"(
rows = b"\x00" + struct.pack(">HH", 0, 65535) + b"\x00" + struct.pack(">HH", 65535, 0)
open(sys.argv[1], "wb").write(png(2, 2, 16, 0, rows)))",
        "/tmp/grey.png");
    writeWithPython(R"(
open(sys.argv[1], "wb").write(png(3, 1, 8, 2, b"\x00" + bytes([255, 0, 0, 0, 255, 0, 0, 0, 255]))))",
        "/tmp/rgb.png");

    RefPtr<UIImage> grey = UIImage::imageWithContentsOfFile("/tmp/grey.png");
    ASSERT_TRUE(grey);
    EXPECT_EQ(grey->size(), CGSizeMake(2, 2));
    const uint8_t black[] = { 0, 0, 0, 255 };
    const uint8_t white[] = { 255, 255, 255, 255 };
    EXPECT_TRUE(std::equal(black, black + 4, grey->pixels().pixel(0, 0)));
    EXPECT_TRUE(std::equal(white, white + 4, grey->pixels().pixel(1, 0)));
    EXPECT_TRUE(std::equal(white, white + 4, grey->pixels().pixel(0, 1)));

    RefPtr<UIImage> rgb = UIImage::imageWithContentsOfFile("/tmp/rgb.png");
    ASSERT_TRUE(rgb);
    const std::vector<uint8_t> expected { 255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255 };
    EXPECT_EQ(rgb->pixels().rgba, expected);
}

// Themes' wallpapers come as PNG or JPEG. cjpeg, an encoder of its own,
// writes the JPEG; the colours come back within JPEG's loss. The kind is
// read from the bytes, not the name.
TEST_F(UIImageTest, DecodesJPEGsOfAnotherEncoderAndTellsTheKindByItsBytes)
{
    // 16 x 8: red on the left half, blue on the right, as a binary PPM.
    std::string ppm = "P6\n16 8\n255\n";
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 16; ++x)
            ppm += x < 8 ? std::string("\xFF\x00\x00", 3) : std::string("\x00\x00\xFF", 3);
    }
    qv::testing::ProcessResult encoded = qv::testing::runProcess({ "cjpeg", "-quality", "95", "-sample", "1x1" }, ppm);
    ASSERT_EQ(encoded.exitCode, 0) << encoded.errors;
    const std::vector<uint8_t> jpeg(encoded.output.begin(), encoded.output.end());
    writeFile("/Library/Themes/Dark/Wallpaper.jpg", jpeg);

    RefPtr<UIImage> wallpaper = UIImage::imageWithContentsOfFile("/Library/Themes/Dark/Wallpaper.jpg");
    ASSERT_TRUE(wallpaper);
    EXPECT_EQ(wallpaper->size(), CGSizeMake(16, 8));
    auto near = [](const uint8_t* pixel, std::array<int, 4> expected) {
        for (size_t i = 0; i < 4; ++i) {
            if (std::abs(pixel[i] - expected[i]) > 12)
                return false;
        }
        return true;
    };
    EXPECT_TRUE(near(wallpaper->pixels().pixel(2, 4), { 255, 0, 0, 255 }));
    EXPECT_TRUE(near(wallpaper->pixels().pixel(13, 4), { 0, 0, 255, 255 }));

    // A PNG under a JPEG's name loads; a cut-off JPEG does not.
    writeImage("/Library/Themes/Dark/Mislabelled.jpg", pattern(4, 4));
    EXPECT_TRUE(UIImage::imageWithContentsOfFile("/Library/Themes/Dark/Mislabelled.jpg"));
    writeFile("/Library/Themes/Dark/Cut.jpg", std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(jpeg.size() / 2)));
    EXPECT_FALSE(UIImage::imageWithContentsOfFile("/Library/Themes/Dark/Cut.jpg"));
    EXPECT_FALSE(decodeJPEG({}));

    // Wider than any image we take: refused by its header.
    std::string wide = "P6\n9000 1\n255\n" + std::string(9000 * 3, '\x40');
    qv::testing::ProcessResult oversized = qv::testing::runProcess({ "cjpeg" }, wide);
    ASSERT_EQ(oversized.exitCode, 0) << oversized.errors;
    EXPECT_FALSE(decodeJPEG({ reinterpret_cast<const uint8_t*>(oversized.output.data()), oversized.output.size() }));
}

TEST_F(UIImageTest, SizeInPointsFollowsTheScaleOfTheName)
{
    struct Case {
        const char* name;
        CGFloat scale;
    };
    const Case cases[] = {
        { "icon.png", 1 },
        { "icon@2x.png", 2 },
        { "icon@3x.png", 3 },
        { "default-568h@2x.png", 2 },
        { "Default_Icon-iPad@2x.png", 2 },
        { "icon@2x~ipad.png", 2 },
        { "icon@4x.png", 1 },
        { "icon@2xx.png", 1 },
        { "icon@2x", 2 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = std::string("/Library/Images/") + c.name;
        writeImage(path, pattern(12, 6));
        RefPtr<UIImage> image = UIImage::imageWithContentsOfFile(path);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->scale(), c.scale);
        EXPECT_EQ(image->size(), CGSizeMake(12 / c.scale, 6 / c.scale));
    }
}

TEST_F(UIImageTest, FilesThatAreNoWholePNGGiveNoImage)
{
    auto png = encodePNG(pattern(4, 4));
    ASSERT_TRUE(png);
    writeFile("/tmp/text.png", { 'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g' });
    writeFile("/tmp/empty.png", {});
    std::filesystem::create_directories(hostPath("/tmp/folder.png"));
    EXPECT_FALSE(UIImage::imageWithContentsOfFile("/tmp/missing.png"));
    EXPECT_FALSE(UIImage::imageWithContentsOfFile("/tmp/text.png"));
    EXPECT_FALSE(UIImage::imageWithContentsOfFile("/tmp/empty.png"));
    EXPECT_FALSE(UIImage::imageWithContentsOfFile("/tmp/folder.png"));
    EXPECT_FALSE(UIImage::imageWithContentsOfFile(""));
    EXPECT_FALSE(UIImage::imageWithContentsOfFile("relative.png"));

    // Cut anywhere before the image data ends, the file is refused. Without
    // only its end marker (the last 12 bytes) every pixel is still there.
    const size_t endMarker = png->size() - 12;
    for (size_t length = 0; length < endMarker; ++length) {
        std::vector<uint8_t> truncated(png->begin(), png->begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_FALSE(decodePNG(truncated)) << "cut at " << length << " of " << png->size();
    }
    std::vector<uint8_t> withoutEnd(png->begin(), png->begin() + static_cast<std::ptrdiff_t>(endMarker));
    auto decoded = decodePNG(withoutEnd);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->rgba, pattern(4, 4).rgba);
    // A flipped byte in the image data fails its checksum.
    std::vector<uint8_t> damaged = *png;
    damaged[damaged.size() - 20] ^= 0x55;
    EXPECT_FALSE(decodePNG(damaged));
}

TEST_F(UIImageTest, OversizedImagesAreRefusedBeforeTheyAreDecoded)
{
    // One side too long, and sides within the limit whose area is not; the
    // compressed data is tiny either way.
    writeWithPython(R"(
open(sys.argv[1], "wb").write(png(9000, 1, 8, 0, b"\x00" + bytes(9000))))",
        "/tmp/wide.png");
    writeWithPython(R"(
open(sys.argv[1], "wb").write(png(5000, 5000, 1, 0, bytes(5000 * 626))))",
        "/tmp/large.png");
    EXPECT_FALSE(UIImage::imageWithContentsOfFile("/tmp/wide.png"));
    EXPECT_FALSE(UIImage::imageWithContentsOfFile("/tmp/large.png"));

    EXPECT_FALSE(encodePNG(PixelBuffer()));
    EXPECT_FALSE(encodePNG(PixelBuffer(maximumImageSide + 1, 1)));
    PixelBuffer inconsistent(2, 2);
    inconsistent.rgba.pop_back();
    EXPECT_FALSE(encodePNG(inconsistent));
}

TEST_F(UIImageTest, NamedImagesComeFromTheBundleAndStayCached)
{
    EXPECT_FALSE(UIImage::imageNamed("Late.png"));
    EXPECT_FALSE(UIImage::imageNamed(""));

    // A file installed after a failed look-up is found.
    writeImage("/Applications/Quilt Vane.app/Late.png", pattern(2, 2));
    RefPtr<UIImage> first = UIImage::imageNamed("Late.png");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->size(), CGSizeMake(2, 2));

    // Once found, the cached image is answered even after the file changes;
    // reading by path sees the new file.
    writeImage("/Applications/Quilt Vane.app/Late.png", pattern(4, 4));
    EXPECT_EQ(UIImage::imageNamed("Late.png"), first);
    RefPtr<UIImage> byPath = UIImage::imageWithContentsOfFile("/Applications/Quilt Vane.app/Late.png");
    ASSERT_TRUE(byPath);
    EXPECT_NE(byPath, first);
    EXPECT_EQ(byPath->size(), CGSizeMake(4, 4));

    writeImage("/Applications/Quilt Vane.app/Select_Icon@2x.png", pattern(8, 8));
    RefPtr<UIImage> scaled = UIImage::imageNamed("Select_Icon@2x.png");
    ASSERT_TRUE(scaled);
    EXPECT_EQ(scaled->size(), CGSizeMake(4, 4));
}

TEST_F(UIImageTest, NothingIsReadWithoutADeviceRoot)
{
    writeImage("/Applications/Quilt Vane.app/Rootless.png", pattern(2, 2));
    qv::testing::ScopedEnvironment noRoot("QV_ROOT", std::nullopt);
    LogCapture log;
    EXPECT_FALSE(UIImage::imageNamed("Rootless.png"));
    EXPECT_FALSE(UIImage::imageWithContentsOfFile("/Applications/Quilt Vane.app/Rootless.png"));
    EXPECT_TRUE(log.contains("QV_ROOT"));
}

TEST_F(UIImageTest, DeviceRootCannotBeLeftThroughParentFolders)
{
    writeImage("/etc/inside.png", pattern(3, 3));
    EXPECT_TRUE(UIImage::imageWithContentsOfFile("/etc/inside.png"));
    LogCapture log;
    EXPECT_FALSE(UIImage::imageWithContentsOfFile("/../etc/inside.png"));
    EXPECT_FALSE(UIImage::imageNamed("../../../etc/inside.png"));
}

TEST_F(UIImageTest, ImagesOfPixelsDrawnInMemory)
{
    RefPtr<UIImage> image = UIImage::imageWithPixels(pattern(6, 4), 2);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), CGSizeMake(3, 2));
    EXPECT_EQ(image->pixels().rgba, pattern(6, 4).rgba);
    EXPECT_EQ(image->className(), "UIImage");

    PixelBuffer inconsistent = pattern(2, 2);
    inconsistent.rgba.resize(3);
    EXPECT_FALSE(UIImage::imageWithPixels(PixelBuffer()));
    EXPECT_FALSE(UIImage::imageWithPixels(inconsistent));
    EXPECT_FALSE(UIImage::imageWithPixels(pattern(2, 2), 0));
}
