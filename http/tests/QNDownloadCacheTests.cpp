#include "http/QNDownloadCache.h"
#include "http/QNHeaderFields.h"
#include "http/QNNamedException.h"
#include "http/tests/RequestTestSupport.h"

#include "platform/Foundation/NSFileManager.h"

#include "testing/Process.h"
#include "testing/ScriptedHTTPServer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

using namespace qv;
using namespace qv::testing;

namespace {

namespace fs = std::filesystem;

const std::string CacheFolder = "/var/mobile/Library/Caches/TestCache";

class QNDownloadCacheTest : public LoopbackRequestTest {
protected:
    void SetUp() override
    {
        LoopbackRequestTest::SetUp();
        NSFileManager::defaultManager()->createDirectoryAtPath("/var/mobile/Library/Caches", true);
        m_cache->setStoragePath(CacheFolder);
    }

    // One request run to its end on this thread.
    Ref<QNHTTPRequest> fetch(const std::string& url, int policy, const std::function<void(QNHTTPRequest&)>& configure = {})
    {
        auto request = QNHTTPRequest::requestWithURL(NSURL::URLWithString(url), m_cache.ptr(), policy);
        request->setTimeOutSeconds(20);
        if (configure)
            configure(*request);
        request->startSynchronous();
        return request;
    }

    struct Counts {
        int full = 0;
        int notModified = 0;
        bool operator==(const Counts&) const = default;
    };
    friend std::ostream& operator<<(std::ostream& out, const Counts& counts)
    {
        return out << counts.full << " full, " << counts.notModified << " not modified";
    }

    // What nginx answered for the path so far: every request before this
    // call is in its log once an uncached request made now is.
    Counts countsAtServer(const std::string& path)
    {
        s_nginx->addFile("/sentinel.txt", "-");
        const size_t before = s_nginx->loggedRequests().size();
        request(s_nginx->url("/sentinel.txt"))->startSynchronous();
        Counts counts;
        for (const auto& logged : s_nginx->loggedRequests(before + 1)) {
            if (logged.request != "GET " + path)
                continue;
            counts.full += logged.status == 200;
            counts.notModified += logged.status == 304;
        }
        return counts;
    }

    std::string hostStore(const std::string& name) const { return m_root.hostPath(CacheFolder + "/" + name).string(); }

    Ref<QNDownloadCache> m_cache = QNDownloadCache::create();
};

} // namespace

TEST(QNDownloadCacheNamesTest, KeysAndBodyFileNames)
{
    TemporaryDeviceRoot root;
    auto key = [](const std::string& url) { return *QNDownloadCache::keyForURL(*NSURL::URLWithString(url)); };
    EXPECT_EQ(key("http://layouts.test/a/"), key("http://layouts.test/a"));
    EXPECT_NE(key("http://layouts.test/a//"), key("http://layouts.test/a/"));
    // MD5 of the text, upper-case hexadecimal.
    EXPECT_EQ(key("http://layouts.test"), "CA13ECEFC9D622A79A00E278AF02697A");

    NSFileManager::defaultManager()->createDirectoryAtPath("/var/mobile/Library/Caches", true);
    auto cache = QNDownloadCache::create();
    cache->setStoragePath(CacheFolder);
    const std::pair<const char*, const char*> cases[] = {
        { "http://layouts.test/page.PHP", "html" },
        { "http://layouts.test/folder/", "html" },
        { "http://layouts.test/plain", "html" },
        { "http://layouts.test/run.cgi?x=1", "html" },
        { "http://layouts.test/pic.JPG", "JPG" },
        { "http://layouts.test/Layout.plist", "plist" },
    };
    for (const auto& [url, extension] : cases) {
        auto request = QNHTTPRequest::requestWithURL(NSURL::URLWithString(url));
        request->setCacheStoragePolicy(QNCacheStoragePermanent);
        EXPECT_EQ(cache->pathToStoreCachedResponseDataForRequest(*request), CacheFolder + "/PermanentStore/" + key(url) + "." + extension) << url;
        EXPECT_EQ(cache->pathToStoreCachedResponseHeadersForRequest(*request), CacheFolder + "/PermanentStore/" + key(url) + ".cachedheaders") << url;
    }
    EXPECT_EQ(cache->defaultCachePolicy(), CachePolicyRevalidateWhenStale);
    cache->setDefaultCachePolicy(CachePolicyDefault);
    EXPECT_EQ(cache->defaultCachePolicy(), CachePolicyRevalidateWhenStale);
}

TEST(QNDownloadCacheFoldersTest, RootFolderRulesAndClearing)
{
    TemporaryDeviceRoot root;
    auto cache = QNDownloadCache::create();
    root.writeFile("/var/mobile/Library/Caches/Taken", "a file");
    try {
        cache->setStoragePath("/var/mobile/Library/Caches/Taken");
        ADD_FAILURE() << "no exception";
    } catch (const QNNamedException& exception) {
        EXPECT_EQ(exception.name(), "FileExistsAtCachePath");
        EXPECT_EQ(exception.reason(), "Cannot create a directory for the cache at '/var/mobile/Library/Caches/Taken', because a file already exists");
    }
    try {
        cache->setStoragePath("/var/mobile/Missing/Cache");
        ADD_FAILURE() << "no exception";
    } catch (const QNNamedException& exception) {
        EXPECT_EQ(exception.name(), "FailedToCreateCacheDirectory");
    }

    // Setting a root empties its session store, never its permanent one.
    root.writeFile(CacheFolder + "/SessionStore/old.html", "old");
    root.writeFile(CacheFolder + "/PermanentStore/kept.html", "kept");
    cache->setStoragePath(CacheFolder);
    EXPECT_FALSE(fs::exists(root.hostPath(CacheFolder + "/SessionStore/old.html")));
    EXPECT_TRUE(fs::exists(root.hostPath(CacheFolder + "/PermanentStore/kept.html")));
    cache->clearCachedResponsesForStoragePolicy(QNCacheStoragePermanent);
    EXPECT_TRUE(fs::is_empty(root.hostPath(CacheFolder + "/PermanentStore")));

    // The shared cache lives in the user's caches folder.
    auto shared = QNDownloadCache::sharedCache();
    EXPECT_EQ(shared->storagePath(), "/var/mobile/Library/Caches/QNHTTPRequestCache");
    EXPECT_TRUE(fs::is_directory(root.hostPath("/var/mobile/Library/Caches/QNHTTPRequestCache/PermanentStore")));
    EXPECT_EQ(QNDownloadCache::sharedCache().ptr(), shared.ptr());
}

TEST_F(QNDownloadCacheTest, EachPolicyCountedAtTheServer)
{
    const std::string body = fileBytes(5000);
    struct Step {
        int policy;
        double secondsToCache = 0;
        bool changeFileFirst = false;
    };
    struct Case {
        const char* name;
        const char* path;
        std::vector<Step> steps;
        Counts expected;
        int answeredFromCache;
    };
    const Case cases[] = {
        // Kept for an hour: asked once, then answered by the cache.
        { "revalidate when stale, fresh", "/fresh/a.txt", { { 4 }, { 4 }, { 4 } }, { 1, 0 }, 2 },
        // No expiry: every later request asks; a renewed expiry stops that.
        { "revalidate when stale, stale", "/cache/b.txt", { { 4 }, { 4, 60 }, { 4 } }, { 1, 1 }, 2 },
        // Always asks, even when fresh; a changed file comes anew.
        { "revalidate always", "/fresh/c.txt", { { 8 }, { 8 }, { 8, 0, true }, { 8 } }, { 2, 2 }, 2 },
        { "prefer cache", "/cache/d.txt", { { 16 }, { 16 }, { 16 } }, { 1, 0 }, 2 },
        { "no read", "/fresh/e.txt", { { 1 }, { 1 } }, { 2, 0 }, 0 },
        { "no write", "/fresh/f.txt", { { 2 | 4 }, { 2 | 4 } }, { 2, 0 }, 0 },
        { "default policy of the cache", "/fresh/g.txt", { { 0 }, { 0 } }, { 1, 0 }, 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        s_nginx->addFile(c.path, body);
        std::string expectedBody = body;
        int answeredFromCache = 0;
        for (const Step& step : c.steps) {
            if (step.changeFileFirst) {
                expectedBody = fileBytes(6000);
                s_nginx->addFile(c.path, expectedBody);
            }
            auto done = fetch(s_nginx->url(c.path), step.policy, [&](QNHTTPRequest& request) { request.setSecondsToCache(step.secondsToCache); });
            EXPECT_FALSE(done->error());
            EXPECT_EQ(done->responseStatusCode(), 200);
            EXPECT_EQ(done->responseData(), expectedBody);
            answeredFromCache += done->didUseCachedResponse();
        }
        EXPECT_EQ(countsAtServer(c.path), c.expected);
        EXPECT_EQ(answeredFromCache, c.answeredFromCache);
    }

    // Cache only: never loads, and with nothing stored ends well and empty.
    auto cacheOnly = fetch(s_nginx->url("/fresh/never.txt"), CachePolicyCacheOnly);
    EXPECT_FALSE(cacheOnly->error());
    EXPECT_FALSE(cacheOnly->responseHeaders());
    EXPECT_EQ(cacheOnly->responseData(), "");
    EXPECT_EQ(countsAtServer("/fresh/never.txt"), (Counts { 0, 0 }));
}

TEST_F(QNDownloadCacheTest, ValidatorsSentAndStoredCopyRenewed)
{
    s_nginx->addFile("/cache/validated.txt", "validated");
    auto first = fetch(s_nginx->url("/cache/validated.txt"), CachePolicyRevalidateAlways);
    auto stored = m_cache->cachedResponseHeadersForURL(*first->url());
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->numberForKey(QNDownloadCache::ResponseStatusCodeHeader)->intValue(), 200);
    EXPECT_FALSE(stored->objectForKey(QNDownloadCache::ExpiresHeader));

    auto second = fetch(s_nginx->url("/cache/validated.txt"), CachePolicyRevalidateAlways, [](QNHTTPRequest& request) { request.setSecondsToCache(120); });
    EXPECT_TRUE(second->didUseCachedResponse());
    ASSERT_TRUE(second->requestHeaders());
    EXPECT_EQ(headerFieldValue(*second->requestHeaders(), "If-None-Match"), headerFieldValue(*stored, "ETag"));
    EXPECT_EQ(headerFieldValue(*second->requestHeaders(), "If-Modified-Since"), headerFieldValue(*stored, "Last-Modified"));
    auto renewed = m_cache->cachedResponseHeadersForURL(*first->url())->numberForKey(QNDownloadCache::ExpiresHeader);
    ASSERT_TRUE(renewed);
    EXPECT_NEAR(renewed->doubleValue(), NSDate::date()->timeIntervalSince1970() + 120, 30);

    // A POST neither reads nor fills the cache.
    s_nginx->addFile("/cache/posted.txt", "posted");
    fetch(s_nginx->url("/cache/posted.txt"), CachePolicyPreferCache);
    auto post = fetch(s_nginx->url("/cache/posted.txt"), CachePolicyPreferCache, [](QNHTTPRequest& request) { request.appendPostData("x"); });
    EXPECT_FALSE(post->didUseCachedResponse());
    // nginx answers a POST to a file as a GET of it, and logs it so.
    EXPECT_EQ(countsAtServer("/cache/posted.txt"), (Counts { 2, 0 }));
}

TEST_F(QNDownloadCacheTest, CompressedBodiesAndFileDownloadsAreStoredInflated)
{
    const std::string text = fileBytes(40000);
    s_nginx->addFile("/gzip/text.txt", text);
    auto first = fetch(s_nginx->url("/gzip/text.txt"), CachePolicyPreferCache);
    ASSERT_TRUE(first->isResponseCompressed());
    auto stored = m_cache->cachedResponseHeadersForURL(*first->url());
    ASSERT_TRUE(stored);
    EXPECT_FALSE(headerFieldValue(*stored, "Content-Encoding"));
    EXPECT_EQ(m_cache->cachedResponseDataForURL(*first->url()), text);
    auto again = fetch(s_nginx->url("/gzip/text.txt"), CachePolicyPreferCache);
    EXPECT_TRUE(again->didUseCachedResponse());
    EXPECT_EQ(again->responseData(), text);

    // Received into a file: the file is kept; a later request is pointed at
    // the stored copy.
    s_nginx->addFile("/cache/download.bin", text);
    auto download = fetch(s_nginx->url("/cache/download.bin"), CachePolicyPreferCache,
        [](QNHTTPRequest& request) { request.setDownloadDestinationPath("/var/mobile/download.bin"); });
    EXPECT_FALSE(download->error());
    EXPECT_EQ(m_cache->cachedResponseDataForURL(*download->url()), text);
    auto fromCache = fetch(s_nginx->url("/cache/download.bin"), CachePolicyPreferCache,
        [](QNHTTPRequest& request) { request.setDownloadDestinationPath("/var/mobile/second.bin"); });
    EXPECT_TRUE(fromCache->didUseCachedResponse());
    EXPECT_EQ(fromCache->downloadDestinationPath(), m_cache->pathToCachedResponseDataForURL(*download->url()));
    EXPECT_EQ(fromCache->contentLength(), text.size());
}

TEST_F(QNDownloadCacheTest, ResponsesMarkedNotToBeStoredAreNot)
{
    using Reply = ScriptedHTTPServer::Reply;
    struct Case {
        Reply reply;
        bool stored;
    };
    const Case cases[] = {
        { Reply(200, { { "Cache-Control", "no-store" } }, "a"), false },
        { Reply(200, { { "Cache-Control", "no-cache, no-store" } }, "b"), false },
        { Reply(200, { { "Cache-Control", "private, NO-STORE" } }, "c"), false },
        { Reply(200, { { "Cache-Control", "no-cache" } }, "d"), false },
        { Reply(200, { { "Pragma", "no-cache" } }, "e"), false },
        { Reply(404, {}, "f"), false },
        { Reply(206, {}, "g"), false },
        { Reply(200, { { "Cache-Control", "public, max-age=60" } }, "h"), true },
        { Reply(302, { { "Location", "/elsewhere" } }, "i"), true },
    };
    for (const Case& c : cases) {
        ScriptedHTTPServer server({ c.reply });
        auto done = fetch(server.url("/answer.txt"), CachePolicyRevalidateWhenStale, [](QNHTTPRequest& request) { request.setShouldRedirect(false); });
        EXPECT_EQ(static_cast<bool>(m_cache->cachedResponseHeadersForURL(*done->url())), c.stored) << c.reply.status << " " << c.reply.body;
    }
    // The same from the real server.
    s_nginx->addFile("/nostore/secret.txt", "secret");
    auto secret = fetch(s_nginx->url("/nostore/secret.txt"), CachePolicyPreferCache);
    EXPECT_EQ(secret->responseData(), "secret");
    EXPECT_FALSE(m_cache->cachedResponseHeadersForURL(*secret->url()));
}

TEST_F(QNDownloadCacheTest, CorruptEntriesReadAsMisses)
{
    const std::string text = fileBytes(3000);
    s_nginx->addFile("/cache/corrupt.txt", text);
    const std::string url = s_nginx->url("/cache/corrupt.txt");
    auto request = QNHTTPRequest::requestWithURL(NSURL::URLWithString(url));
    const std::string key = *QNDownloadCache::keyForURL(*request->url());
    const fs::path headers = hostStore("SessionStore/" + key + ".cachedheaders");
    const fs::path body = hostStore("SessionStore/" + key + ".txt");
    struct Case {
        const char* name;
        std::function<void()> damage;
    };
    const Case cases[] = {
        { "headers that are no property list", [&] { std::ofstream(headers) << "<?xml garbage"; } },
        { "headers that are no dictionary", [&] { std::ofstream(headers) << "<plist><array/></plist>"; } },
        { "no status", [&] {
             auto stored = NSDictionary::dictionaryWithContentsOfFile(CacheFolder + "/SessionStore/" + key + ".cachedheaders");
             stored->removeObjectForKey(QNDownloadCache::ResponseStatusCodeHeader);
             stored->writeToFile(CacheFolder + "/SessionStore/" + key + ".cachedheaders", true);
         } },
        { "a short body", [&] { fs::resize_file(body, 100); } },
        { "no body", [&] { fs::remove(body); } },
        { "a folder for a body", [&] { fs::remove(body); fs::create_directory(body); } },
    };
    int expectedLoads = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(body);
        fetch(url, CachePolicyPreferCache | CachePolicyRevalidateAlways);
        ++expectedLoads;
        ASSERT_TRUE(m_cache->cachedResponseHeadersForURL(*request->url()));
        c.damage();
        EXPECT_FALSE(m_cache->cachedResponseHeadersForURL(*request->url()));
        EXPECT_EQ(m_cache->pathToCachedResponseDataForURL(*request->url()), "");
        // Nothing stored: the server is asked, plainly, and the copy mended.
        auto again = fetch(url, CachePolicyPreferCache | CachePolicyRevalidateAlways);
        ++expectedLoads;
        EXPECT_FALSE(again->didUseCachedResponse());
        EXPECT_EQ(again->responseData(), text);
        EXPECT_FALSE(again->requestHeaders() && headerFieldValue(*again->requestHeaders(), "If-None-Match"));
        fs::remove_all(body);
        fs::remove(headers);
    }
    EXPECT_EQ(countsAtServer("/cache/corrupt.txt"), (Counts { expectedLoads, 0 }));
}

TEST_F(QNDownloadCacheTest, NothingIsWrittenOutsideTheCacheFolder)
{
    s_nginx->addFile("/cache/linked.txt", "from the server");
    m_root.writeFile("/var/mobile/Library/Preferences/precious.plist", "precious");
    const fs::path precious = m_root.hostPath("/var/mobile/Library/Preferences/precious.plist");
    const std::string url = s_nginx->url("/cache/linked.txt");
    const std::string key = *QNDownloadCache::keyForURL(*NSURL::URLWithString(url));

    // Links planted where the entry's files go are replaced, not followed.
    fs::create_symlink(precious, hostStore("SessionStore/" + key + ".txt"));
    fs::create_symlink(precious, hostStore("SessionStore/" + key + ".cachedheaders"));
    EXPECT_FALSE(m_cache->cachedResponseHeadersForURL(*NSURL::URLWithString(url)));
    fetch(url, CachePolicyRevalidateWhenStale);
    EXPECT_EQ(m_root.readFile("/var/mobile/Library/Preferences/precious.plist"), "precious");
    EXPECT_FALSE(fs::is_symlink(hostStore("SessionStore/" + key + ".txt")));
    EXPECT_EQ(m_cache->cachedResponseDataForURL(*NSURL::URLWithString(url)), "from the server");

    // A store that is a link to elsewhere is neither filled nor emptied.
    const fs::path elsewhere = m_root.hostPath("/var/mobile/Library/Preferences");
    fs::rename(hostStore("PermanentStore"), hostStore("PermanentStore.old"));
    fs::create_directory_symlink(elsewhere, hostStore("PermanentStore"));
    fetch(url, CachePolicyNoRead, [](QNHTTPRequest& request) { request.setCacheStoragePolicy(QNCacheStoragePermanent); });
    m_cache->clearCachedResponsesForStoragePolicy(QNCacheStoragePermanent);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(elsewhere))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string> { "precious.plist" });

    // Names made of the URL stay inside their store, however it is spelt.
    s_nginx->addFile("/escape.txt", "escape");
    s_nginx->addFile("/cache/escape.txt", "escape");
    const auto filesOutsideTheStore = [&] {
        std::set<std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(m_root.path()))
            if (entry.path().parent_path() != fs::path(hostStore("SessionStore")))
                files.insert(entry.path().string());
        return files;
    };
    const auto before = filesOutsideTheStore();
    const size_t stored = static_cast<size_t>(std::distance(fs::directory_iterator(hostStore("SessionStore")), fs::directory_iterator()));
    for (const char* path : { "/cache/..%2F..%2F..%2F..%2Fescape.txt", "/cache/%2E%2E/escape.txt", "/cache/escape.txt%00" })
        fetch(s_nginx->url(path), CachePolicyRevalidateWhenStale);
    EXPECT_EQ(filesOutsideTheStore(), before);
    EXPECT_GT(static_cast<size_t>(std::distance(fs::directory_iterator(hostStore("SessionStore")), fs::directory_iterator())), stored);
}

TEST_F(QNDownloadCacheTest, CacheOnFailureAnswersFromTheStoredCopy)
{
    auto server = std::make_unique<ScriptedHTTPServer>(std::vector<ScriptedHTTPServer::Reply> { { 200, {}, "kept for a rainy day" } });
    const std::string url = server->url("/rainy.txt");
    fetch(url, CachePolicyRevalidateWhenStale);
    server.reset();

    auto plain = fetch(url, CachePolicyRevalidateWhenStale);
    ASSERT_TRUE(plain->error());
    EXPECT_EQ(plain->error()->code(), QNConnectionFailureErrorType);

    RecordingDelegate delegate;
    auto fallback = fetch(url, CachePolicyRevalidateWhenStale | CachePolicyCacheOnFailure, [&](QNHTTPRequest& request) { request.setDelegate(&delegate); });
    EXPECT_FALSE(fallback->error());
    EXPECT_TRUE(fallback->didUseCachedResponse());
    EXPECT_EQ(fallback->responseData(), "kept for a rainy day");
    EXPECT_EQ(delegate.finished, 1);
    EXPECT_EQ(delegate.failed, 0);

}

TEST_F(QNDownloadCacheTest, ASharedCacheLosesNothing)
{
    // Requests on several threads at once, and on the network thread,
    // storing and reading overlapping URLs of one cache.
    constexpr int urls = 12;
    std::vector<std::string> bodies;
    for (int i = 0; i < urls; ++i) {
        bodies.push_back(fileBytes(1000 + 7919 * i) + std::to_string(i));
        s_nginx->addFile("/fresh/shared" + std::to_string(i) + ".txt", bodies.back());
    }
    const auto path = [](int i) { return "/fresh/shared" + std::to_string(i) + ".txt"; };
    std::atomic<int> wrong { 0 };
    auto round = [&] {
        std::vector<Ref<QNHTTPRequest>> asynchronous;
        for (int i = 0; i < urls; ++i) {
            auto request = QNHTTPRequest::requestWithURL(NSURL::URLWithString(s_nginx->url(path(i))), m_cache.ptr(), CachePolicyRevalidateWhenStale);
            request->setTimeOutSeconds(20);
            request->startAsynchronous();
            asynchronous.push_back(request);
        }
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&, t] {
                for (int n = 0; n < urls; ++n) {
                    const int i = (n + 3 * t) % urls;
                    auto request = QNHTTPRequest::requestWithURL(NSURL::URLWithString(s_nginx->url(path(i))), m_cache.ptr(), CachePolicyRevalidateWhenStale);
                    request->setTimeOutSeconds(20);
                    request->startSynchronous();
                    wrong += request->error() || request->responseData() != bodies[static_cast<size_t>(i)];
                }
            });
        }
        for (auto& thread : threads)
            thread.join();
        EXPECT_TRUE(runMainLoopUntil([&] {
            return std::all_of(asynchronous.begin(), asynchronous.end(), [](const Ref<QNHTTPRequest>& request) { return request->isFinished(); });
        }));
        for (int i = 0; i < urls; ++i)
            wrong += asynchronous[static_cast<size_t>(i)]->error() || asynchronous[static_cast<size_t>(i)]->responseData() != bodies[static_cast<size_t>(i)];
    };
    round();
    EXPECT_EQ(wrong, 0);
    int loaded = 0;
    for (int i = 0; i < urls; ++i) {
        EXPECT_EQ(m_cache->cachedResponseDataForURL(*NSURL::URLWithString(s_nginx->url(path(i)))), bodies[static_cast<size_t>(i)]) << i;
        // A copy stored while another request was on its way makes that one
        // ask conditionally.
        const Counts counts = countsAtServer(path(i));
        loaded += counts.full + counts.notModified;
    }
    EXPECT_GE(loaded, urls);
    // Everything was kept: a second round is answered by the cache alone.
    round();
    EXPECT_EQ(wrong, 0);
    int loadedAfter = 0;
    for (int i = 0; i < urls; ++i) {
        const Counts counts = countsAtServer(path(i));
        loadedAfter += counts.full + counts.notModified;
    }
    EXPECT_EQ(loadedAfter, loaded);
    // No half-written file is left behind.
    for (const auto& entry : fs::directory_iterator(hostStore("SessionStore")))
        EXPECT_EQ(entry.path().string().find(".partial"), std::string::npos) << entry.path();
}

TEST_F(QNDownloadCacheTest, StoredRedirectsAreFollowedAndCancelsAreNotAnswered)
{
    ScriptedHTTPServer server({ { 302, { { "Location", "/target.txt" } }, "moved" }, { 200, {}, "the target" } });
    auto first = fetch(server.url("/start.txt"), CachePolicyPreferCache);
    EXPECT_EQ(first->responseData(), "the target");
    EXPECT_TRUE(m_cache->cachedResponseHeadersForURL(*NSURL::URLWithString(server.url("/start.txt"))));
    // The stored redirect is followed to the stored target, with nothing sent.
    auto second = fetch(server.url("/start.txt"), CachePolicyPreferCache);
    EXPECT_FALSE(second->error());
    EXPECT_TRUE(second->didUseCachedResponse());
    EXPECT_EQ(second->redirectCount(), 1);
    EXPECT_EQ(second->url()->absoluteString(), server.url("/target.txt"));
    EXPECT_EQ(second->responseData(), "the target");
    ASSERT_TRUE(server.nextRequest());
    ASSERT_TRUE(server.nextRequest());

    // A cancelled request fails as cancelled, even with a copy at hand.
    auto cancelled = QNHTTPRequest::requestWithURL(NSURL::URLWithString(server.url("/target.txt")), m_cache.ptr(), CachePolicyCacheOnFailure);
    cancelled->cancel();
    ASSERT_TRUE(runMainLoopUntil([&] { return cancelled->isCancelled(); }));
    ASSERT_TRUE(cancelled->error());
    EXPECT_EQ(cancelled->error()->code(), QNRequestCancelledErrorType);
    EXPECT_FALSE(cancelled->didUseCachedResponse());
}
