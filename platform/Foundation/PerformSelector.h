#pragma once

#include "NSRunLoop.h"

#include <functional>
#include <string>
#include <vector>

namespace qv {

class NSThread;

// The C++ form of a message: the selector's name, which tells performs
// apart when they are cancelled, and the code that sends it to the target.
struct Message {
    std::string selector;
    std::function<void()> send;
};

// performSelector:withObject:afterDelay: on the current thread's run loop,
// in the default mode or the modes given. The target and the object are
// retained until the message was sent or the perform was cancelled.
void performSelector(Object& target, Message message, RefPtr<Object> withObject, NSTimeInterval afterDelay);
void performSelector(Object& target, Message message, RefPtr<Object> withObject, NSTimeInterval afterDelay,
    const std::vector<std::string>& inModes);

// Cancels the delayed performs of the current thread's run loop for the
// target: all of them, or those of one selector and one object (compared
// by identity; no object matches performs made with no object).
void cancelPreviousPerformRequestsWithTarget(const Object& target);
void cancelPreviousPerformRequestsWithTarget(const Object& target, const std::string& selector, const Object* object);

// Sends the message on the main thread or on the given thread, in the
// common modes unless others are given. Waiting, the caller blocks until
// the message was sent; a caller already on that thread sends it in place.
// Not waiting, the message is queued behind earlier ones.
void performSelectorOnMainThread(Object& target, Message message, RefPtr<Object> withObject, bool waitUntilDone,
    const std::vector<std::string>& modes = { NSRunLoopCommonModes });
void performSelector(Object& target, Message message, NSThread& onThread, RefPtr<Object> withObject, bool waitUntilDone,
    const std::vector<std::string>& modes = { NSRunLoopCommonModes });

} // namespace qv
