#include "http/CloudFiles/QNCloudFilesObjectRequest.h"

#include "http/CloudFiles/QNCloudFilesValues.h"
#include "platform/Foundation/StringFormat.h"

namespace qv {

Ref<QNCloudFilesObjectRequest> QNCloudFilesObjectRequest::make(const std::string& method, const std::string& containerName,
    const std::string& address)
{
    auto request = makeRef<QNCloudFilesObjectRequest>(NSURL::URLWithString(address));
    request->prepare(method);
    request->containerName = containerName;
    return request;
}

Ref<QNCloudFilesObjectRequest> QNCloudFilesObjectRequest::storageRequestWithMethod(const std::string& method,
    const std::string& containerName)
{
    return storageRequestWithMethod(method, containerName, "");
}

Ref<QNCloudFilesObjectRequest> QNCloudFilesObjectRequest::storageRequestWithMethod(const std::string& method,
    const std::string& containerName, const std::string& queryString)
{
    return make(method, containerName, storageURL() + "/" + cloudfiles::escapedName(containerName) + queryString);
}

Ref<QNCloudFilesObjectRequest> QNCloudFilesObjectRequest::storageRequestWithMethodForObject(const std::string& method,
    const std::string& containerName, const std::string& objectPath)
{
    return make(method, containerName,
        storageURL() + "/" + cloudfiles::escapedName(containerName) + "/" + cloudfiles::escapedPath(objectPath));
}

Ref<QNCloudFilesObjectRequest> QNCloudFilesObjectRequest::containerInfoRequest(const std::string& containerName)
{
    return storageRequestWithMethod("HEAD", containerName);
}

Ref<QNCloudFilesObjectRequest> QNCloudFilesObjectRequest::objectInfoRequest(const std::string& containerName,
    const std::string& objectPath)
{
    return storageRequestWithMethodForObject("HEAD", containerName, objectPath);
}

Ref<QNCloudFilesObjectRequest> QNCloudFilesObjectRequest::listRequestWithContainer(const std::string& containerName)
{
    return storageRequestWithMethod("GET", containerName, "?format=xml");
}

std::string QNCloudFilesObjectRequest::queryStringWithContainer(const std::string&, unsigned long limit,
    const std::string& marker, const std::string& prefix, const std::string& path)
{
    std::string query = "?format=xml";
    if (limit > 0)
        query += stringWithFormat("&limit=%lu", limit);
    if (!marker.empty())
        query += "&marker=" + cloudfiles::escapedQueryValue(marker);
    if (!prefix.empty())
        query += "&prefix=" + cloudfiles::escapedQueryValue(prefix);
    if (!path.empty())
        query += "&path=" + cloudfiles::escapedQueryValue(path);
    return query;
}

Ref<QNCloudFilesObjectRequest> QNCloudFilesObjectRequest::listRequestWithContainer(const std::string& containerName,
    unsigned long limit, const std::string& marker, const std::string& prefix, const std::string& path)
{
    return storageRequestWithMethod("GET", containerName,
        queryStringWithContainer(containerName, limit, marker, prefix, path));
}

Ref<QNCloudFilesObjectRequest> QNCloudFilesObjectRequest::getObjectRequestWithContainer(const std::string& containerName,
    const std::string& objectPath)
{
    return storageRequestWithMethodForObject("GET", containerName, objectPath);
}

void QNCloudFilesObjectRequest::addMetadata(const NSDictionary* metadata)
{
    if (!metadata)
        return;
    for (const auto& [name, value] : metadata->entries())
        addRequestHeader("X-Object-Meta-" + name, value->description());
}

void QNCloudFilesObjectRequest::addUploadHeaders(const std::string& contentType, const NSDictionary* metadata,
    const std::string& etag)
{
    // Without a type of its own, an upload is plain bytes.
    addRequestHeader("Content-Type", contentType.empty() ? "application/octet-stream" : contentType);
    addMetadata(metadata);
    if (!etag.empty())
        addRequestHeader("ETag", etag);
}

Ref<QNCloudFilesObjectRequest> QNCloudFilesObjectRequest::putObjectRequestWithContainer(const std::string& containerName,
    const std::string& objectPath, const std::string& contentType, const std::string& objectData,
    const NSDictionary* metadata, const std::string& etag)
{
    auto request = storageRequestWithMethodForObject("PUT", containerName, objectPath);
    request->addUploadHeaders(contentType, metadata, etag);
    request->appendPostData(objectData);
    return request;
}

Ref<QNCloudFilesObjectRequest> QNCloudFilesObjectRequest::putObjectRequestWithContainerForFile(
    const std::string& containerName, const std::string& objectPath, const std::string& contentType,
    const std::string& file, const NSDictionary* metadata, const std::string& etag)
{
    auto request = storageRequestWithMethodForObject("PUT", containerName, objectPath);
    request->addUploadHeaders(contentType, metadata, etag);
    request->setPostBodyFilePath(file);
    request->setShouldStreamPostDataFromDisk(true);
    return request;
}

Ref<QNCloudFilesObjectRequest> QNCloudFilesObjectRequest::putObjectRequestWithContainer(const std::string& containerName,
    const QNCloudFilesObject& object)
{
    return putObjectRequestWithContainer(containerName, object.name, object.contentType, object.data,
        object.metadata.ptr(), "");
}

Ref<QNCloudFilesObjectRequest> QNCloudFilesObjectRequest::postObjectRequestWithContainer(const std::string& containerName,
    const std::string& objectPath, const NSDictionary* metadata)
{
    auto request = storageRequestWithMethodForObject("POST", containerName, objectPath);
    request->addMetadata(metadata);
    return request;
}

Ref<QNCloudFilesObjectRequest> QNCloudFilesObjectRequest::postObjectRequestWithContainer(const std::string& containerName,
    const QNCloudFilesObject& object)
{
    return postObjectRequestWithContainer(containerName, object.name, object.metadata.ptr());
}

Ref<QNCloudFilesObjectRequest> QNCloudFilesObjectRequest::deleteObjectRequestWithContainer(
    const std::string& containerName, const std::string& objectPath)
{
    return storageRequestWithMethodForObject("DELETE", containerName, objectPath);
}

uint64_t QNCloudFilesObjectRequest::containerObjectCount() const
{
    return cloudfiles::integerFromText(responseHeader("X-Container-Object-Count").value_or(""));
}

uint64_t QNCloudFilesObjectRequest::containerBytesUsed() const
{
    return cloudfiles::integerFromText(responseHeader("X-Container-Bytes-Used").value_or(""));
}

const std::vector<Ref<QNCloudFilesObject>>& QNCloudFilesObjectRequest::objects()
{
    if (m_objects)
        return *m_objects;
    m_objects.emplace();
    const std::string body = responseData().value_or("");
    cloudfiles::readXML(body, *this);
    return *m_objects;
}

Ref<QNCloudFilesObject> QNCloudFilesObjectRequest::object() const
{
    auto object = QNCloudFilesObject::object();
    // The name is the path after exactly "<storage path>/<container>/";
    // a request elsewhere names no object.
    if (auto address = url()) {
        // Both paths come back decoded once already: a name that itself
        // holds "%41" stays so.
        const std::string& path = address->path();
        std::string storagePath;
        if (auto storage = NSURL::URLWithString(storageURL()))
            storagePath = storage->path();
        const std::string start = storagePath + "/" + containerName + "/";
        if (path.rfind(start, 0) == 0)
            object->name = path.substr(start.size());
    }
    object->hash = responseHeader("ETag").value_or("");
    object->bytes = cloudfiles::integerFromText(responseHeader("Content-Length").value_or(""));
    object->contentType = responseHeader("Content-Type").value_or("");
    if (auto modified = responseHeader("Last-Modified"))
        object->lastModified = dateFromRFC1123String(*modified);
    if (auto headers = responseHeaders()) {
        const std::string prefix = "X-Object-Meta-";
        for (const auto& [name, value] : headers->entries())
            if (name.rfind(prefix, 0) == 0)
                object->metadata->setObject(value->description(), name.substr(prefix.size()));
    }
    object->data = responseData().value_or("");
    return object;
}

void QNCloudFilesObjectRequest::parserDidStartElement(NSXMLParser&, const std::string& elementName,
    const std::optional<std::string>&, const std::optional<std::string>&, NSDictionary&)
{
    m_currentElement = elementName;
    m_currentContent.clear();
    if (elementName == "object")
        m_currentObject = QNCloudFilesObject::object();
}

void QNCloudFilesObjectRequest::parserDidEndElement(NSXMLParser&, const std::string& elementName,
    const std::optional<std::string>&, const std::optional<std::string>&)
{
    if (elementName == "object") {
        if (m_currentObject)
            m_objects->push_back(*m_currentObject);
        m_currentObject = nullptr;
        return;
    }
    if (!m_currentObject)
        return;
    auto& object = *m_currentObject;
    if (elementName == "name")
        object.name = m_currentContent;
    else if (elementName == "hash")
        object.hash = m_currentContent;
    else if (elementName == "content_type")
        object.contentType = m_currentContent;
    else if (elementName == "bytes")
        object.bytes = cloudfiles::integerFromText(m_currentContent);
    else if (elementName == "last_modified")
        object.lastModified = dateFromString(m_currentContent);
}

void QNCloudFilesObjectRequest::parserFoundCharacters(NSXMLParser&, const std::string& characters)
{
    m_currentContent += characters;
}

} // namespace qv
