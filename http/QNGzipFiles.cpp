#include "QNGzipFiles.h"

#include "http/QNHTTPRequest.h"

#include "platform/Foundation/NSFileManager.h"
#include "platform/Foundation/NSStream.h"
#include "platform/Foundation/StringFormat.h"

namespace qv {

namespace {

void setError(RefPtr<NSError>* error, const std::string& description, RefPtr<NSError> underlying = nullptr)
{
    if (error)
        *error = NSError::create(NetworkRequestErrorDomain, QNCompressionError, description, underlying);
}

// Reads a whole chunk unless the file ends first; -1 on an error.
long readChunk(NSInputStream& input, std::string& chunk)
{
    chunk.resize(gzipFileChunkSize);
    size_t filled = 0;
    while (filled < chunk.size()) {
        const long count = input.read(reinterpret_cast<uint8_t*>(chunk.data() + filled), chunk.size() - filled);
        if (count < 0)
            return -1;
        if (count == 0)
            break;
        filled += static_cast<size_t>(count);
    }
    chunk.resize(filled);
    return static_cast<long>(filled);
}

} // namespace

bool transformGzipFile(const std::string& sourcePath, const std::string& destinationPath, const GzipFileTransform& transform,
    RefPtr<NSError>* error)
{
    const std::string operation = transform.operation;
    auto output = NSOutputStream::outputStreamToFileAtPath(destinationPath, false);
    output->open();
    if (output->streamStatus() != NSStreamStatusOpen) {
        setError(error, stringWithFormat("%s of %s failed because we were to create a file at %s", operation.c_str(), sourcePath.c_str(), destinationPath.c_str()));
        return false;
    }
    if (!NSFileManager::defaultManager()->fileExistsAtPath(sourcePath)) {
        setError(error, stringWithFormat("%s of %s failed the file does not exist", operation.c_str(), sourcePath.c_str()));
        return false;
    }
    auto input = NSInputStream::inputStreamWithFileAtPath(sourcePath);
    input->open();
    std::string chunk;
    bool finished = false;
    for (;;) {
        const long count = input->streamStatus() == NSStreamStatusError ? -1 : readChunk(input, chunk);
        if (count < 0) {
            setError(error, stringWithFormat("%s of %s failed because we were unable to read from the source data file", operation.c_str(), sourcePath.c_str()),
                input->streamError());
            transform.finish();
            return false;
        }
        // A file of a whole number of chunks still gets its finish, from
        // an empty last chunk.
        if (count == 0 && finished)
            break;
        const bool isLast = static_cast<size_t>(count) < gzipFileChunkSize;
        auto result = transform.transform(chunk, isLast, error);
        if (!result) {
            transform.finish();
            return false;
        }
        if (!result->empty() && output->write(reinterpret_cast<const uint8_t*>(result->data()), result->size()) < 0) {
            setError(error, stringWithFormat("%s of %s failed because we were unable to write to the destination data file at %s", operation.c_str(),
                                sourcePath.c_str(), destinationPath.c_str()),
                output->streamError());
            transform.finish();
            return false;
        }
        finished = isLast;
        if (count == 0)
            break;
    }
    input->close();
    output->close();
    if (auto failure = transform.finish()) {
        if (error)
            *error = failure;
        return false;
    }
    return true;
}

} // namespace qv
