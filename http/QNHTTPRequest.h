#pragma once

#include "http/QNCacheDelegate.h"
#include "http/QNConnectionEntry.h"
#include "http/QNHTTPRequestDelegate.h"

#include "platform/CFNetwork/CFHTTPAuthentication.h"
#include "platform/CFNetwork/CFHTTPMessage.h"
#include "platform/CFNetwork/CFHTTPReadStream.h"
#include "platform/CFNetwork/SecIdentity.h"
#include "platform/Foundation/NSArray.h"
#include "platform/Foundation/NSDate.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSError.h"
#include "platform/Foundation/NSHTTPCookie.h"
#include "platform/Foundation/NSLock.h"
#include "platform/Foundation/NSNotification.h"
#include "platform/Foundation/NSOperation.h"
#include "platform/Foundation/NSOperationQueue.h"
#include "platform/Foundation/NSStream.h"
#include "platform/Foundation/NSThread.h"
#include "platform/Foundation/NSTimer.h"
#include "platform/Foundation/NSURL.h"
#include "platform/Foundation/NSURLCredentialStorage.h"
#include "platform/Foundation/StringEncoding.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qv {

class QNDataDecompressor;
class QNPACFileReader;

// The library's error domain, and its codes.
extern const std::string NetworkRequestErrorDomain; // "QNHTTPRequestErrorDomain"
enum QNNetworkErrorType : NSInteger {
    QNConnectionFailureErrorType = 1,
    QNRequestTimedOutErrorType = 2,
    QNAuthenticationErrorType = 3,
    QNRequestCancelledErrorType = 4,
    QNUnableToCreateRequestErrorType = 5,
    QNInternalErrorWhileBuildingRequestType = 6,
    QNInternalErrorWhileApplyingCredentialsType = 7,
    QNFileManagementError = 8,
    QNTooMuchRedirectionErrorType = 9,
    QNUnhandledExceptionError = 10,
    QNCompressionError = 11,
};

// The run-loop mode of requests run synchronously.
// Never destroyed, like the run loop's own mode names: the network thread
// may still use it while the process exits.
extern const std::string& QNHTTPRequestRunLoopMode; // "QNHTTPRequestRunLoopMode"

// One HTTP exchange: what to send, how, where the answer goes and who is
// told. An operation: started asynchronously it goes through the shared
// queue and runs on the library's network thread; started synchronously it
// runs on the caller's thread in a run-loop mode of its own. Every callback
// (delegate, blocks, queue, progress) arrives on the main thread.
class QNHTTPRequest : public NSOperation {
    QV_MAKE_REF_FRIEND;
public:
    using Block = std::function<void()>;
    using HeadersBlock = std::function<void(const NSDictionary&)>;
    using SizeBlock = std::function<void(unsigned long long size, unsigned long long total)>;
    using IncrementBlock = std::function<void(long long size)>;
    using DataBlock = std::function<void(const std::string&)>;

    // Creation (requestWithURL:, initWithURL:). The URL may be absent: the
    // request then fails with code 5 when it runs.
    static Ref<QNHTTPRequest> requestWithURL(RefPtr<NSURL> url);
    static Ref<QNHTTPRequest> requestWithURL(RefPtr<NSURL> url, QNCacheDelegate* usingCache, int andCachePolicy = 0);
    ~QNHTTPRequest() override;

    // --- Target, method and routing
    RefPtr<NSURL> url() const;
    virtual void setURL(RefPtr<NSURL> url);
    RefPtr<NSURL> originalURL() const { return m_originalURL; }
    RefPtr<NSURL> redirectURL() const { return m_redirectURL; }
    std::string requestMethod() const;
    void setRequestMethod(const std::string& method);
    bool useHTTPVersionOne() const { return m_useHTTPVersionOne; }
    void setUseHTTPVersionOne(bool value) { m_useHTTPVersionOne = value; }
    bool shouldRedirect() const { return m_shouldRedirect; }
    void setShouldRedirect(bool value) { m_shouldRedirect = value; }
    // Goes on with a redirect the delegate or queue was asked about,
    // towards the URL proposed or another.
    void redirectToURL(RefPtr<NSURL> url);
    bool needsRedirect() const { return m_needsRedirect; }
    bool shouldUseRFC2616RedirectBehaviour() const { return m_shouldUseRFC2616RedirectBehaviour; }
    void setShouldUseRFC2616RedirectBehaviour(bool value) { m_shouldUseRFC2616RedirectBehaviour = value; }
    int redirectCount() const { return m_redirectCount; }
    WeakPtr<QNHTTPRequest> mainRequest() const { return m_mainRequest; }
    void setMainRequest(QNHTTPRequest* request) { m_mainRequest = request; }
    std::optional<uint32_t> requestID() const { return m_requestID; }
    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }
    RefPtr<NSDictionary> userInfo() const { return m_userInfo; }
    void setUserInfo(RefPtr<NSDictionary> info) { m_userInfo = std::move(info); }

    // --- Request headers and body
    RefPtr<NSDictionary> requestHeaders() const { return m_requestHeaders; }
    void setRequestHeaders(RefPtr<NSDictionary> headers) { m_requestHeaders = std::move(headers); }
    void addRequestHeader(const std::string& header, const std::string& value);
    // The request headers' names in the order they were last added, those
    // put in the dictionary otherwise first, in key order.
    std::vector<std::string> requestHeaderNamesInOrderAdded() const;
    std::vector<Ref<NSHTTPCookie>> requestCookies() const { return m_requestCookies; }
    void setRequestCookies(std::vector<Ref<NSHTTPCookie>> cookies) { m_requestCookies = std::move(cookies); }
    bool haveBuiltRequestHeaders() const { return m_haveBuiltRequestHeaders; }
    const std::string& userAgentString() const { return m_userAgentString; }
    void setUserAgentString(std::string value) { m_userAgentString = std::move(value); }
    const std::string& postBody() const { return m_postBody; }
    void setPostBody(std::string body) { m_postBody = std::move(body); }
    void appendPostData(const std::string& data);
    void appendPostDataFromFile(const std::string& path);
    bool shouldStreamPostDataFromDisk() const { return m_shouldStreamPostDataFromDisk; }
    void setShouldStreamPostDataFromDisk(bool value);
    const std::string& postBodyFilePath() const { return m_postBodyFilePath; }
    void setPostBodyFilePath(std::string path) { m_postBodyFilePath = std::move(path); }
    bool shouldCompressRequestBody() const { return m_shouldCompressRequestBody; }
    void setShouldCompressRequestBody(bool value) { m_shouldCompressRequestBody = value; }
    bool haveBuiltPostBody() const { return m_haveBuiltPostBody; }
    unsigned long long postLength() const { return m_postLength; }
    virtual void buildPostBody();
    virtual void buildRequestHeaders();
    // The text a request header's value is handed to the message as (the
    // transport sends it in Latin-1 where it can); the value itself here.
    virtual std::string headerValueForMessage(const std::string& name, const std::string& value) const;

    // --- Response
    int responseStatusCode() const { return m_responseStatusCode; }
    const std::string& responseStatusMessage() const { return m_responseStatusMessage; }
    RefPtr<NSDictionary> responseHeaders() const { return m_responseHeaders; }
    // A response header looked up without regard to case.
    std::optional<std::string> responseHeader(const std::string& name) const;
    std::vector<Ref<NSHTTPCookie>> responseCookies() const { return m_responseCookies; }
    const std::string& rawResponseData() const { return m_rawResponseData; }
    // An answer kept in memory holds at most this many bytes, and a
    // compressed one inflates to at most this many: a larger one fails the
    // request (code 1, its underlying error saying why) rather than take
    // the process's memory. An answer downloaded to a file
    // (downloadDestinationPath) or handed to the delegate has no limit.
    static constexpr unsigned long long maximumResponseSizeInMemory = 256ull << 20;
    NSStringEncoding responseEncoding() const { return m_responseEncoding; }
    NSStringEncoding defaultResponseEncoding() const { return m_defaultResponseEncoding; }
    void setDefaultResponseEncoding(NSStringEncoding encoding) { m_defaultResponseEncoding = encoding; }
    bool allowCompressedResponse() const { return m_allowCompressedResponse; }
    void setAllowCompressedResponse(bool value) { m_allowCompressedResponse = value; }
    bool shouldWaitToInflateCompressedResponses() const { return m_shouldWaitToInflateCompressedResponses; }
    void setShouldWaitToInflateCompressedResponses(bool value) { m_shouldWaitToInflateCompressedResponses = value; }
    unsigned long long contentLength() const { return m_contentLength; }
    unsigned long long partialDownloadSize() const { return m_partialDownloadSize; }
    const std::string& downloadDestinationPath() const { return m_downloadDestinationPath; }
    void setDownloadDestinationPath(std::string path) { m_downloadDestinationPath = std::move(path); }
    const std::string& temporaryFileDownloadPath() const { return m_temporaryFileDownloadPath; }
    void setTemporaryFileDownloadPath(std::string path) { m_temporaryFileDownloadPath = std::move(path); }
    bool allowResumeForFileDownloads() const { return m_allowResumeForFileDownloads; }
    void setAllowResumeForFileDownloads(bool value) { m_allowResumeForFileDownloads = value; }
    // The body: inflated when it came compressed and inflating was left
    // for its end (done once, when it ended); absent until then, and when
    // a compressed body does not inflate.
    std::optional<std::string> responseData() const;
    // The body as text in the response's encoding; absent when there is
    // no body or it is not valid in that encoding.
    std::optional<std::string> responseString() const;
    bool isResponseCompressed() const;
    // The answer has no body whatever length it announces: an interim or
    // 204 or 304 status, or the answer to a HEAD request.
    bool responseHasNoBody() const;

    // --- State of the run
    bool inProgress() const { return m_inProgress; }
    bool complete() const { return m_complete; }
    bool isSynchronous() const { return m_isSynchronous; }
    RefPtr<NSError> error() const;
    const std::string& runLoopMode() const { return m_runLoopMode; }
    double timeOutSeconds() const { return m_timeOutSeconds; }
    void setTimeOutSeconds(double seconds) { m_timeOutSeconds = seconds; }
    int numberOfTimesToRetryOnTimeout() const { return m_numberOfTimesToRetryOnTimeout; }
    void setNumberOfTimesToRetryOnTimeout(int count) { m_numberOfTimesToRetryOnTimeout = count; }
    int retryCount() const { return m_retryCount; }
    bool shouldAttemptPersistentConnection() const { return m_shouldAttemptPersistentConnection; }
    void setShouldAttemptPersistentConnection(bool value) { m_shouldAttemptPersistentConnection = value; }
    double persistentConnectionTimeoutSeconds() const { return m_persistentConnectionTimeoutSeconds; }
    void setPersistentConnectionTimeoutSeconds(double seconds) { m_persistentConnectionTimeoutSeconds = seconds; }
    bool connectionCanBeReused() const { return m_connectionCanBeReused; }
    // The "id" of the pool entry in use, when any.
    std::optional<int> connectionID() const;
    bool shouldContinueWhenAppEntersBackground() const { return m_shouldContinueWhenAppEntersBackground; }
    void setShouldContinueWhenAppEntersBackground(bool value) { m_shouldContinueWhenAppEntersBackground = value; }

    // --- Callbacks and progress
    WeakPtr<QNHTTPRequestDelegate> delegate() const;
    void setDelegate(QNHTTPRequestDelegate* delegate);
    RefPtr<QNRequestQueueDelegate> queue() const;
    void setQueue(QNRequestQueueDelegate* queue);
    WeakPtr<QNProgressDelegate> uploadProgressDelegate() const { return m_uploadProgressDelegate; }
    void setUploadProgressDelegate(QNProgressDelegate* delegate) { m_uploadProgressDelegate = delegate; }
    WeakPtr<QNProgressDelegate> downloadProgressDelegate() const { return m_downloadProgressDelegate; }
    void setDownloadProgressDelegate(QNProgressDelegate* delegate) { m_downloadProgressDelegate = delegate; }
    void setDidStartSelector(QNRequestSelector selector) { m_didStartSelector = selector; }
    void setDidReceiveResponseHeadersSelector(QNHeadersSelector selector) { m_didReceiveResponseHeadersSelector = selector; }
    void setWillRedirectSelector(QNRedirectSelector selector) { m_willRedirectSelector = selector; }
    void setDidFinishSelector(QNRequestSelector selector) { m_didFinishSelector = selector; }
    void setDidFailSelector(QNRequestSelector selector) { m_didFailSelector = selector; }
    void setDidReceiveDataSelector(QNDataSelector selector) { m_didReceiveDataSelector = selector; }
    bool showAccurateProgress() const { return m_showAccurateProgress; }
    void setShowAccurateProgress(bool value) { m_showAccurateProgress = value; }
    unsigned long long totalBytesRead() const { return m_totalBytesRead; }
    void setShouldResetDownloadProgress(bool value) { m_shouldResetDownloadProgress = value; }
    bool shouldResetDownloadProgressValue() const { return m_shouldResetDownloadProgress; }
    bool shouldResetUploadProgressValue() const { return m_shouldResetUploadProgress; }
    void setShouldResetUploadProgress(bool value) { m_shouldResetUploadProgress = value; }
    void incrementDownloadSizeBy(long long amount);
    void incrementUploadSizeBy(long long amount);
    // A HEAD request for this one's URL with its settings (the network
    // queue learns sizes first with it). Kinds of request that sign
    // themselves make their own.
    virtual Ref<QNHTTPRequest> HEADRequest() const;
    unsigned long long totalBytesSent() const { return m_totalBytesSent; }

    void setStartedBlock(Block block);
    void setHeadersReceivedBlock(HeadersBlock block);
    void setCompletionBlock(Block block);
    void setFailedBlock(Block block);
    void setBytesReceivedBlock(SizeBlock block);
    void setBytesSentBlock(SizeBlock block);
    void setDownloadSizeIncrementedBlock(IncrementBlock block);
    void setUploadSizeIncrementedBlock(IncrementBlock block);
    void setDataReceivedBlock(DataBlock block);
    void setAuthenticationNeededBlock(Block block);
    void setProxyAuthenticationNeededBlock(Block block);
    void setRequestRedirectedBlock(Block block);

    // --- Credentials, TLS and proxies (their use is the later steps')
    const std::string& username() const { return m_username; }
    void setUsername(std::string value) { m_username = std::move(value); }
    const std::string& password() const { return m_password; }
    void setPassword(std::string value) { m_password = std::move(value); }
    const std::string& domain() const { return m_domain; }
    void setDomain(std::string value) { m_domain = std::move(value); }
    const std::string& proxyUsername() const { return m_proxyUsername; }
    void setProxyUsername(std::string value) { m_proxyUsername = std::move(value); }
    const std::string& proxyPassword() const { return m_proxyPassword; }
    void setProxyPassword(std::string value) { m_proxyPassword = std::move(value); }
    const std::string& proxyDomain() const { return m_proxyDomain; }
    void setProxyDomain(std::string value) { m_proxyDomain = std::move(value); }
    const std::string& proxyHost() const { return m_proxyHost; }
    void setProxyHost(std::string value) { m_proxyHost = std::move(value); }
    int proxyPort() const { return m_proxyPort; }
    void setProxyPort(int value) { m_proxyPort = value; }
    const std::string& proxyType() const { return m_proxyType; }
    void setProxyType(std::string value) { m_proxyType = std::move(value); }
    RefPtr<NSURL> PACurl() const { return m_PACurl; }
    bool isPACFileRequest() const { return m_isPACFileRequest; }
    void setPACurl(RefPtr<NSURL> url) { m_PACurl = std::move(url); }
    bool useKeychainPersistence() const { return m_useKeychainPersistence; }
    void setUseKeychainPersistence(bool value) { m_useKeychainPersistence = value; }
    bool useSessionPersistence() const { return m_useSessionPersistence; }
    void setUseSessionPersistence(bool value) { m_useSessionPersistence = value; }
    bool useCookiePersistence() const { return m_useCookiePersistence; }
    void setUseCookiePersistence(bool value) { m_useCookiePersistence = value; }
    bool shouldPresentAuthenticationDialog() const { return m_shouldPresentAuthenticationDialog; }
    void setShouldPresentAuthenticationDialog(bool value) { m_shouldPresentAuthenticationDialog = value; }
    bool shouldPresentProxyAuthenticationDialog() const { return m_shouldPresentProxyAuthenticationDialog; }
    void setShouldPresentProxyAuthenticationDialog(bool value) { m_shouldPresentProxyAuthenticationDialog = value; }
    bool shouldPresentCredentialsBeforeChallenge() const { return m_shouldPresentCredentialsBeforeChallenge; }
    void setShouldPresentCredentialsBeforeChallenge(bool value) { m_shouldPresentCredentialsBeforeChallenge = value; }
    // Called by a delegate, block or dialog that was asked for credentials,
    // on any thread: try again with what it set, or give up.
    void retryUsingSuppliedCredentials();
    void cancelAuthentication();
    void addBasicAuthenticationHeader(const std::string& username, const std::string& password);
    int authenticationNeeded() const { return m_authenticationNeeded; }
    int authenticationRetryCount() const { return m_authenticationRetryCount; }
    int proxyAuthenticationRetryCount() const { return m_proxyAuthenticationRetryCount; }
    const std::string& authenticationRealm() const { return m_authenticationRealm; }
    const std::string& proxyAuthenticationRealm() const { return m_proxyAuthenticationRealm; }
    RefPtr<NSDictionary> requestCredentials() const { return m_requestCredentials; }
    static void clearSessionCredentials();
    // The device's saved credentials (its keychain): a server's by host,
    // port, protocol and realm; a proxy's by host, port and realm (the
    // protocol of a proxy lookup is not looked at).
    static bool saveCredentialsForHost(const NSURLCredential& credentials, const std::string& host, int port, const std::string& protocol, const std::string& realm);
    static bool saveCredentialsForProxy(const NSURLCredential& credentials, const std::string& proxy, int port, const std::string& realm);
    static std::optional<NSURLCredential> savedCredentialsForHost(const std::string& host, int port, const std::string& protocol, const std::string& realm);
    static std::optional<NSURLCredential> savedCredentialsForProxy(const std::string& proxy, int port, const std::string& protocol, const std::string& realm);
    static void removeCredentialsForHost(const std::string& host, int port, const std::string& protocol, const std::string& realm);
    static void removeCredentialsForProxy(const std::string& proxy, int port, const std::string& realm);
    // Who shows the login dialog (QNAuthenticationDialog, on the user
    // interface, installs itself); without one no dialog is shown.
    using DialogPresenter = std::function<void(QNHTTPRequest&)>;
    static void setAuthenticationDialogPresenter(DialogPresenter presenter);
    const std::string& proxyAuthenticationScheme() const { return m_proxyAuthenticationScheme; }
    const std::string& authenticationScheme() const { return m_authenticationScheme; }
    void setAuthenticationScheme(std::string value) { m_authenticationScheme = std::move(value); }
    bool validatesSecureCertificate() const { return m_validatesSecureCertificate; }
    void setValidatesSecureCertificate(bool value) { m_validatesSecureCertificate = value; }
    RefPtr<SecIdentity> clientCertificateIdentity() const { return m_clientCertificateIdentity; }
    void setClientCertificateIdentity(RefPtr<SecIdentity> identity) { m_clientCertificateIdentity = std::move(identity); }
    std::vector<std::string> clientCertificates() const { return m_clientCertificates; }
    void setClientCertificates(std::vector<std::string> certificates) { m_clientCertificates = std::move(certificates); }

    // --- Cache
    QNCacheDelegate* downloadCache() const { return m_downloadCache.lock().get(); }
    void setDownloadCache(QNCacheDelegate* cache) { m_downloadCache = cache; }
    int cachePolicy() const { return m_cachePolicy; }
    void setCachePolicy(int policy) { m_cachePolicy = policy; }
    int cacheStoragePolicy() const { return m_cacheStoragePolicy; }
    void setCacheStoragePolicy(int policy) { m_cacheStoragePolicy = policy; }
    bool didUseCachedResponse() const { return m_didUseCachedResponse; }
    double secondsToCache() const { return m_secondsToCache; }
    void setSecondsToCache(double seconds) { m_secondsToCache = seconds; }
    // Completes the request (or its main request) from the cache's stored
    // copy, without going to the network.
    void useDataFromCache();

    // --- Running
    void startSynchronous();
    void startAsynchronous();
    void start() override;
    void main() override;
    void cancel() override;
    void clearDelegatesAndCancel();
    bool isConcurrent() const override { return true; }
    bool isExecuting() const override { return m_inProgress; }
    bool isFinished() const override { return m_finished; }
    bool isCancelled() const override;

    // The only way a request fails: the first error wins, and the request
    // reports exactly one outcome.
    void failWithError(RefPtr<NSError> error);

    // A new, unsent request with this one's settings (copyWithZone:).
    virtual Ref<QNHTTPRequest> copy() const;

    // --- Class-wide
    static Ref<NSOperationQueue> sharedQueue();
    static NSThread& threadForRequest(QNHTTPRequest* request = nullptr);
    static QNCacheDelegate* defaultCache();
    static void setDefaultCache(QNCacheDelegate* cache);
    static bool isNetworkInUse();
    static void setShouldUpdateNetworkActivityIndicator(bool update);
    static bool isMultitaskingSupported();
    static double defaultTimeOutSeconds();
    static void setDefaultTimeOutSeconds(double seconds);
    static std::optional<std::string> defaultUserAgentString();
    static void setDefaultUserAgentString(const std::string& agent);
    static std::optional<std::string> mimeTypeForFileAtPath(const std::string& path);
    static std::vector<Ref<NSHTTPCookie>> sessionCookies();
    static void setSessionCookies(std::optional<std::vector<Ref<NSHTTPCookie>>> cookies);
    static void addSessionCookie(NSHTTPCookie& cookie);
    static void clearSession();
    static std::string base64forData(const std::string& bytes);
    static RefPtr<NSDate> expiryDateForRequest(const QNHTTPRequest& request, double maxAge);
    static RefPtr<NSDate> dateFromRFC1123String(const std::string& text);
    static void parseMimeType(std::string* mimeType, NSStringEncoding* encoding, const std::optional<std::string>& contentType);
    // The shared errors of codes 2, 3, 4, 5 and 9.
    static Ref<NSError> sharedError(QNNetworkErrorType code);

    // --- Bandwidth throttling: one limit on the bytes per second of all
    // requests together, always or only on the cellular network.
    static void setMaxBandwidthPerSecond(NSUInteger bytes);
    static NSUInteger maxBandwidthPerSecond();
    // Whether the limit applies now.
    static bool isBandwidthThrottled();
    static void incrementBandwidthUsedInLastSecond(NSUInteger bytes);
    static NSUInteger averageBandwidthUsedPerSecond();
    // Closes a window that has ended and sets the wake-up time of a
    // window that went over the limit.
    static void measureBandwidthUsage();
    // The size of the next body piece: 0 when the window's budget is spent.
    static NSUInteger maxUploadReadLength();
    // The size of a response read of the planned size, under the budget.
    static size_t throttledReadSize(size_t planned);
    static void setShouldThrottleBandwidthForWWAN(bool throttle);
    static void throttleBandwidthForWWANUsingLimit(NSUInteger limit);
    static void registerForNetworkReachabilityNotifications();
    static void unsubscribeFromNetworkReachabilityNotifications();
    static bool isNetworkReachableViaWWAN();
    static void reachabilityChanged(NSNotification* notification);
    // The current window: bytes counted, when it ends, and when held
    // connections may read again.
    struct BandwidthWindow {
        NSUInteger used = 0;
        std::optional<NSTimeInterval> ends;
        std::optional<NSTimeInterval> wakeUpTime;
    };
    static BandwidthWindow bandwidthWindow();
    // Holds this request's connection back while the budget is spent, or
    // lets it go on; on the request's thread.
    void performThrottling();
    // The same from any thread: done on the request's thread, when it
    // still runs.
    void performThrottlingOnItsThread();

    std::string className() const override { return "QNHTTPRequest"; }

protected:
    explicit QNHTTPRequest(RefPtr<NSURL> url);
    // Copies this request's settings into a new request of the same kind.
    void copySettingsInto(QNHTTPRequest& copy) const;

    // Steps of a run, for subclasses.
    void startRequest();
    // Reports success; subclasses that read the reply first override it.
    virtual void requestFinished();
    // Starts this request again on a fresh connection; NO when it was
    // retried already.
    bool retryUsingNewConnection();

    void markAsFinished();
    void performOnMainThread(std::function<void()> block) const;

private:
    friend class QNHTTPRequestRunner;
    // Stream events and the status timer.
    void handleNetworkEvent(CFStreamEventType type);
    void handleBytesAvailable();
    void handleStreamComplete();
    void handleStreamError();
    void readResponseHeaders();
    void updateStatus();
    void checkRequestStatus();
    bool shouldTimeOut() const;
    void updatePartialDownloadSize();
    void cancelLoad();
    void cancelOnRequestThread();
    void scheduleReadStream();
    void unscheduleReadStream();
    void destroyReadStream();
    void setStatusTimer(RefPtr<NSTimer> timer);
    void applyAuthorizationHeader();
    void attemptToApplyCredentialsAndResume();
    void attemptToApplyProxyCredentialsAndResume();
    bool applyCredentials(const Ref<NSDictionary>& credentials, bool proxy);
    RefPtr<NSDictionary> findCredentials(bool proxy);
    bool applySessionCredentials(bool proxy);
    bool willAskDelegateForCredentials(bool proxy);
    bool showAuthenticationDialog(bool proxy);
    void failAuthentication();
    void resumeAfterAuthentication();
    void applyCookieHeader();
    bool willRedirect();
    bool willAskDelegateToConfirmRedirect();
    void performRedirect();
    void reportRedirected();
    bool buildHTTPMessage();
    bool configureProxies();
    void fetchPACFile();
    void readPACFile();
    void finishedReadingPACFile(const std::optional<std::string>& script);
    // How long reading and evaluating a proxy script may take.
    double PACTimeLimit() const;
    void runPACScript(const std::optional<std::string>& script);
    void finishedDownloadingPACFile(QNHTTPRequest& scriptRequest);
    void writeDownloadedBytes(std::string_view bytes);
    void failWithResponseTooLargeForMemory();
    RefPtr<NSError> inflateResponseKeptInMemory();
    RefPtr<NSError> moveDownloadIntoPlace();
    RefPtr<NSError> placeEmptyDownload();
    RefPtr<NSError> replaceDestinationWith(std::string& file);
    void closeDownloadFiles();
    void discardDownloadFiles();
    void removeTemporaryDownloadFile();
    void removeTemporaryUncompressedDownloadFile();
    void removeTemporaryUploadFiles();
    void releaseBlocksOnMainThread();
    static void recordBandwidthUsage();
    // A new connection waits, unscheduled, while the throttle holds
    // connections back; YES when it does.
    bool holdNewConnectionIfThrottled();
    static void wakeHeldRequests();
    void wakeUpAt(NSTimeInterval wakeUpTime);
    size_t readSizeUnderBudget(size_t planned);
    void leaveBandwidthShare();
    void countBytesRead(NSUInteger bytes);
    bool answerFromCache();
    void dropResponseForCache();
    void forgetConnectionEntry();

    // Reporting, on the main thread.
    void reportRequestStarted();
    // `headers` is the copy to tell; none when told in place, on the main
    // thread, where the copy is made only for someone to tell.
    void reportResponseHeaders(RefPtr<NSDictionary> headers);
    void reportFinished();
    void reportFailure();
    void passOnReceivedData(const std::string& data);
    void postRequestStarted();
    void updateProgressIndicators();
    void updateUploadProgress();
    void updateDownloadProgress();
    void tellProgress(bool download, long long amount, bool isSizeChange);
    void updateProgressIndicator(const WeakPtr<QNProgressDelegate>& indicator, unsigned long long progress, unsigned long long total);
    void announceDownloadSize(unsigned long long size);
    void announceUploadSize(unsigned long long size);
    void resetProgressForAttempt();

    static void expirePersistentConnections();
    static void showNetworkActivityIndicator();
    static void hideNetworkActivityIndicatorAfterDelay();

    struct Blocks {
        Block started, completion, failure, authenticationNeeded, proxyAuthenticationNeeded, redirected;
        HeadersBlock headersReceived;
        SizeBlock bytesReceived, bytesSent;
        IncrementBlock downloadSizeIncremented, uploadSizeIncremented;
        DataBlock dataReceived;
    };
    Blocks blocks() const;
    // One of them, without copying the others.
    template<typename BlockType>
    BlockType blockOf(BlockType Blocks::*which) const
    {
        std::lock_guard lock(m_blocksLock);
        return m_blocks.*which;
    }

    // Target, method and routing.
    RefPtr<NSURL> m_url;
    RefPtr<NSURL> m_originalURL;
    RefPtr<NSURL> m_redirectURL;
    std::string m_requestMethod = "GET";
    bool m_useHTTPVersionOne = false;
    bool m_shouldRedirect = true;
    bool m_shouldUseRFC2616RedirectBehaviour = false;
    bool m_needsRedirect = false;
    int m_redirectCount = 0;
    WeakPtr<QNHTTPRequest> m_mainRequest;
    std::optional<uint32_t> m_requestID;
    int m_tag = 0;
    RefPtr<NSDictionary> m_userInfo;

    // Message, headers and body.
    RefPtr<CFHTTPMessage> m_request;
    RefPtr<NSDictionary> m_requestHeaders;
    // When each name was last given to addRequestHeader, by a count of
    // the additions.
    struct HeaderAdditions {
        std::map<std::string, uint64_t> addedAt;
        uint64_t count = 0;
    } m_requestHeaderAdditions;
    bool m_haveBuiltRequestHeaders = false;
    std::vector<Ref<NSHTTPCookie>> m_requestCookies;
    std::string m_userAgentString;
    std::string m_postBody;
    std::string m_compressedPostBody;
    bool m_haveCompressedPostBody = false;
    bool m_shouldStreamPostDataFromDisk = false;
    std::string m_postBodyFilePath;
    std::string m_compressedPostBodyFilePath;
    bool m_didCreateTemporaryPostDataFile = false;
    RefPtr<NSOutputStream> m_postBodyWriteStream;
    RefPtr<NSInputStream> m_postBodyReadStream;
    bool m_shouldCompressRequestBody = false;
    bool m_haveBuiltPostBody = false;
    unsigned long long m_postLength = 0;
    unsigned long long m_uploadBufferSize = 0;

    // Response.
    int m_responseStatusCode = 0;
    std::string m_responseStatusMessage;
    RefPtr<NSDictionary> m_responseHeaders;
    std::vector<Ref<NSHTTPCookie>> m_responseCookies;
    std::string m_rawResponseData;
    // A body kept compressed, inflated when it ended.
    std::optional<std::string> m_inflatedResponseData;
    NSStringEncoding m_responseEncoding = NSISOLatin1StringEncoding;
    NSStringEncoding m_defaultResponseEncoding = NSISOLatin1StringEncoding;
    bool m_allowCompressedResponse = true;
    bool m_shouldWaitToInflateCompressedResponses = true;
    RefPtr<QNDataDecompressor> m_dataDecompressor;
    unsigned long long m_contentLength = 0;
    unsigned long long m_partialDownloadSize = 0;
    std::string m_downloadDestinationPath;
    std::string m_temporaryFileDownloadPath;
    std::string m_temporaryUncompressedDataDownloadPath;
    RefPtr<NSOutputStream> m_fileDownloadOutputStream;
    RefPtr<NSOutputStream> m_inflatedFileDownloadOutputStream;
    bool m_allowResumeForFileDownloads = false;
    bool m_downloadComplete = false;

    // State of the run.
    std::atomic<bool> m_inProgress { false };
    std::atomic<bool> m_complete { false };
    std::atomic<bool> m_finished { false };
    bool m_cancelled = false;
    bool m_isSynchronous = false;
    RefPtr<NSError> m_error;
    Ref<NSRecursiveLock> m_cancelledLock;
    std::string m_runLoopMode;
    RefPtr<NSRunLoop> m_requestRunLoop;
    RefPtr<NSTimer> m_statusTimer;
    NSTimeInterval m_lastActivityTime = 0;
    double m_timeOutSeconds = 10;
    int m_numberOfTimesToRetryOnTimeout = 0;
    int m_retryCount = 0;
    RefPtr<CFHTTPReadStream> m_readStream;
    bool m_readStreamIsScheduled = false;
    // Where the body's bytes are read to, kept from one read to the next.
    std::unique_ptr<char[]> m_readBuffer;
    size_t m_readBufferSize = 0;
    bool m_shouldAttemptPersistentConnection = true;
    double m_persistentConnectionTimeoutSeconds = 60;
    bool m_connectionCanBeReused = false;
    RefPtr<QNConnectionEntry> m_connectionInfo;
    bool m_shouldContinueWhenAppEntersBackground = false;
    uint64_t m_backgroundTask = 0;
    bool m_receivedAnyBytes = false;

    // Progress and callbacks.
    WeakPtr<QNHTTPRequestDelegate> m_delegate;
    RefPtr<QNRequestQueueDelegate> m_queue;
    WeakPtr<QNProgressDelegate> m_uploadProgressDelegate;
    WeakPtr<QNProgressDelegate> m_downloadProgressDelegate;
    QNRequestSelector m_didStartSelector = &QNHTTPRequestDelegate::requestStarted;
    QNHeadersSelector m_didReceiveResponseHeadersSelector = &QNHTTPRequestDelegate::requestDidReceiveResponseHeaders;
    QNRedirectSelector m_willRedirectSelector = &QNHTTPRequestDelegate::requestWillRedirectToURL;
    QNRequestSelector m_didFinishSelector = &QNHTTPRequestDelegate::requestFinished;
    QNRequestSelector m_didFailSelector = &QNHTTPRequestDelegate::requestFailed;
    QNDataSelector m_didReceiveDataSelector = &QNHTTPRequestDelegate::requestDidReceiveData;
    bool m_showAccurateProgress = true;
    bool m_shouldResetDownloadProgress = true;
    bool m_shouldResetUploadProgress = true;
    // Without accurate progress: the one unit of each direction was told.
    bool m_updatedUploadProgress = false;
    bool m_updatedDownloadProgress = false;
    unsigned long long m_totalBytesRead = 0;
    unsigned long long m_totalBytesSent = 0;
    unsigned long long m_lastBytesRead = 0;
    unsigned long long m_lastBytesSent = 0;
    unsigned long long m_downloadProgressReported = 0;
    unsigned long long m_uploadProgressReported = 0;
    unsigned long long m_announcedDownloadSize = 0;
    unsigned long long m_announcedUploadSize = 0;
    mutable std::mutex m_blocksLock;
    Blocks m_blocks;

    // Authentication, TLS and proxies.
    std::string m_username, m_password, m_domain;
    std::string m_proxyUsername, m_proxyPassword, m_proxyDomain;
    bool m_useKeychainPersistence = false;
    bool m_useSessionPersistence = true;
    bool m_useCookiePersistence = true;
    RefPtr<NSDictionary> m_requestCredentials, m_proxyCredentials;
    RefPtr<CFHTTPAuthentication> m_requestAuthentication, m_proxyAuthentication;
    // The last challenge, to read the authentication object from again.
    RefPtr<CFHTTPMessage> m_challengeResponse;
    std::string m_authenticationScheme, m_proxyAuthenticationScheme;
    std::string m_authenticationRealm, m_proxyAuthenticationRealm;
    int m_authenticationRetryCount = 0, m_proxyAuthenticationRetryCount = 0;
    int m_authenticationNeeded = 0;
    bool m_shouldPresentAuthenticationDialog = false;
    bool m_shouldPresentProxyAuthenticationDialog = true;
    bool m_shouldPresentCredentialsBeforeChallenge = true;
    bool m_validatesSecureCertificate = true;
    RefPtr<SecIdentity> m_clientCertificateIdentity;
    std::vector<std::string> m_clientCertificates;
    std::string m_proxyHost;
    int m_proxyPort = 0;
    std::string m_proxyType;
    RefPtr<NSURL> m_PACurl;
    bool m_isPACFileRequest = false;
    RefPtr<QNHTTPRequest> m_PACFileRequest;
    RefPtr<QNPACFileReader> m_PACFileReader;

    // Cache.
    WeakPtr<QNCacheDelegate> m_downloadCache;
    int m_cachePolicy = 0;
    int m_cacheStoragePolicy = 0;
    bool m_didUseCachedResponse = false;
    double m_secondsToCache = 0;
};

} // namespace qv
