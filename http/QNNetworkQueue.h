#pragma once

#include "http/QNHTTPRequest.h"

#include "platform/Foundation/NSOperationQueue.h"

#include <atomic>
#include <stdexcept>

namespace qv {

// A group of requests run as one job: suspended until go(), at most four at
// a time, with the group's upload and download progress added up, the
// requests' events passed to one delegate through the selectors its owner
// chose, the end of the group told, and, by default, the rest of the group
// cancelled when one request fails. Callbacks arrive on the main thread.
class QNNetworkQueue : public NSOperationQueue, public QNRequestQueueDelegate {
    QV_MAKE_REF_FRIEND;
public:
    static Ref<QNNetworkQueue> queue();

    void go() { setSuspended(false); }
    // Only requests may be added: anything else raises
    // "AttemptToAddInvalidRequest".
    void addOperation(NSOperation& operation);
    void addHEADOperation(QNHTTPRequest& request);
    void cancelAllOperations();
    void reset();
    Ref<QNNetworkQueue> copy() const;

    WeakPtr<QNNetworkQueueDelegate> delegate() const { return m_delegate; }
    void setDelegate(QNNetworkQueueDelegate* delegate) { m_delegate = delegate; }
    void setRequestDidStartSelector(QNRequestSelector selector) { m_requestDidStartSelector = selector; }
    void setRequestDidReceiveResponseHeadersSelector(QNHeadersSelector selector) { m_requestDidReceiveResponseHeadersSelector = selector; }
    void setRequestWillRedirectSelector(QNRedirectSelector selector) { m_requestWillRedirectSelector = selector; }
    void setRequestDidFinishSelector(QNRequestSelector selector) { m_requestDidFinishSelector = selector; }
    void setRequestDidFailSelector(QNRequestSelector selector) { m_requestDidFailSelector = selector; }
    void setQueueDidFinishSelector(QNQueueSelector selector) { m_queueDidFinishSelector = selector; }
    void setUploadProgressDelegate(QNProgressDelegate* delegate);
    void setDownloadProgressDelegate(QNProgressDelegate* delegate);
    bool shouldCancelAllRequestsOnFailure() const { return m_shouldCancelAllRequestsOnFailure; }
    void setShouldCancelAllRequestsOnFailure(bool value) { m_shouldCancelAllRequestsOnFailure = value; }
    bool showAccurateProgress() const { return m_showAccurateProgress; }
    void setShowAccurateProgress(bool value) { m_showAccurateProgress = value; }
    int requestsCount() const { return m_requestsCount; }
    unsigned long long bytesUploadedSoFar() const { return m_bytesUploadedSoFar; }
    unsigned long long totalBytesToUpload() const { return m_totalBytesToUpload; }
    unsigned long long bytesDownloadedSoFar() const { return m_bytesDownloadedSoFar; }
    unsigned long long totalBytesToDownload() const { return m_totalBytesToDownload; }
    RefPtr<NSDictionary> userInfo() const { return m_userInfo; }
    void setUserInfo(RefPtr<NSDictionary> info) { m_userInfo = std::move(info); }

    // What the requests tell their queue.
    void requestStarted(QNHTTPRequest& request) override;
    void requestDidReceiveResponseHeaders(QNHTTPRequest& request, const NSDictionary& headers) override;
    void requestWillRedirectToURL(QNHTTPRequest& request, const NSURL& url) override;
    void requestFinished(QNHTTPRequest& request) override;
    void requestFailed(QNHTTPRequest& request) override;
    void authenticationNeededForRequest(QNHTTPRequest& request) override;
    void proxyAuthenticationNeededForRequest(QNHTTPRequest& request) override;
    bool respondsToAuthenticationNeeded() const override;
    bool respondsToProxyAuthenticationNeeded() const override;
    bool respondsToWillRedirect() const override;
    void requestDidReceiveBytes(QNHTTPRequest& request, long long amount) override;
    void requestDidSendBytes(QNHTTPRequest& request, long long amount) override;
    void requestIncrementDownloadSizeBy(QNHTTPRequest& request, long long amount) override;
    void requestIncrementUploadSizeBy(QNHTTPRequest& request, long long amount) override;

    std::string className() const override { return "QNNetworkQueue"; }
    ~QNNetworkQueue() override;

private:
    QNNetworkQueue();
    void resetProgressDelegate(const WeakPtr<QNProgressDelegate>& delegate);
    void showProgress(const WeakPtr<QNProgressDelegate>& delegate, unsigned long long done, unsigned long long total);

    WeakPtr<QNNetworkQueueDelegate> m_delegate;
    QNRequestSelector m_requestDidStartSelector = nullptr;
    QNHeadersSelector m_requestDidReceiveResponseHeadersSelector = nullptr;
    QNRedirectSelector m_requestWillRedirectSelector = nullptr;
    QNRequestSelector m_requestDidFinishSelector = nullptr;
    QNRequestSelector m_requestDidFailSelector = nullptr;
    QNQueueSelector m_queueDidFinishSelector = nullptr;
    WeakPtr<QNProgressDelegate> m_uploadProgressDelegate;
    WeakPtr<QNProgressDelegate> m_downloadProgressDelegate;
    std::atomic<unsigned long long> m_bytesUploadedSoFar { 0 }, m_totalBytesToUpload { 0 };
    std::atomic<unsigned long long> m_bytesDownloadedSoFar { 0 }, m_totalBytesToDownload { 0 };
    bool m_shouldCancelAllRequestsOnFailure = true;
    std::atomic<int> m_requestsCount { 0 };
    bool m_showAccurateProgress = false;
    RefPtr<NSDictionary> m_userInfo;
};

} // namespace qv
