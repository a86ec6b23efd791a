#pragma once

#include "platform/Foundation/NSError.h"
#include "platform/Foundation/NSObject.h"

#include <zlib.h>

#include <optional>
#include <string>

namespace qv {

// Makes gzip data: from a whole buffer, from chunks fed one after another
// (the last one finishing the stream), or from file to file.
class QNDataCompressor : public NSObject {
    QV_MAKE_REF_FRIEND;
public:
    // A compressor with its stream set up; a failed set-up leaves it not
    // ready, and compressing then fails.
    static Ref<QNDataCompressor> compressor();

    RefPtr<NSError> setupStream();
    RefPtr<NSError> closeStream();
    bool streamReady() const { return m_streamReady; }

    // The gzip bytes this input produced; nothing (and no error) for an
    // empty input that does not finish the stream, nothing with the error
    // on a failure.
    std::optional<std::string> compressBytes(const char* bytes, size_t length, RefPtr<NSError>* error, bool shouldFinish);

    static std::optional<std::string> compressData(const std::string& data, RefPtr<NSError>* error);
    static bool compressDataFromFile(const std::string& sourcePath, const std::string& destinationPath, RefPtr<NSError>* error);
    static Ref<NSError> deflateErrorWithCode(int code);

    std::string className() const override { return "QNDataCompressor"; }
    ~QNDataCompressor() override;

private:
    QNDataCompressor() = default;
    z_stream m_zStream {};
    bool m_streamReady = false;
};

} // namespace qv
