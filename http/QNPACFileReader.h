#pragma once

#include "platform/Foundation/NSObject.h"

#include <functional>
#include <mutex>
#include <optional>
#include <string>

namespace qv {

class NSRunLoop;
class NSTimer;

// Reads a local proxy auto-configuration script for a request. The file is
// read on a thread of its own, so that one that never ends (a FIFO, a
// stalled network file system) holds up neither the request's thread nor
// the other requests on it: the request's run loop gets the text, or
// nothing once the time-out has passed, whichever comes first.
class QNPACFileReader : public NSObject {
    QV_MAKE_REF_FRIEND;
public:
    // The script's text (UTF-8, or else read as Latin-1); none when the
    // file cannot be read, is too large or is not read in time.
    using Completion = std::function<void(const std::optional<std::string>& script)>;

    // Starts reading the file at the device path. The completion runs once,
    // on the calling thread's run loop in the mode.
    static Ref<QNPACFileReader> readScriptAtPath(const std::string& devicePath, double timeOutSeconds,
        const std::string& runLoopMode, Completion completion);

    // The completion will not run; the read is let go.
    void cancel();

    std::string className() const override { return "QNPACFileReader"; }

private:
    explicit QNPACFileReader(Completion completion) : m_completion(std::move(completion)) {}
    void startReading(const std::string& devicePath, double timeOutSeconds, NSRunLoop& runLoop, const std::string& mode);
    void startTimer(double timeOutSeconds, NSRunLoop& runLoop, const std::string& mode);
    // On the request's run loop: the first outcome wins.
    void finish(const std::optional<std::string>& script);
    // Takes the completion, if it is still to run, and stops the timer.
    Completion stop();

    std::mutex m_lock;
    Completion m_completion;
    RefPtr<NSTimer> m_timeOutTimer;
};

} // namespace qv
