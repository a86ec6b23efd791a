#include "platform/Foundation/NSStream.h"

#include "platform/core/CoreTesting.h"
#include "testing/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

#include <cerrno>

using namespace qv;

namespace {

std::vector<uint8_t> bytesOf(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

// Everything left in the stream, read in small pieces.
std::string readAll(NSInputStream& stream)
{
    std::string text;
    uint8_t buffer[3];
    long count;
    while ((count = stream.read(buffer, sizeof buffer)) > 0)
        text.append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(count));
    EXPECT_EQ(count, 0);
    return text;
}

void write(NSOutputStream& stream, const std::string& text)
{
    EXPECT_EQ(stream.write(reinterpret_cast<const uint8_t*>(text.data()), text.size()), static_cast<long>(text.size()));
}

} // namespace

TEST(NSStreamTest, MemoryStreamsReadToTheEndAndKeepWhatIsWritten)
{
    auto input = NSInputStream::inputStreamWithData(bytesOf("hello, world"));
    uint8_t byte;
    EXPECT_EQ(input->read(&byte, 1), -1) << "not open yet";
    input->open();
    EXPECT_EQ(input->streamStatus(), NSStreamStatusOpen);
    EXPECT_TRUE(input->hasBytesAvailable());
    EXPECT_EQ(readAll(input), "hello, world");
    EXPECT_EQ(input->streamStatus(), NSStreamStatusAtEnd);
    EXPECT_FALSE(input->hasBytesAvailable());
    input->close();
    EXPECT_EQ(input->streamStatus(), NSStreamStatusClosed);
    EXPECT_EQ(input->read(&byte, 1), -1);

    auto output = NSOutputStream::outputStreamToMemory();
    output->open();
    write(output, "one ");
    write(output, "two");
    output->close();
    EXPECT_EQ(output->writtenBytes(), bytesOf("one two"));
    EXPECT_EQ(output->write(&byte, 1), -1) << "closed";
}

TEST(NSStreamTest, FileStreamsReplaceAppendAndReadDeviceFiles)
{
    qv::testing::TemporaryDeviceRoot root;
    root.writeFile("/var/mobile/notes.txt", "old contents");

    auto replacing = NSOutputStream::outputStreamToFileAtPath("/var/mobile/notes.txt", false);
    replacing->open();
    write(replacing, "first");
    replacing->close();
    EXPECT_EQ(root.readFile("/var/mobile/notes.txt"), "first");

    auto appending = NSOutputStream::outputStreamToFileAtPath("/var/mobile/notes.txt", true);
    appending->open();
    write(appending, " and second");
    appending->close();

    auto input = NSInputStream::inputStreamWithFileAtPath("/var/mobile/notes.txt");
    input->open();
    EXPECT_EQ(readAll(input), "first and second");
    input->close();
    // Opened once: a closed stream stays closed.
    input->open();
    EXPECT_EQ(input->streamStatus(), NSStreamStatusClosed);
}

TEST(NSStreamTest, AFileThatCannotBeOpenedFailsTheStreamWithItsReason)
{
    qv::testing::TemporaryDeviceRoot root;
    struct Case {
        const char* name;
        Ref<NSStream> stream;
        long error;
    };
    const Case cases[] = {
        { "missing file", NSInputStream::inputStreamWithFileAtPath("/var/mobile/none.txt"), ENOENT },
        { "missing folder", NSOutputStream::outputStreamToFileAtPath("/var/mobile/no/such/folder.txt", false), ENOENT },
        { "relative path", NSInputStream::inputStreamWithFileAtPath("relative.txt"), EACCES },
        { "path leaving the root", NSOutputStream::outputStreamToFileAtPath("/var/../../escape.txt", false), EACCES },
    };
    for (const auto& c : cases) {
        LogCapture log;
        c.stream->open();
        EXPECT_EQ(log.contains("Device root: refusing"), c.error == EACCES) << c.name;
        EXPECT_EQ(c.stream->streamStatus(), NSStreamStatusError) << c.name;
        RefPtr<NSError> error = c.stream->streamError();
        ASSERT_TRUE(error) << c.name;
        EXPECT_EQ(error->domain(), NSPOSIXErrorDomain) << c.name;
        EXPECT_EQ(error->code(), c.error) << c.name;
    }
}
