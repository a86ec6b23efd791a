#pragma once

#include "platform/Foundation/NSRunLoop.h"
#include "platform/Foundation/NSStream.h"

#include <atomic>
#include <string>
#include <vector>

namespace qv {

class QNHTTPRequest;

// The stream through which a request's body reaches its connection: it
// passes everything to the stream it wraps, but while bandwidth is
// throttled it hands the body over in pieces the budget allows, and asks
// its request to hold its connection back once the budget is spent. Every
// byte it hands over counts against the budget.
class QNInputStream : public NSInputStream {
    QV_MAKE_REF_FRIEND;
public:
    // Made on the request's thread, whose run loop the request runs in.
    static Ref<QNInputStream> inputStreamWithFileAtPath(const std::string& path, QNHTTPRequest& request);
    static Ref<QNInputStream> inputStreamWithData(std::vector<uint8_t> data, QNHTTPRequest& request);

    void open() override;
    void close() override;
    // Called by the connection, on its own thread.
    long read(uint8_t* buffer, NSUInteger length) override;

    std::string className() const override { return "QNInputStream"; }

private:
    QNInputStream(Ref<NSInputStream> stream, QNHTTPRequest& request);
    void takeStatusOfWrappedStream();
    void askRequestToThrottle();

    const Ref<NSInputStream> m_stream;
    const WeakPtr<QNHTTPRequest> m_request;
    const Ref<NSRunLoop> m_runLoop;
    const std::string m_runLoopMode;
    std::atomic<bool> m_throttlingAsked { false };
};

} // namespace qv
