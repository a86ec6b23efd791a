#pragma once

#include "http/CloudFiles/QNCloudFilesObject.h"
#include "http/CloudFiles/QNCloudFilesRequest.h"

#include "platform/Foundation/NSXMLParser.h"

#include <optional>
#include <vector>

namespace qv {

// Requests on a container's objects.
class QNCloudFilesObjectRequest : public QNCloudFilesRequest, public NSXMLParserDelegate {
    QV_MAKE_REF_FRIEND;
public:
    static Ref<QNCloudFilesObjectRequest> storageRequestWithMethod(const std::string& method, const std::string& containerName);
    static Ref<QNCloudFilesObjectRequest> storageRequestWithMethod(const std::string& method, const std::string& containerName,
        const std::string& queryString);
    static Ref<QNCloudFilesObjectRequest> storageRequestWithMethodForObject(const std::string& method,
        const std::string& containerName, const std::string& objectPath);
    static Ref<QNCloudFilesObjectRequest> containerInfoRequest(const std::string& containerName);
    static Ref<QNCloudFilesObjectRequest> objectInfoRequest(const std::string& containerName, const std::string& objectPath);
    static Ref<QNCloudFilesObjectRequest> listRequestWithContainer(const std::string& containerName);
    // The prefix and path narrow the listing; empty ones are left out.
    static Ref<QNCloudFilesObjectRequest> listRequestWithContainer(const std::string& containerName, unsigned long limit,
        const std::string& marker, const std::string& prefix, const std::string& path);
    static std::string queryStringWithContainer(const std::string& containerName, unsigned long limit,
        const std::string& marker, const std::string& prefix, const std::string& path);
    static Ref<QNCloudFilesObjectRequest> getObjectRequestWithContainer(const std::string& containerName,
        const std::string& objectPath);
    // The entity tag, when given, is the checksum the store verifies the
    // content against.
    static Ref<QNCloudFilesObjectRequest> putObjectRequestWithContainer(const std::string& containerName,
        const std::string& objectPath, const std::string& contentType, const std::string& objectData,
        const NSDictionary* metadata, const std::string& etag);
    static Ref<QNCloudFilesObjectRequest> putObjectRequestWithContainerForFile(const std::string& containerName,
        const std::string& objectPath, const std::string& contentType, const std::string& file,
        const NSDictionary* metadata, const std::string& etag);
    static Ref<QNCloudFilesObjectRequest> putObjectRequestWithContainer(const std::string& containerName,
        const QNCloudFilesObject& object);
    static Ref<QNCloudFilesObjectRequest> postObjectRequestWithContainer(const std::string& containerName,
        const std::string& objectPath, const NSDictionary* metadata);
    static Ref<QNCloudFilesObjectRequest> postObjectRequestWithContainer(const std::string& containerName,
        const QNCloudFilesObject& object);
    static Ref<QNCloudFilesObjectRequest> deleteObjectRequestWithContainer(const std::string& containerName,
        const std::string& objectPath);

    std::string accountName;
    std::string containerName;

    // From the reply.
    uint64_t containerObjectCount() const;
    uint64_t containerBytesUsed() const;
    // The listing's records, read on the first call.
    const std::vector<Ref<QNCloudFilesObject>>& objects();
    // The fetched object: its name, headers, metadata and body.
    Ref<QNCloudFilesObject> object() const;

    void parserDidStartElement(NSXMLParser&, const std::string& elementName, const std::optional<std::string>& namespaceURI,
        const std::optional<std::string>& qualifiedName, NSDictionary& attributes) override;
    void parserDidEndElement(NSXMLParser&, const std::string& elementName, const std::optional<std::string>& namespaceURI,
        const std::optional<std::string>& qualifiedName) override;
    void parserFoundCharacters(NSXMLParser&, const std::string& characters) override;

    std::string className() const override { return "QNCloudFilesObjectRequest"; }

private:
    explicit QNCloudFilesObjectRequest(RefPtr<NSURL> url) : QNCloudFilesRequest(std::move(url)) {}
    static Ref<QNCloudFilesObjectRequest> make(const std::string& method, const std::string& containerName,
        const std::string& address);
    void addMetadata(const NSDictionary* metadata);
    void addUploadHeaders(const std::string& contentType, const NSDictionary* metadata, const std::string& etag);

    std::string m_currentElement;
    std::string m_currentContent;
    RefPtr<QNCloudFilesObject> m_currentObject;
    std::optional<std::vector<Ref<QNCloudFilesObject>>> m_objects;
};

} // namespace qv
