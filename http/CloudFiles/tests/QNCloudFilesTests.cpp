#include "http/CloudFiles/QNCloudFilesCDNRequest.h"
#include "http/CloudFiles/QNCloudFilesContainerRequest.h"
#include "http/CloudFiles/QNCloudFilesObjectRequest.h"
#include "http/CloudFiles/QNCloudFilesValues.h"

#include "platform/Foundation/NSTimeZone.h"

#include "testing/ObjectStore.h"
#include "testing/ScriptedHTTPServer.h"
#include "testing/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace qv {
namespace {

using testing::ObjectStore;
using testing::ScriptedHTTPServer;

// The account's details are the process's: every test logs in afresh.
void forgetLogin(const std::string& authURL)
{
    QNCloudFilesRequest::setRackspaceCloudAuthURL(authURL);
    QNCloudFilesRequest::setUsername("");
    QNCloudFilesRequest::setApiKey("");
}

std::string sentHeader(const QNHTTPRequest& request, const std::string& name)
{
    if (auto headers = request.requestHeaders())
        if (auto value = headers->stringForKey(name))
            return value->string();
    return "(none)";
}

TEST(QNCloudFilesValues, IntegersAndBooleansReadAsTheStoreWritesThem)
{
    struct Case {
        const char* text;
        uint64_t value;
    };
    for (const Case& item : std::initializer_list<Case> { { "", 0 }, { "12", 12 }, { "  +7x", 7 }, { "-5", 0 },
             { "abc", 0 }, { "3000000000", 3000000000ULL }, { "5497558138880", 5497558138880ULL },
             { "99999999999999999999999", UINT64_MAX } })
        EXPECT_EQ(cloudfiles::integerFromText(item.text), item.value) << item.text;

    for (const char* yes : { "True", "true", "Y", "yes", " 1", "007", "+9" })
        EXPECT_TRUE(cloudfiles::boolFromText(yes)) << yes;
    for (const char* no : { "False", "", "0", "no", "N", " -0" })
        EXPECT_FALSE(cloudfiles::boolFromText(no)) << no;
}

TEST(QNCloudFilesValues, NamesAndQueryValuesCannotReachAnotherObject)
{
    EXPECT_EQ(cloudfiles::escapedName("a b#1?/c+~"), "a%20b%231%3F%2Fc%2B~");
    EXPECT_EQ(cloudfiles::escapedPath("dir/a b#1?x=y&z"), "dir/a%20b%231%3Fx%3Dy%26z");
    EXPECT_EQ(cloudfiles::escapedQueryValue("a+b&prefix=c"), "a%2Bb%26prefix%3Dc");
    EXPECT_EQ(QNCloudFilesObjectRequest::queryStringWithContainer("c", 0, "", "", ""), "?format=xml");
    EXPECT_EQ(QNCloudFilesObjectRequest::queryStringWithContainer("c", 50, "m-1", "p/", "dir"),
        "?format=xml&limit=50&marker=m-1&prefix=p%2F&path=dir");
}

TEST(QNCloudFilesValues, ListingDatesAreUTCWithSixFractionDigits)
{
    testing::TemporaryDeviceRoot root;
    auto request = QNCloudFilesContainerRequest::listRequest();
    auto date = request->dateFromString("2014-03-05T7:08:09.123456");
    ASSERT_TRUE(date);
    EXPECT_NEAR(date->timeIntervalSince1970(), 1394003289.123456, 1e-3);
    EXPECT_FALSE(request->dateFromString("2014-03-05T07:08:09"));
    EXPECT_FALSE(request->dateFromString("2014-03-05T07:08:09.123"));
}

// The native API of the real store on loopback (one per program).
class QNCloudFilesStoreTest : public ::testing::Test {
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
        forgetLogin(s_store->authURL());
        QNCloudFilesRequest::setUsername(ObjectStore::user);
        QNCloudFilesRequest::setApiKey(ObjectStore::key);
        auto error = QNCloudFilesRequest::authenticate();
        ASSERT_FALSE(error) << error->localizedDescription();
    }

    static void runOK(QNHTTPRequest& request)
    {
        request.startSynchronous();
        EXPECT_FALSE(request.error()) << request.url()->absoluteString();
        EXPECT_LT(request.responseStatusCode(), 300) << request.url()->absoluteString() << " "
                                                     << request.responseStatusCode();
    }

    testing::TemporaryDeviceRoot m_root;
    static ObjectStore* s_store;
};

ObjectStore* QNCloudFilesStoreTest::s_store = nullptr;

TEST_F(QNCloudFilesStoreTest, LoginGivesTheTokenAndAddressesAndARefusalKeepsThem)
{
    const std::string token = QNCloudFilesRequest::authToken();
    EXPECT_FALSE(token.empty());
    EXPECT_EQ(QNCloudFilesRequest::storageURL(), s_store->storageURL());
    auto account = QNCloudFilesContainerRequest::accountInfoRequest();
    EXPECT_EQ(sentHeader(account, "X-Auth-Token"), token);
    runOK(account.get());

    QNCloudFilesRequest::setApiKey("wrong");
    auto refused = QNCloudFilesRequest::authenticate();
    ASSERT_TRUE(refused);
    // The store's 401 challenges in its own scheme, which no credentials
    // of a request can meet: authentication needed.
    EXPECT_EQ(refused->code(), QNAuthenticationErrorType) << refused->localizedDescription();
    EXPECT_EQ(QNCloudFilesRequest::authToken(), token);
    EXPECT_EQ(QNCloudFilesRequest::storageURL(), s_store->storageURL());
}

TEST_F(QNCloudFilesStoreTest, ContainersAndObjectsRoundTripWithAwkwardNames)
{
    const std::vector<std::string> containers { "quilt box", "quilt#1?", "quilt caf\xC3\xA9" };
    for (const auto& name : containers)
        runOK(QNCloudFilesContainerRequest::createContainerRequest(name).get());

    auto list = QNCloudFilesContainerRequest::listRequest();
    runOK(list.get());
    auto listed = list->containers();
    ASSERT_TRUE(listed);
    std::vector<std::string> names;
    for (const auto& container : *listed)
        names.push_back(container->name);
    for (const auto& name : containers)
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
    auto page = QNCloudFilesContainerRequest::listRequestWithLimit(1, "quilt box");
    runOK(page.get());
    ASSERT_TRUE(page->containers());
    ASSERT_EQ(page->containers()->size(), 1u);
    EXPECT_EQ(page->containers()->front()->name, "quilt caf\xC3\xA9");
    auto plain = QNCloudFilesContainerRequest::storageRequestWithMethod("GET");
    runOK(plain.get());
    for (const auto& name : containers)
        EXPECT_NE(plain->responseData().value_or("").find(name + "\n"), std::string::npos) << name;

    const std::string container = "quilt#1?";
    const std::vector<std::string> objects { "a b.txt", "dir/report#1", "dir/what?x=y&z", "dir/caf\xC3\xA9+more",
        "pct%41" };
    const double start = NSDate::date()->timeIntervalSince1970();
    for (const auto& path : objects) {
        auto metadata = NSDictionary::create();
        metadata->setObject("Blue", "Colour");
        auto put = QNCloudFilesObjectRequest::putObjectRequestWithContainer(container, path, "text/plain",
            "body of " + path, metadata.ptr(), "");
        runOK(put.get());
    }
    auto bytes = QNCloudFilesObjectRequest::putObjectRequestWithContainer(container, "raw", "", "xyz", nullptr, "");
    EXPECT_EQ(sentHeader(bytes, "Content-Type"), "application/octet-stream");
    runOK(bytes.get());

    auto listing = QNCloudFilesObjectRequest::listRequestWithContainer(container);
    runOK(listing.get());
    const auto& records = listing->objects();
    ASSERT_EQ(records.size(), objects.size() + 1);
    EXPECT_EQ(&listing->objects(), &records) << "read once";
    for (const auto& record : records) {
        const bool isRaw = record->name == "raw";
        EXPECT_TRUE(isRaw || std::find(objects.begin(), objects.end(), record->name) != objects.end()) << record->name;
        EXPECT_EQ(record->bytes, isRaw ? 3u : ("body of " + record->name).size());
        EXPECT_EQ(record->contentType, isRaw ? "application/octet-stream" : "text/plain");
        EXPECT_EQ(record->hash.size(), 32u);
        ASSERT_TRUE(record->lastModified) << record->name;
        // Written in UTC: within a minute of the upload, whatever the zone.
        EXPECT_LT(std::fabs(record->lastModified->timeIntervalSince1970() - start), 60) << record->name;
    }
    auto narrowed = QNCloudFilesObjectRequest::listRequestWithContainer(container, 0, "dir/report#1", "dir/", "");
    runOK(narrowed.get());
    ASSERT_EQ(narrowed->objects().size(), 1u);
    EXPECT_EQ(narrowed->objects()[0]->name, "dir/what?x=y&z");

    // Each object comes back under the name the store keeps (the listing
    // above), escapes in the name included.
    for (const auto& path : objects) {
        auto get = QNCloudFilesObjectRequest::getObjectRequestWithContainer(container, path);
        runOK(get.get());
        auto fetched = get->object();
        EXPECT_EQ(fetched->name, path);
        EXPECT_EQ(fetched->data, "body of " + path);
        EXPECT_EQ(fetched->bytes, fetched->data.size());
        EXPECT_EQ(fetched->contentType, "text/plain");
        EXPECT_EQ(fetched->hash.size(), 32u);
        EXPECT_TRUE(fetched->lastModified);
        EXPECT_EQ(fetched->metadata->stringForKey("Colour") ? fetched->metadata->stringForKey("Colour")->string() : "",
            "Blue");
    }

    auto update = NSDictionary::create();
    update->setObject("Green", "Colour");
    update->setObject("L", "Size");
    runOK(QNCloudFilesObjectRequest::postObjectRequestWithContainer(container, "dir/caf\xC3\xA9+more", update.ptr()).get());
    auto info = QNCloudFilesObjectRequest::objectInfoRequest(container, "dir/caf\xC3\xA9+more");
    runOK(info.get());
    auto described = info->object();
    EXPECT_EQ(described->name, "dir/caf\xC3\xA9+more");
    EXPECT_EQ(described->metadata->count(), 2u);
    EXPECT_EQ(described->metadata->stringForKey("Size") ? described->metadata->stringForKey("Size")->string() : "", "L");

    auto containerInfo = QNCloudFilesObjectRequest::containerInfoRequest(container);
    runOK(containerInfo.get());
    EXPECT_EQ(containerInfo->containerObjectCount(), objects.size() + 1);
    EXPECT_GT(containerInfo->containerBytesUsed(), 0u);

    for (const auto& path : objects)
        runOK(QNCloudFilesObjectRequest::deleteObjectRequestWithContainer(container, path).get());
    runOK(QNCloudFilesObjectRequest::deleteObjectRequestWithContainer(container, "raw").get());
    auto gone = QNCloudFilesObjectRequest::getObjectRequestWithContainer(container, "a b.txt");
    gone->startSynchronous();
    EXPECT_EQ(gone->responseStatusCode(), 404);
    for (const auto& name : containers)
        runOK(QNCloudFilesContainerRequest::deleteContainerRequest(name).get());
}

// What no local store serves (the CDN, refusals and sizes past 32 bits) or
// gives on demand, from a scripted server.
class QNCloudFilesScriptedTest : public ::testing::Test {
protected:
    // Logs in against a server that answers with these headers.
    static RefPtr<NSError> loginAt(const ScriptedHTTPServer& server)
    {
        QNCloudFilesRequest::setRackspaceCloudAuthURL(server.url("/v1.0"));
        QNCloudFilesRequest::setUsername("user");
        QNCloudFilesRequest::setApiKey("key");
        return QNCloudFilesRequest::authenticate();
    }
    testing::TemporaryDeviceRoot m_root;
};

TEST_F(QNCloudFilesScriptedTest, LoginRepliesSetOrKeepTheDetails)
{
    {
        ScriptedHTTPServer server({ { 204, { { "X-Auth-Token", "t1" }, { "X-Storage-Url", "http://127.0.0.1:1/v1/AUTH_a" },
                                               { "X-Cdn-Management-Url", "http://127.0.0.1:1/cdn" } } } });
        ASSERT_FALSE(loginAt(server));
        auto sent = server.nextRequest();
        ASSERT_TRUE(sent);
        EXPECT_EQ(sent->path, "/v1.0");
        EXPECT_EQ(sent->headers["x-auth-user"], "user");
        EXPECT_EQ(sent->headers["x-auth-key"], "key");
        EXPECT_EQ(QNCloudFilesRequest::authToken(), "t1");
        EXPECT_EQ(QNCloudFilesRequest::cdnManagementURL(), "http://127.0.0.1:1/cdn");
    }
    {
        // Header names are matched as the reply spells them, the first
        // spelling before the second.
        ScriptedHTTPServer server({ { 204, { { "X-Auth-Token", "t2" }, { "X-Storage-Url", "http://127.0.0.1:2/v1/AUTH_b" },
                                               { "X-CDN-Management-Url", "http://127.0.0.1:2/cdn" } } } });
        ASSERT_FALSE(loginAt(server));
        EXPECT_EQ(QNCloudFilesRequest::cdnManagementURL(), "http://127.0.0.1:2/cdn");
    }
    // Refusals: an error status, or a reply without a token or address.
    for (const ScriptedHTTPServer::Reply& refusal : std::initializer_list<ScriptedHTTPServer::Reply> {
             { 403, { { "X-Auth-Token", "t3" }, { "X-Storage-Url", "http://x/v1/AUTH_c" } } },
             { 401, { { "WWW-Authenticate", "Swift realm=\"unknown\"" } } },
             { 200, { { "X-Storage-Url", "http://x/v1/AUTH_c" } } },
             { 200, { { "X-Auth-Token", "t3" } } } }) {
        ScriptedHTTPServer server({ refusal });
        auto error = loginAt(server);
        ASSERT_TRUE(error);
        EXPECT_EQ(error->code(), QNAuthenticationErrorType);
        EXPECT_EQ(QNCloudFilesRequest::authToken(), "t2");
        EXPECT_EQ(QNCloudFilesRequest::storageURL(), "http://127.0.0.1:2/v1/AUTH_b");
    }
}

TEST_F(QNCloudFilesScriptedTest, ListingsReadSizesPastTwoGibibytesAndContainerFlags)
{
    const std::string containers = "<?xml version=\"1.0\"?><account name=\"a\">"
                                   "<container><name>big</name><count>4294967296</count><bytes>5497558138880</bytes>"
                                   "<cdn_enabled>True</cdn_enabled><ttl>86400</ttl><cdn_url>http://cdn/big</cdn_url>"
                                   "<log_retention>true</log_retention><referrer_acl>r</referrer_acl>"
                                   "<useragent_acl>u</useragent_acl></container>"
                                   "<container><name>small</name><count>1</count><bytes>2</bytes>"
                                   "<cdn_enabled>true</cdn_enabled></container></account>";
    const std::string objects = "<?xml version=\"1.0\"?><container name=\"big\"><object><name>disk.img</name>"
                                "<hash>0123456789abcdef0123456789abcdef</hash><bytes>3000000000</bytes>"
                                "<content_type>application/octet-stream</content_type>"
                                "<last_modified>2014-03-05T07:08:09.123456</last_modified></object></container>";
    ScriptedHTTPServer store({ { 200, { { "Content-Type", "application/xml" } }, containers },
        { 200, { { "Content-Type", "application/xml" } }, objects },
        { 204, { { "X-Account-Container-Count", "3000000000" }, { "X-Account-Bytes-Used", "6000000000" } } } });
    ScriptedHTTPServer login({ { 204, { { "X-Auth-Token", "t" }, { "X-Storage-Url", store.url("/v1/AUTH_a") } } } });
    ASSERT_FALSE(loginAt(login));

    auto list = QNCloudFilesContainerRequest::listRequestWithLimit(50, "m");
    EXPECT_EQ(list->url()->absoluteString(), store.url("/v1/AUTH_a?format=xml&limit=50&marker=m"));
    list->startSynchronous();
    auto read = list->containers();
    ASSERT_TRUE(read);
    ASSERT_EQ(read->size(), 2u);
    const auto& big = *read->at(0);
    EXPECT_EQ(big.name, "big");
    EXPECT_EQ(big.count, 4294967296ULL);
    EXPECT_EQ(big.bytes, 5497558138880ULL);
    EXPECT_TRUE(big.cdnEnabled);
    EXPECT_EQ(big.ttl, 86400u);
    EXPECT_EQ(big.cdnURL, "http://cdn/big");
    EXPECT_FALSE(big.logRetention) << "only \"True\" is true";
    EXPECT_EQ(big.referrerACL, "r");
    EXPECT_EQ(big.useragentACL, "u");
    EXPECT_FALSE(read->at(1)->cdnEnabled);

    auto objectList = QNCloudFilesObjectRequest::listRequestWithContainer("big");
    objectList->startSynchronous();
    ASSERT_EQ(objectList->objects().size(), 1u);
    EXPECT_EQ(objectList->objects()[0]->bytes, 3000000000ULL);
    ASSERT_TRUE(objectList->objects()[0]->lastModified);
    EXPECT_NEAR(objectList->objects()[0]->lastModified->timeIntervalSince1970(), 1394003289.123456, 1e-3);

    auto account = QNCloudFilesContainerRequest::accountInfoRequest();
    account->startSynchronous();
    EXPECT_EQ(account->containerCount(), 3000000000ULL);
    EXPECT_EQ(account->bytesUsed(), 6000000000ULL);

    // A listing without containers gives none, and is read again later.
    auto empty = QNCloudFilesContainerRequest::listRequest();
    empty->startSynchronous();
    EXPECT_FALSE(empty->containers());
    EXPECT_FALSE(empty->containers());
}

TEST_F(QNCloudFilesScriptedTest, CDNRequestsSendTheirSettingsAndReadEitherSpelling)
{
    ScriptedHTTPServer cdn({ { 204, { { "X-Cdn-Enabled", "True" }, { "X-Cdn-Uri", "http://cdn/c" },
                                        { "X-Cdn-Ssl-Uri", "https://cdn/c" }, { "X-Ttl", "3000000000" } } },
        { 204, { { "X-CDN-Enabled", "False" }, { "X-CDN-URI", "http://first" }, { "X-TTL", "5" } } } });
    ScriptedHTTPServer login({ { 204, { { "X-Auth-Token", "tok" }, { "X-Storage-Url", "http://127.0.0.1:9/v1/AUTH_a" },
                                          { "X-CDN-Management-Url", cdn.url("/cdn") } } } });
    ASSERT_FALSE(loginAt(login));

    struct Case {
        Ref<QNCloudFilesCDNRequest> request;
        std::string method, path, ttl, enabled;
    };
    const std::vector<Case> cases {
        { QNCloudFilesCDNRequest::containerInfoRequest("my box"), "HEAD", "/cdn/my%20box", "", "" },
        { QNCloudFilesCDNRequest::putRequestWithContainer("c"), "PUT", "/cdn/c", "", "" },
        { QNCloudFilesCDNRequest::putRequestWithContainer("c", 600), "PUT", "/cdn/c", "600", "" },
        { QNCloudFilesCDNRequest::postRequestWithContainer("c", true, 0), "POST", "/cdn/c", "", "True" },
        { QNCloudFilesCDNRequest::postRequestWithContainer("c", false, 60), "POST", "/cdn/c", "60", "False" },
        { QNCloudFilesCDNRequest::listRequestWithLimit(10, "a b", true), "GET",
            "/cdn?format=xml&limit=10&marker=a%20b&enabled_only=true", "", "" },
        { QNCloudFilesCDNRequest::listRequest(), "GET", "/cdn?format=xml", "", "" },
    };
    bool first = true;
    for (const auto& item : cases) {
        item.request->startSynchronous();
        auto sent = cdn.nextRequest();
        ASSERT_TRUE(sent);
        EXPECT_EQ(sent->method, item.method);
        EXPECT_EQ(sent->path, item.path);
        EXPECT_EQ(sent->headers["x-auth-token"], "tok");
        EXPECT_EQ(sent->headers.count("x-ttl") ? sent->headers["x-ttl"] : "", item.ttl) << item.path;
        EXPECT_EQ(sent->headers.count("x-cdn-enabled") ? sent->headers["x-cdn-enabled"] : "", item.enabled) << item.path;
        if (first) {
            EXPECT_EQ(item.request->containerName, "my box");
            EXPECT_TRUE(item.request->cdnEnabled());
            EXPECT_EQ(item.request->cdnURI(), "http://cdn/c");
            EXPECT_EQ(item.request->cdnSSLURI(), "https://cdn/c");
            EXPECT_EQ(item.request->cdnTTL(), 3000000000ULL);
        } else {
            EXPECT_FALSE(item.request->cdnEnabled());
            EXPECT_EQ(item.request->cdnURI(), "http://first");
            EXPECT_EQ(item.request->cdnSSLURI(), "");
            EXPECT_EQ(item.request->cdnTTL(), 5u);
        }
        first = false;
    }
}

// Run in a fresh process (the death-test machinery starts the program
// again for this test alone), where nobody has logged in yet.
TEST(QNCloudFilesBeforeLogin, RequestsCarryNoEmptyToken)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            testing::TemporaryDeviceRoot root;
            bool noToken = QNCloudFilesRequest::authToken().empty();
            noToken = noToken && sentHeader(QNCloudFilesObjectRequest::getObjectRequestWithContainer("c", "o"), "X-Auth-Token") == "(none)";
            noToken = noToken && sentHeader(QNCloudFilesContainerRequest::listRequest(), "X-Auth-Token") == "(none)";
            noToken = noToken && sentHeader(QNCloudFilesCDNRequest::listRequest(), "X-Auth-Token") == "(none)";
            std::exit(noToken ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
} // namespace qv
