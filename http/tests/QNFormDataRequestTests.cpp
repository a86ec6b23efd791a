#include "http/QNFormDataRequest.h"
#include "http/tests/RequestTestSupport.h"

#include "testing/LoopbackHTTPServer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace qv;
using namespace qv::testing;

namespace {

struct Field {
    std::string name;
    std::optional<std::string> fileName;
    std::string type;
    std::string value;
    bool operator==(const Field&) const = default;
};

std::string unhex(const std::string& text)
{
    if (text == "-")
        return {};
    std::string bytes;
    for (size_t i = 0; i + 1 < text.size(); i += 2)
        bytes += static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16));
    return bytes;
}

// The fields the server's parser read.
std::vector<Field> fieldsOf(const std::string& answer)
{
    std::vector<Field> fields;
    std::istringstream lines(answer);
    std::string name, fileName, type, value;
    while (lines >> name >> fileName >> type >> value)
        fields.push_back({ unhex(name), fileName == "-" ? std::nullopt : std::optional<std::string>(unhex(fileName)), type, unhex(value) });
    return fields;
}

using QNFormDataRequestTest = LoopbackRequestTest;

} // namespace

TEST_F(QNFormDataRequestTest, URLEncodedFormsAreReadBackWithEveryValue)
{
    LoopbackHTTPServer server(m_serverFiles.path());
    auto form = QNFormDataRequest::requestWithURL(NSURL::URLWithString(server.url("/_/form")));
    form->addPostValue("1", "a");
    form->addPostValue("x & y = z", "a");
    form->addPostValue("caf\xc3\xa9 +%", "n\xc3\xa4me");
    form->setPostValue("kept", "replaced");
    form->addPostValue("gone", "replaced2");
    form->setPostValue("last", "replaced2");
    EXPECT_EQ(form->encodeURL("a b&c=d/\xc3\xa9~"), "a%20b%26c%3Dd%2F%C3%A9%7E");
    form->startSynchronous();
    ASSERT_FALSE(form->error()) << form->error()->description();
    EXPECT_EQ(form->responseHeader("X-Content-Type"), "application/x-www-form-urlencoded; charset=utf-8");
    const std::vector<Field> expected = {
        { "a", std::nullopt, "-", "1" },
        { "a", std::nullopt, "-", "x & y = z" },
        { "n\xc3\xa4me", std::nullopt, "-", "caf\xc3\xa9 +%" },
        { "replaced", std::nullopt, "-", "kept" },
        { "replaced2", std::nullopt, "-", "last" },
    };
    EXPECT_EQ(fieldsOf(form->rawResponseData()), expected);
}

TEST_F(QNFormDataRequestTest, MultipartFormsWithFilesDataAndHostileNames)
{
    LoopbackHTTPServer server(m_serverFiles.path());
    std::string fileBytes;
    for (int i = 0; i < 300000; ++i)
        fileBytes += static_cast<char>(i * 7);
    std::ofstream(m_root.path() / "layout.plist", std::ios::binary) << fileBytes;

    auto form = QNFormDataRequest::requestWithURL(NSURL::URLWithString(server.url("/_/form")));
    form->addPostValue("Blue", "name");
    form->addPostValue("second", "name");
    form->addPostValue("value", "evil\"\r\nX-Injected: 1");
    form->addFile("/layout.plist", "userfile");
    form->addData("raw bytes", "data");
    form->addData(std::string("\0\1\2", 3), "name with \"quotes\"\r\n.bin", "image/png", "other");
    form->startSynchronous();
    ASSERT_FALSE(form->error()) << form->error()->description();
    EXPECT_EQ(form->postFormat(), QNMultipartFormDataPostFormat) << "a file makes the form multipart";
    EXPECT_TRUE(form->shouldStreamPostDataFromDisk());
    const std::vector<Field> expected = {
        { "name", std::nullopt, "text/plain", "Blue" },
        { "name", std::nullopt, "text/plain", "second" },
        { "evil%22%0D%0AX-Injected: 1", std::nullopt, "text/plain", "value" },
        { "userfile", "layout.plist", "application/x-plist", fileBytes },
        { "data", "file", "application/octet-stream", "raw bytes" },
        { "other", "name with %22quotes%22%0D%0A.bin", "image/png", std::string("\0\1\2", 3) },
    };
    auto fields = fieldsOf(form->rawResponseData());
    ASSERT_EQ(fields.size(), expected.size()) << form->rawResponseData();
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(fields[i].name, expected[i].name) << i;
        EXPECT_EQ(fields[i].fileName, expected[i].fileName) << i;
        if (i == 3)
            EXPECT_NE(fields[i].type, "") << i;
        else
            EXPECT_EQ(fields[i].type, expected[i].type) << i;
        EXPECT_TRUE(fields[i].value == expected[i].value) << i;
    }

    // A file that is not there fails the request, which sends nothing.
    auto missing = QNFormDataRequest::requestWithURL(NSURL::URLWithString(server.url("/_/form")));
    missing->addFile("/no/such/file", "userfile");
    ASSERT_TRUE(missing->error());
    EXPECT_EQ(missing->error()->localizedDescription(), "No file exists at /no/such/file");
    missing->startSynchronous();
    EXPECT_EQ(missing->responseStatusCode(), 0);
}
