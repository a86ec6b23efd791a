#include "http/S3/QNS3BucketRequest.h"
#include "http/S3/QNS3ObjectRequest.h"
#include "http/S3/QNS3ServiceRequest.h"

#include "platform/CFNetwork/Transport/HTTPTransportTesting.h"
#include "platform/CommonCrypto/CommonDigest.h"
#include "platform/Foundation/NSRunLoop.h"
#include "platform/Foundation/VirtualClock.h"

#include "testing/LoopbackHTTPServer.h"
#include "testing/ObjectStore.h"
#include "testing/ScriptedHTTPServer.h"
#include "testing/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <strings.h>

namespace qv {
namespace {

using testing::LoopbackHTTPServer;
using testing::ObjectStore;
using testing::ScriptedHTTPServer;

std::string keysOf(const QNS3BucketRequest& request)
{
    std::string keys;
    for (const auto& object : request.objects())
        keys += (keys.empty() ? "" : ",") + object->key;
    return keys;
}

std::string joined(const std::vector<std::string>& items)
{
    std::string text;
    for (const auto& item : items)
        text += (text.empty() ? "" : ",") + item;
    return text;
}

// S3 requests against the real store on loopback (one per program), whose
// virtual-host buckets live under "localhost".
class QNS3StoreTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_store = new ObjectStore; }
    static void TearDownTestSuite()
    {
        delete s_store;
        s_store = nullptr;
    }
    void SetUp() override
    {
        ASSERT_TRUE(s_store->isRunning());
        setHostResolverForTesting([](const std::string& host) -> std::optional<std::string> {
            if (host == "localhost" || (host.size() > 10 && host.ends_with(".localhost")))
                return "127.0.0.1";
            return std::nullopt;
        });
        QNS3Request::setDefaultS3Host("localhost:" + std::to_string(s_store->port()));
        QNS3Request::setSharedAccessKey(ObjectStore::s3AccessKey);
        QNS3Request::setSharedSecretAccessKey(ObjectStore::s3SecretKey);
    }
    void TearDown() override
    {
        QNS3Request::setSharedAccessKey("");
        QNS3Request::setSharedSecretAccessKey("");
        QNS3Request::setDefaultS3Host("s3.amazonaws.com");
        setHostResolverForTesting(nullptr);
    }

    // Runs the request; its failure's description, or empty on success.
    static std::string run(QNHTTPRequest& request)
    {
        request.startSynchronous();
        auto error = request.error();
        return error ? error->localizedDescription() : std::string();
    }
    static void runOK(QNHTTPRequest& request)
    {
        const std::string failure = run(request);
        EXPECT_EQ(failure, "") << request.url()->absoluteString();
        EXPECT_LT(request.responseStatusCode(), 300) << request.url()->absoluteString() << "\n"
                                                     << request.responseData().value_or("");
    }

    testing::TemporaryDeviceRoot m_root;
    static ObjectStore* s_store;
};

ObjectStore* QNS3StoreTest::s_store = nullptr;

TEST_F(QNS3StoreTest, BucketsAreCreatedListedAndDeleted)
{
    for (const char* name : { "quilt-one", "quilt-two" })
        runOK(QNS3BucketRequest::PUTRequestWithBucket(name).get());

    auto service = QNS3ServiceRequest::serviceRequest();
    runOK(service.get());
    std::vector<std::string> names;
    for (const auto& bucket : service->buckets()) {
        names.push_back(bucket->name);
        EXPECT_TRUE(bucket->creationDate) << bucket->description();
        EXPECT_EQ(bucket->ownerID, service->ownerID());
        EXPECT_FALSE(bucket->ownerID.empty());
    }
    EXPECT_NE(std::find(names.begin(), names.end(), "quilt-one"), names.end()) << joined(names);
    EXPECT_NE(std::find(names.begin(), names.end(), "quilt-two"), names.end()) << joined(names);

    runOK(QNS3BucketRequest::DELETERequestWithBucket("quilt-two").get());
    auto after = QNS3ServiceRequest::serviceRequest();
    runOK(after.get());
    for (const auto& bucket : after->buckets())
        EXPECT_NE(bucket->name, "quilt-two");
    runOK(QNS3BucketRequest::DELETERequestWithBucket("quilt-one").get());
}

TEST_F(QNS3StoreTest, ObjectsAreWrittenReadCopiedListedAndDeleted)
{
    runOK(QNS3BucketRequest::PUTRequestWithBucket("quilt-objects").get());
    const std::vector<std::string> keys { "photos/a b.txt", "photos/report#1", "photos/x+y?z", "photos/deep/c",
        "notes/caf\xC3\xA9", "top" };
    for (const auto& key : keys) {
        auto put = QNS3ObjectRequest::PUTRequestForData("body of " + key, "quilt-objects", key);
        put->addRequestHeader("x-amz-meta-colour", "red");
        put->setAccessPolicy("public-read");
        runOK(put.get());
    }
    // An object that is itself XML, even an error document, is the user's.
    const std::string document = "<?xml version=\"1.0\"?><Error><Code>X</Code><Message>mine</Message></Error>";
    auto xml = QNS3ObjectRequest::PUTRequestForData(document, "quilt-objects", "doc.xml");
    xml->setMimeType("application/xml");
    runOK(xml.get());

    auto get = QNS3ObjectRequest::requestWithBucket("quilt-objects", "photos/report#1");
    runOK(get.get());
    EXPECT_EQ(get->responseData(), "body of photos/report#1");
    EXPECT_EQ(get->responseHeader("x-amz-meta-colour"), "red");
    auto getXML = QNS3ObjectRequest::requestWithBucket("quilt-objects", "doc.xml");
    runOK(getXML.get());
    EXPECT_EQ(getXML->responseHeader("Content-Type"), "application/xml");
    EXPECT_EQ(getXML->responseData(), document);

    auto head = QNS3ObjectRequest::HEADRequestWithBucket("quilt-objects", "photos/x+y?z");
    runOK(head.get());
    EXPECT_EQ(head->responseHeader("Content-Length"), std::to_string(std::string("body of photos/x+y?z").size()));

    auto copy = QNS3ObjectRequest::COPYRequestFromBucket("quilt-objects", "photos/a b.txt", "quilt-objects", "copied");
    runOK(copy.get());
    auto copied = QNS3ObjectRequest::requestWithBucket("quilt-objects", "copied");
    runOK(copied.get());
    EXPECT_EQ(copied->responseData(), "body of photos/a b.txt");

    auto all = QNS3BucketRequest::requestWithBucket("quilt-objects");
    runOK(all.get());
    EXPECT_EQ(keysOf(all), "copied,doc.xml,notes/caf\xC3\xA9,photos/a b.txt,photos/deep/c,photos/report#1,photos/x+y?z,top");
    for (const auto& object : all->objects()) {
        EXPECT_EQ(object->bucket, "quilt-objects");
        EXPECT_TRUE(object->lastModified) << object->description();
        EXPECT_FALSE(object->ETag.empty());
    }
    EXPECT_EQ(all->objects()[1]->size, document.size());
    EXPECT_FALSE(all->isTruncated());

    auto folders = QNS3BucketRequest::requestWithBucket("quilt-objects");
    folders->prefix = "photos/";
    folders->delimiter = "/";
    runOK(folders.get());
    EXPECT_EQ(keysOf(folders), "photos/a b.txt,photos/report#1,photos/x+y?z");
    EXPECT_EQ(joined(folders->commonPrefixes()), "photos/deep/");

    auto page = QNS3BucketRequest::requestWithBucket("quilt-objects");
    page->prefix = "photos/";
    page->marker = "photos/deep/c";
    page->maxResultCount = 1;
    runOK(page.get());
    EXPECT_EQ(keysOf(page), "photos/report#1");
    EXPECT_TRUE(page->isTruncated());

    auto acl = QNS3ObjectRequest::requestWithBucket("quilt-objects", "top", "acl");
    runOK(acl.get());
    EXPECT_NE(acl->responseData().value_or("").find("<AccessControlPolicy"), std::string::npos) << acl->responseData().value_or("");

    for (const auto& key : keys)
        runOK(QNS3ObjectRequest::DELETERequestWithBucket("quilt-objects", key).get());
    for (const char* key : { "copied", "doc.xml" })
        runOK(QNS3ObjectRequest::DELETERequestWithBucket("quilt-objects", key).get());
    auto empty = QNS3BucketRequest::requestWithBucket("quilt-objects");
    runOK(empty.get());
    EXPECT_TRUE(empty->objects().empty());
    runOK(QNS3BucketRequest::DELETERequestWithBucket("quilt-objects").get());
}

TEST_F(QNS3StoreTest, TheStoresErrorDocumentsFailTheRequest)
{
    runOK(QNS3BucketRequest::PUTRequestWithBucket("quilt-errors").get());

    auto missing = QNS3ObjectRequest::requestWithBucket("quilt-errors", "absent");
    EXPECT_NE(run(missing.get()), "");
    ASSERT_TRUE(missing->error());
    EXPECT_EQ(missing->error()->domain(), NetworkRequestErrorDomain);
    EXPECT_EQ(missing->error()->code(), 2);
    EXPECT_EQ(missing->responseStatusCode(), 404);
    EXPECT_NE(missing->responseData().value_or("").find("NoSuchKey"), std::string::npos);

    auto wrongSecret = QNS3BucketRequest::requestWithBucket("quilt-errors");
    wrongSecret->setSecretAccessKey("not the secret");
    EXPECT_NE(run(wrongSecret.get()), "");
    EXPECT_EQ(wrongSecret->error()->code(), 2);
    EXPECT_NE(wrongSecret->responseData().value_or("").find("SignatureDoesNotMatch"), std::string::npos);

    auto skewed = QNS3BucketRequest::requestWithBucket("quilt-errors");
    skewed->setDate(NSDate::dateWithTimeIntervalSince1970(NSDate::date()->timeIntervalSince1970() - 3 * 3600));
    EXPECT_NE(run(skewed.get()), "");
    EXPECT_EQ(skewed->error()->code(), 2);
    EXPECT_NE(skewed->responseData().value_or("").find("RequestTimeTooSkewed"), std::string::npos);

    runOK(QNS3BucketRequest::DELETERequestWithBucket("quilt-errors").get());
}

// The store recomputes the signature from what it receives: a caller's own
// content headers and x-amz headers in any case, with spaces around their
// values or under one name twice, are signed as they are sent.
TEST_F(QNS3StoreTest, CallersOwnHeadersAreSignedAsSent)
{
    runOK(QNS3BucketRequest::PUTRequestWithBucket("quilt-headers").get());
    const std::string body = "checked body";
    unsigned char digest[16];
    CC_MD5(body.data(), body.size(), digest);
    auto put = QNS3ObjectRequest::PUTRequestForData(body, "quilt-headers", "k");
    put->setMimeType("text/plain");
    put->addRequestHeader("Content-MD5", QNHTTPRequest::base64forData(std::string(reinterpret_cast<char*>(digest), 16)));
    put->addRequestHeader("X-Amz-Meta-Colour", "  red ");
    put->addRequestHeader("X-AMZ-META-SIZE", "L");
    runOK(put.get());

    auto head = QNS3ObjectRequest::HEADRequestWithBucket("quilt-headers", "k");
    runOK(head.get());
    EXPECT_EQ(head->responseHeader("Content-Type"), "text/plain");
    EXPECT_EQ(head->responseHeader("x-amz-meta-colour"), "red");
    EXPECT_EQ(head->responseHeader("x-amz-meta-size"), "L");

    // A wrong checksum is refused by the store, not by the signature.
    auto corrupt = QNS3ObjectRequest::PUTRequestForData(body, "quilt-headers", "k2");
    corrupt->addRequestHeader("Content-MD5", QNHTTPRequest::base64forData(std::string(16, 'x')));
    EXPECT_NE(run(corrupt.get()), "");
    EXPECT_EQ(corrupt->responseData().value_or("").find("SignatureDoesNotMatch"), std::string::npos);
    EXPECT_NE(corrupt->responseData().value_or("").find("BadDigest"), std::string::npos) << corrupt->responseData().value_or("");

    // A request's HEAD copy is signed too, with its keys.
    auto get = QNS3ObjectRequest::requestWithBucket("quilt-headers", "k");
    get->setAccessKey(ObjectStore::s3AccessKey);
    get->setSecretAccessKey(ObjectStore::s3SecretKey);
    QNS3Request::setSharedSecretAccessKey("not the secret");
    auto headCopy = static_cast<const QNHTTPRequest&>(get.get()).HEADRequest();
    runOK(headCopy.get());
    EXPECT_EQ(headCopy->requestMethod(), "HEAD");
    QNS3Request::setSharedSecretAccessKey(ObjectStore::s3SecretKey);

    runOK(QNS3ObjectRequest::DELETERequestWithBucket("quilt-headers", "k").get());
    runOK(QNS3BucketRequest::DELETERequestWithBucket("quilt-headers").get());
}

// A request whose own x-amz headers, as a subclass gives them, spell one
// name in two cases.
class TwoSpellingsRequest : public QNS3Request {
public:
    TwoSpellingsRequest(const std::string& bucket, const std::string& key)
        : QNS3Request(NSURL::URLWithString("http://" + bucket + "." + defaultS3Host() + "/" + key))
        , m_resource("/" + bucket + "/" + key)
    {
        setRequestMethod("PUT");
        appendPostData("body");
    }
    Ref<NSDictionary> S3Headers() const override
    {
        auto headers = QNS3Request::S3Headers();
        headers->setObject("b", "X-Amz-Meta-Tag");
        headers->setObject("a", "x-amz-meta-tag");
        return headers;
    }
    std::string canonicalizedResource() const override { return m_resource; }

private:
    const std::string m_resource;
};

// The header lines, as they crossed the wire, whose name is the one given
// in any case.
std::vector<std::string> echoedLines(const std::string& echo, const std::string& name)
{
    std::vector<std::string> lines;
    std::istringstream text(echo);
    for (std::string line; std::getline(text, line) && line != "\r";)
        if (line.size() > name.size() && strncasecmp(line.c_str(), (name + ":").c_str(), name.size() + 1) == 0)
            lines.push_back(line.substr(0, line.size() - (line.ends_with('\r') ? 1 : 0)));
    return lines;
}

// The store signs the bytes it receives: values beyond ASCII go out as the
// UTF-8 bytes that are signed, and one name given in two cases goes out
// once with both values, as it is signed. Each request goes to the store
// (which refuses a signature that does not match) and to an echo of the
// bytes received.
TEST_F(QNS3StoreTest, SignedHeadersGoOutAsTheyAreSigned)
{
    runOK(QNS3BucketRequest::PUTRequestWithBucket("quilt-signed").get());
    LoopbackHTTPServer echo(m_root.path());
    const std::string storeHost = QNS3Request::defaultS3Host();
    const std::string echoHost = "localhost:" + std::to_string(echo.port());
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> headers;
        const char* sentName;
        const char* sent; // the one line sent
        // What the store keeps, read back; none where it keeps values
        // beyond ASCII in a form of its own.
        const char* stored;
    };
    const std::vector<Case> cases {
        { "Latin-1", { { "x-amz-meta-note", "caf\xC3\xA9" } }, "x-amz-meta-note", "x-amz-meta-note: caf\xC3\xA9", nullptr },
        { "beyond Latin-1", { { "x-amz-meta-note", "caf\xC3\xA9 \xE6\x97\xA5" } }, "x-amz-meta-note",
            "x-amz-meta-note: caf\xC3\xA9 \xE6\x97\xA5", nullptr },
        { "two cases", { { "X-Amz-Meta-Tag", "b" }, { "x-amz-meta-tag", " a " } }, "x-amz-meta-tag", "x-amz-meta-tag: b,a", "b,a" },
        // Joined in the order given, not in the order of their spellings.
        { "three cases", { { "x-amz-meta-tag", "a" }, { "X-Amz-Meta-Tag", "b" }, { "X-AMZ-META-TAG", "c" } }, "x-amz-meta-tag",
            "x-amz-meta-tag: a,b,c", "a,b,c" },
        { "subclass", {}, "x-amz-meta-tag", "x-amz-meta-tag: b,a", "b,a" },
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.name);
        auto make = [&](const std::string& host, const std::string& key) -> Ref<QNS3Request> {
            QNS3Request::setDefaultS3Host(host);
            if (item.headers.empty())
                return makeRef<TwoSpellingsRequest>("quilt-signed", key);
            auto put = QNS3ObjectRequest::PUTRequestForData("body", "quilt-signed", key);
            for (const auto& [name, value] : item.headers)
                put->addRequestHeader(name, value);
            return put;
        };
        auto echoed = make(echoHost, "_/echo");
        runOK(echoed.get());
        EXPECT_EQ(echoedLines(echoed->responseData().value_or(""), item.sentName), std::vector<std::string> { item.sent })
            << echoed->responseData().value_or("");

        // The store refuses a signature of other bytes than those it got.
        auto stored = make(storeHost, "k");
        runOK(stored.get());
        if (!item.stored)
            continue;
        auto head = QNS3ObjectRequest::HEADRequestWithBucket("quilt-signed", "k");
        runOK(head.get());
        EXPECT_EQ(head->responseHeader(item.sentName), std::optional<std::string>(item.stored));
    }
    QNS3Request::setDefaultS3Host(storeHost);
    runOK(QNS3ObjectRequest::DELETERequestWithBucket("quilt-signed", "k").get());
    runOK(QNS3BucketRequest::DELETERequestWithBucket("quilt-signed").get());
}

// A content header given in two cases is one line of the string to sign
// and one field of the message: the value given last is signed and sent,
// whichever spelling comes first in key order. Each request goes to an echo
// of the bytes received and to the store, which refuses a signature of
// another value than it got (and a checksum of another body).
TEST_F(QNS3StoreTest, AContentHeaderGivenInTwoCasesIsSignedAndSentOnce)
{
    runOK(QNS3BucketRequest::PUTRequestWithBucket("quilt-content").get());
    runOK(QNS3ObjectRequest::PUTRequestForData("stored", "quilt-content", "read").get());
    LoopbackHTTPServer echo(m_root.path());
    const std::string storeHost = QNS3Request::defaultS3Host();
    const std::string echoHost = "localhost:" + std::to_string(echo.port());
    const std::string body = "checked body";
    unsigned char digest[16];
    CC_MD5(body.data(), body.size(), digest);
    const std::string rightMD5 = QNHTTPRequest::base64forData(std::string(reinterpret_cast<char*>(digest), 16));
    const std::string wrongMD5 = QNHTTPRequest::base64forData(std::string(16, 'x'));
    struct Case {
        const char* name;
        bool upload; // a PUT of the body, else a GET of a stored object
        std::vector<std::pair<std::string, std::string>> headers;
        std::string sent; // the one line sent
    };
    const std::vector<Case> cases {
        { "type, capital first", false, { { "Content-Type", "text/plain" }, { "content-type", "text/html" } }, "content-type: text/html" },
        { "type, capital last", false, { { "content-type", "text/html" }, { "Content-Type", "text/plain" } }, "Content-Type: text/plain" },
        { "checksum, capital first", true, { { "Content-MD5", wrongMD5 }, { "content-md5", rightMD5 } }, "content-md5: " + rightMD5 },
        { "checksum, capital last", true, { { "content-md5", wrongMD5 }, { "Content-MD5", rightMD5 } }, "Content-MD5: " + rightMD5 },
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.name);
        const std::string field = item.upload ? "Content-MD5" : "Content-Type";
        auto make = [&](const std::string& host, const std::string& key) -> Ref<QNS3ObjectRequest> {
            QNS3Request::setDefaultS3Host(host);
            auto request = item.upload ? QNS3ObjectRequest::PUTRequestForData(body, "quilt-content", key)
                                       : QNS3ObjectRequest::requestWithBucket("quilt-content", key);
            for (const auto& [name, value] : item.headers)
                request->addRequestHeader(name, value);
            return request;
        };
        auto echoed = make(echoHost, "_/echo");
        runOK(echoed.get());
        EXPECT_EQ(echoedLines(echoed->responseData().value_or(""), field), std::vector<std::string> { item.sent })
            << echoed->responseData().value_or("");

        auto stored = make(storeHost, item.upload ? "written" : "read");
        runOK(stored.get());
        if (item.upload) {
            auto read = QNS3ObjectRequest::requestWithBucket("quilt-content", "written");
            runOK(read.get());
            EXPECT_EQ(read->responseData(), body);
        } else {
            EXPECT_EQ(stored->responseData(), "stored");
        }
    }
    QNS3Request::setDefaultS3Host(storeHost);
    for (const char* key : { "read", "written" })
        runOK(QNS3ObjectRequest::DELETERequestWithBucket("quilt-content", key).get());
    runOK(QNS3BucketRequest::DELETERequestWithBucket("quilt-content").get());
}

// Replies no real store gives on demand, from a scripted server.
class QNS3ScriptedTest : public ::testing::Test {
protected:
    static Ref<QNS3ServiceRequest> serviceRequestTo(const ScriptedHTTPServer& server)
    {
        QNS3Request::setDefaultS3Host("127.0.0.1:" + std::to_string(server.port()));
        auto request = QNS3ServiceRequest::serviceRequest();
        request->setAccessKey("key");
        request->setSecretAccessKey("secret");
        return request;
    }
    void TearDown() override { QNS3Request::setDefaultS3Host("s3.amazonaws.com"); }
    testing::TemporaryDeviceRoot m_root;
};

ScriptedHTTPServer::Reply xmlReply(int status, std::string body, std::string type = "application/xml")
{
    return { status, { { "Content-Type", type } }, std::move(body) };
}

const std::string kTimeout = "<Error><Code>RequestTimeout</Code><Message>Your socket connection timed out</Message></Error>";
const std::string kListing = "<ListAllMyBucketsResult><Owner><ID>o1</ID><DisplayName>Owner</DisplayName></Owner>"
                             "<Buckets><Bucket><Name>b1</Name><CreationDate>2026-01-02T03:04:05.000Z</CreationDate>"
                             "</Bucket></Buckets></ListAllMyBucketsResult>";

struct Outcomes : QNHTTPRequestDelegate {
    int finished = 0;
    int failed = 0;
    void requestFinished(QNHTTPRequest&) override { ++finished; }
    void requestFailed(QNHTTPRequest&) override { ++failed; }
};

TEST_F(QNS3ScriptedTest, ARequestTimeoutRetriesOnceAndReportsOneOutcome)
{
    {
        ScriptedHTTPServer server({ xmlReply(400, kTimeout), xmlReply(200, kListing) });
        auto request = serviceRequestTo(server);
        auto outcomes = makeRef<Outcomes>();
        request->setDelegate(outcomes.ptr());
        request->startSynchronous();
        EXPECT_FALSE(request->error());
        EXPECT_EQ(outcomes->finished, 1);
        EXPECT_EQ(outcomes->failed, 0);
        ASSERT_EQ(request->buckets().size(), 1u);
        EXPECT_EQ(request->buckets()[0]->name, "b1");
        EXPECT_EQ(request->buckets()[0]->ownerName, "Owner");
        ASSERT_TRUE(server.nextRequest());
        ASSERT_TRUE(server.nextRequest());
    }
    {
        ScriptedHTTPServer server({ xmlReply(400, kTimeout) });
        auto request = serviceRequestTo(server);
        auto outcomes = makeRef<Outcomes>();
        request->setDelegate(outcomes.ptr());
        request->startSynchronous();
        ASSERT_TRUE(request->error());
        EXPECT_EQ(request->error()->code(), 2);
        EXPECT_EQ(request->error()->localizedDescription(), "Your socket connection timed out");
        EXPECT_EQ(outcomes->finished, 0);
        EXPECT_EQ(outcomes->failed, 1);
    }
}

TEST_F(QNS3ScriptedTest, OnlyExactXMLRepliesAreReadAndOnlyErrorDocumentsFail)
{
    struct Case {
        ScriptedHTTPServer::Reply reply;
        int code; // 0: success
        std::string description;
        size_t buckets;
    };
    const std::vector<Case> cases {
        { xmlReply(200, kListing), 0, "", 1 },
        { xmlReply(200, kListing, "application/xml; charset=utf-8"), 0, "", 0 },
        { xmlReply(403, "<Error><Code>AccessDenied</Code><Message>Access Denied</Message></Error>"), 2, "Access Denied", 0 },
        // A "Message" outside an error document is no failure.
        { xmlReply(200, "<Other><Message>fine</Message></Other>"), 0, "", 0 },
        { xmlReply(200, "<ListAllMyBucketsResult><Buckets>"), 1, "Parsing the resposnse failed", 0 },
    };
    for (const auto& item : cases) {
        ScriptedHTTPServer server({ item.reply });
        auto request = serviceRequestTo(server);
        request->startSynchronous();
        EXPECT_EQ(request->error() ? request->error()->code() : 0, item.code) << item.reply.body;
        if (item.code) {
            EXPECT_EQ(request->error()->localizedDescription(), item.description);
            EXPECT_EQ(request->error()->underlyingError() != nullptr, item.code == 1);
        }
        EXPECT_EQ(request->buckets().size(), item.buckets);
        auto sent = server.nextRequest();
        ASSERT_TRUE(sent);
        EXPECT_EQ(sent->headers["authorization"].rfind("AWS key:", 0), 0u);
        EXPECT_FALSE(sent->headers["date"].empty());
    }
}

} // namespace
} // namespace qv
