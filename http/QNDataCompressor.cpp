#include "QNDataCompressor.h"

#include "http/QNGzipFiles.h"
#include "http/QNHTTPRequest.h"
#include "http/QNZlibPump.h"

#include "platform/Foundation/StringFormat.h"

namespace qv {

Ref<QNDataCompressor> QNDataCompressor::compressor()
{
    auto compressor = makeRef<QNDataCompressor>();
    compressor->setupStream();
    return compressor;
}

QNDataCompressor::~QNDataCompressor()
{
    closeStream();
}

Ref<NSError> QNDataCompressor::deflateErrorWithCode(int code)
{
    return NSError::create(NetworkRequestErrorDomain, QNCompressionError, stringWithFormat("Compression of data failed with code %d", code));
}

RefPtr<NSError> QNDataCompressor::setupStream()
{
    if (m_streamReady)
        return nullptr;
    m_zStream = {}; // zlib's own allocator, no input yet
    // Window bits 15 + 16: a gzip header and trailer.
    const int status = deflateInit2(&m_zStream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    if (status != Z_OK)
        return deflateErrorWithCode(status);
    m_streamReady = true;
    return nullptr;
}

RefPtr<NSError> QNDataCompressor::closeStream()
{
    if (!m_streamReady)
        return nullptr;
    m_streamReady = false;
    const int status = deflateEnd(&m_zStream);
    // A stream closed before its finish reports "data error": nothing was
    // lost that the caller asked to keep.
    if (status != Z_OK && status != Z_DATA_ERROR)
        return deflateErrorWithCode(status);
    return nullptr;
}

std::optional<std::string> QNDataCompressor::compressBytes(const char* bytes, size_t length, RefPtr<NSError>* error, bool shouldFinish)
{
    if (length == 0 && !shouldFinish)
        return std::nullopt;
    if (!m_streamReady) {
        if (error)
            *error = deflateErrorWithCode(Z_STREAM_ERROR);
        return std::nullopt;
    }
    const QNZlibPump pump {
        [&](bool lastPiece) { return deflate(&m_zStream, shouldFinish && lastPiece ? Z_FINISH : Z_NO_FLUSH); },
        // Done with this input once zlib took it all and left room over:
        // nothing of it waits inside zlib any more (but a finish goes on to
        // the stream's end).
        [&](int status, bool lastPiece) {
            return status == Z_STREAM_END || (m_zStream.avail_in == 0 && lastPiece && m_zStream.avail_out != 0 && !shouldFinish);
        },
        deflateErrorWithCode,
        QNZlibPump::growthFor(length),
    };
    return pump.run(m_zStream, std::string_view(bytes, length), error);
}

std::optional<std::string> QNDataCompressor::compressData(const std::string& data, RefPtr<NSError>* error)
{
    if (data.empty())
        return std::nullopt;
    auto compressor = QNDataCompressor::compressor();
    RefPtr<NSError> failure;
    auto result = compressor->compressBytes(data.data(), data.size(), &failure, true);
    if (!result && error)
        *error = failure;
    return result;
}

bool QNDataCompressor::compressDataFromFile(const std::string& sourcePath, const std::string& destinationPath, RefPtr<NSError>* error)
{
    auto compressor = QNDataCompressor::compressor();
    GzipFileTransform transform {
        "Compression",
        [&](const std::string& chunk, bool isLast, RefPtr<NSError>* failure) -> std::optional<std::string> {
            auto result = compressor->compressBytes(chunk.data(), chunk.size(), failure, isLast);
            if (!result && chunk.empty() && !isLast)
                return std::string();
            return result;
        },
        [&] { return compressor->closeStream(); },
    };
    return transformGzipFile(sourcePath, destinationPath, transform, error);
}

} // namespace qv
