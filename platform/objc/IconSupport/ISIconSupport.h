#pragma once

#include "platform/Foundation/NSObject.h"
#include "platform/objc/objc.h"

#include <mutex>
#include <string>
#include <vector>

namespace qv {

class NSString;

// A stand-in for the IconSupport extension: other extensions register
// with it by their identifier, and it remembers who did. It keeps the list
// of identifiers, one a line in the order they first came, in the file
// below, where tests and tools can read what it was told.
class ISIconSupport : public NSObject, public objc_object {
    QV_MAKE_REF_FRIEND;

public:
    static constexpr const char* extensionsPath = "/var/mobile/Library/IconSupport/Extensions.txt";

    // The runtime's class ISIconSupport, with +sharedInstance and
    // -addExtension:; registered when the library is loaded.
    static void registerClass();

    std::string className() const override { return "ISIconSupport"; }

private:
    ISIconSupport() = default;

    static RefPtr<objc_object> sharedInstance(Class self, SEL);
    static void addExtension(ISIconSupport* self, SEL, NSString* identifier);
    void writeExtensions();

    std::mutex m_lock;
    std::vector<std::string> m_extensions;
    // Held for a whole write of the file, so that writes happen one at a time.
    std::mutex m_writeLock;
};

} // namespace qv
