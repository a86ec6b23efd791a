#include "QVLayoutReference.h"

#include "model/QVLayoutKeys.h"

namespace qv {

std::string QVLayoutReference::referenceString(std::string_view fileName, bool isDefault)
{
    std::string reference(fileName);
    reference += separator;
    reference += isDefault ? defaultFolderWord : userFolderWord;
    return reference;
}

std::optional<std::string> QVLayoutReference::fileNamePart(std::string_view value)
{
    const size_t split = value.find(separator);
    if (split == std::string_view::npos)
        return std::nullopt;
    return std::string(value.substr(0, split));
}

bool QVLayoutReference::isContainedFileName(std::string_view fileName)
{
    return !fileName.empty() && fileName != "." && fileName != ".." && fileName.find('/') == std::string_view::npos
        && fileName.find('\0') == std::string_view::npos;
}

std::optional<QVLayoutReference> QVLayoutReference::parse(std::string_view value)
{
    std::optional<std::string> fileName = fileNamePart(value);
    // An empty name is kept: it names the folder itself, which no load
    // reads as a layout.
    if (!fileName || (!fileName->empty() && !isContainedFileName(*fileName)))
        return std::nullopt;
    std::string_view folderWord = value.substr(fileName->size() + separator.size());
    folderWord = folderWord.substr(0, folderWord.find(separator));
    return QVLayoutReference(std::move(*fileName), folderWord == defaultFolderWord ? Folder::Default : Folder::User);
}

QVLayoutReference QVLayoutReference::defaultLayout()
{
    return QVLayoutReference(QVDefaultLayoutFileName, Folder::Default);
}

QVLayoutReference QVLayoutReference::defaultFolderLayout()
{
    return QVLayoutReference(QVDefaultFolderLayoutFileName, Folder::Default);
}

std::string QVLayoutReference::string() const
{
    return referenceString(m_fileName, isDefault());
}

std::string QVLayoutReference::folderPath() const
{
    return isDefault() ? QVDefaultLayoutsFolder : QVUserLayoutsFolder;
}

std::string QVLayoutReference::path() const
{
    return folderPath() + "/" + m_fileName;
}

} // namespace qv
