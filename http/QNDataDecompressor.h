#pragma once

#include "platform/Foundation/NSError.h"
#include "platform/Foundation/NSObject.h"

#include <zlib.h>

#include <cstdint>
#include <optional>
#include <string>

namespace qv {

// Reads gzip or zlib data: a whole buffer, chunks as they arrive, or file
// to file. A body that ends before its gzip trailer is an error, never a
// short success.
class QNDataDecompressor : public NSObject {
    QV_MAKE_REF_FRIEND;
public:
    static Ref<QNDataDecompressor> decompressor();

    RefPtr<NSError> setupStream();
    RefPtr<NSError> closeStream();
    bool streamReady() const { return m_streamReady; }
    // The end of the compressed data was reached.
    bool streamEnded() const { return m_streamEnded; }

    // The inflated bytes of this chunk; nothing (and no error) for an empty
    // chunk, nothing with the error on corrupt input. A chunk that would
    // inflate to more than maximumLength bytes stops there, with
    // inflatedTooLargeError, having taken no more memory than that.
    std::optional<std::string> uncompressBytes(const char* bytes, size_t length, RefPtr<NSError>* error, size_t maximumLength = SIZE_MAX);

    static std::optional<std::string> uncompressData(const std::string& data, RefPtr<NSError>* error, size_t maximumLength = SIZE_MAX);
    static bool uncompressDataFromFile(const std::string& sourcePath, const std::string& destinationPath, RefPtr<NSError>* error);
    static Ref<NSError> inflateErrorWithCode(int code);
    // The error of compressed data that ended before its end.
    static Ref<NSError> truncatedDataError();
    // The error of data that inflates past the bound it was given: the
    // POSIX error "file too large" (27).
    static Ref<NSError> inflatedTooLargeError(size_t maximumLength);
    static bool isInflatedTooLargeError(const NSError& error);

    std::string className() const override { return "QNDataDecompressor"; }
    ~QNDataDecompressor() override;

private:
    QNDataDecompressor() = default;
    z_stream m_zStream {};
    bool m_streamReady = false;
    bool m_streamEnded = false;
};

} // namespace qv
