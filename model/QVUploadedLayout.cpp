#include "QVUploadedLayout.h"

namespace qv {

RefPtr<QVUploadedLayout> QVUploadedLayout::create(const std::string&, bool)
{
    return nullptr;
}

Ref<QVUploadedLayout> QVUploadedLayout::create(RefPtr<NSURL> layoutFromURL, std::string withName, int32_t downloads)
{
    return makeRef<QVUploadedLayout>(std::move(layoutFromURL), std::move(withName), downloads);
}

QVUploadedLayout::QVUploadedLayout(RefPtr<NSURL> url, std::string name, int32_t downloads)
    : m_layoutURL(std::move(url))
    , m_layoutName(std::move(name))
    , m_layoutDownloads(downloads)
{
    m_device = QVDevice::currentDevice();
}

CGRect QVUploadedLayout::previewFrame(bool iPad)
{
    return iPad ? CGRectMake(0, 0, 210, 80) : CGRectMake(0, 0, 190, 60);
}

RefPtr<NSDictionary> QVUploadedLayout::layoutData() const
{
    // The loader's bounds keep a silent or endless server from holding the
    // main thread, or a huge answer from filling memory.
    return m_layoutURL ? NSDictionary::dictionaryWithContentsOfURL(*m_layoutURL) : nullptr;
}

RefPtr<QVLayoutPreview> QVUploadedLayout::layoutPreview() const
{
    return QVLayoutPreview::create(previewFrame(m_device && m_device->iPad()), layoutData());
}

} // namespace qv
