#pragma once

#include "platform/Foundation/NSObject.h"
#include "platform/Foundation/NSURL.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Immutable bytes.
class NSData : public NSObject {
    QV_MAKE_REF_FRIEND;

public:
    static Ref<NSData> create(std::vector<uint8_t> bytes = {});
    static Ref<NSData> dataWithBytes(const void* bytes, NSUInteger length);
    // The whole file at a device path; absent when the file cannot be read
    // or the path does not resolve under the device root.
    static RefPtr<NSData> dataWithContentsOfFile(const std::string& path);
    // The whole content at a URL, loaded synchronously within the default
    // bounds of loadContentsOfURL (time-out, size, redirects); absent when
    // the load fails.
    static RefPtr<NSData> dataWithContentsOfURL(const NSURL& url);

    const std::vector<uint8_t>& bytes() const { return m_bytes; }
    NSUInteger length() const { return m_bytes.size(); }
    // The bytes seen as characters, for parsers and file writes.
    std::string_view view() const { return { reinterpret_cast<const char*>(m_bytes.data()), m_bytes.size() }; }

    // Writes the bytes to a device path. Atomically: into a temporary file
    // beside the target, then renamed over it, so readers never see half a
    // file and a failed write leaves the old file whole.
    bool writeToFile(const std::string& path, bool atomically) const;

    std::string className() const override { return "NSData"; }
    // "<0a0b0c0d 0e>": hexadecimal in groups of four bytes.
    std::string description() const override;
    bool isEqual(const NSObject* other) const override;
    NSUInteger hash() const override;

private:
    explicit NSData(std::vector<uint8_t> bytes) : m_bytes(std::move(bytes)) {}

    const std::vector<uint8_t> m_bytes;
};

} // namespace qv
