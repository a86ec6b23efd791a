#include "http/S3/QNS3BucketRequest.h"
#include "http/S3/QNS3ObjectRequest.h"
#include "http/S3/QNS3ServiceRequest.h"

#include "platform/Foundation/NSTimeZone.h"

#include "testing/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>


namespace qv {
namespace {

constexpr const char* kDate = "Thu, 3 Dec 2026 07:05:09 +0000";

// The header a built request is about to send, whatever its case.
std::string header(const QNHTTPRequest& request, const std::string& name)
{
    if (auto headers = request.requestHeaders())
        for (const auto& [key, value] : headers->entries())
            if (strcasecmp(key.c_str(), name.c_str()) == 0)
                return value->description();
    return {};
}

// A request signed as it would go out, with fixed keys and date.
template<typename Request>
Ref<Request> signedRequest(Ref<Request> request)
{
    request->setAccessKey("test:tester");
    request->setSecretAccessKey("testing");
    request->setDateString(kDate);
    request->buildRequestHeaders();
    return request;
}

// The string to sign, given the canonical header text the request gives.
std::string stringToSign(QNS3Request& request)
{
    return request.stringToSignForHeaders("", request.canonicalizedResource());
}

TEST(QNS3Signing, PathsEscapeAllButLettersDigitsAndFourMarks)
{
    struct Case {
        const char* path;
        const char* escaped;
    };
    for (const Case& item : std::initializer_list<Case> {
             { "", "/" },
             { "/", "/" },
             { "a b/c", "/a%20b/c" },
             { "/x?y~z%", "/x%3Fy%7Ez%25" },
             { "report#1", "/report%231" },
             { "a+b=c&d", "/a%2Bb%3Dc%26d" },
             { "-._/keep", "/-._/keep" },
             { "caf\xC3\xA9", "/caf%C3%A9" },
             { ":[]@!$'()*,;\"<>{}|\\^`", "/%3A%5B%5D%40%21%24%27%28%29%2A%2C%3B%22%3C%3E%7B%7D%7C%5C%5E%60" },
         })
        EXPECT_EQ(QNS3Request::stringByURLEncodingForS3Path(item.path), item.escaped) << item.path;
}

TEST(QNS3Signing, DatesAreEnglishUTCWithoutLeadingZeroInTheDay)
{
    // Whatever the device's zone: the header is written in UTC.
    auto request = QNS3ServiceRequest::serviceRequest();
    request->setDate(NSDate::dateWithTimeIntervalSince1970(1796281509)); // 2026-12-03 07:05:09 UTC
    EXPECT_EQ(request->dateString(), kDate);

    auto formatter = QNS3Request::S3ResponseDateFormatter();
    EXPECT_EQ(QNS3Request::S3ResponseDateFormatter().ptr(), formatter.ptr()) << "one formatter per thread";
    auto date = formatter->dateFromString("2026-12-03T07:05:09.000Z");
    ASSERT_TRUE(date);
    EXPECT_DOUBLE_EQ(date->timeIntervalSince1970(), 1796281509);
    EXPECT_FALSE(formatter->dateFromString("2026-12-03T07:05:09.123Z"));
    EXPECT_FALSE(formatter->dateFromString("2026-12-03T07:05:09Z"));
}

TEST(QNS3Signing, StringsToSignFollowTheRequestKinds)
{
    QNS3Request::setDefaultS3Host("s3.example.test");
    auto service = signedRequest(QNS3ServiceRequest::serviceRequest());
    EXPECT_EQ(service->url()->absoluteString(), "http://s3.example.test/");
    EXPECT_EQ(stringToSign(*service), std::string("GET\n\n\n") + kDate + "\n/");
    EXPECT_EQ(header(*service, "Date"), kDate);

    auto bucket = QNS3BucketRequest::requestWithBucket("photos", "acl");
    EXPECT_EQ(bucket->canonicalizedResource(), "/photos/?acl");
    EXPECT_EQ(QNS3BucketRequest::requestWithBucket("photos")->canonicalizedResource(), "/photos/");

    auto object = QNS3ObjectRequest::requestWithBucket("photos", "a b/c");
    object->buildURL();
    EXPECT_EQ(object->url()->absoluteString(), "http://photos.s3.example.test/a%20b/c");
    EXPECT_EQ(object->canonicalizedResource(), "/photos/a%20b/c");
    auto withSub = QNS3ObjectRequest::requestWithBucket("photos", "k", "acl");
    withSub->buildURL();
    EXPECT_EQ(withSub->url()->absoluteString(), "http://photos.s3.example.test/k?acl");
    EXPECT_EQ(withSub->canonicalizedResource(), "/photos/k?acl");

    // x-amz headers in name order, whatever their values; a copy signs an
    // empty content-type line.
    auto copy = QNS3ObjectRequest::COPYRequestFromBucket("from", "a b", "photos", "k");
    copy->setAccessPolicy("public-read");
    copy->storageClass = "REDUCED_REDUNDANCY";
    signedRequest(copy);
    EXPECT_EQ(header(*copy, "x-amz-copy-source"), "from/a%20b");
    EXPECT_EQ(copy->stringToSignForHeaders("x-amz-acl:public-read\nx-amz-copy-source:from/a%20b\n"
                                           "x-amz-storage-class:REDUCED_REDUNDANCY\n",
                  "/photos/k"),
        std::string("PUT\n\n\n") + kDate + "\nx-amz-acl:public-read\nx-amz-copy-source:from/a%20b\n"
            + "x-amz-storage-class:REDUCED_REDUNDANCY\n/photos/k");
    EXPECT_EQ(header(*copy, "Content-Type"), "");

    // Uploads send and sign their type: the file's, or octet-stream.
    testing::TemporaryDeviceRoot root;
    const std::string png = "/var/mobile/icon.png";
    root.writeFile(png, "not really a picture");
    auto upload = signedRequest(QNS3ObjectRequest::PUTRequestForFile(png, "photos", "icon.png"));
    EXPECT_EQ(upload->mimeType(), "image/png");
    EXPECT_EQ(header(*upload, "Content-Type"), "image/png");
    EXPECT_EQ(stringToSign(*upload), std::string("PUT\n\nimage/png\n") + kDate + "\n/photos/icon.png");
    auto fromMemory = signedRequest(QNS3ObjectRequest::PUTRequestForData("bytes", "photos", "k"));
    EXPECT_EQ(header(*fromMemory, "Content-Type"), "application/octet-stream");
    QNS3Request::setDefaultS3Host("s3.amazonaws.com");
}

TEST(QNS3Signing, BucketListingQueriesKeepTheirOrderAndEscapeValues)
{
    QNS3Request::setDefaultS3Host("s3.example.test");
    struct Case {
        std::string subResource, prefix, marker, delimiter;
        int limit;
        std::string url;
    };
    for (const Case& item : std::initializer_list<Case> {
             { "", "", "", "", 0, "http://b.s3.example.test/" },
             { "", "photos/", "", "/", 100, "http://b.s3.example.test/?prefix=photos%2F&delimiter=%2F&max-keys=100" },
             { "acl", "photos/", "", "/", 100, "http://b.s3.example.test/?acl&prefix=photos%2F&delimiter=%2F&max-keys=100" },
             // Values keep only unreserved characters: none can end the
             // value or change its meaning.
             { "", "a+b~", "report#1 x", "", -1, "http://b.s3.example.test/?prefix=a%2Bb~&marker=report%231%20x" },
             { "", "x&marker=y", "", "", 0, "http://b.s3.example.test/?prefix=x%26marker%3Dy" },
         }) {
        auto request = QNS3BucketRequest::requestWithBucket("b", item.subResource);
        request->prefix = item.prefix;
        request->marker = item.marker;
        request->delimiter = item.delimiter;
        request->maxResultCount = item.limit;
        request->buildURL();
        EXPECT_EQ(request->url()->absoluteString(), item.url);
        auto copy = request->copy();
        EXPECT_EQ(static_cast<QNS3BucketRequest&>(copy.get()).prefix, item.prefix);
    }
    QNS3Request::setDefaultS3Host("s3.amazonaws.com");
}

TEST(QNS3Signing, KeysComeFromTheClassWhenTheRequestHasNone)
{
    QNS3Request::setSharedAccessKey("shared");
    QNS3Request::setSharedSecretAccessKey("secret");
    auto request = QNS3ServiceRequest::serviceRequest();
    request->setDateString(kDate);
    request->buildRequestHeaders();
    const std::string signature = QNHTTPRequest::base64forData(
        QNS3Request::HMACSHA1withKey("secret", std::string("GET\n\n\n") + kDate + "\n/"));
    EXPECT_EQ(header(*request, "Authorization"), "AWS shared:" + signature);
    // A request already built keeps the keys it took.
    QNS3Request::setSharedAccessKey("later");
    request->buildRequestHeaders();
    EXPECT_EQ(request->accessKey(), "shared");
    EXPECT_EQ(header(*request, "Authorization"), "AWS shared:" + signature);
    QNS3Request::setSharedAccessKey("");
    QNS3Request::setSharedSecretAccessKey("");
}

} // namespace
} // namespace qv
