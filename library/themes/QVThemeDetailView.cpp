#include "QVThemeDetailView.h"

#include "model/QVThemeImages.h"
#include "platform/Foundation/NSString.h"
#include "platform/Foundation/PathUtilities.h"
#include "platform/Foundation/StringFormat.h"
#include "platform/UIKit/UIColor.h"
#include "platform/UIKit/UIImageView.h"
#include "platform/UIKit/UITableViewHeaderFooterView.h"

namespace qv {

namespace {

constexpr const char* iconGroups[] = { QVThemeBundlesKey, QVThemeFoldersKey, QVThemeIconsKey };

} // namespace

QVThemeDetailView::QVThemeDetailView(UITableViewStyle style, std::string themeDirectory, std::string name, int32_t browseType,
    const WeakPtr<QVThemeDetailViewDelegate>& delegate)
    : UITableViewController(style)
    , m_settings(QVSettings::currentSettings())
    , m_reader(QVReader::create())
    , m_images(NSDictionary::create())
    , m_browseType(browseType)
    , m_directory(std::move(themeDirectory))
    , m_name(std::move(name))
    , m_delegate(delegate)
{
    tableView()->setRowHeight(60);
    UITableViewHeaderFooterView::setAppearanceTintColor(UIColor::colorWithWhite(0, 0.15));
}

void QVThemeDetailView::viewDidLoad()
{
    UITableViewController::viewDidLoad();
    setTitle(m_name);
    getImageList();
}

void QVThemeDetailView::getImageList()
{
    m_images = m_reader->imagesInThemeAtDirectory(m_directory, m_browseType);
}

std::optional<std::string> QVThemeDetailView::groupOfSection(NSInteger section) const
{
    if (m_browseType == QVBrowseTypeIconImage)
        return section >= 0 && section < 3 ? std::optional<std::string>(iconGroups[section]) : std::nullopt;
    if (m_browseType == QVBrowseTypeBackgroundImage)
        return std::string(QVThemeBackgroundsKey);
    return std::nullopt;
}

RefPtr<NSArray> QVThemeDetailView::entriesOfSection(NSInteger section) const
{
    std::optional<std::string> group = groupOfSection(section);
    return group ? m_images->arrayForKey(*group) : nullptr;
}

NSInteger QVThemeDetailView::numberOfSectionsInTableView(UITableView*)
{
    return m_browseType == QVBrowseTypeIconImage ? 3 : 1;
}

std::optional<std::string> QVThemeDetailView::tableViewTitleForHeaderInSection(UITableView* table, NSInteger section)
{
    if (tableViewNumberOfRowsInSection(table, section) == 0)
        return std::nullopt;
    if (m_browseType == QVBrowseTypeIconImage)
        return stringWithFormat("From \"%@\"", *groupOfSection(section));
    if (m_browseType == QVBrowseTypeBackgroundImage)
        return std::string(QVThemeBackgroundsKey);
    return std::nullopt;
}

NSInteger QVThemeDetailView::tableViewNumberOfRowsInSection(UITableView*, NSInteger section)
{
    RefPtr<NSArray> entries = entriesOfSection(section);
    return entries ? static_cast<NSInteger>(entries->count()) : 0;
}

Ref<UITableViewCell> QVThemeDetailView::tableViewCellForRowAtIndexPath(UITableView*, NSIndexPath* indexPath)
{
    auto cell = makeRef<UITableViewCell>(UITableViewCellStyleDefault, std::nullopt);
    RefPtr<NSArray> entries = entriesOfSection(indexPath->section());
    RefPtr<NSObject> entryObject = entries ? entries->objectAtIndex(static_cast<NSUInteger>(indexPath->row())) : nullptr;
    if (!entryObject)
        return cell;
    const std::string entry = entryObject->description();
    if (m_browseType == QVBrowseTypeIconImage) {
        const std::string group = *groupOfSection(indexPath->section());
        // Bundle and folder rows show only the icon file's name.
        cell->textLabel()->setText(group == QVThemeIconsKey ? entry : lastPathComponent(entry));
        cell->setAccessoryView(makeRef<UIImageView>(UIImage::imageWithContentsOfFile(stringWithFormat("%@/%@/%@", m_directory, group, entry))));
    } else {
        cell->textLabel()->setText(entry);
        auto imageView = makeRef<UIImageView>(UIImage::imageWithContentsOfFile(stringWithFormat("%@/%@", m_directory, entry)));
        imageView->setFrame(CGRectMake(0, 0, 60, 60));
        cell->setAccessoryView(imageView);
    }
    return cell;
}

void QVThemeDetailView::tableViewDidSelectRowAtIndexPath(UITableView* table, NSIndexPath* indexPath)
{
    // The row is built again, so the image is read from its file anew.
    Ref<UITableViewCell> cell = tableViewCellForRowAtIndexPath(table, indexPath);
    RefPtr<UIImageView> imageView = dynamicRefCast<UIImageView>(cell->accessoryView());
    if (RefPtr<QVThemeDetailViewDelegate> delegate = m_delegate.lock())
        delegate->detailViewSelectedImage(this, imageView ? imageView->image() : nullptr, m_browseType);
}

} // namespace qv
