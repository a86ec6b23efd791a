#include "QVReader.h"

#include "platform/Foundation/NSString.h"
#include "platform/Foundation/PathUtilities.h"
#include "platform/Foundation/StringFormat.h"
#include "platform/UIKit/UIImage.h"

#include <algorithm>
#include <cctype>

namespace qv {

namespace {

bool isFolder(const NSFileManager& fileManager, const std::string& path)
{
    bool directory = false;
    return fileManager.fileExistsAtPath(path, directory) && directory;
}

bool isNonFolder(const NSFileManager& fileManager, const std::string& path)
{
    bool directory = false;
    return fileManager.fileExistsAtPath(path, directory) && !directory;
}

// The names in a folder, in listing order; none when it cannot be listed.
std::vector<std::string> entriesOf(const NSFileManager& fileManager, const std::string& path)
{
    std::vector<std::string> names;
    if (RefPtr<NSArray> listing = fileManager.contentsOfDirectoryAtPath(path)) {
        for (const Ref<NSObject>& name : listing->objects())
            names.push_back(name->description());
    }
    return names;
}

std::string lowercased(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool endsWith(const std::string& text, std::string_view suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The names a bundle's or folder's icon goes by: icon.png and its
// double-resolution form.
bool isIconFileName(const std::string& name)
{
    const std::string lower = lowercased(name);
    return lower == stringWithFormat("%@.png", "icon") || lower == stringWithFormat("%@%@.png", "icon", "@2x");
}

} // namespace

Ref<NSArray> QVReader::listOfThemeIconsAtDirectory(const std::string& directory, int32_t themeType) const
{
    Ref<NSArray> icons = NSArray::create();
    const bool iconFiles = themeType == QVThemeScanFolderIcons || themeType == QVThemeScanBundleIcons;
    if (!iconFiles && themeType != QVThemeScanPNGFiles)
        return icons;
    for (const std::string& entry : entriesOf(*m_fileManager, directory)) {
        // The png test has no dot: "readmepng" counts, "Notes.PNG" does not.
        if (iconFiles ? !isIconFileName(entry) : !endsWith(entry, "png"))
            continue;
        const std::string path = stringWithFormat("%@/%@", directory, entry);
        if (!isNonFolder(*m_fileManager, path))
            continue;
        icons->addObject(iconFiles ? stringWithFormat("%@/%@", lastPathComponent(directory), entry) : entry);
    }
    return icons;
}

void QVReader::addSubfolderIcons(NSDictionary& images, const std::string& directory, const std::string& group, int32_t kind) const
{
    const std::string groupPath = stringWithFormat("%@/%@", directory, group);
    if (!isFolder(*m_fileManager, groupPath))
        return;
    RefPtr<NSArray> list;
    for (const std::string& entry : entriesOf(*m_fileManager, groupPath)) {
        const std::string subfolder = stringWithFormat("%@/%@/%@", directory, group, entry);
        if (!isFolder(*m_fileManager, subfolder))
            continue;
        if (!list) {
            list = NSArray::create();
            images.setObject(list.toRef(), group);
        }
        list->addObjectsFromArray(listOfThemeIconsAtDirectory(subfolder, kind));
    }
}

void QVReader::addBackground(NSDictionary& images, const std::string& directory) const
{
    for (const std::string& entry : entriesOf(*m_fileManager, directory)) {
        if (stringByDeletingPathExtension(entry) != "Wallpaper")
            continue;
        const std::string path = stringWithFormat("%@/%@", directory, entry);
        // Only a wallpaper that decodes counts; the last one listed wins.
        if (UIImage::imageWithContentsOfFile(path))
            images.setObject(NSArray::create({ entry }), QVThemeBackgroundsKey);
    }
}

Ref<NSDictionary> QVReader::imagesInThemeAtDirectory(const std::string& directory, int32_t browseType) const
{
    Ref<NSDictionary> images = NSDictionary::create();
    if (browseType == QVBrowseTypeIconImage) {
        addSubfolderIcons(*images, directory, QVThemeFoldersKey, QVThemeScanFolderIcons);
        addSubfolderIcons(*images, directory, QVThemeBundlesKey, QVThemeScanBundleIcons);
        const std::string icons = stringWithFormat("%@/%@", directory, QVThemeIconsKey);
        if (isFolder(*m_fileManager, icons))
            images->setObject(listOfThemeIconsAtDirectory(icons, QVThemeScanPNGFiles), QVThemeIconsKey);
    } else if (browseType == QVBrowseTypeBackgroundImage) {
        addBackground(*images, directory);
    }
    return images;
}

bool QVReader::isValidThemeAtDirectory(const std::string& directory, int32_t browseType) const
{
    Ref<NSDictionary> images = imagesInThemeAtDirectory(directory, browseType);
    for (const char* group : { QVThemeFoldersKey, QVThemeBundlesKey, QVThemeIconsKey, QVThemeBackgroundsKey }) {
        RefPtr<NSArray> list = images->arrayForKey(group);
        if (list && list->count() > 0)
            return true;
    }
    return false;
}

} // namespace qv
