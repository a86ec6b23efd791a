#pragma once

#include "http/QNCacheDelegate.h"
#include "http/QNConnectionEntry.h"
#include "http/Reachability.h"

#include "platform/CFNetwork/CFHTTPAuthentication.h"
#include "platform/Foundation/NSDictionary.h"
#include "platform/Foundation/NSURL.h"

#include "platform/Foundation/HTTPCookieList.h"
#include "platform/Foundation/NSError.h"
#include "platform/Foundation/NSHTTPCookie.h"
#include "platform/Foundation/NSOperationQueue.h"
#include "platform/Foundation/NSRunLoop.h"
#include "platform/Foundation/NSThread.h"

#include <atomic>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace qv {

// What every request of the process shares, made once for the whole family
// of request classes (a subclass shares its base's) and never released.
struct QNHTTPRequestClassState {
    static QNHTTPRequestClassState& shared();

    // The pool, connection numbering, the running count and the indicator
    // flag.
    std::recursive_mutex connectionsLock;
    std::recursive_mutex progressLock;
    std::mutex bandwidthThrottlingLock;
    std::recursive_mutex sessionCookiesLock;
    std::recursive_mutex sessionCredentialsLock;
    std::recursive_mutex delegateAuthenticationLock;
    // The network thread, the default cache and the default User-Agent.
    std::mutex classLock;

    std::vector<Ref<QNConnectionEntry>> persistentConnectionsPool;
    int nextConnectionNumberToCreate = 0;
    uint32_t nextRequestID = 0;
    int runningRequestCount = 0;
    bool shouldUpdateNetworkActivityIndicator = true;

    Ref<NSOperationQueue> sharedQueue;
    RefPtr<NSThread> networkThread;
    RefPtr<QNCacheDelegate> defaultCache;
    std::atomic<double> defaultTimeOutSeconds { 10.0 };
    std::optional<std::string> defaultUserAgent;
    // None until first read or set; found by name, domain and path.
    std::optional<HTTPCookieList> sessionCookies;
    std::map<int, Ref<NSError>> sharedErrors;
    // The most an answer kept in memory may hold, inflated or not:
    // QNHTTPRequest::maximumResponseSizeInMemory, less only under a test.
    std::atomic<unsigned long long> maximumResponseSizeInMemory;

    // Credentials that worked this session, for a server or a proxy.
    struct CredentialRecord {
        RefPtr<CFHTTPAuthentication> authentication;
        Ref<NSDictionary> credentials;
        RefPtr<NSURL> url;          // server records
        std::string scheme;
        std::string realm;          // server records, when known
        std::string host;           // proxy records
        int port = 0;               // proxy records
    };
    std::vector<CredentialRecord> sessionCredentials;
    std::vector<CredentialRecord> sessionProxyCredentials;

    // Bandwidth throttling, all under bandwidthThrottlingLock.
    NSUInteger maxBandwidthPerSecond = 0;
    NSUInteger bandwidthUsedInLastSecond = 0;
    // The end of the current one-second window.
    std::optional<NSTimeInterval> bandwidthMeasurementDate;
    std::deque<NSUInteger> bandwidthUsageTracker;
    NSUInteger averageBandwidthUsedPerSecond = 0;
    std::optional<NSTimeInterval> throttleWakeUpTime;
    bool isBandwidthThrottled = false;
    bool shouldThrottleBandwidthForWWANOnly = false;
    // The requests that read under the throttle in this window or wait
    // for the next, each with its run loop and its bytes of the window:
    // each may take an equal share of a window, and held ones are woken
    // together when a window opens or the limit goes.
    struct ThrottledRequest {
        WeakPtr<QNHTTPRequest> request;
        Ref<NSRunLoop> runLoop;
        std::string mode;
        bool held = false;
        std::optional<NSTimeInterval> wakeUpTime;
        NSUInteger usedInWindow = 0;
        std::optional<NSTimeInterval> window;
    };
    std::vector<ThrottledRequest> throttledRequests;
    // The watcher of the cellular-only mode and the observer of its news.
    RefPtr<Reachability> internetReachability;
    Ref<NSObject> reachabilityObserver;

private:
    QNHTTPRequestClassState();
};

} // namespace qv
