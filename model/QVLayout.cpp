#include "QVLayout.h"

#include "model/LayoutReaderBase.h"
#include "model/QVLayoutKeys.h"
#include "platform/Foundation/StringFormat.h"

namespace qv {

namespace {

// A new mutable dictionary of the file's content, or nothing.
RefPtr<NSDictionary> readLayout(const std::string& path)
{
    RefPtr<NSDictionary> content = NSDictionary::dictionaryWithContentsOfFile(path);
    return content ? RefPtr<NSDictionary>(content->mutableCopy()) : nullptr;
}

} // namespace

Ref<QVLayout> QVLayout::create(const std::string& name, bool isDefaultLayout)
{
    Ref<QVLayout> layout = makeRef<QVLayout>();
    layout->load(name, isDefaultLayout);
    return layout;
}

CGRect QVLayout::previewFrame(bool iPad)
{
    return iPad ? CGRectMake(0, 0, 190, 80) : CGRectMake(0, 0, 170, 60);
}

#if defined(QV_MODEL_APPLICATION)

void QVLayout::load(const std::string& name, bool isDefaultLayout)
{
    m_reader = QVReader::create();
    m_device = QVDevice::currentDevice();
    m_fileManager = NSFileManager::defaultManager();
    m_defaultLayout = isDefaultLayout;
    m_layoutPath = stringWithFormat("%@/%@", isDefaultLayout ? QVDefaultLayoutsFolder : QVUserLayoutsFolder, name);
    m_layoutName = name;
    m_layoutData = readLayout(*m_layoutPath);
    m_folderLayout = boolValueForKey(m_layoutData, QVFolderLayoutKey);
    // Loading upgrades the file itself, so that every reader after this
    // one finds the running device's keys.
    m_layoutData = m_reader->convertLayoutIfNecessary(m_layoutData, m_layoutPath, m_folderLayout);
    m_QV = boolValueForKey(m_layoutData, QVMadeByApplicationKey);
    m_layoutPreview = QVLayoutPreview::create(previewFrame(m_device->iPad()), m_layoutData);
}

#else

// The Settings bundle only shows layouts: the file is read, never
// converted or written.
void QVLayout::load(const std::string& name, bool isDefaultLayout)
{
    m_layoutName = name;
    m_defaultLayout = isDefaultLayout;
    m_layoutPath = stringWithFormat("%@/%@", isDefaultLayout ? QVDefaultLayoutsFolder : QVUserLayoutsFolder, name);
    m_layoutData = readLayout(*m_layoutPath);
    m_QV = boolValueForKey(m_layoutData, QVMadeByApplicationKey);
    m_folderLayout = boolValueForKey(m_layoutData, QVFolderLayoutKey);
    m_layoutPreview = QVLayoutPreview::create(previewFrame(currentDeviceType() == QVDeviceTypeiPad), m_layoutData);
}

#endif

} // namespace qv
