#include "QNDataDecompressor.h"

#include "http/QNGzipFiles.h"
#include "http/QNHTTPRequest.h"
#include "http/QNZlibPump.h"

#include "platform/Foundation/StringFormat.h"

#include <cerrno>

namespace qv {

Ref<QNDataDecompressor> QNDataDecompressor::decompressor()
{
    auto decompressor = makeRef<QNDataDecompressor>();
    decompressor->setupStream();
    return decompressor;
}

QNDataDecompressor::~QNDataDecompressor()
{
    closeStream();
}

Ref<NSError> QNDataDecompressor::inflateErrorWithCode(int code)
{
    return NSError::create(NetworkRequestErrorDomain, QNCompressionError, stringWithFormat("Decompression of data failed with code %d", code));
}

Ref<NSError> QNDataDecompressor::truncatedDataError()
{
    return inflateErrorWithCode(Z_BUF_ERROR);
}

Ref<NSError> QNDataDecompressor::inflatedTooLargeError(size_t maximumLength)
{
    return NSError::create(NSPOSIXErrorDomain, EFBIG, stringWithFormat("Decompression of data stopped: it inflates to more than %zu bytes", maximumLength));
}

bool QNDataDecompressor::isInflatedTooLargeError(const NSError& error)
{
    return error.domain() == NSPOSIXErrorDomain && error.code() == EFBIG;
}

RefPtr<NSError> QNDataDecompressor::setupStream()
{
    if (m_streamReady)
        return nullptr;
    m_zStream = {}; // zlib's own allocator, no input yet
    // Window bits 15 + 32: a gzip or zlib header, recognised by itself.
    const int status = inflateInit2(&m_zStream, 15 + 32);
    if (status != Z_OK)
        return inflateErrorWithCode(status);
    m_streamReady = true;
    m_streamEnded = false;
    return nullptr;
}

RefPtr<NSError> QNDataDecompressor::closeStream()
{
    if (!m_streamReady)
        return nullptr;
    m_streamReady = false;
    const int status = inflateEnd(&m_zStream);
    if (status != Z_OK)
        return inflateErrorWithCode(status);
    return nullptr;
}

std::optional<std::string> QNDataDecompressor::uncompressBytes(const char* bytes, size_t length, RefPtr<NSError>* error, size_t maximumLength)
{
    if (length == 0)
        return std::nullopt;
    if (!m_streamReady) {
        if (error)
            *error = inflateErrorWithCode(Z_STREAM_ERROR);
        return std::nullopt;
    }
    // Bytes after the end of the compressed data are ignored.
    if (m_streamEnded)
        return std::string();
    const QNZlibPump pump {
        [&](bool) { return inflate(&m_zStream, Z_NO_FLUSH); },
        [&](int status, bool lastPiece) {
            if (status == Z_STREAM_END) {
                m_streamEnded = true;
                return true;
            }
            // All input taken and nothing more waiting inside zlib: a full
            // output buffer may hide more, so only room left over ends this.
            return m_zStream.avail_in == 0 && lastPiece && m_zStream.avail_out != 0;
        },
        inflateErrorWithCode,
        length + QNZlibPump::growthFor(length),
        maximumLength,
        inflatedTooLargeError,
    };
    return pump.run(m_zStream, std::string_view(bytes, length), error);
}

std::optional<std::string> QNDataDecompressor::uncompressData(const std::string& data, RefPtr<NSError>* error, size_t maximumLength)
{
    if (data.empty())
        return std::nullopt;
    auto decompressor = QNDataDecompressor::decompressor();
    RefPtr<NSError> failure;
    auto result = decompressor->uncompressBytes(data.data(), data.size(), &failure, maximumLength);
    // Data that ends before the end of its compressed stream is cut short.
    if (result && !decompressor->streamEnded())
        failure = truncatedDataError();
    if (failure) {
        if (error)
            *error = failure;
        return std::nullopt;
    }
    return result;
}

bool QNDataDecompressor::uncompressDataFromFile(const std::string& sourcePath, const std::string& destinationPath, RefPtr<NSError>* error)
{
    auto decompressor = QNDataDecompressor::decompressor();
    GzipFileTransform transform {
        "Decompression",
        [&](const std::string& chunk, bool, RefPtr<NSError>* failure) -> std::optional<std::string> {
            if (chunk.empty())
                return std::string();
            return decompressor->uncompressBytes(chunk.data(), chunk.size(), failure);
        },
        [&]() -> RefPtr<NSError> {
            const bool ended = decompressor->streamEnded();
            if (auto failure = decompressor->closeStream())
                return failure;
            return ended ? nullptr : RefPtr<NSError>(truncatedDataError());
        },
    };
    return transformGzipFile(sourcePath, destinationPath, transform, error);
}

} // namespace qv
