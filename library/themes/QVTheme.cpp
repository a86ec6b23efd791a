#include "QVTheme.h"

#include "platform/Foundation/StringFormat.h"

namespace qv {

QVTheme::QVTheme(std::string name, int32_t browseType)
    : m_settings(QVSettings::currentSettings())
    , m_reader(QVReader::create())
    , m_browseType(browseType)
    , m_name(std::move(name))
    , m_directory(stringWithFormat("%@/%@", m_settings->themePath(), m_name))
{
    m_isValid = m_reader->isValidThemeAtDirectory(m_directory, m_browseType);
}

Ref<QVThemeDetailView> QVTheme::themeDetailView()
{
    return makeRef<QVThemeDetailView>(UITableViewStylePlain, m_directory, m_name, m_browseType, WeakPtr<QVThemeDetailViewDelegate>(this));
}

void QVTheme::detailViewSelectedImage(QVThemeDetailView*, RefPtr<UIImage> image, int32_t browseType)
{
    if (RefPtr<QVThemeDelegate> delegate = m_delegate.lock())
        delegate->themeSelectedImage(this, std::move(image), browseType);
}

} // namespace qv
