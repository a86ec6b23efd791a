#include "QNDataDecompressor.h"

#include "http/QNGzipFiles.h"
#include "http/QNHTTPRequest.h"

#include "platform/Foundation/StringFormat.h"

#include <algorithm>
#include <climits>

namespace qv {

namespace {

constexpr size_t minimumGrowth = 1024;

} // namespace

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

RefPtr<NSError> QNDataDecompressor::setupStream()
{
    if (m_streamReady)
        return nullptr;
    m_zStream = {};
    m_zStream.zalloc = Z_NULL;
    m_zStream.zfree = Z_NULL;
    m_zStream.opaque = Z_NULL;
    m_zStream.next_in = Z_NULL;
    m_zStream.avail_in = 0;
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

std::optional<std::string> QNDataDecompressor::uncompressBytes(const char* bytes, size_t length, RefPtr<NSError>* error)
{
    if (length == 0)
        return std::nullopt;
    if (!m_streamReady) {
        if (error)
            *error = inflateErrorWithCode(Z_STREAM_ERROR);
        return std::nullopt;
    }
    const size_t growth = std::max<size_t>(length / 2, minimumGrowth);
    std::string output(length + growth, '\0');
    size_t produced = 0;
    size_t consumed = 0;
    // Bytes after the end of the compressed data are ignored.
    while (!m_streamEnded) {
        if (m_zStream.avail_in == 0 && consumed < length) {
            const size_t piece = std::min<size_t>(length - consumed, UINT_MAX);
            m_zStream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes + consumed));
            m_zStream.avail_in = static_cast<uInt>(piece);
            consumed += piece;
        }
        if (produced == output.size())
            output.resize(output.size() + growth);
        const size_t space = std::min<size_t>(output.size() - produced, UINT_MAX);
        m_zStream.next_out = reinterpret_cast<Bytef*>(output.data() + produced);
        m_zStream.avail_out = static_cast<uInt>(space);
        const int status = inflate(&m_zStream, Z_NO_FLUSH);
        produced += space - m_zStream.avail_out;
        if (status == Z_STREAM_END) {
            m_streamEnded = true;
            break;
        }
        if (status != Z_OK && status != Z_BUF_ERROR) {
            if (error)
                *error = inflateErrorWithCode(status);
            return std::nullopt;
        }
        // All input taken and nothing more waiting inside zlib: a full
        // output buffer may hide more, so only room left over ends this.
        if (m_zStream.avail_in == 0 && consumed == length && m_zStream.avail_out != 0)
            break;
    }
    output.resize(produced);
    return output;
}

std::optional<std::string> QNDataDecompressor::uncompressData(const std::string& data, RefPtr<NSError>* error)
{
    if (data.empty())
        return std::nullopt;
    auto decompressor = QNDataDecompressor::decompressor();
    RefPtr<NSError> failure;
    auto result = decompressor->uncompressBytes(data.data(), data.size(), &failure);
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
